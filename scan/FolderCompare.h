#pragma once
// Decides which of an item's selected source files are copied: files the destination
// lacks, and files whose copy differs in time or size, as the item's Condition asks.
// A source and a destination record belong together when their relative paths are equal,
// ignoring case; root folders play no part.
//
// Times are compared with a tolerance of exactly 3 seconds; as DOS times step by
// 2 seconds, a difference counts from 4 seconds on. Each copied file gets a new
// TBackupFileInfo in CopyFiles (owned by the owner of that list), in source order.
#include <cstdint>
#include <utility>
#include <vector>

namespace vog {

class IProgress;
class TBackupInfo;
class TFileInfo;
class TOwnedFileInfoList;

// Whole seconds from `dest` to `source` (positive when the source is newer); false when
// either value is not a valid DOS date-time.
bool DosTimeDifference(int32_t source, int32_t dest, int64_t& seconds);

// The time tests of the comparison. A value that is not a valid DOS date-time cannot be
// compared, and the pair counts as changed: a backup rather copies a file once too often
// than leaves a changed one out.
bool SourceIsNewer(int32_t source, int32_t dest);  // by more than 3 seconds
bool TimesDiffer(int32_t source, int32_t dest);    // by more than 3 seconds, either way

class TFolderCompare {
public:
  TOwnedFileInfoList* DestFiles = nullptr;    // not owned; sorted by relative path on first use
  TOwnedFileInfoList* CopyFiles = nullptr;    // not owned; receives new records
  TOwnedFileInfoList* SourceFiles = nullptr;  // not owned; read in list order
  TBackupInfo* BackupInfo = nullptr;          // not owned; its Condition decides
  bool Cancelled = false;
  IProgress* ProgressForm = nullptr;  // may be null
  // May be null; receives each (source, destination) pair whose names differ in letter
  // case only, so the destination can follow a rename (the records stay in their lists).
  std::vector<std::pair<const TFileInfo*, const TFileInfo*>>* OtherCase = nullptr;

  void SetSourceFiles(TOwnedFileInfoList* value) { SourceFiles = value; }
  void SetDestFiles(TOwnedFileInfoList* value) { DestFiles = value; }
  void SetCopyFiles(TOwnedFileInfoList* value) { CopyFiles = value; }
  void SetBackupInfo(TBackupInfo* value) { BackupInfo = value; }
  void SetProgressForm(IProgress* value) { ProgressForm = value; }

  void Execute();
};

}  // namespace vog
