#pragma once
// The one check every change the engine makes goes through: does a path, resolved the
// way Windows resolves it, lie inside a given folder?
//
// Names reach the engine from places it does not control: a history database file, an
// archive's listing, a folder walk on a damaged or foreign file system. A name such as
// "..\..\victim.txt" joined to a destination folder must never make the engine delete,
// move or overwrite a file elsewhere.
#include <string>
#include <string_view>

namespace vog {

// `path` resolved as Win32 would before opening it: "/" read as "\", doubled separators
// collapsed, "." segments dropped, ".." taking away the segment before it (never the
// root), trailing dots and spaces cut from every segment. The root is kept as given
// ("C:\" for drive paths, "\\server\share\" for network paths) and the result has no
// trailing "\" except after a drive letter. False when the path cannot be resolved safely:
// not absolute (no drive letter or "\\server\share"), a device or "\\?\" path, a segment
// holding ":" or a character below 32, or a segment of only dots and spaces other than
// "." and "..".
bool ResolveWindowsPath(std::wstring_view path, std::wstring& resolved);

// Whether `path` lies strictly inside the folder `root` (the folder itself counts only
// with `allowRoot`): both are resolved, then compared without regard to case, segment by
// segment, so C:\dest2\x is not inside C:\dest. A path that cannot be resolved is never
// inside.
bool IsInsideFolder(std::wstring_view path, std::wstring_view root, bool allowRoot = false);

}  // namespace vog
