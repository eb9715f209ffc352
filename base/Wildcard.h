#pragma once
#include <string_view>

namespace vog {

// Matches one file name against one mask with MS-DOS wildcard rules, as the shell's
// PathMatchSpecW does: "*" any run of characters, "?" any one character, letter case
// ignored; "*.*" also matches a name without a dot, and "*." matches a name without one.
//
// As with PathMatchSpecW, a mask may list several patterns separated by ";" (the name
// matches when any of them does) and leading spaces of each pattern are ignored. An
// empty mask matches nothing. The time taken is at most proportional to the product of
// the two lengths, whatever the pattern.
bool MatchMask(std::wstring_view name, std::wstring_view mask) noexcept;

// Matches against exactly one pattern: no ";" splitting and no space stripping.
bool MatchSinglePattern(std::wstring_view name, std::wstring_view pattern) noexcept;

}  // namespace vog
