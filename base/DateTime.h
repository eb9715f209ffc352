#pragma once
// Date-time values as the program stores and shows them.
//
// TDateTime counts days since 1899-12-30 00:00 as a double; the fraction is the time of
// day. For days before 1899-12-30 the integral part is negative and the fraction still
// counts forward from midnight (-1.25 is 1899-12-29 06:00), the usual desktop convention.
// File times are MS-DOS date-time values in local time (2-second steps) or FILETIME values
// (100-ns ticks since 1601-01-01 UTC).
#include <cstdint>
#include <string>
#include <string_view>

namespace vog {

using TDateTime = double;

struct TFileTime {
  uint64_t Value = 0;  // 100-ns intervals since 1601-01-01 00:00 UTC
  friend bool operator==(TFileTime, TFileTime) = default;
};

struct TDateParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  int DayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday, as the date-time patterns count
};

// Encoding and decoding. Encode returns false for an invalid date or time.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms, TDateTime& out);
TDateParts DecodeDateTime(TDateTime value);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// MS-DOS date-time: high 16 bits date (year-1980 << 9 | month << 5 | day), low 16 bits
// time (hour << 11 | minute << 5 | second / 2).
bool TryDosToDateTime(int32_t dos, TDateTime& out);
// Values outside 1980..2107 cannot be expressed; returns false.
bool TryDateTimeToDos(TDateTime value, int32_t& dos);

// FILETIME (as a local time, already shifted by the caller) <-> date-time value.
TDateTime FileTimeToDateTime(TFileTime local);
TFileTime DateTimeToFileTime(TDateTime value);
// FILETIME (local) -> DOS, false outside the DOS range. Seconds are rounded down to even.
bool TryFileTimeToDos(TFileTime local, int32_t& dos);
TFileTime DosToFileTime(int32_t dos);

// Formats a date-time with the established pattern letters: y yy yyyy, m mm mmm mmmm
// (minutes right after h or hh), d dd ddd dddd, h hh, n nn, s ss, z zzz, am/pm, a/p,
// ampm, "/" (date separator) and ":" (time separator), text in '...' or "..." literally.
// Month and day names are the Japanese ones the program shows.
std::wstring FormatDateTime(std::wstring_view format, TDateTime value);

// The program's own short date and long time formats.
inline constexpr std::wstring_view kShortDateFormat = L"yyyy/mm/dd";
inline constexpr std::wstring_view kLongTimeFormat = L"hh:nn:ss";

// Parses "yyyy/mm/dd", "hh:nn:ss" (seconds optional) or "yyyy/mm/dd hh:nn:ss" as the
// program writes them. Returns false on anything else.
bool TryParseDate(std::wstring_view text, TDateTime& out);
bool TryParseTime(std::wstring_view text, TDateTime& out);
bool TryParseDateTime(std::wstring_view text, TDateTime& out);

}  // namespace vog
