#include "app/RunTexts.h"

#include <cmath>
#include <cstdio>

namespace vog {

namespace {

constexpr double kKilo = 1024.0;
constexpr double kMega = kKilo * 1024.0;
constexpr double kGiga = kMega * 1024.0;

int PrecisionFor(double units) { return units <= 10 ? 2 : units <= 100 ? 1 : 0; }

std::wstring Trimmed(std::wstring text) {
  while (!text.empty() && text.back() == L' ') text.pop_back();
  while (!text.empty() && text.front() == L' ') text.erase(text.begin());
  return text;
}

}  // namespace

TSizeUnit ChooseSizeUnit(int64_t bytes) {
  const double size = static_cast<double>(bytes);
  if (size > kGiga) return {L" GB ", kGiga, PrecisionFor(size / kGiga)};
  if (size > kMega) return {L" MB ", kMega, PrecisionFor(size / kMega)};
  if (size > kKilo) return {L" KB ", kKilo, PrecisionFor(size / kKilo)};
  return {L" バイト ", 1, 0};
}

std::wstring FormatNumber(double value, int precision) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", precision, std::fabs(value));
  std::string digits(buffer);
  const size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : digits.substr(point);
  std::wstring text;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) text += L',';
    text += static_cast<wchar_t>(whole[i]);
  }
  for (char c : fraction) text += static_cast<wchar_t>(c);
  // A value that rounds to zero shows no sign ("-0.00" would read oddly).
  if (value < 0 && text.find_first_not_of(L"0.,") != std::wstring::npos) text.insert(text.begin(), L'-');
  return text;
}

std::wstring SizeText(int64_t bytes) {
  const TSizeUnit unit = ChooseSizeUnit(bytes);
  return FormatNumber(static_cast<double>(bytes) / unit.Divisor, unit.Precision) + unit.Text;
}

std::wstring CountSizeLabel(int64_t count, int64_t bytes) {
  return std::to_wstring(count) + L" 個   " + SizeText(bytes);
}

std::wstring ElapsedText(TDateTime elapsedDays) {
  const double milliseconds = elapsedDays * 86400000.0;
  // Whole seconds, as a clock shows them; anything unreadable reads as no time at all.
  int64_t seconds = 0;
  if (std::isfinite(milliseconds) && milliseconds > 0 && milliseconds < 1e15)
    seconds = static_cast<int64_t>(std::llround(milliseconds)) / 1000;
  wchar_t buffer[48];
  std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return buffer;
}

std::wstring RateText(double bytesPerSecond) {
  const int64_t bytes = bytesPerSecond > 0 && bytesPerSecond < 9e18 ? static_cast<int64_t>(bytesPerSecond) : 0;
  return Trimmed(SizeText(bytes)) + L"/秒";
}

std::wstring TimeLeftText(double seconds) {
  const int64_t whole = seconds > 0 && seconds < 1e12 ? static_cast<int64_t>(std::ceil(seconds)) : 0;
  wchar_t buffer[64];
  if (whole < 60)
    std::swprintf(buffer, 64, L"約 %lld 秒", static_cast<long long>(whole));
  else if (whole < 3600)
    std::swprintf(buffer, 64, L"約 %lld 分 %02lld 秒", static_cast<long long>(whole / 60),
                  static_cast<long long>(whole % 60));
  else
    std::swprintf(buffer, 64, L"約 %lld 時間 %02lld 分", static_cast<long long>(whole / 3600),
                  static_cast<long long>(whole / 60 % 60));
  return buffer;
}

}  // namespace vog
