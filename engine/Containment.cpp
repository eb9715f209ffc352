#include "engine/Containment.h"

#include <vector>

#include "base/Text.h"

namespace vog {

namespace {

bool IsSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

bool IsLetter(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

bool ResolveWindowsPath(std::wstring_view path, std::wstring& resolved) {
  resolved.clear();
  std::wstring root;
  size_t at = 0;
  if (path.size() >= 2 && IsLetter(path[0]) && path[1] == L':') {
    // "C:" alone and "C:\..." are the drive; "C:name" (relative to the drive's current
    // folder) is not absolute.
    if (path.size() > 2 && !IsSeparator(path[2])) return false;
    root = std::wstring(1, path[0]) + L":\\";
    at = 2;
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // "\\server\share": device paths ("\\?\", "\\.\") are not resolved here.
    size_t i = 2;
    std::wstring_view parts[2];
    for (auto& part : parts) {
      const size_t start = i;
      while (i < path.size() && !IsSeparator(path[i])) ++i;
      part = path.substr(start, i - start);
      if (i < path.size()) ++i;
    }
    if (parts[0].empty() || parts[1].empty() || parts[0] == L"?" || parts[0] == L"." || parts[1] == L"." ||
        parts[1] == L"..") {
      return false;
    }
    root = L"\\\\" + std::wstring(parts[0]) + L"\\" + std::wstring(parts[1]) + L"\\";
    at = i;
  } else {
    return false;
  }

  std::vector<std::wstring_view> segments;
  while (at < path.size()) {
    size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::wstring_view segment = path.substr(at, end - at);
    at = end + 1;
    bool onlyDots = !segment.empty();
    for (wchar_t c : segment) {
      if (c < 32 || c == L':') return false;
      if (c != L'.' && c != L' ') onlyDots = false;
    }
    if (segment.empty() || segment == L".") continue;
    if (segment == L"..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    if (onlyDots) return false;  // "...", ". ", ".. ": no safe reading
    while (!segment.empty() && (segment.back() == L'.' || segment.back() == L' ')) segment.remove_suffix(1);
    segments.push_back(segment);
  }
  resolved = root;
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i) resolved += L'\\';
    resolved += segments[i];
  }
  // Only a drive root keeps its "\"; a share root is written without it.
  if (segments.empty() && resolved.size() > 3) resolved.pop_back();
  return true;
}

bool IsInsideFolder(std::wstring_view path, std::wstring_view root, bool allowRoot) {
  std::wstring p, r;
  if (!ResolveWindowsPath(path, p) || !ResolveWindowsPath(root, r)) return false;
  if (!r.empty() && r.back() != L'\\') r += L'\\';
  if (p.size() < r.size())
    return allowRoot && p.size() + 1 == r.size() && SameText(p, std::wstring_view(r).substr(0, p.size()));
  if (!SameText(std::wstring_view(p).substr(0, r.size()), r)) return false;
  return p.size() > r.size() || allowRoot;
}

}  // namespace vog
