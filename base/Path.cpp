#include "base/Path.h"

namespace vog {

std::wstring AddBackslash(std::wstring_view path) {
  std::wstring result(path);
  if (result.empty() || result.back() != L'\\') result += L'\\';
  return result;
}

std::wstring PathRoot(std::wstring_view path) {
  return PathRootOf<wchar_t>(path, [](wchar_t) { return false; });
}

}  // namespace vog
