#include "base/Wildcard.h"

#include "base/Text.h"

namespace vog {

namespace {

bool SameUnit(wchar_t a, wchar_t b) noexcept { return a == b || UpperUnit(a) == UpperUnit(b); }

// What a last "*" (with the rest of the pattern after it) accepts as the remainder of the
// name, or -1 when the rest is not one of the endings the shell treats specially.
//   "*"   anything;
//   "*.*" anything, a name without a dot included (so does "*.**");
//   "*."  a remainder without a dot (or, literally, one ending in a dot).
int TerminalStar(std::wstring_view rest, std::wstring_view remainder) noexcept {
  if (rest.empty()) return 1;
  if (rest.size() >= 2 && rest[0] == L'.' && rest.find_first_not_of(L'*', 1) == std::wstring_view::npos) return 1;
  if (rest == L".") {
    const bool noDot = remainder.find(L'.') == std::wstring_view::npos;
    return (noDot || remainder.back() == L'.') ? 1 : 0;
  }
  return -1;
}

}  // namespace

// The usual greedy matcher: on a mismatch only the last "*" seen is extended by one
// character. That is enough because any later star can absorb whatever an earlier star
// would have taken, and it keeps the work within length(name) * length(pattern).
bool MatchSinglePattern(std::wstring_view name, std::wstring_view pattern) noexcept {
  const size_t n = name.size(), m = pattern.size();
  size_t i = 0, j = 0;
  size_t starJ = std::wstring_view::npos, starI = 0;
  for (;;) {
    if (j < m && pattern[j] == L'*') {
      while (j < m && pattern[j] == L'*') ++j;
      const int terminal = TerminalStar(pattern.substr(j), name.substr(i));
      if (terminal == 1) return true;
      if (terminal == -1) {
        starJ = j;
        starI = i;
        continue;
      }
      // A failed ending: the remainder must start later, which only an earlier star can give.
    } else if (i < n && j < m && (pattern[j] == L'?' || SameUnit(pattern[j], name[i]))) {
      ++i;
      ++j;
      continue;
    } else if (i == n && j == m) {
      return true;
    }
    if (starJ == std::wstring_view::npos || starI >= n) return false;
    i = ++starI;
    j = starJ;
  }
}

bool MatchMask(std::wstring_view name, std::wstring_view mask) noexcept {
  size_t pos = 0;
  while (pos <= mask.size()) {
    size_t end = mask.find(L';', pos);
    if (end == std::wstring_view::npos) end = mask.size();
    std::wstring_view pattern = mask.substr(pos, end - pos);
    while (!pattern.empty() && pattern.front() == L' ') pattern.remove_prefix(1);
    if (!pattern.empty() && MatchSinglePattern(name, pattern)) return true;
    pos = end + 1;
  }
  return false;
}

}  // namespace vog
