// Text and date-time primitives on arbitrary input: UTF-8 and UTF-16 conversions, mask
// matching, date-time formatting and parsing, and byte-order-mark detection must neither
// read out of bounds nor break their invariants, whatever the bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/DateTime.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Wildcard.h"

namespace {

class TByteCodePage : public vog::ICodePage {
public:
  unsigned CodePageNumber() const override { return 28591; }
  std::wstring AnsiToWide(std::string_view ansi) const override {
    std::wstring out;
    for (char c : ansi) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
  }
  std::string WideToAnsi(std::wstring_view wide, bool* lossless) const override {
    if (lossless) *lossless = false;
    return std::string(wide.size(), '?');
  }
  std::string AnsiUpper(std::string_view ansi) const override { return std::string(ansi); }
  bool IsLeadByte(unsigned char) const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // UTF-8 -> UTF-16 -> UTF-8 -> UTF-16 is stable after the first step, and every unit is
  // a UTF-16 unit even where wchar_t is wider.
  const std::wstring wide = vog::Utf8ToWide(bytes);
  for (wchar_t c : wide)
    if (static_cast<uint32_t>(c) > 0xFFFF) std::abort();
  if (vog::Utf8ToWide(vog::WideToUtf8(wide)) != wide) std::abort();
  const std::wstring units = vog::FromUtf16Le(bytes);
  if (vog::ToUtf16Le(units) != bytes.substr(0, size & ~size_t{1})) std::abort();
  (void)vog::WideToUtf8(units);  // unpaired surrogates included

  // Comparison is an order: antisymmetric and equal to itself.
  const size_t half = units.size() / 2;
  const std::wstring a = units.substr(0, half), b = units.substr(half);
  if (vog::CompareText(a, b) != -vog::CompareText(b, a)) std::abort();
  if (vog::CompareText(a, vog::UpperText(a)) != 0) std::abort();

  // Any name against any mask terminates; a name always matches itself with "*" and "*.*".
  (void)vog::MatchMask(a, b);
  if (!a.empty() && a.find(L';') == std::wstring::npos && a.front() != L' ' && !vog::MatchMask(a, a)) std::abort();
  if (!vog::MatchMask(a, L"*") && !a.empty()) std::abort();

  // Formatting any pattern at any value, and parsing any text.
  double value = 0;
  if (size >= 8) std::memcpy(&value, data, 8);
  (void)vog::FormatDateTime(b, value);
  (void)vog::FormatDateTime(b, std::fmod(std::fabs(value), 3e6));
  vog::TDateTime parsed = 0;
  if (vog::TryParseDateTime(wide, parsed)) {
    vog::TDateTime again = 0;
    if (!vog::TryParseDateTime(vog::FormatDateTime(L"yyyy/mm/dd hh:nn:ss", parsed), again) || again != parsed)
      std::abort();
  }
  int32_t dos = 0;
  if (size >= 4) std::memcpy(&dos, data, 4);
  vog::TDateTime t = 0;
  int32_t back = 0;
  if (vog::TryDosToDateTime(dos, t) && (!vog::TryDateTimeToDos(t, back) || back != dos)) std::abort();

  // Decoding a text file never fails.
  const TByteCodePage cp;
  (void)vog::SplitLines(vog::DecodeText(bytes, cp));
  return 0;
}
