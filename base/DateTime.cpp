#include "base/DateTime.h"

#include <cmath>

namespace vog {

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kTicksPerDay = 864000000000;  // 100-ns ticks
constexpr int64_t kTicksPerMs = 10000;
// Day numbers of the calendar below count from 1970-01-01.
constexpr int64_t kDay1899 = -25569;                                     // 1899-12-30, day 0 of TDateTime
constexpr int64_t kDay1601 = -134774;                                    // 1601-01-01, tick 0 of FILETIME
constexpr int64_t kFileTime1899 = (kDay1899 - kDay1601) * kTicksPerDay;  // 94353120000000000
constexpr int64_t kFirstDay = -693593;                                   // 0001-01-01 as a TDateTime day
constexpr int64_t kLastDay = 2958465;                                    // 9999-12-31

// Proleptic Gregorian calendar <-> day number (days since 1970-01-01), valid for any year.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) noexcept {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(era * 400 + yoe + (month <= 2 ? 1 : 0));
}

bool ValidDate(int year, int month, int day) noexcept {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool ValidTime(int hour, int minute, int second, int ms) noexcept {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && ms >= 0 && ms < 1000;
}

// A whole day number and a time of day in milliseconds, put together with the desktop
// convention: before day 0 the time is subtracted, so that it still counts forward.
TDateTime Combine(int64_t day, int64_t msOfDay) noexcept {
  const double t = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
  return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

// Splits a value into its day (TDateTime numbering) and the time of day rounded to the
// millisecond. A time that rounds up to 24:00 carries into the next calendar day.
bool Split(TDateTime value, int64_t& day, int64_t& msOfDay) noexcept {
  if (!std::isfinite(value)) return false;
  const double whole = std::trunc(value);
  if (whole < static_cast<double>(kFirstDay) || whole > static_cast<double>(kLastDay)) return false;
  day = static_cast<int64_t>(whole);
  msOfDay = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
  if (msOfDay >= kMsPerDay) {
    msOfDay -= kMsPerDay;
    ++day;  // the next calendar day, before day 0 as well as after it
  }
  return day <= kLastDay;
}

TDateParts PartsOf(int64_t day, int64_t msOfDay) noexcept {
  TDateParts p;
  CivilFromDays(day + kDay1899, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int>(msOfDay / 3600000);
  p.Minute = static_cast<int>(msOfDay / 60000 % 60);
  p.Second = static_cast<int>(msOfDay / 1000 % 60);
  p.Millisecond = static_cast<int>(msOfDay % 1000);
  // Day 0 (1899-12-30) was a Saturday.
  p.DayOfWeek = static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
  return p;
}

int32_t PackDos(int year, int month, int day, int hour, int minute, int second) noexcept {
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return static_cast<int32_t>((date << 16) | time);
}

struct TDosFields {
  int Year, Month, Day, Hour, Minute, Second;
};

bool UnpackDos(int32_t dos, TDosFields& f) noexcept {
  const uint32_t u = static_cast<uint32_t>(dos);
  const uint32_t date = u >> 16, time = u & 0xFFFF;
  f.Year = static_cast<int>(date >> 9) + 1980;
  f.Month = static_cast<int>((date >> 5) & 15);
  f.Day = static_cast<int>(date & 31);
  f.Hour = static_cast<int>(time >> 11);
  f.Minute = static_cast<int>((time >> 5) & 63);
  f.Second = static_cast<int>(time & 31) * 2;
  return ValidDate(f.Year, f.Month, f.Day) && ValidTime(f.Hour, f.Minute, f.Second, 0);
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms, TDateTime& out) {
  if (!ValidDate(year, month, day) || !ValidTime(hour, minute, second, ms)) return false;
  const int64_t d = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDay1899;
  out = Combine(d, ((hour * 60 + minute) * 60 + second) * int64_t{1000} + ms);
  return true;
}

bool TryDecodeDateTime(TDateTime value, TDateParts& parts) {
  int64_t day = 0, ms = 0;
  if (!Split(value, day, ms)) return false;
  parts = PartsOf(day, ms);
  return true;
}

TDateParts DecodeDateTime(TDateTime value) {
  TDateParts p;
  if (!TryDecodeDateTime(value, p)) return TDateParts{};
  return p;
}

bool TryDosToDateTime(int32_t dos, TDateTime& out) {
  TDosFields f;
  if (!UnpackDos(dos, f)) return false;
  return TryEncodeDateTime(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second, 0, out);
}

bool TryDateTimeToDos(TDateTime value, int32_t& dos) {
  TDateParts p;
  if (!TryDecodeDateTime(value, p) || p.Year < 1980 || p.Year > 2107) return false;
  dos = PackDos(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second);
  return true;
}

TDateTime FileTimeToDateTime(TFileTime local) {
  // FILETIME values above 2^63 are not valid times; they are read as the largest one.
  const int64_t ticks = local.Value > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(local.Value);
  const int64_t rel = ticks - kFileTime1899;
  int64_t day = rel / kTicksPerDay;
  int64_t rem = rel % kTicksPerDay;
  if (rem < 0) {
    rem += kTicksPerDay;
    --day;
  }
  const double t = static_cast<double>(rem) / static_cast<double>(kTicksPerDay);
  return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

bool TryDateTimeToFileTime(TDateTime value, TFileTime& out) {
  int64_t day = 0, ms = 0;
  if (!Split(value, day, ms)) return false;
  const int64_t ticks = kFileTime1899 + day * kTicksPerDay + ms * kTicksPerMs;
  if (ticks < 0) return false;
  out.Value = static_cast<uint64_t>(ticks);
  return true;
}

TFileTime DateTimeToFileTime(TDateTime value) {
  TFileTime ft;
  if (!TryDateTimeToFileTime(value, ft)) return TFileTime{};
  return ft;
}

bool TryFileTimeToDos(TFileTime local, int32_t& dos) {
  const uint64_t days = local.Value / kTicksPerDay;
  const uint64_t rem = local.Value % kTicksPerDay;
  if (days > static_cast<uint64_t>(kLastDay - kDay1601 + kDay1899)) return false;
  int year = 0, month = 0, day = 0;
  CivilFromDays(static_cast<int64_t>(days) + kDay1601, year, month, day);
  if (year < 1980 || year > 2107) return false;
  const uint64_t seconds = rem / 10000000;
  dos = PackDos(year, month, day, static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return true;
}

bool TryDosToFileTime(int32_t dos, TFileTime& out) {
  TDosFields f;
  if (!UnpackDos(dos, f)) return false;
  const int64_t days = DaysFromCivil(f.Year, static_cast<unsigned>(f.Month), static_cast<unsigned>(f.Day)) - kDay1601;
  const int64_t seconds = (f.Hour * 60 + f.Minute) * 60 + f.Second;
  out.Value = static_cast<uint64_t>(days * kTicksPerDay + seconds * 10000000);
  return true;
}

TFileTime DosToFileTime(int32_t dos) {
  TFileTime ft;
  if (!TryDosToFileTime(dos, ft)) return TFileTime{};
  return ft;
}

// ---- parsing ------------------------------------------------------------------

namespace {

// Reads minDigits..maxDigits decimal digits at `pos`.
bool ReadNumber(std::wstring_view text, size_t& pos, int minDigits, int maxDigits, int& value) {
  int digits = 0;
  value = 0;
  while (pos < text.size() && digits < maxDigits && text[pos] >= L'0' && text[pos] <= L'9') {
    value = value * 10 + (text[pos] - L'0');
    ++pos;
    ++digits;
  }
  return digits >= minDigits;
}

bool Expect(std::wstring_view text, size_t& pos, wchar_t c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

bool ReadDate(std::wstring_view text, size_t& pos, int& y, int& m, int& d) {
  return ReadNumber(text, pos, 4, 4, y) && Expect(text, pos, L'/') && ReadNumber(text, pos, 1, 2, m) &&
         Expect(text, pos, L'/') && ReadNumber(text, pos, 1, 2, d);
}

bool ReadTime(std::wstring_view text, size_t& pos, int& h, int& n, int& s) {
  s = 0;
  if (!ReadNumber(text, pos, 1, 2, h) || !Expect(text, pos, L':') || !ReadNumber(text, pos, 1, 2, n)) return false;
  if (pos < text.size() && text[pos] == L':') {
    ++pos;
    return ReadNumber(text, pos, 1, 2, s);
  }
  return true;
}

}  // namespace

bool TryParseDate(std::wstring_view text, TDateTime& out) {
  size_t pos = 0;
  int y = 0, m = 0, d = 0;
  if (!ReadDate(text, pos, y, m, d) || pos != text.size()) return false;
  return TryEncodeDateTime(y, m, d, 0, 0, 0, 0, out);
}

bool TryParseTime(std::wstring_view text, TDateTime& out) {
  size_t pos = 0;
  int h = 0, n = 0, s = 0;
  if (!ReadTime(text, pos, h, n, s) || pos != text.size() || !ValidTime(h, n, s, 0)) return false;
  out = Combine(0, ((h * 60 + n) * 60 + s) * int64_t{1000});
  return true;
}

bool TryParseDateTime(std::wstring_view text, TDateTime& out) {
  size_t pos = 0;
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0;
  if (!ReadDate(text, pos, y, m, d)) return false;
  if (pos < text.size()) {
    if (text[pos] != L' ') return false;
    while (pos < text.size() && text[pos] == L' ') ++pos;
    if (!ReadTime(text, pos, h, n, s) || pos != text.size()) return false;
  }
  return TryEncodeDateTime(y, m, d, h, n, s, 0, out);
}

}  // namespace vog
