// The system's ANSI code page (932): iconv natively, Win32 under Wine. Both builds must
// give the same bytes, since pass phrases and names inside archives depend on them.
#include <gtest/gtest.h>

#include "platform/SystemPlatform.h"

namespace vog {
namespace {

class SystemCodePage : public ::testing::Test {
protected:
  std::unique_ptr<ICodePage> cp_ = CreateSystemCodePage();
};

TEST_F(SystemCodePage, IsJapanese) {
  // The Windows tests run under Wine with LC_ALL=ja_JP.UTF-8, which must give 932.
  EXPECT_EQ(cp_->CodePageNumber(), 932u);
}

TEST_F(SystemCodePage, JapaneseTextRoundTrip) {
  const std::wstring text = L"日本語のファイル名ｶﾀｶﾅ表示~\\A1";
  bool lossless = false;
  const std::string ansi = cp_->WideToAnsi(text, &lossless);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(ansi.substr(0, 4), "\x93\xFA\x96\x7B");  // 日本
  EXPECT_EQ(ansi.substr(ansi.size() - 12), "\xB6\xC0\xB6\xC5\x95\x5C\x8E\xA6~\\A1");
  EXPECT_EQ(cp_->AnsiToWide(ansi), text);
}

TEST_F(SystemCodePage, CharactersOutsideTheCodePageAreNotLossless) {
  for (const std::wstring& text : {std::wstring(L"a\xD83D\xDE00"
                                                L"b"),
                                   std::wstring(L"a\u3131b"), std::wstring(L"\u00A5")}) {
    bool lossless = true;
    const std::string ansi = cp_->WideToAnsi(text, &lossless);
    EXPECT_FALSE(lossless) << ansi;
    EXPECT_NE(cp_->AnsiToWide(ansi), text);
  }
  bool lossless = true;
  // An emoji becomes "?" (one per surrogate pair natively; Wine writes one per unit).
  const std::string emoji = cp_->WideToAnsi(
      L"a\xD83D\xDE00"
      L"b",
      &lossless);
  EXPECT_TRUE(emoji == "a?b" || emoji == "a??b") << emoji;
  EXPECT_EQ(cp_->WideToAnsi(L"x\u3131", &lossless), "x?");
  EXPECT_EQ(cp_->WideToAnsi(L""), "");
  EXPECT_EQ(cp_->AnsiToWide(""), L"");
}

TEST_F(SystemCodePage, BrokenBytesDoNotStopTheConversion) {
  // A lead byte at the very end and an unassigned pair still give text for the rest.
  const std::wstring w = cp_->AnsiToWide("ab\x82");
  ASSERT_GE(w.size(), 2u);
  EXPECT_EQ(w.substr(0, 2), L"ab");
  const std::wstring v = cp_->AnsiToWide("\x85\x40z");  // 0x8540 has no character
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(v.back(), L'z');
}

TEST_F(SystemCodePage, UpperCaseKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(cp_->AnsiUpper("abc xyz 09"), "ABC XYZ 09");
  // 表 (95 5C) and ツ (83 63) have trail bytes in the ASCII range; they must not change.
  EXPECT_EQ(cp_->AnsiUpper("\x95\x5C\x83\x63"), "\x95\x5C\x83\x63");
  // 0x8361 ("a" as trail byte) and half-width katakana stay as they are.
  EXPECT_EQ(cp_->AnsiUpper("\x83\x61\xB1z"), "\x83\x61\xB1Z");
  // Full-width letters have capitals in the code page and are upper-cased, as the
  // system's upper-casing of ANSI text does: ａｂ -> ＡＢ, α -> Α.
  EXPECT_EQ(cp_->AnsiUpper("\x82\x81\x82\x82"), "\x82\x60\x82\x61");
  EXPECT_EQ(cp_->AnsiUpper("\x83\xBF"), "\x83\x9F");
  // A lone lead byte at the end is kept.
  EXPECT_EQ(cp_->AnsiUpper("a\x82"), "A\x82");
}

TEST_F(SystemCodePage, LeadBytes) {
  for (int c = 0; c < 256; ++c) {
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(cp_->IsLeadByte(static_cast<unsigned char>(c)), lead) << c;
  }
}

}  // namespace
}  // namespace vog
