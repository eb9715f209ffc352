#include "app/SizeText.h"

#include <cmath>
#include <cstdio>

#include "base/Text.h"

namespace vog {

TSizeUnit SizeUnitOf(int64_t bytes) {
  constexpr int64_t kKilo = 1024, kMega = kKilo * 1024, kGiga = kMega * 1024;
  const auto precision = [bytes](int64_t unit) { return bytes <= 10 * unit ? 2 : bytes <= 100 * unit ? 1 : 0; };
  if (bytes > kGiga) return {L" GB ", static_cast<double>(kGiga), precision(kGiga)};
  if (bytes > kMega) return {L" MB ", static_cast<double>(kMega), precision(kMega)};
  if (bytes > kKilo) return {L" KB ", static_cast<double>(kKilo), precision(kKilo)};
  return {L" バイト ", 1, 0};
}

std::wstring FormatThousands(double value, int precision) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
  std::string plain = buffer;
  // A value that rounds to zero shows no sign ("-0.00" would read oddly).
  if (plain[0] == '-' && plain.find_first_not_of("-0.") == std::string::npos) plain.erase(0, 1);
  const size_t sign = plain[0] == '-' ? 1 : 0;
  size_t point = plain.find('.');
  if (point == std::string::npos) point = plain.size();
  std::wstring text(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(sign));
  for (size_t i = sign; i < point; ++i) {
    if (i > sign && (point - i) % 3 == 0) text += L',';
    text += static_cast<wchar_t>(plain[i]);
  }
  text.append(plain.begin() + static_cast<std::ptrdiff_t>(point), plain.end());
  return text;
}

std::wstring SizeText(int64_t bytes) {
  const TSizeUnit unit = SizeUnitOf(bytes);
  return FormatThousands(static_cast<double>(bytes) / unit.Divisor, unit.Precision) + unit.Text;
}

std::wstring CountAndSizeText(int count, int64_t bytes) {
  return IntToText(count) + L" 個   " + SizeText(bytes);
}

}  // namespace vog
