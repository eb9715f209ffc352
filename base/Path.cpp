#include "base/Path.h"

#include <array>
#include <cstdint>

#include "base/Text.h"

namespace vog {

std::wstring AddBackslash(std::wstring_view path) {
  std::wstring result(path);
  if (result.empty() || result.back() != L'\\') result += L'\\';
  return result;
}

std::wstring PathRoot(std::wstring_view path) {
  return PathRootOf<wchar_t>(path, [](wchar_t) { return false; });
}

bool IsPlainName(std::wstring_view name) noexcept {
  bool dotsAndBlanks = true;
  for (wchar_t c : name) {
    if (static_cast<uint32_t>(c) < 0x20 || c == L'\\' || c == L'/' || c == L':') return false;
    if (c != L'.' && c != L' ') dotsAndBlanks = false;
  }
  return !dotsAndBlanks;  // also false for an empty name
}

bool IsAbsoluteFolder(std::wstring_view folder) noexcept {
  std::wstring_view rest;
  if (folder.size() >= 3 && ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z')) &&
      folder[1] == L':' && folder[2] == L'\\') {
    rest = folder.substr(3);
  } else if (folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\') {
    // The server and the share are names like any other, but neither may be left out.
    rest = folder.substr(2);
    for (int part = 0; part < 2; ++part) {
      const size_t end = rest.find(L'\\');
      if (!IsPlainName(rest.substr(0, end))) return false;
      if (end == std::wstring_view::npos) return part == 1;
      rest.remove_prefix(end + 1);
    }
  } else {
    return false;
  }
  while (!rest.empty()) {
    const size_t end = rest.find(L'\\');
    const std::wstring_view name = rest.substr(0, end);
    if (!name.empty() && !IsPlainName(name)) return false;
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return true;
}

bool IsAbsoluteFilePath(std::wstring_view path) noexcept {
  const size_t slash = path.rfind(L'\\');
  return slash != std::wstring_view::npos && IsAbsoluteFolder(path.substr(0, slash + 1)) &&
         IsPlainName(path.substr(slash + 1));
}

bool IsDeviceName(std::wstring_view name) {
  std::wstring base = UpperText(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  static constexpr std::array<std::wstring_view, 6> plain = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (auto device : plain)
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) && base[3] >= L'0' &&
         base[3] <= L'9';
}

std::wstring ShowControlCharacters(std::wstring_view text) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring shown;
  shown.reserve(text.size());
  for (wchar_t c : text) {
    if (static_cast<uint32_t>(c) < 0x20) {
      shown += L'[';
      shown += kHex[c >> 4];
      shown += kHex[c & 15];
      shown += L']';
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace vog
