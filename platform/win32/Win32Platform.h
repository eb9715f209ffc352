#pragma once
// Facts about the Win32 platform the program runs on (no Windows headers here).

namespace vog::win32 {

// Whether the program runs under Wine rather than Windows (ntdll exports
// wine_get_version). Only tests and diagnostics ask: the program itself behaves the same.
bool RunningUnderWine();

}  // namespace vog::win32
