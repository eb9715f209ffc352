#pragma once
// The file loop of phase 4 on several worker threads. Each file stays one transaction
// (TFileWrite: temporary name, verify, history move, rename) and is written whole by one
// worker; the thread of the user interface keeps everything else:
// - it walks the plan in order: shows each file, asks the overwrite question, checks the
//   path, and hands the file to the next free worker (never more files out at once than
//   the item's window allows, so a pause holds every worker between files: nothing new is
//   handed out while the pause loop runs);
// - it records the outcomes in the plan's order, whatever order the workers finish in, so
//   CopiedFiles and ErrorFiles read as after a run on one thread;
// - it alone talks to the progress window: the bar shows the bytes of the files finished
//   plus the bytes each worker has of its current file, each counted once;
// - a stop sets every worker's own cancel flag, which ends the copy or cipher run each one
//   is in (recorded with 1235) and keeps them from starting another file.
// Each worker has its own writer, history mover and cipher, its own temporary name
// (WorkerTempName) and shares one lock while history folders are made.
#include <functional>
#include <vector>

#include "base/DateTime.h"
#include "engine/TransferPaths.h"

namespace vog {

class IProgress;
class TBackupInfo;
class TFileTransfer;
struct TTransferItem;

struct TWorkerSetup {
  // Threads of the phase; 1 keeps the loop on the calling thread, as it always was.
  int Threads = 1;
  // How many files of an item may be out at once (from its destination's kind); null gives
  // Threads to every item.
  std::function<int(const TBackupInfo&)> Window;
  TDateTime StartTime = 0;  // names the history folders
  TInsideCheck Inside;      // the history movers' check
};

// Writes every planned file of the plain items through `transfer` (Prepare, Record) and
// the workers' copies of it (WriteOne). Sets transfer.Stopped on a stop. An error thrown
// while writing a file ends the phase after the workers stopped, like on one thread.
void TransferOnWorkers(const std::vector<TTransferItem>& items, TFileTransfer& transfer, const TWorkerSetup& setup,
                       IProgress* progress, bool silent);

// The threads a destination takes when the run names no number: a local disk 4 (copies
// there wait on the disk and on the file system's per-file work, which several threads
// overlap; more than 4 gained little on the disks measured, and at least the processors'
// number keeps every core busy when files are enciphered), a network share 8 (each file
// waits on round trips more than on the disk), a removable drive 1 (flash memory and
// optical media write slowest when writes interleave).
int DefaultTransferThreads(const std::wstring& destFolder, unsigned processors);

}  // namespace vog
