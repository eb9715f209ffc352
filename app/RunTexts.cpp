#include "app/RunTexts.h"

#include <cmath>
#include <cstdio>

namespace vog {

namespace {

std::wstring Trimmed(std::wstring text) {
  while (!text.empty() && text.back() == L' ') text.pop_back();
  while (!text.empty() && text.front() == L' ') text.erase(text.begin());
  return text;
}

}  // namespace

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
