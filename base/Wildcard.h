#pragma once
#include <string_view>

namespace vog {

// Matches one file name against one mask with MS-DOS wildcard rules, as the shell's
// PathMatchSpecW does: "*" any run of characters, "?" any one character, letter case
// ignored; "*.*" also matches a name without a dot, and "*." matches a name without one.
bool MatchMask(std::wstring_view name, std::wstring_view mask) noexcept;

}  // namespace vog
