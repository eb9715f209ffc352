#pragma once
// Constants of the -lh5-/-lh6-/-lh7- stream format.

#include "services/archive/LzhCodec.h"

namespace vog::lzh::detail {

constexpr int MinMatch = 3;
constexpr int MaxMatch = 256;
constexpr int CharCount = 510;    // NC: 256 literals and the match lengths 3..256
constexpr int CharCountBits = 9;  // CBIT
constexpr int TempCount = 19;     // NT: the code of the character table's lengths
constexpr int TempCountBits = 5;  // TBIT
constexpr int TempSpecial = 3;    // after the third temp length comes a 2-bit run of zeros
constexpr int MaxPositionCount = 17;

struct TMethodParams {
  int DictionaryBits;  // 13, 15 or 16
  int PositionCount;   // NP = DictionaryBits + 1
  int PositionBits;    // PBIT
};

constexpr TMethodParams ParamsOf(TMethod method) {
  switch (method) {
    case TMethod::Lh6:
      return {15, 16, 5};
    case TMethod::Lh7:
      return {16, 17, 5};
    default:
      return {13, 14, 4};
  }
}

}  // namespace vog::lzh::detail
