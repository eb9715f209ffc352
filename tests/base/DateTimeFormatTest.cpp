#include <gtest/gtest.h>

#include "base/DateTime.h"
#include "base/Text.h"

namespace vog {
namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  TDateTime v = 0;
  EXPECT_TRUE(TryEncodeDateTime(y, mo, d, h, mi, s, ms, v));
  return v;
}

#define EXPECT_FORMAT(expected, format, value) \
  EXPECT_EQ(WideToUtf8(FormatDateTime(format, value)), WideToUtf8(expected)) << WideToUtf8(format)

TEST(FormatDateTime, FoldersAndStoredTexts) {
  const TDateTime t = At(2024, 4, 1, 12, 34, 56);
  EXPECT_FORMAT(L"世代 2024-04-01", L"'世代' yyyy-mm-dd", t);
  EXPECT_FORMAT(L"世代 2009-01-02", L"'世代' yyyy-mm-dd", At(2009, 1, 2, 23, 59, 59));
  EXPECT_FORMAT(L"20240401", L"yyyymmdd", t);
  EXPECT_FORMAT(L"2024/04/01 12:34", L"yyyy/mm/dd hh:nn", t);
  EXPECT_FORMAT(L"2024/04/01 12:34:56", L"yyyy/mm/dd hh:nn:ss", t);
  EXPECT_FORMAT(L"2024/04/01", kShortDateFormat, t);
  EXPECT_FORMAT(L"12:34:56", kLongTimeFormat, t);
  EXPECT_FORMAT(L"09:05:07", L"hh:nn:ss", At(2024, 4, 1, 9, 5, 7));
  EXPECT_FORMAT(L"9:5:7", L"h:n:s", At(2024, 4, 1, 9, 5, 7));
  EXPECT_FORMAT(L"20240401-120000", L"YYYYMMDD-HHNNSS", At(2024, 4, 1, 12));
}

TEST(FormatDateTime, FieldWidthsAndNames) {
  const TDateTime t = At(2024, 4, 1, 12, 34, 56, 7);
  EXPECT_FORMAT(L"24", L"yy", t);
  EXPECT_FORMAT(L"24", L"y", t);
  EXPECT_FORMAT(L"2024", L"yyy", t);
  EXPECT_FORMAT(L"0005", L"yyyy", At(5, 1, 1));
  EXPECT_FORMAT(L"05", L"yy", At(2005, 1, 1));
  EXPECT_FORMAT(L"4/1", L"m/d", t);
  EXPECT_FORMAT(L"04/01", L"mm/dd", t);
  EXPECT_FORMAT(L"4月", L"mmm", t);
  EXPECT_FORMAT(L"12月", L"mmmm", At(2024, 12, 1));
  EXPECT_FORMAT(L"月", L"ddd", t);  // 2024-04-01 was a Monday
  EXPECT_FORMAT(L"月曜日", L"dddd", t);
  EXPECT_FORMAT(L"日曜日", L"dddd", At(2024, 3, 31));
  EXPECT_FORMAT(L"土", L"ddd", 0.0);  // 1899-12-30
  EXPECT_FORMAT(L"7 007", L"z zzz", t);
  EXPECT_FORMAT(L"2024/04/01", L"ddddd", t);
  EXPECT_FORMAT(L"2024年4月1日", L"dddddd", t);
  EXPECT_FORMAT(L"2024/04/01 12:34:56", L"c", t);
  EXPECT_FORMAT(L"2024/04/01", L"c", At(2024, 4, 1));
  EXPECT_FORMAT(L"2024/04/01", L"", At(2024, 4, 1));
  EXPECT_FORMAT(L"12:34 12:34:56", L"t tt", t);
  EXPECT_FORMAT(L"月 月曜日", L"aaa aaaa", t);
}

TEST(FormatDateTime, MonthLettersAfterAnHourMeanMinutes) {
  const TDateTime t = At(2024, 4, 1, 12, 34, 56);
  EXPECT_FORMAT(L"12:34", L"hh:mm", t);
  EXPECT_FORMAT(L"12:34", L"h:m", t);
  EXPECT_FORMAT(L"1234", L"hhmm", t);
  EXPECT_FORMAT(L"04/01 12:34", L"mm/dd hh:mm", t);
  EXPECT_FORMAT(L"12時34", L"hh'時'mm", t);    // quoted text is not a letter field
  EXPECT_FORMAT(L"12:34 04", L"hh:nn mm", t);  // after minutes, mm is the month again
  EXPECT_FORMAT(L"12:34:56 04", L"hh:mm:ss mm", t);
  EXPECT_FORMAT(L"12x04", L"hhxmm", t);  // any letter in between ends the rule
}

TEST(FormatDateTime, TwelveHourClock) {
  EXPECT_FORMAT(L"1:05 pm", L"h:nn am/pm", At(2024, 4, 1, 13, 5));
  EXPECT_FORMAT(L"12:05 AM", L"h:nn AM/PM", At(2024, 4, 1, 0, 5));
  EXPECT_FORMAT(L"12:05 PM", L"h:nn AM/PM", At(2024, 4, 1, 12, 5));
  EXPECT_FORMAT(L"11 a", L"hh a/p", At(2024, 4, 1, 11));
  EXPECT_FORMAT(L"午後 03時", L"ampm hh'時'", At(2024, 4, 1, 15));
  EXPECT_FORMAT(L"03 午後", L"hh ampm", At(2024, 4, 1, 15));
  EXPECT_FORMAT(L"15 'am/pm'", L"hh \"'am/pm'\"", At(2024, 4, 1, 15));  // quoted marker: 24 hours
  EXPECT_FORMAT(L"15 a", L"hh a", At(2024, 4, 1, 15));                  // a lone "a" is literal
}

TEST(FormatDateTime, LiteralsAndOtherCharacters) {
  const TDateTime t = At(2024, 4, 1, 12, 34, 56);
  EXPECT_FORMAT(L"yyyy 2024", L"'yyyy' yyyy", t);
  EXPECT_FORMAT(L"mm 04", L"\"mm\" mm", t);
  EXPECT_FORMAT(L"it's 2024", L"\"it's\" yyyy", t);
  EXPECT_FORMAT(L"backup_2024", L"'backup_'yyyy", t);
  EXPECT_FORMAT(L"open", L"'open", t);  // an unclosed quote runs to the end
  EXPECT_FORMAT(L"[2024]-#", L"[yyyy]-#", t);
  EXPECT_FORMAT(L"ＹＹＹＹ", L"ＹＹＹＹ", t);  // fullwidth letters are plain text
  EXPECT_FORMAT(L"\xD83D\xDE00 2024", L"\xD83D\xDE00 yyyy", t);
}

TEST(FormatDateTime, RoundsToTheMillisecondLikeDecode) {
  EXPECT_FORMAT(L"2023/03/15 23:59:59.999", L"yyyy/mm/dd hh:nn:ss.zzz", 45000.99999999);
  EXPECT_FORMAT(L"2023/03/16 00:00:00", L"yyyy/mm/dd hh:nn:ss", 45000.999999999);
  EXPECT_FORMAT(L"1899/12/29 06:00", L"yyyy/mm/dd hh:nn", -1.25);
}

}  // namespace
}  // namespace vog
