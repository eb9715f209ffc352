// Holds a file open with no sharing until it is ended, as another program holding a
// document would: the window tests use it to make one file of a run fail.
//   HoldFile.exe <path>
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv || count < 2) return 2;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(argv);
  if (file == INVALID_HANDLE_VALUE) return 1;
  Sleep(INFINITE);
  return 0;
}
