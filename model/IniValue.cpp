#include "model/IniValue.h"

#include "base/Text.h"
#include "base/TextFile.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"

namespace vog {

namespace {

std::wstring_view Trim(std::wstring_view text) {
  const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool ReadIniValue(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                  std::wstring& value) {
  std::string bytes;
  if (path.empty() || ReadWholeFile(path, bytes)) return false;
  const std::wstring text = DecodeText(bytes, CodePage());
  bool inSection = false;
  for (const std::wstring& rawLine : SplitLines(text)) {
    const std::wstring_view line = Trim(rawLine);
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      const size_t close = line.find(L']');
      inSection = close != std::wstring_view::npos && SameText(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos || !SameText(Trim(line.substr(0, equals)), key)) continue;
    std::wstring_view v = Trim(line.substr(equals + 1));
    if (v.size() >= 2 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    value.assign(v);
    return true;
  }
  return false;
}

}  // namespace vog
