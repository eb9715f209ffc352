// Which titles can name an item's folder inside the main destination.
#include <gtest/gtest.h>

#include <string>

#include "base/Text.h"
#include "model/TitleRules.h"

namespace vog {
namespace {

TEST(TitleRules, TitlesThatNameOneFolderInsideTheDestination) {
  for (const wchar_t* title : {L"写真", L"A.B", L".profile", L"x..y", L" lead", L"CONSOLE", L"COM10", L"NULL.txt",
                               L"LPT", L"a\x7f"}) {
    SCOPED_TRACE(WideToUtf8(title));
    EXPECT_EQ(TitleProblem(title), L"");
  }
  EXPECT_EQ(TitleProblem(std::wstring(255, L'x')), L"");
}

TEST(TitleRules, TitlesRefusedWithTheirReason) {
  struct Case {
    std::wstring Title;
    const wchar_t* Reason;
  };
  const Case cases[] = {
      {L"", L"タイトルが空です"},
      {L".", L"ピリオドと空白だけの名前です"},
      {L"..", L"ピリオドと空白だけの名前です"},
      {L" . ", L"ピリオドと空白だけの名前です"},
      {L"..\\x", L"\\ / : * ? \" < > | のいずれかを含みます"},
      {L"a/b", L"\\ / : * ? \" < > | のいずれかを含みます"},
      {L"C:x", L"\\ / : * ? \" < > | のいずれかを含みます"},
      {L"<ENV:X>", L"\\ / : * ? \" < > | のいずれかを含みます"},
      {L"a?", L"\\ / : * ? \" < > | のいずれかを含みます"},
      {L"a\tb", L"制御文字を含みます"},
      {L"A.", L"末尾がピリオドか空白です"},
      {L"A ", L"末尾がピリオドか空白です"},
      {L"con", L"装置名（CON、NUL、COM1 など）です"},
      {L"CON.txt", L"装置名（CON、NUL、COM1 など）です"},
      {L"Nul .x", L"装置名（CON、NUL、COM1 など）です"},
      {L"COM1", L"装置名（CON、NUL、COM1 など）です"},
      {L"lpt9", L"装置名（CON、NUL、COM1 など）です"},
      {std::wstring(256, L'x'), L"255 文字を超えています"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.Title));
    const std::wstring message = TitleProblem(c.Title);
    EXPECT_TRUE(message.ends_with(L"（" + std::wstring(c.Reason) + L"）")) << WideToUtf8(message);
  }
  EXPECT_EQ(TitleProblem(L"a\nb"), L"タイトル「a[0A]b」はバックアップ先のフォルダ名に使えません（制御文字を含みます）");
}

}  // namespace
}  // namespace vog
