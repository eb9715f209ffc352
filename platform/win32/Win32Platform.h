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

}  // namespace vog::win32
