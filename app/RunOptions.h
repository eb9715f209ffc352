#pragma once
// The guards of every run: the mass-delete guard of mirroring (on by default, because a
// mirroring source that exists but is empty, such as a drive mounted late, would otherwise
// wipe the only backup in a run nobody watches), the retry of copies that fail for a
// passing reason (a file another program held open for a moment) and the read-back check
// of written files (off by default for its cost). They live in section [Run] of
// "Vogratel.ini" and can be given on the command line for one start:
//
//   key                   default  option
//   MirrorGuard           1        -MIRRORGUARD:ON | -MIRRORGUARD:OFF
//   MirrorGuardPercent    50       -MIRRORGUARD:<percent>[,<minimum files>]
//   MirrorGuardMinFiles   10
//   RetryCount            2        -RETRY:<count>
//   RetryWait             2        -RETRYWAIT:<seconds>
//   Verify                0        -VERIFY | -VERIFY:OFF
//   Threads               0        -THREADS:<count>
//
// Threads is how many files of plain items are written at once, each on a worker thread
// (1 writes them one after the other; at most kMostTransferThreads). 0 takes the number
// from each item's destination: 4 or the processors' count on a local disk, 8 on a
// network share, 1 on a removable drive (engine/ParallelTransfer.h).
//
// A value that cannot be read (not a number, negative, a share above 100) is ignored and
// the previous one stays.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/MirrorGuard.h"

namespace vog {

inline constexpr int32_t kMostTransferThreads = 64;

struct TRunOptions {
  TMirrorGuard Guard{true, 50, 10};
  int32_t RetryCount = 2;
  int32_t RetryWaitSeconds = 2;
  bool Verify = false;
  int32_t Threads = 0;

  // Reads section [Run] of the settings file; missing keys keep the defaults.
  void Load(const std::wstring& iniFile);
  // The values of the command-line options (upper-cased, without the name and ":"); an
  // option given without ":" passes `hasValue` false. False when the value was ignored.
  bool SetMirrorGuard(bool hasValue, std::wstring_view value);
  bool SetRetryCount(bool hasValue, std::wstring_view value);
  bool SetRetryWait(bool hasValue, std::wstring_view value);
  bool SetVerify(bool hasValue, std::wstring_view value);
  bool SetThreads(bool hasValue, std::wstring_view value);
};

}  // namespace vog
