#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/ExitCodes.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

class CommandLineTest : public MemoryTest {};

TEST_F(CommandLineTest, NamesMatchByPrefixInTableOrder) {
  struct Case {
    const wchar_t* Argument;
    TOption Option;
    bool HasValue;
    const wchar_t* Value;
  };
  const Case cases[] = {
      {L"-autosave", TOption::Auto, false, L""},
      {L"/AUTOMATIC", TOption::Auto, false, L""},
      {L"-OPENFILE", TOption::Open, false, L""},
      {L"-open:c:\\data\\x.vgd", TOption::Open, true, L"C:\\DATA\\X.VGD"},
      {L"-AUTO:", TOption::Auto, true, L""},
      {L"-AUTO x:y", TOption::Auto, false, L""},  // the colon must follow the name directly
      {L"-BackupOnly", TOption::BackupOnly, false, L""},
      {L"-BACKUP:d.vgd", TOption::Backup, true, L"D.VGD"},
      {L"-WINSTANDBY", TOption::WinStand, false, L""},
      {L"-WINHIBER:a", TOption::WinHiber, true, L"A"},
      {L"-WINHIBERNATE:a", TOption::WinHiber, false, L""},  // the colon must follow the name
      {L"-winexit", TOption::WinExit, false, L""},
      {L"-WINMINIMIZE", TOption::WinMin, false, L""},
      {L"-filelistdb", TOption::FileListDb, false, L""},
      {L"-WindowWidth:500", TOption::WindowWidth, true, L"500"},
      {L"-", TOption::None, false, L""},
      {L"/", TOption::None, false, L""},
      {L"-NOSUCH", TOption::None, false, L""},
      {L"-AUT", TOption::None, false, L""},
      {L"C:\\AUTO", TOption::None, false, L""},
      // Text outside the ANSI code page keeps its characters; ASCII letters are upper-cased.
      {L"-open:c:\\\u0101x", TOption::Open, true, L"C:\\\u0101X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << WideToUtf8(c.Argument));
    const TOptionMatch match = MatchOption(c.Argument);
    EXPECT_EQ(match.Option, c.Option);
    EXPECT_EQ(match.HasValue, c.HasValue);
    EXPECT_EQ(match.Value, c.Value);
  }
}

TEST_F(CommandLineTest, CommandLinesSplitAsTheSystemSplitsThem) {
  using TArgs = std::vector<std::wstring>;
  const std::pair<const wchar_t*, TArgs> cases[] = {
      {L"Vogratel.exe", {}},
      {L"Vogratel.exe  -AUTO:C:\\d\\x.vgd \t /NORESULT ", {L"-AUTO:C:\\d\\x.vgd", L"/NORESULT"}},
      // The program's name ends at its closing quote; spaces inside it split nothing.
      {L"\"C:\\Program Files\\V.exe\" a", {L"a"}},
      {L"\"C:\\V.exe\"a b", {L"a", L"b"}},
      {L"p \"C:\\My Data\\x.vgd\" -OPEN:\"C:\\a b\"c", {L"C:\\My Data\\x.vgd", L"-OPEN:C:\\a bc"}},
      {L"p \"\" x", {L"", L"x"}},
      // Backslashes are literal unless a quote follows them.
      {L"p C:\\dir\\ \"C:\\dir\\\\\" a\\\\b", {L"C:\\dir\\", L"C:\\dir\\", L"a\\\\b"}},
      {L"p a\\\"b \\\\\\\"c\"", {L"a\"b", L"\\\"c"}},
      // Quotes in a row: the third gives a literal quote.
      {L"p \"a\"\"\"b\" c", {L"a\"b", L"c"}},
      {L"p a\"\"b c", {L"ab", L"c"}},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(SplitCommandLine(line), expected) << line;
}

TEST_F(CommandLineTest, IntegersAreDecimalWithinThirtyTwoBits) {
  int32_t value = 7;
  EXPECT_TRUE(ParseOptionInteger(L"500", value));
  EXPECT_EQ(value, 500);
  EXPECT_TRUE(ParseOptionInteger(L"-5", value));
  EXPECT_EQ(value, -5);
  EXPECT_TRUE(ParseOptionInteger(L"-2147483648", value));
  EXPECT_EQ(value, INT32_MIN);
  for (const wchar_t* bad : {L"", L"-", L"abc", L"12a", L"2147483648", L"1 2", L"99999999999999999999"}) {
    value = 7;
    EXPECT_FALSE(ParseOptionInteger(bad, value)) << WideToUtf8(bad);
    EXPECT_EQ(value, 7);
  }
}

TEST(ExitCodeTest, MostSeriousWinsAndRunCodesComeFirst) {
  EXPECT_EQ(QuietRunExitCode(0, 0, false), exitcode::Success);
  EXPECT_EQ(QuietRunExitCode(0, 0, true), exitcode::DeletionsHeldBack);
  EXPECT_EQ(QuietRunExitCode(0, 2, true), exitcode::FilesFailed);
  EXPECT_EQ(QuietRunExitCode(1, 2, true), 1);
  const int order[] = {exitcode::Success,    exitcode::DeletionsHeldBack, exitcode::FilesFailed, 7,
                       exitcode::NoDataFile, exitcode::RunError};
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) EXPECT_EQ(MoreSeriousExitCode(order[i], order[j]), order[std::max(i, j)]);
  EXPECT_EQ(MoreSeriousExitCode(1, 7), 1);  // between run codes the first stays
}

}  // namespace
}  // namespace vog::test
