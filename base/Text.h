#pragma once
// UTF-16 text helpers shared by every layer.
//
// std::wstring holds UTF-16 code units on both builds (on Linux each wchar_t holds one
// unit, never a whole code point). Every sort and lookup of paths uses CompareText: an
// ordinal comparison after simple upper-casing of each unit, independent of the locale,
// so that one run orders and finds the same way everywhere.
#include <cstdint>
#include <string>
#include <string_view>

namespace vog {

// Simple (one unit to one unit) upper-case mapping of a UTF-16 code unit, locale-independent.
wchar_t UpperUnit(wchar_t c) noexcept;

// Negative, zero or positive, ignoring letter case (ordinal on the upper-cased units).
int CompareText(std::wstring_view a, std::wstring_view b) noexcept;
inline bool SameText(std::wstring_view a, std::wstring_view b) noexcept { return CompareText(a, b) == 0; }
// Whether `text` begins with `prefix`, ignoring letter case.
bool StartsWithText(std::wstring_view text, std::wstring_view prefix) noexcept;
std::wstring UpperText(std::wstring_view text);

// Ordering functor for std::map / std::set keyed by paths.
struct TextLess {
  using is_transparent = void;
  bool operator()(std::wstring_view a, std::wstring_view b) const noexcept { return CompareText(a, b) < 0; }
};

// UTF-8 <-> UTF-16. Invalid input becomes U+FFFD; unpaired surrogates in UTF-16 are
// written as U+FFFD too.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// UTF-16LE bytes <-> text (no byte-order mark handling here).
std::wstring FromUtf16Le(std::string_view bytes);
std::string ToUtf16Le(std::wstring_view text);

// A wide literal or number as text; decimal.
std::wstring IntToText(int64_t value);
// Decimal integer with optional sign; false on anything else (no spaces allowed).
bool TryTextToInt(std::wstring_view text, int64_t& value) noexcept;

}  // namespace vog
