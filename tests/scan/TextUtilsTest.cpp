// Utilities that work on texts alone.
#include <gtest/gtest.h>

#include "scan/FileUtils.h"

namespace vog {
namespace {

TEST(FileUtils, TextStartsWith) {
  EXPECT_TRUE(TextStartsWith(L"C:\\Data", L"c:\\data\\x"));
  EXPECT_FALSE(TextStartsWith(L"C:\\Data\\x", L"C:\\Data"));
  EXPECT_TRUE(TextStartsWith(L"", L"anything"));
  EXPECT_TRUE(TextStartsWith(L"\u00e9T\u00e9", L"\u00c9t\u00c9!"));
  EXPECT_FALSE(TextStartsWith(L"C:\\Datb", L"C:\\Data\\x"));
}

TEST(SplitText, CutsAtEverySeparator) {
  std::vector<std::wstring> parts{L"stale"};
  EXPECT_EQ(SplitText(L"a\\b\\\\c", L"\\", parts), 4);
  EXPECT_EQ(parts, (std::vector<std::wstring>{L"a", L"b", L"", L"c"}));
  EXPECT_EQ(SplitText(L"", L"\t", parts), 1);
  EXPECT_EQ(parts, std::vector<std::wstring>{L""});
  EXPECT_EQ(SplitText(L"\t", L"\t", parts), 2);
  EXPECT_EQ(parts, (std::vector<std::wstring>{L"", L""}));
  // Separators of several characters, searched from the left without overlap.
  EXPECT_EQ(SplitText(L"aXYXYbXY", L"XY", parts), 4);
  EXPECT_EQ(parts, (std::vector<std::wstring>{L"a", L"", L"b", L""}));
  // Case matters in the separator.
  EXPECT_EQ(SplitText(L"axbXc", L"x", parts), 2);
  EXPECT_EQ(SplitText(L"abc", L"", parts), 1);
  EXPECT_EQ(parts[0], L"abc");
}

TEST(SplitText, BoundedPiecesKeepTheRestInTheLast) {
  std::wstring line;
  for (int i = 0; i < 300; ++i) line += std::to_wstring(i) + L"\t";  // 301 pieces
  std::vector<std::wstring> parts;
  EXPECT_EQ(SplitText(line, L"\t", parts, kLogLineFields), 256);
  ASSERT_EQ(parts.size(), 256u);
  EXPECT_EQ(parts[254], L"254");
  EXPECT_EQ(parts[255].substr(0, 8), L"255\t256\t");
  EXPECT_EQ(parts[255].back(), L'\t');

  std::wstring deep;
  for (int i = 0; i < 2000; ++i) deep += L"d\\";
  EXPECT_EQ(SplitText(deep, L"\\", parts, kPathLevels), 1024);
  EXPECT_EQ(parts[1022], L"d");
  EXPECT_EQ(parts[1023].size(), (2000 - 1023) * 2u);

  // Exactly at the bound nothing is joined.
  EXPECT_EQ(SplitText(L"a\tb\tc", L"\t", parts, 3), 3);
  EXPECT_EQ(parts[2], L"c");
  EXPECT_EQ(SplitText(L"a\tb\tc", L"\t", parts, 1), 1);
  EXPECT_EQ(parts[0], L"a\tb\tc");
}

// One pixel per character keeps the widths easy to follow.
int Chars(std::wstring_view text) { return static_cast<int>(text.size()); }

TEST(MinimizePath, CutsFoldersFromTheFrontThenTheDrive) {
  const std::wstring path = L"\\a\\b\\c\\x.txt";
  EXPECT_EQ(MinimizePath(path, Chars, 12), path);  // fits
  // Each cut is measured; "\...\b\c\x.txt" and "\...\c\x.txt" are still too wide.
  EXPECT_EQ(MinimizePath(path, Chars, 11), L"\\...\\x.txt");
  EXPECT_EQ(MinimizePath(L"\\aaaa\\b\\c\\x.txt", Chars, 14), L"\\...\\b\\c\\x.txt");
  EXPECT_EQ(MinimizePath(L"\\aaaa\\b\\c\\x.txt", Chars, 13), L"\\...\\c\\x.txt");
  EXPECT_EQ(MinimizePath(path, Chars, 9), L"...\\x.txt");
  EXPECT_EQ(MinimizePath(path, Chars, 3), L"x.txt");  // nothing more to cut

  const std::wstring withDrive = L"C:\\Data\\Sub\\file.doc";
  EXPECT_EQ(MinimizePath(withDrive, Chars, 19), L"C:\\...\\Sub\\file.doc");
  EXPECT_EQ(MinimizePath(withDrive, Chars, 15), L"C:\\...\\file.doc");
  EXPECT_EQ(MinimizePath(withDrive, Chars, 14), L"...\\file.doc");
  EXPECT_EQ(MinimizePath(withDrive, Chars, 1), L"file.doc");
  // A file right in a drive root: the drive goes when no folder is left.
  EXPECT_EQ(MinimizePath(L"C:\\f.txt", Chars, 7), L"C:f.txt");
  EXPECT_EQ(MinimizePath(L"C:\\f.txt", Chars, 6), L"f.txt");
  EXPECT_EQ(MinimizePath(L"C:f.txt", Chars, 3), L"f.txt");

  // A share and a relative path shorten without running past their texts.
  EXPECT_EQ(MinimizePath(L"\\\\srv\\share\\x", Chars, 12), L"\\...\\share\\x");
  EXPECT_EQ(MinimizePath(L"\\\\srv\\share\\x", Chars, 1), L"x");
  EXPECT_EQ(MinimizePath(L"..\\..\\x", Chars, 1), L"x");
  EXPECT_EQ(MinimizePath(L"", Chars, 0), L"");
}

}  // namespace
}  // namespace vog
