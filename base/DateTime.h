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

// Encoding and decoding. Encode returns false for an invalid date or time (years 1..9999).
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms, TDateTime& out);
// Decoding rounds to the nearest millisecond; a time that rounds up to midnight moves to
// the next day (45000.999999999 is 45001 00:00:00.000, never second 60).
// TryDecodeDateTime fails for NaN, infinities and values outside years 1..9999;
// DecodeDateTime then gives all-zero parts.
bool TryDecodeDateTime(TDateTime value, TDateParts& parts);
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
// Rounded to the millisecond; a value before 1601 or not decodable gives 0 (the Try form
// says false).
TFileTime DateTimeToFileTime(TDateTime value);
bool TryDateTimeToFileTime(TDateTime value, TFileTime& out);
// FILETIME (local) -> DOS, false outside the DOS range. Seconds are rounded down to even.
bool TryFileTimeToDos(TFileTime local, int32_t& dos);
// An invalid DOS value (month 0, second 60, ...) gives 0; the Try form says false.
TFileTime DosToFileTime(int32_t dos);
bool TryDosToFileTime(int32_t dos, TFileTime& out);

// Formats a date-time with the established pattern letters: y yy yyyy, m mm mmm mmmm
// (minutes right after h or hh), d dd ddd dddd, h hh, n nn, s ss, z zzz, am/pm, a/p,
// ampm, "/" (date separator) and ":" (time separator), text in '...' or "..." literally.
// Month and day names are the Japanese ones the program shows. Pattern letters are
// matched in either case; other characters are copied. Also understood: ddddd (short
// date), dddddd (long date), t (short time), tt (long time), c (short date and, when the
// time is not midnight, long time; also what an empty format gives), aaa / aaaa (day names).
std::wstring FormatDateTime(std::wstring_view format, TDateTime value);

// The program's own short date and long time formats.
inline constexpr std::wstring_view kShortDateFormat = L"yyyy/mm/dd";
inline constexpr std::wstring_view kLongTimeFormat = L"hh:nn:ss";

// Parses "yyyy/mm/dd", "hh:nn:ss" (seconds optional) or "yyyy/mm/dd hh:nn:ss" as the
// program writes them; month, day, hour, minute and second may have one or two digits.
// TryParseDateTime also takes a date alone (midnight). Returns false on anything else.
bool TryParseDate(std::wstring_view text, TDateTime& out);
bool TryParseTime(std::wstring_view text, TDateTime& out);
bool TryParseDateTime(std::wstring_view text, TDateTime& out);

}  // namespace vog
