#include <gtest/gtest.h>

#include "base/Text.h"
#include "base/TextFile.h"

namespace vog {
namespace {

// Latin-1 as a stand-in ANSI code page: each byte is the code point of the same value.
class TLatin1CodePage : public ICodePage {
public:
  unsigned CodePageNumber() const override { return 28591; }
  std::wstring AnsiToWide(std::string_view ansi) const override {
    std::wstring out;
    for (char c : ansi) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
  }
  std::string WideToAnsi(std::wstring_view wide, bool* lossless) const override {
    std::string out;
    bool exact = true;
    for (wchar_t c : wide) {
      const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
      exact = exact && u < 0x100;
      out.push_back(u < 0x100 ? static_cast<char>(u) : '?');
    }
    if (lossless) *lossless = exact;
    return out;
  }
  std::string AnsiUpper(std::string_view ansi) const override {
    std::string out(ansi);
    for (auto& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
  }
  bool IsLeadByte(unsigned char) const override { return false; }
};

TEST(TextFile, DetectsTheByteOrderMark) {
  const TLatin1CodePage cp;
  TTextEncoding found = TTextEncoding::Ansi;
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                   "A\0\xE5\x65",
                                   6),
                       cp, &found),
            L"A日");
  EXPECT_EQ(found, TTextEncoding::Utf16Le);
  EXPECT_EQ(DecodeText(std::string("\xFE\xFF\0A\x65\xE5", 6), cp, &found), L"A日");
  EXPECT_EQ(found, TTextEncoding::Utf16Be);
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF"
                       "A\xE6\x97\xA5",
                       cp, &found),
            L"A日");
  EXPECT_EQ(found, TTextEncoding::Utf8);
  EXPECT_EQ(DecodeText("caf\xE9", cp, &found), L"café");
  EXPECT_EQ(found, TTextEncoding::Ansi);
  // Marks alone, and bytes that only start like a mark.
  EXPECT_EQ(DecodeText("\xFF\xFE", cp, &found), L"");
  EXPECT_EQ(found, TTextEncoding::Utf16Le);
  EXPECT_EQ(DecodeText("\xFF", cp, &found), L"\u00FF");
  EXPECT_EQ(found, TTextEncoding::Ansi);
  EXPECT_EQ(DecodeText("\xEF\xBB", cp, &found), L"\u00EF\u00BB");
  EXPECT_EQ(found, TTextEncoding::Ansi);
  EXPECT_EQ(DecodeText("", cp, &found), L"");
  EXPECT_EQ(found, TTextEncoding::Ansi);
  EXPECT_EQ(DecodeText("abc", cp), L"abc");
}

TEST(TextFile, OddLengthUtf16IsNotSilentlyCut) {
  const TLatin1CodePage cp;
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                   "A\0B",
                                   5),
                       cp),
            std::wstring(L"A") + wchar_t(0xFFFD));
  EXPECT_EQ(DecodeText(std::string("\xFE\xFF\0A\0", 5), cp), std::wstring(L"A") + wchar_t(0xFFFD));
}

TEST(TextFile, WritesUtf16LeWithMarkAndReadsItBack) {
  const TLatin1CodePage cp;
  const std::wstring text = std::wstring(L"Vogmeristログファイル\r\nVer.\r\n1\r\n") + wchar_t(0xD83D) + wchar_t(0xDE00);
  const std::string bytes = EncodeUtf16LeWithBom(text);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE"
                                            "V\0",
                                            4));
  EXPECT_EQ(bytes.size(), 2 + 2 * text.size());
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x3D\xD8\x00\xDE", 4));
  EXPECT_EQ(DecodeText(bytes, cp), text);
  EXPECT_EQ(EncodeUtf16LeWithBom(L""), "\xFF\xFE");
}

TEST(TextFile, SplitsAndJoinsLines) {
  using V = std::vector<std::wstring>;
  EXPECT_EQ(SplitLines(L"a\r\nb\nc\rd"), (V{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(SplitLines(L"a\r\n"), (V{L"a"}));
  EXPECT_EQ(SplitLines(L"a\r\n\r\n"), (V{L"a", L""}));
  EXPECT_EQ(SplitLines(L"a\n\r"), (V{L"a", L""}));  // LF then CR: two line ends
  EXPECT_EQ(SplitLines(L"\r\n"), (V{L""}));
  EXPECT_EQ(SplitLines(L""), V{});
  EXPECT_EQ(SplitLines(L"a\tb"), (V{L"a\tb"}));
  EXPECT_EQ(SplitLines(L"a\r"), (V{L"a"}));
  const V lines = {L"Vogmeristログファイル", L"", L"Ver.", L"1"};
  const std::wstring joined = JoinLinesCrLf(lines);
  EXPECT_EQ(joined, L"Vogmeristログファイル\r\n\r\nVer.\r\n1\r\n");
  EXPECT_EQ(SplitLines(joined), lines);
  EXPECT_EQ(JoinLinesCrLf({}), L"");
}

}  // namespace
}  // namespace vog
