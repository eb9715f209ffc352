#pragma once
// The count-and-size texts of the file-list windows ("3 個   1.50 KB "), and numbers with
// thousands separators.
#include <cstdint>
#include <string>

namespace vog {

// The unit a total is shown in: its text, the divisor and the decimals.
struct TSizeUnit {
  std::wstring Text;  // " GB ", " MB ", " KB " or " バイト "
  double Divisor = 1;
  int Precision = 0;
};

// The unit for a total of `bytes`: the largest unit the total exceeds (so exactly 1024
// bytes are still bytes and exactly 2^30 still megabytes), two decimals up to 10 of the
// unit, one up to 100, none above; bytes have no decimals. Negative totals are bytes.
TSizeUnit SizeUnitOf(int64_t bytes);
// `value` with `precision` decimals and "," between thousands ("1,234.50").
std::wstring FormatThousands(double value, int precision);
// `bytes` in its unit, with the unit text: "1.50 KB ".
std::wstring SizeText(int64_t bytes);
// "<count> 個   <size>": the label of a list of `count` files of `bytes` in total.
std::wstring CountAndSizeText(int count, int64_t bytes);

}  // namespace vog
