// Vogratel.exe itself, started as the Task Scheduler would: it must end on its own, with
// no window shown, and return its exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/ExitCodes.h"

namespace vog::test {
namespace {

// The program beside the test programs (VOG_BUILD_DIR is a Linux path under Wine).
std::wstring ProgramPath() {
  const char* build = std::getenv("VOG_BUILD_DIR");
  if (!build) return L"Vogratel.exe";
  std::wstring path = L"Z:";
  for (const char* c = build; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path + L"\\Vogratel.exe";
}

// Runs the program with `arguments`; its exit code, or -1 when it did not end in time.
int RunProgram(const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -2;
  int result = -1;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result = static_cast<int>(code);
  } else {
    TerminateProcess(process.hProcess, 99);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

TEST(ProgramTest, CommandLineRunWithoutDataFileEndsWithItsCode) {
  // (The power options are tested on the memory platform only: here a regression would
  // end the Wine session for real.)
  EXPECT_EQ(RunProgram(L"-autosave:Z:\\nonexistent\\setup.vgd -FILELISTDB"), exitcode::NoDataFile);
}

}  // namespace
}  // namespace vog::test
