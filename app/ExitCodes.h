#pragma once
// The exit code of every command-line run (AUTO, BACKUP and the power options), for the
// Task Scheduler and scripts that start the program unattended.
//
//   code  meaning
//   0     nothing to report: every item was backed up and no file failed
//   1     an item was left out: its source folder does not exist
//   2     an item was left out: its source folder cannot be read (access denied)
//   3     an item was left out: the network logon failed
//   4     an item was left out: the destination drive or share is missing
//   5     an item was left out: the destination's volume label differs
//   6     two archive items write the same archive file (the run still ran)
//   7     two items have the same destination folder (the run still ran)
//   8     some files failed (the run's failure list is not empty)
//   9     the mass-delete guard held deletions back
//   10    the run ended with an error (its message was shown), or a power action failed
//   11    no data file: nothing was backed up
//   12    another run of the same data file was under way: nothing was backed up
//   13    an item was left out: its title or folder does not name one folder inside the
//         main destination
//   14    an item was left out: it enciphers but has no cipher key (unattended runs)
//
// Codes 1 to 7, 13 and 14 are the run's own result code as the log records it (the last
// problem found). When several runs or several problems meet, the most serious one is
// returned: 10, then 11, then 12, then 1 to 7, 13 and 14, then 8, then 9 (more data left
// without a backup ranks higher). The interactive program, closed by its user, returns 0.
#include <cstdint>

namespace vog {

namespace exitcode {
inline constexpr int Success = 0;
// 1..7: the run's result code (an item left out, or a clash).
inline constexpr int FilesFailed = 8;
inline constexpr int DeletionsHeldBack = 9;
inline constexpr int RunError = 10;
inline constexpr int NoDataFile = 11;
inline constexpr int OtherRunActive = 12;
// 13, 14: the run's result code (an item left out).
}  // namespace exitcode

// The more serious of two exit codes, by the order above.
int MoreSeriousExitCode(int a, int b) noexcept;

// The exit code of one quiet run from its result code, its count of failed files and
// whether the guard held deletions back.
int QuietRunExitCode(uint8_t runErrorCode, int failedFiles, bool deletionsHeldBack) noexcept;

}  // namespace vog
