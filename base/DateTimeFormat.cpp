// FormatDateTime: the date-time pattern language used for history folder names, the DAT
// path macro and every date or time the program shows.
#include "base/DateTime.h"

namespace vog {

namespace {

constexpr std::wstring_view kMonthNames[12] = {L"1月", L"2月", L"3月", L"4月",  L"5月",  L"6月",
                                               L"7月", L"8月", L"9月", L"10月", L"11月", L"12月"};
constexpr std::wstring_view kShortDayNames[7] = {L"日", L"月", L"火", L"水", L"木", L"金", L"土"};
constexpr std::wstring_view kLongDayNames[7] = {L"日曜日", L"月曜日", L"火曜日", L"水曜日",
                                                L"木曜日", L"金曜日", L"土曜日"};
constexpr std::wstring_view kLongDateFormat = L"yyyy'年'm'月'd'日'";
constexpr std::wstring_view kShortTimeFormat = L"h:nn";
constexpr std::wstring_view kAm = L"午前";
constexpr std::wstring_view kPm = L"午後";

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

// Case-insensitive test that `text` continues with the ASCII `word` at `pos`.
bool HasWordAt(std::wstring_view text, size_t pos, std::wstring_view word) {
  if (pos + word.size() > text.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (Upper(text[pos + k]) != Upper(word[k])) return false;
  return true;
}

class TFormatter {
public:
  TFormatter(const TDateParts& parts) : p_(parts) {}

  std::wstring Out;

  // `level` stops a nested format (c, t, ddddd ...) from nesting further.
  void Append(std::wstring_view f, int level) {
    if (level >= 2) return;
    wchar_t lastToken = L' ';
    bool use12Hour = false;
    size_t pos = 0;
    while (pos < f.size()) {
      const wchar_t starter = f[pos++];
      wchar_t token = Upper(starter);
      if (token >= L'A' && token <= L'Z') {
        // "m" right after an hour means minutes ("hh:mm").
        if (token == L'M' && lastToken == L'H') token = L'N';
        lastToken = token;
      }
      // Letters repeat into one field: the count of the same character in a row.
      auto count = [&]() {
        size_t n = 1;
        while (pos < f.size() && f[pos] == starter) {
          ++pos;
          ++n;
        }
        return n;
      };
      switch (token) {
        case L'Y': {
          const size_t n = count();
          if (n <= 2)
            Number(p_.Year % 100, 2);
          else
            Number(p_.Year, 4);
          break;
        }
        case L'M': {
          const size_t n = count();
          if (n <= 2)
            Number(p_.Month, n);
          else
            Out += MonthName();
          break;
        }
        case L'D': {
          const size_t n = count();
          if (n <= 2)
            Number(p_.Day, n);
          else if (n == 3)
            Out += DayName(kShortDayNames);
          else if (n == 4)
            Out += DayName(kLongDayNames);
          else if (n == 5)
            Append(kShortDateFormat, level + 1);
          else
            Append(kLongDateFormat, level + 1);
          break;
        }
        case L'H': {
          const size_t n = count();
          // A 12-hour clock when an am/pm marker follows before the next hour field
          // (quoted text skipped).
          wchar_t quote = 0;
          for (size_t q = pos; q < f.size(); ++q) {
            const wchar_t c = f[q];
            if (quote != 0) {
              if (c == quote) quote = 0;
              continue;
            }
            if (c == L'a' || c == L'A') {
              if (HasWordAt(f, q, L"am/pm") || HasWordAt(f, q, L"a/p") || HasWordAt(f, q, L"ampm")) use12Hour = true;
              break;
            }
            if (c == L'h' || c == L'H') break;
            if (c == L'\'' || c == L'"') quote = c;
          }
          int h = p_.Hour;
          if (use12Hour) {
            if (h == 0)
              h = 12;
            else if (h > 12)
              h -= 12;
          }
          Number(h, n > 2 ? 2 : n);
          break;
        }
        case L'N': {
          const size_t n = count();
          Number(p_.Minute, n > 2 ? 2 : n);
          break;
        }
        case L'S': {
          const size_t n = count();
          Number(p_.Second, n > 2 ? 2 : n);
          break;
        }
        case L'Z': {
          const size_t n = count();
          Number(p_.Millisecond, n > 3 ? 3 : n);
          break;
        }
        case L'T': {
          const size_t n = count();
          Append(n == 1 ? kShortTimeFormat : kLongTimeFormat, level + 1);
          break;
        }
        case L'C': {
          count();
          Append(kShortDateFormat, level + 1);
          if (p_.Hour != 0 || p_.Minute != 0 || p_.Second != 0) {
            Out += L' ';
            Append(kLongTimeFormat, level + 1);
          }
          break;
        }
        case L'A': {
          const size_t at = pos - 1;
          const bool pm = p_.Hour >= 12;
          if (HasWordAt(f, at, L"am/pm")) {
            // The marker keeps the letter case written in the format.
            Out += f.substr(pm ? at + 3 : at, 2);
            pos = at + 5;
            use12Hour = true;
          } else if (HasWordAt(f, at, L"a/p")) {
            Out += f.substr(pm ? at + 2 : at, 1);
            pos = at + 3;
            use12Hour = true;
          } else if (HasWordAt(f, at, L"ampm")) {
            Out += pm ? kPm : kAm;
            pos = at + 4;
            use12Hour = true;
          } else if (HasWordAt(f, at, L"aaaa")) {
            Out += DayName(kLongDayNames);
            pos = at + 4;
          } else if (HasWordAt(f, at, L"aaa")) {
            Out += DayName(kShortDayNames);
            pos = at + 3;
          } else {
            Out += starter;
          }
          break;
        }
        case L'/':
        case L':':
          Out += starter;  // the program's own separators are "/" and ":"
          break;
        case L'\'':
        case L'"': {
          // Literal text up to the same quote; an unclosed quote runs to the end.
          const size_t end = f.find(starter, pos);
          const size_t stop = end == std::wstring_view::npos ? f.size() : end;
          Out += f.substr(pos, stop - pos);
          pos = end == std::wstring_view::npos ? f.size() : end + 1;
          break;
        }
        default:
          Out += starter;
      }
    }
  }

private:
  void Number(int value, size_t minDigits) {
    wchar_t buf[16];
    size_t n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
      buf[n++] = static_cast<wchar_t>(L'0' + v % 10);
      v /= 10;
    } while (v != 0 && n < 16);
    while (n < minDigits && n < 16) buf[n++] = L'0';
    while (n > 0) Out += buf[--n];
  }
  std::wstring_view MonthName() const {
    return p_.Month >= 1 && p_.Month <= 12 ? kMonthNames[p_.Month - 1] : std::wstring_view{};
  }
  std::wstring_view DayName(const std::wstring_view (&names)[7]) const {
    return p_.DayOfWeek >= 1 && p_.DayOfWeek <= 7 ? names[p_.DayOfWeek - 1] : std::wstring_view{};
  }

  const TDateParts& p_;
};

}  // namespace

std::wstring FormatDateTime(std::wstring_view format, TDateTime value) {
  const TDateParts parts = DecodeDateTime(value);
  TFormatter f(parts);
  f.Append(format.empty() ? std::wstring_view(L"c") : format, 0);
  return f.Out;
}

}  // namespace vog
