#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/Wildcard.h"

namespace vog {
namespace {

TEST(Wildcard, StarAndQuestionMark) {
  EXPECT_TRUE(MatchMask(L"report.doc", L"*.doc"));
  EXPECT_FALSE(MatchMask(L"report.docx", L"*.doc"));
  EXPECT_TRUE(MatchMask(L"report.doc", L"rep*"));
  EXPECT_TRUE(MatchMask(L"a.b.txt", L"*.txt"));
  EXPECT_FALSE(MatchMask(L"a.txt.b", L"*.txt"));
  EXPECT_TRUE(MatchMask(L"abc", L"a?c"));
  EXPECT_FALSE(MatchMask(L"ac", L"a?c"));  // "?" needs one character
  EXPECT_FALSE(MatchMask(L"ab", L"ab?"));  // ... also at the end of the name
  EXPECT_TRUE(MatchMask(L"a.c", L"a?c"));  // and may be a dot
  EXPECT_TRUE(MatchMask(L"x", L"*"));
  EXPECT_TRUE(MatchMask(L"abc", L"a**c"));
  EXPECT_TRUE(MatchMask(L"ac", L"a*c"));
  EXPECT_FALSE(MatchMask(L"abcd", L"a*c"));
  EXPECT_TRUE(MatchMask(L"~tmp.doc", L"~*.*"));
  EXPECT_FALSE(MatchMask(L"tmp.doc", L"~*.*"));
}

TEST(Wildcard, StarDotStarAndStarDot) {
  EXPECT_TRUE(MatchMask(L"README", L"*.*"));  // no dot, still matched
  EXPECT_TRUE(MatchMask(L"a.b", L"*.*"));
  EXPECT_TRUE(MatchMask(L".profile", L"*.*"));
  EXPECT_TRUE(MatchMask(L"Makefile", L"Make*.*"));
  EXPECT_TRUE(MatchMask(L"README", L"*."));  // "*." is "no extension"
  EXPECT_FALSE(MatchMask(L"a.b", L"*."));
  EXPECT_FALSE(MatchMask(L"a.b.c", L"*."));
  EXPECT_TRUE(MatchMask(L"abc", L"a*."));
  EXPECT_FALSE(MatchMask(L"abc.d", L"a*."));
  // The remainder after the last star must have no dot; an earlier star takes the dots.
  EXPECT_TRUE(MatchMask(L"a.b.bx", L"a*b*."));
  EXPECT_FALSE(MatchMask(L"abc", L"abc.*"));  // only "*.*" is special, not ".*"
  EXPECT_FALSE(MatchMask(L"abc", L"abc."));
}

TEST(Wildcard, LetterCase) {
  EXPECT_TRUE(MatchMask(L"REPORT.DOC", L"*.doc"));
  EXPECT_TRUE(MatchMask(L"report.doc", L"R?PORT.*"));
  EXPECT_TRUE(MatchMask(L"ÄRGER.TXT", L"ärger.txt"));
  EXPECT_TRUE(MatchMask(L"ＡＢＣ.txt", L"ａｂｃ.*"));  // fullwidth letters fold too
  EXPECT_FALSE(MatchMask(L"あ.txt", L"ア.txt"));       // kana are distinct characters
  EXPECT_TRUE(MatchMask(L"写真.jpg", L"写?.JPG"));
}

TEST(Wildcard, ListsAndEmptyMasks) {
  EXPECT_TRUE(MatchMask(L"a.txt", L"*.doc;*.txt"));
  EXPECT_TRUE(MatchMask(L"a.txt", L"*.doc; *.txt"));  // leading spaces of a pattern ignored
  EXPECT_FALSE(MatchMask(L"a.xls", L"*.doc;*.txt"));
  EXPECT_FALSE(MatchMask(L"a.txt", L""));
  EXPECT_FALSE(MatchMask(L"a.txt", L";"));
  EXPECT_TRUE(MatchMask(L"a.txt", L";a.txt;"));
  // A folder name never contains "\", so a mask with one never matches it.
  EXPECT_FALSE(MatchMask(L"Obj", L"a\\Obj"));
  EXPECT_TRUE(MatchSinglePattern(L"a;b", L"a;b"));
}

TEST(Wildcard, SurrogatePairsAreTwoUnits) {
  const std::wstring face = L"\xD83D\xDE00";  // U+1F600 as UTF-16
  EXPECT_TRUE(MatchMask(face + L".txt", L"??.txt"));
  EXPECT_FALSE(MatchMask(face + L".txt", L"?.txt"));
}

TEST(Wildcard, NoExponentialBacktracking) {
  // A backtracking matcher needs astronomically many steps here; this one needs a few thousand.
  const std::wstring name(400, L'a');
  EXPECT_FALSE(MatchMask(name, L"*a*a*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchMask(name + L"b", L"*a*a*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_FALSE(MatchMask(name + L".x", L"*a*a*a*a*a*a*a*a*a*a*a*a*."));
}

// A plain recursive matcher of the same rules, for comparison on short random inputs.
bool Reference(std::wstring_view n, std::wstring_view p) {
  if (p.empty()) return n.empty();
  if (p[0] == L'*') {
    const std::wstring_view rest = p.substr(1);
    if (rest == L".*") return true;
    if (rest == L".") return n.find(L'.') == std::wstring_view::npos || (!n.empty() && n.back() == L'.');
    for (size_t k = 0; k <= n.size(); ++k)
      if (Reference(n.substr(k), rest)) return true;
    return false;
  }
  if (n.empty()) return false;
  if (p[0] != L'?' && UpperUnit(p[0]) != UpperUnit(n[0])) return false;
  return Reference(n.substr(1), p.substr(1));
}

TEST(Wildcard, AgreesWithPlainRecursiveMatcher) {
  std::mt19937 rng(12345);
  const std::wstring nameChars = L"abAB.";
  const std::wstring maskChars = L"aAb.*?";
  for (int round = 0; round < 20000; ++round) {
    std::wstring name, mask;
    const int nl = static_cast<int>(rng() % 8), ml = 1 + static_cast<int>(rng() % 6);
    for (int k = 0; k < nl; ++k) name += nameChars[rng() % nameChars.size()];
    for (int k = 0; k < ml; ++k) mask += maskChars[rng() % maskChars.size()];
    // Collapse runs of stars the way the matcher reads them before comparing.
    std::wstring collapsed;
    for (wchar_t c : mask)
      if (!(c == L'*' && !collapsed.empty() && collapsed.back() == L'*')) collapsed += c;
    ASSERT_EQ(MatchSinglePattern(name, mask), Reference(name, collapsed))
        << WideToUtf8(name) << " ~ " << WideToUtf8(mask);
  }
}

}  // namespace
}  // namespace vog
