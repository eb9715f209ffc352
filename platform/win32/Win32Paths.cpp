// Paths as the Win32 platform hands them to the system (see Win32Platform.h).
#include <algorithm>
#include <string_view>

#include "platform/win32/Win32Platform.h"

namespace vog::win32 {

namespace {

// MAX_PATH less room for an 8.3 name: the limit CreateDirectoryW applies without the prefix.
constexpr size_t kShortPathLimit = 260 - 12;

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool HasPrefix(std::wstring_view p) {
  return p.size() >= 4 && p[0] == L'\\' && p[1] == L'\\' && (p[2] == L'?' || p[2] == L'.') && p[3] == L'\\';
}

// The normalised path without the prefix ("C:\a\b", "\\server\share\a") and whether it is
// fully qualified; `named` is set when a name ends in a dot or a space.
bool Normalise(const std::wstring& path, std::wstring& out, bool& named) {
  std::wstring p = path;
  std::replace(p.begin(), p.end(), L'/', L'\\');
  named = false;
  if (HasPrefix(p)) return false;
  size_t pos = 0;
  if (p.size() >= 3 && IsLetter(p[0]) && p[1] == L':' && p[2] == L'\\') {
    out = p.substr(0, 2);
    pos = 3;
  } else if (p.size() >= 3 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\\') {
    const size_t serverEnd = p.find(L'\\', 2);
    if (serverEnd == std::wstring::npos) return false;
    const size_t shareEnd = std::min(p.find(L'\\', serverEnd + 1), p.size());
    if (shareEnd == serverEnd + 1) return false;
    out = p.substr(0, shareEnd);
    pos = shareEnd;
  } else {
    return false;
  }
  // Components are appended to `out` as they come; ".." cuts the last one off again.
  const size_t rootLength = out.size();
  out.reserve(p.size() + 8);
  const std::wstring_view rest = std::wstring_view(p).substr(pos);
  for (size_t start = 0; start <= rest.size();) {
    const size_t end = std::min(rest.find(L'\\', start), rest.size());
    const std::wstring_view part = rest.substr(start, end - start);
    if (part == L"..") {
      if (out.size() > rootLength) out.resize(out.find_last_of(L'\\'));
    } else if (!part.empty() && part != L".") {
      out += L'\\';
      out += part;
    }
    start = end + 1;
  }
  for (size_t i = rootLength + 1; i <= out.size(); ++i)
    if ((i == out.size() || out[i] == L'\\') && (out[i - 1] == L'.' || out[i - 1] == L' ')) named = true;
  // The root keeps its separator; a path that ended in one keeps it too.
  if (out.size() == rootLength || p.back() == L'\\') out += L'\\';
  return true;
}

std::wstring Prefixed(const std::wstring& normal) {
  if (normal[0] == L'\\') return L"\\\\?\\UNC" + normal.substr(1);
  return L"\\\\?\\" + normal;
}

}  // namespace

std::wstring ExtendedPath(const std::wstring& path) {
  std::wstring normal;
  bool named = false;
  return Normalise(path, normal, named) ? Prefixed(normal) : path;
}

std::wstring ExtendedPathWhereNeeded(const std::wstring& path) {
  std::wstring normal;
  bool named = false;
  if (!Normalise(path, normal, named)) return path;
  return named || normal.size() >= kShortPathLimit ? Prefixed(normal) : path;
}

std::wstring WithoutExtendedPrefix(const std::wstring& path) {
  const std::wstring_view p = path;
  if (p.substr(0, 8) == L"\\\\?\\UNC\\") return L"\\" + path.substr(7);
  if (p.substr(0, 4) == L"\\\\?\\") return path.substr(4);
  return path;
}

}  // namespace vog::win32
