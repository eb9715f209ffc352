// The floor of a program's start and end under Wine: a bare Win32 (window subsystem)
// program that reads its command line and exits, as Vogratel.exe does around a run of one
// small item. It links only what the C++ runtime brings (no shell32: the command line is
// read as the system hands it over). scripts/bench-backup times it beside Vogratel.exe
// -AUTO on a one-file item.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  return GetCommandLineW()[0] != 0 && commandLine ? 0 : 1;
}
