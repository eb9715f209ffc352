#include "app/ExitCodes.h"

namespace vog {

namespace {

int Rank(int code) noexcept {
  switch (code) {
    case exitcode::Success:
      return 0;
    case exitcode::DeletionsHeldBack:
      return 1;
    case exitcode::FilesFailed:
      return 2;
    case exitcode::OtherRunActive:
      return 4;
    case exitcode::NoDataFile:
      return 5;
    case exitcode::RunError:
      return 6;
    default:
      return 3;  // 1..7, 13, 14: an item left out or a clash
  }
}

}  // namespace

int MoreSeriousExitCode(int a, int b) noexcept { return Rank(b) > Rank(a) ? b : a; }

int QuietRunExitCode(uint8_t runErrorCode, int failedFiles, bool deletionsHeldBack) noexcept {
  if (runErrorCode != 0) return runErrorCode;
  if (failedFiles > 0) return exitcode::FilesFailed;
  if (deletionsHeldBack) return exitcode::DeletionsHeldBack;
  return exitcode::Success;
}

}  // namespace vog
