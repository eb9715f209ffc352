#pragma once
// Facts about the Win32 platform the program runs on (no Windows headers here).
#include <cstdint>
#include <string>

namespace vog::win32 {

// Whether the program runs under Wine rather than Windows (ntdll exports
// wine_get_version). Only tests and diagnostics ask: the program itself behaves the same.
bool RunningUnderWine();

// Writes a shell shortcut (.lnk) at `linkPath` that points to `target`, through the shell
// link object; 0 or the failing HRESULT. The program only reads shortcuts; tests make them.
uint32_t CreateShortcut(const std::wstring& linkPath, const std::wstring& target);

// The form of `path` the Win32 platform hands to the system. A fully qualified path
// ("C:\...", "\\server\share\...") gets the "\\?\" or "\\?\UNC\" prefix, so that it may
// be longer than MAX_PATH and names are taken as they stand. Since the prefix turns off
// the system's own normalisation, it is done here first: "/" becomes "\", repeated
// separators and "." components go, ".." drops the component before it (never the root).
// Trailing dots and spaces of names are kept: they belong to names the file system holds.
// Other paths (relative, "C:name", already prefixed, devices) are returned unchanged.
std::wstring ExtendedPath(const std::wstring& path);
// ExtendedPath only where the prefix is needed (a path of MAX_PATH - 12 characters or more,
// or a name ending in a dot or space), for shell and volume calls that may not take it.
std::wstring ExtendedPathWhereNeeded(const std::wstring& path);
// `path` without a "\\?\" or "\\?\UNC\" prefix, for paths the system hands back.
std::wstring WithoutExtendedPrefix(const std::wstring& path);

}  // namespace vog::win32
