#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"

namespace vog {
namespace {

TEST(CompareText, IgnoresLetterCaseOrdinally) {
  EXPECT_EQ(CompareText(L"abc", L"ABC"), 0);
  EXPECT_LT(CompareText(L"a", L"B"), 0);
  EXPECT_GT(CompareText(L"b", L"A"), 0);
  EXPECT_LT(CompareText(L"abc", L"abcd"), 0);
  EXPECT_GT(CompareText(L"abcd", L"ABC"), 0);
  EXPECT_EQ(CompareText(L"", L""), 0);
  EXPECT_LT(CompareText(L"", L"a"), 0);
  // Ordinal after upper-casing: "_" (5F) sorts after every letter, "\" (5C) after "Z"
  // but before "_", digits and "." before letters.
  EXPECT_LT(CompareText(L"z", L"_"), 0);
  EXPECT_LT(CompareText(L"Z", L"\\"), 0);
  EXPECT_LT(CompareText(L"\\", L"_"), 0);
  EXPECT_LT(CompareText(L"a.txt", L"a1.txt"), 0);
  EXPECT_LT(CompareText(L"a\\b", L"a_b"), 0);
}

TEST(CompareText, BeyondAscii) {
  EXPECT_EQ(CompareText(L"ÀÉÎõü", L"àéîÕÜ"), 0);
  EXPECT_EQ(CompareText(L"ÿ", L"Ÿ"), 0);
  EXPECT_NE(CompareText(L"ß", L"SS"), 0);  // one unit to one unit only
  EXPECT_EQ(CompareText(L"ĀĹŹ", L"āĺź"), 0);
  EXPECT_EQ(CompareText(L"ΣΑΣ", L"σας"), 0);  // final sigma too
  EXPECT_EQ(CompareText(L"ДЁ", L"дё"), 0);
  EXPECT_EQ(CompareText(L"ＡＢＣ", L"ａｂｃ"), 0);  // fullwidth
  EXPECT_NE(CompareText(L"ＡＢＣ", L"ABC"), 0);     // ... but not folded to ASCII
  // Japanese characters compare by code unit; kana and kanji are untouched.
  EXPECT_NE(CompareText(L"あ", L"ア"), 0);
  EXPECT_LT(CompareText(L"あ", L"い"), 0);
  EXPECT_LT(CompareText(L"ア", L"日"), 0);
  EXPECT_EQ(CompareText(L"写真Ａ", L"写真ａ"), 0);
  for (wchar_t c = 0x3040; c < 0x30FF; ++c) ASSERT_EQ(UpperUnit(c), c);
  for (wchar_t c = 0x4E00; c < 0x4F00; ++c) ASSERT_EQ(UpperUnit(c), c);
  // A surrogate pair is two units; neither changes.
  EXPECT_EQ(UpperUnit(static_cast<wchar_t>(0xD801)), static_cast<wchar_t>(0xD801));
  EXPECT_EQ(UpperUnit(static_cast<wchar_t>(0xDC28)), static_cast<wchar_t>(0xDC28));
}

TEST(CompareText, MapsAndPrefixes) {
  std::map<std::wstring, int, TextLess> m;
  m[L"C:\\Data\\File.txt"] = 1;
  EXPECT_EQ(m.count(L"c:\\data\\FILE.TXT"), 1u);
  EXPECT_NE(m.find(std::wstring_view(L"C:\\DATA\\file.txt")), m.end());
  std::vector<std::wstring> v = {L"b", L"A", L"c", L"a_", L"B1"};
  std::sort(v.begin(), v.end(), TextLess());
  EXPECT_EQ(v, (std::vector<std::wstring>{L"A", L"a_", L"b", L"B1", L"c"}));
  EXPECT_TRUE(StartsWithText(L"C:\\Data\\x", L"c:\\data"));
  EXPECT_TRUE(StartsWithText(L"abc", L""));
  EXPECT_FALSE(StartsWithText(L"ab", L"abc"));
  EXPECT_FALSE(StartsWithText(L"D:\\Data", L"C:\\"));
  EXPECT_TRUE(SameText(L"ｆｉｌｅ", L"ＦＩＬＥ"));
  EXPECT_EQ(UpperText(L"abcäｚ日"), L"ABCÄＺ日");
}

TEST(Utf8, RoundTripsWithSurrogatePairs) {
  // Even where wchar_t is 32 bits wide, the emoji is two UTF-16 units.
  const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  const std::string utf8 = "A\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
  const std::wstring wide = Utf8ToWide(utf8);
  ASSERT_EQ(wide.size(), 5u);
  EXPECT_EQ(wide.substr(3), pair);
  EXPECT_EQ(WideToUtf8(wide), utf8);
  EXPECT_EQ(WideToUtf8(std::wstring(L"A\u00E9\u65E5") + pair), utf8);
  EXPECT_EQ(Utf8ToWide(WideToUtf8(L"\uFFFF\u0800\u07FF\u0080\u007F")), L"\uFFFF\u0800\u07FF\u0080\u007F");
  const std::wstring maxPair = {static_cast<wchar_t>(0xDBFF), static_cast<wchar_t>(0xDFFF)};
  EXPECT_EQ(WideToUtf8(maxPair), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(Utf8ToWide("\xF4\x8F\xBF\xBF"), maxPair);
}

TEST(Utf8, InvalidInputBecomesReplacementCharacters) {
  const std::wstring r(1, static_cast<wchar_t>(0xFFFD));
  EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");  // lone high
  EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00)) + L"a"),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(WideToUtf8(std::wstring{static_cast<wchar_t>(0xD800), L'a'}),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(Utf8ToWide("\xC0\x80"), r + r);                  // overlong
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), r + r + r);          // an encoded surrogate
  EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80"), r + r + r + r);  // beyond U+10FFFF
  EXPECT_EQ(Utf8ToWide("a\xE6\x97"), L"a" + r + r);          // cut short
  EXPECT_EQ(Utf8ToWide("\xE6"
                       "a"),
            r + L"a");
  EXPECT_EQ(Utf8ToWide("\x80"), r);
}

