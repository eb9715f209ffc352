#include "model/TitleRules.h"

#include "base/Path.h"

namespace vog {

namespace {

std::wstring_view TitleFault(std::wstring_view title) {
  if (title.empty()) return L"タイトルが空です";
  bool dotsAndBlanks = true;
  for (wchar_t c : title) {
    if (static_cast<uint32_t>(c) < 0x20) return L"制御文字を含みます";
    // "<" and ">" would also be read as a path macro inside the destination folder's text.
    if (std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
      return L"\\ / : * ? \" < > | のいずれかを含みます";
    if (c != L'.' && c != L' ') dotsAndBlanks = false;
  }
  if (dotsAndBlanks) return L"ピリオドと空白だけの名前です";
  if (title.back() == L'.' || title.back() == L' ') return L"末尾がピリオドか空白です";
  if (IsDeviceName(title)) return L"装置名（CON、NUL、COM1 など）です";
  if (title.size() > kMaxTitleLength) return L"255 文字を超えています";
  return {};
}

}  // namespace

std::wstring TitleProblem(std::wstring_view title) {
  const std::wstring_view fault = TitleFault(title);
  if (fault.empty()) return {};
  return L"タイトル「" + ShowControlCharacters(title) + L"」はバックアップ先のフォルダ名に使えません（" +
         std::wstring(fault) + L"）";
}

}  // namespace vog
