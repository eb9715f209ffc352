// The utilities that work on texts alone (the drive part also asks the code page).
#include <algorithm>

#include "base/Path.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"

namespace vog {

std::string PathRoot(std::string_view path) {
  ICodePage& codePage = CodePage();
  return PathRootOf<char>(path, [&codePage](char c) { return codePage.IsLeadByte(static_cast<unsigned char>(c)); });
}

bool TextStartsWith(std::wstring_view prefix, std::wstring_view text) { return StartsWithText(text, prefix); }

int SplitText(std::wstring_view text, std::wstring_view separator, std::vector<std::wstring>& parts, int maxParts) {
  parts.clear();
  if (maxParts < 1) maxParts = 1;
  size_t start = 0;
  if (!separator.empty()) {
    while (static_cast<int>(parts.size()) < maxParts - 1) {
      const size_t at = text.find(separator, start);
      if (at == std::wstring_view::npos) break;
      parts.emplace_back(text.substr(start, at - start));
      start = at + separator.size();
    }
  }
  parts.emplace_back(text.substr(start));
  return static_cast<int>(parts.size());
}

namespace {

// Cuts the first folder of `dir` and puts "...\" in its place.
void CutFirstFolder(std::wstring& dir) {
  if (dir == L"\\") {
    dir.clear();
    return;
  }
  const bool rooted = !dir.empty() && dir[0] == L'\\';
  if (rooted) dir.erase(0, 1);
  if (!dir.empty() && dir[0] == L'.') dir.erase(0, std::min<size_t>(4, dir.size()));
  const size_t slash = dir.find(L'\\');
  if (slash != std::wstring::npos)
    dir = L"...\\" + dir.substr(slash + 1);
  else
    dir.clear();
  if (rooted) dir.insert(0, 1, L'\\');
}

}  // namespace

std::wstring MinimizePath(std::wstring_view path, const TTextWidth& textWidth, int width) {
  std::wstring result(path);
  const size_t slash = result.find_last_of(L"\\:");
  std::wstring dir = slash == std::wstring::npos ? std::wstring() : result.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? result : result.substr(slash + 1);
  std::wstring drive;
  if (dir.size() >= 2 && dir[1] == L':') {
    drive = dir.substr(0, 2);
    dir.erase(0, 2);
  }
  while ((!dir.empty() || !drive.empty()) && textWidth(result) > width) {
    if (dir == L"\\...\\") {
      drive.clear();
      dir = L"...\\";
    } else if (dir.empty()) {
      drive.clear();
    } else {
      CutFirstFolder(dir);
    }
    result = drive + dir + name;
  }
  return result;
}

}  // namespace vog
