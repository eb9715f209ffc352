#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/DateTime.h"

namespace vog {
namespace {

TDateTime Encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  TDateTime v = 0;
  EXPECT_TRUE(TryEncodeDateTime(y, mo, d, h, mi, s, ms, v)) << y << "-" << mo << "-" << d;
  return v;
}

void ExpectParts(TDateTime v, int y, int mo, int d, int h, int mi, int s, int ms) {
  const TDateParts p = DecodeDateTime(v);
  EXPECT_EQ(p.Year, y);
  EXPECT_EQ(p.Month, mo);
  EXPECT_EQ(p.Day, d);
  EXPECT_EQ(p.Hour, h);
  EXPECT_EQ(p.Minute, mi);
  EXPECT_EQ(p.Second, s);
  EXPECT_EQ(p.Millisecond, ms);
}

constexpr uint64_t kTicks1899 = 94353120000000000ULL;
constexpr uint64_t kTicksPerDay = 864000000000ULL;

TEST(DateTime, KnownDaysAndCalendarRules) {
  EXPECT_EQ(Encode(1899, 12, 30), 0.0);
  EXPECT_EQ(Encode(2024, 4, 1), 45383.0);
  EXPECT_EQ(Encode(1900, 3, 1), 61.0);
  EXPECT_EQ(Encode(2024, 4, 1, 12), 45383.5);
  EXPECT_EQ(Encode(1, 1, 1), -693593.0);
  EXPECT_EQ(Encode(9999, 12, 31), 2958465.0);
  TDateTime v;
  EXPECT_FALSE(TryEncodeDateTime(2023, 2, 29, 0, 0, 0, 0, v));
  EXPECT_TRUE(TryEncodeDateTime(2000, 2, 29, 0, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(1900, 2, 29, 0, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(2024, 13, 1, 0, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(2024, 1, 1, 24, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(2024, 1, 1, 0, 0, 60, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(0, 1, 1, 0, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(10000, 1, 1, 0, 0, 0, 0, v));
  EXPECT_EQ(DecodeDateTime(Encode(2024, 4, 1)).DayOfWeek, 2);    // Monday
  EXPECT_EQ(DecodeDateTime(0.0).DayOfWeek, 7);                   // Saturday
  EXPECT_EQ(DecodeDateTime(Encode(1899, 12, 24)).DayOfWeek, 1);  // Sunday
}

TEST(DateTime, NegativeValuesCountTheTimeForward) {
  ExpectParts(-1.25, 1899, 12, 29, 6, 0, 0, 0);
  EXPECT_EQ(Encode(1899, 12, 29, 6), -1.25);
  ExpectParts(-0.5, 1899, 12, 30, 12, 0, 0, 0);
  ExpectParts(-2.75, 1899, 12, 28, 18, 0, 0, 0);
  EXPECT_EQ(Encode(1800, 1, 1, 18), -36522.75);
  // Just before midnight of a negative day rounds into the next calendar day (day 0),
  // not two days back.
  ExpectParts(-1.9999999999, 1899, 12, 30, 0, 0, 0, 0);
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; ++i) {
    const int y = 1 + static_cast<int>(rng() % 9999), mo = 1 + static_cast<int>(rng() % 12);
    const int d = 1 + static_cast<int>(rng() % DaysInMonth(y, mo));
    const int h = static_cast<int>(rng() % 24), mi = static_cast<int>(rng() % 60), s = static_cast<int>(rng() % 60);
    const int ms = static_cast<int>(rng() % 1000);
    ExpectParts(Encode(y, mo, d, h, mi, s, ms), y, mo, d, h, mi, s, ms);
    if (HasFailure()) return;
  }
}

TEST(DateTime, DecodeRoundsToTheMillisecondWithoutSecondSixty) {
  ExpectParts(45000.99999999, 2023, 3, 15, 23, 59, 59, 999);
  ExpectParts(45000.999999999, 2023, 3, 16, 0, 0, 0, 0);
  ExpectParts(Encode(2024, 4, 1, 12, 0, 59) + 0.9996 / 86400, 2024, 4, 1, 12, 1, 0, 0);
  ExpectParts(Encode(2024, 12, 31, 23, 59, 59, 999) + 0.0006 / 86400, 2025, 1, 1, 0, 0, 0, 0);
  TDateParts p;
  EXPECT_FALSE(TryDecodeDateTime(NAN, p));
  EXPECT_FALSE(TryDecodeDateTime(INFINITY, p));
  EXPECT_FALSE(TryDecodeDateTime(3e6, p));
  EXPECT_FALSE(TryDecodeDateTime(-7e5, p));
  EXPECT_EQ(DecodeDateTime(1e300).Year, 0);
}

TEST(DosDateTime, BitLayoutAndRoundTrip) {
  int32_t dos = 0;
  ASSERT_TRUE(TryDateTimeToDos(Encode(2024, 4, 1, 12, 34, 56), dos));
  EXPECT_EQ(static_cast<uint32_t>(dos), 0x5881645Cu);
  TDateTime v = 0;
  ASSERT_TRUE(TryDosToDateTime(dos, v));
  EXPECT_EQ(v, Encode(2024, 4, 1, 12, 34, 56));
  // Years from 2044 set the sign bit of the 32-bit value.
  ASSERT_TRUE(TryDateTimeToDos(Encode(2107, 12, 31, 23, 59, 58), dos));
  EXPECT_EQ(static_cast<uint32_t>(dos), 0xFF9FBF7Du);
  EXPECT_LT(dos, 0);
  ASSERT_TRUE(TryDosToDateTime(dos, v));
  ExpectParts(v, 2107, 12, 31, 23, 59, 58, 0);
  ASSERT_TRUE(TryDateTimeToDos(Encode(1980, 1, 1), dos));
  EXPECT_EQ(dos, 0x00210000);

  // Every valid DOS value survives the trip through a date-time value.
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    const int32_t in = static_cast<int32_t>(rng());
    TDateTime t;
    if (!TryDosToDateTime(in, t)) continue;
    int32_t out = 0;
    ASSERT_TRUE(TryDateTimeToDos(t, out));
    ASSERT_EQ(in, out);
  }
}

TEST(DosDateTime, TwoSecondStepsRoundDown) {
  int32_t dos = 0;
  ASSERT_TRUE(TryDateTimeToDos(Encode(2024, 4, 1, 12, 34, 57), dos));
  EXPECT_EQ(static_cast<uint32_t>(dos), 0x5881645Cu);  // 12:34:56
  ASSERT_TRUE(TryDateTimeToDos(Encode(2024, 4, 1, 12, 34, 57, 999), dos));
  EXPECT_EQ(static_cast<uint32_t>(dos), 0x5881645Cu);
  // 23:59:59.9996 is the next day by millisecond rounding, then 00:00:00.
  ASSERT_TRUE(TryDateTimeToDos(Encode(2024, 4, 1, 23, 59, 59, 999) + 0.0006 / 86400, dos));
  EXPECT_EQ(static_cast<uint32_t>(dos), 0x58820000u);
}

TEST(DosDateTime, OutOfRangeValuesAreRefused) {
  int32_t dos = 0;
  EXPECT_FALSE(TryDateTimeToDos(Encode(1979, 12, 31, 23, 59, 59), dos));
  EXPECT_FALSE(TryDateTimeToDos(Encode(2108, 1, 1), dos));
  EXPECT_FALSE(TryDateTimeToDos(-1.25, dos));
  EXPECT_FALSE(TryDateTimeToDos(NAN, dos));
  TDateTime v = 0;
  EXPECT_FALSE(TryDosToDateTime(0, v));                            // month and day 0
  EXPECT_FALSE(TryDosToDateTime(0x5881645C | 0x1E, v));            // seconds field 30 = 60 s
  EXPECT_FALSE(TryDosToDateTime((0x5881 << 16) | (24 << 11), v));  // hour 24
  EXPECT_FALSE(TryDosToDateTime((0x5881 << 16) | (60 << 5), v));   // minute 60
  EXPECT_FALSE(TryDosToDateTime(static_cast<int32_t>(((44u << 9) | (2u << 5) | 30u) << 16), v));  // 2024-02-30
  EXPECT_FALSE(TryDosToDateTime(static_cast<int32_t>(((44u << 9) | (13u << 5) | 1u) << 16), v));  // month 13
  TFileTime ft;
  EXPECT_FALSE(TryDosToFileTime(0, ft));
  EXPECT_EQ(DosToFileTime(0).Value, 0u);
}

TEST(FileTime, EpochsAndConversions) {
  ExpectParts(FileTimeToDateTime(TFileTime{0}), 1601, 1, 1, 0, 0, 0, 0);
  EXPECT_EQ(DateTimeToFileTime(0.0).Value, kTicks1899);
  EXPECT_EQ(FileTimeToDateTime(TFileTime{kTicks1899}), 0.0);
  EXPECT_EQ(DateTimeToFileTime(Encode(1970, 1, 1)).Value, 116444736000000000ULL);
  // Before 1899-12-30 the fraction still counts forward from midnight.
  EXPECT_EQ(DateTimeToFileTime(-1.25).Value, kTicks1899 - kTicksPerDay + kTicksPerDay / 4);
  EXPECT_EQ(FileTimeToDateTime(TFileTime{kTicks1899 - kTicksPerDay + kTicksPerDay / 4}), -1.25);
  EXPECT_EQ(FileTimeToDateTime(TFileTime{kTicks1899 + kTicksPerDay / 2}), 0.5);
  // Sub-millisecond ticks round to the millisecond.
  EXPECT_EQ(DateTimeToFileTime(FileTimeToDateTime(TFileTime{kTicks1899 + 12345678})).Value, kTicks1899 + 12350000);

  TFileTime ft;
  EXPECT_FALSE(TryDateTimeToFileTime(Encode(1600, 12, 31, 23, 59, 59), ft));
  EXPECT_EQ(DateTimeToFileTime(Encode(1600, 12, 31)).Value, 0u);
  EXPECT_TRUE(TryDateTimeToFileTime(Encode(1601, 1, 1), ft));
  EXPECT_EQ(ft.Value, 0u);

  std::mt19937 rng(11);
  for (int i = 0; i < 5000; ++i) {
    // Whole milliseconds between 1601 and 9999 survive the trip exactly.
    const uint64_t ms = (static_cast<uint64_t>(rng()) << 20 | rng() % (1u << 20)) % 250000000000000ULL;
    const TFileTime in{ms * 10000};
    ASSERT_EQ(DateTimeToFileTime(FileTimeToDateTime(in)).Value, in.Value);
  }
}

TEST(FileTime, DosConversions) {
  const uint64_t at = DateTimeToFileTime(Encode(2024, 4, 1, 12, 34, 57)).Value + 5000000;  // 57.5 s
  int32_t dos = 0;
  ASSERT_TRUE(TryFileTimeToDos(TFileTime{at}, dos));
  EXPECT_EQ(static_cast<uint32_t>(dos), 0x5881645Cu);
  EXPECT_EQ(DosToFileTime(dos).Value, DateTimeToFileTime(Encode(2024, 4, 1, 12, 34, 56)).Value);
  EXPECT_FALSE(TryFileTimeToDos(TFileTime{0}, dos));
  EXPECT_FALSE(TryFileTimeToDos(DateTimeToFileTime(Encode(2108, 1, 1)), dos));
  EXPECT_TRUE(TryFileTimeToDos(DateTimeToFileTime(Encode(2107, 12, 31, 23, 59, 59)), dos));
  EXPECT_FALSE(TryFileTimeToDos(TFileTime{~0ULL}, dos));
}

TEST(DateTimeParse, ProgramFormats) {
  TDateTime v = -1;
  ASSERT_TRUE(TryParseDate(L"2024/04/01", v));
  EXPECT_EQ(v, 45383.0);
  ASSERT_TRUE(TryParseDate(L"2024/4/1", v));
  EXPECT_EQ(v, 45383.0);
  ASSERT_TRUE(TryParseTime(L"12:34:56", v));
  ExpectParts(v, 1899, 12, 30, 12, 34, 56, 0);
  ASSERT_TRUE(TryParseTime(L"7:05", v));
  ExpectParts(v, 1899, 12, 30, 7, 5, 0, 0);
  ASSERT_TRUE(TryParseDateTime(L"2024/04/01 12:34:56", v));
  EXPECT_EQ(v, Encode(2024, 4, 1, 12, 34, 56));
  ASSERT_TRUE(TryParseDateTime(L"2024/04/01 12:34", v));  // the last-run time in the settings
  EXPECT_EQ(v, Encode(2024, 4, 1, 12, 34));
  ASSERT_TRUE(TryParseDateTime(L"2024/04/01", v));
  EXPECT_EQ(v, 45383.0);
  ASSERT_TRUE(TryParseDateTime(L"1899/12/29 06:00:00", v));
  EXPECT_EQ(v, -1.25);

  for (const wchar_t* bad : {L"", L"2024/13/01", L"2024/02/30", L"2024-04-01", L"24/04/01", L"2024/04/01x", L"2024/04",
                             L"20240/04/01", L" 2024/04/01", L"２０２４/04/01"})
    EXPECT_FALSE(TryParseDate(bad, v));
  for (const wchar_t* bad : {L"", L"24:00", L"12:60", L"12:00:60", L"12", L"12:", L"12:00:", L"123:00", L"12:00 "})
    EXPECT_FALSE(TryParseTime(bad, v));
  for (const wchar_t* bad : {L"2024/04/01 ", L"2024/04/0112:00", L"2024/04/01 25:00", L"2024/04/01T12:00"})
    EXPECT_FALSE(TryParseDateTime(bad, v));
}

}  // namespace
}  // namespace vog
