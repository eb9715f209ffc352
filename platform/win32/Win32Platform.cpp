#include "platform/win32/Win32Platform.h"

#include <windows.h>

namespace vog::win32 {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace vog::win32
