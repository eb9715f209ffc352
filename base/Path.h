#pragma once
// Path texts alone, with Windows' separators and roots; nothing here asks the system.
#include <string>
#include <string_view>

namespace vog {

// `path` when it ends with "\", otherwise `path` + "\".
std::wstring AddBackslash(std::wstring_view path);

// The drive of a path (C: for C:\a\b), or \\server\share for a path below a share; a
// path of the form \\server\share or \\server comes back unchanged; "" when there is
// neither. (scan/FileUtils.h has the byte-text form.)
std::wstring PathRoot(std::wstring_view path);

// PathRoot for either kind of text: `isLead(c)` tells whether `c` begins a double-byte
// character, whose second unit is stepped over (it may be the code of "\").
template <class Char, class IsLead>
std::basic_string<Char> PathRootOf(std::basic_string_view<Char> path, IsLead isLead) {
  const Char backslash = static_cast<Char>('\\');
  if (path.size() >= 2 && path[0] == backslash && path[1] == backslash) {
    // \\server\share\rest -> \\server\share: the second "\" after the server name ends it.
    int found = 0;
    for (size_t i = 2; i < path.size(); ++i) {
      if (isLead(path[i])) {
        ++i;
        continue;
      }
      if (path[i] == backslash && ++found == 2) return std::basic_string<Char>(path.substr(0, i));
    }
    return std::basic_string<Char>(path);
  }
  if (path.size() >= 2 && path[1] == static_cast<Char>(':') && !isLead(path[0]))
    return std::basic_string<Char>(path.substr(0, 2));
  return std::basic_string<Char>();
}

// What this program writes as a path in its lists (the history database, the log), so
// what their readers accept:
// - a name: not empty, without "\", "/", ":" or control characters, and not "." or ".."
//   (nor any other name of dots and blanks alone, which Windows reads as one of those);
// - a folder: "X:\" or "\\server\share" (then its end or "\"), followed by names separated
//   by "\" (doubled separators, and a closing one, are allowed);
// - a file path: a folder up to its last "\" and a name after it.
bool IsPlainName(std::wstring_view name) noexcept;
bool IsAbsoluteFolder(std::wstring_view folder) noexcept;
bool IsAbsoluteFilePath(std::wstring_view path) noexcept;

// Whether Windows opens a device rather than a file for this name: CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM0-COM9 and LPT0-LPT9, in any letter case, also with an extension
// ("NUL.txt") or blanks before it ("CON .txt").
bool IsDeviceName(std::wstring_view name);

// `text` with control characters shown as "[0A]" and the like, for messages.
std::wstring ShowControlCharacters(std::wstring_view text);

}  // namespace vog