TEST(Utf16Le, BytesAreLittleEndianOnEveryBuild) {
  const std::wstring text = {L'A', static_cast<wchar_t>(0x65E5), static_cast<wchar_t>(0xD83D),
                             static_cast<wchar_t>(0xDE00)};
  const std::string bytes = ToUtf16Le(text);
  EXPECT_EQ(bytes, std::string("A\0\xE5\x65\x3D\xD8\x00\xDE", 8));
  EXPECT_EQ(FromUtf16Le(bytes), text);
  EXPECT_EQ(FromUtf16Le(bytes + "x"), text);  // a dangling odd byte is not a unit
}

TEST(Numbers, TextToIntIsStrict) {
  int64_t v = 0;
  EXPECT_TRUE(TryTextToInt(L"0", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(TryTextToInt(L"-42", v));
  EXPECT_EQ(v, -42);
  EXPECT_TRUE(TryTextToInt(L"+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(TryTextToInt(L"9223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_TRUE(TryTextToInt(L"-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  v = 5;
  for (const wchar_t* bad : {L"", L"-", L"+", L" 1", L"1 ", L"1a", L"0x10", L"9223372036854775808",
                             L"-9223372036854775809", L"99999999999999999999", L"１２"}) {
    EXPECT_FALSE(TryTextToInt(bad, v)) << WideToUtf8(bad);
  }
  EXPECT_EQ(v, 5);  // untouched on failure
  EXPECT_EQ(IntToText(INT64_MIN), L"-9223372036854775808");
  EXPECT_EQ(IntToText(1234), L"1234");
}

TEST(Error, CarriesTheMessageInBothForms) {
  try {
    throw EExitError(L"ファイル \"a.txt\" は開けません。");
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"ファイル \"a.txt\" は開けません。");
    EXPECT_STREQ(e.what(), "ファイル \"a.txt\" は開けません。");
  }
}

}  // namespace
}  // namespace vog
