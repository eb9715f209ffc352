#pragma once
// History (generation) folders: a destination file that a run is about to overwrite, or
// that mirroring is about to delete, is first moved into a folder named after the day of
// the run. Every history folder the engine creates holds a marker file, which is what
// makes a folder a history folder for the scans, the mirroring and the expiry.
//
// History path of a destination file p of a plain item:
// - UseHistoryFolder off: folder of p + history folder name + "\" + name of p;
// - UseHistoryFolder on: HistoryFolder + "\" + history folder name + "\" + folder of p
//   without its drive or \\server\share part + "\" + name of p.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTime.h"
#include "engine/Backup.h"
#include "engine/TransferPaths.h"
#include "platform/Sync.h"

namespace vog {

class TBackupInfo;
class TBackupFileInfo;

// The name of the run's history folders: `startTime` formatted with the item's
// HistoryFolderFormat ("'世代' yyyy-mm-dd" gives 世代 2009-01-02).
std::wstring HistoryFolderName(std::wstring_view format, TDateTime startTime);

// Writes the marker into `folder`, replacing an existing one: UTF-16LE with a byte-order
// mark, two lines ended by CR LF: `startTime` as "yyyy/mm/dd hh:nn:ss" and the folder's own
// path. Returns 0 or the code of the failure (callers ignore it).
uint32_t WriteHistoryMarker(const std::wstring& folder, TDateTime startTime);

// What ReadHistoryMarkerDate gives for a marker that was read but holds no date
// (Windows' "the data is invalid").
inline constexpr uint32_t kMarkerWithoutDate = 13;
// Creates `folder` with its missing parents and writes the marker into it, when it did not
// exist. Failures are ignored: the move or extraction that follows reports its own.
void MakeHistoryFolder(const std::wstring& folder, TDateTime startTime);

// The date in a marker file: 0 and the first line read as a date-time; kMarkerWithoutDate
// when the file was read but its first line is no date; otherwise the code of the failed
// read.
uint32_t ReadHistoryMarkerDate(const std::wstring& markerPath, TDateTime& date);

// Where a plain item's destination file goes in the history.
struct THistoryTarget {
  std::wstring Dated;   // HistoryFolder + "\" + name with UseHistoryFolder, else empty
  std::wstring Folder;  // the folder the file moves into
  std::wstring File;    // Folder + "\" + name of the file
};
THistoryTarget PlainHistoryTarget(const TBackupInfo& item, std::wstring_view folderName, std::wstring_view destPath);

enum class THistoryMove {
  NoFile,   // there was nothing to move
  Moved,    // the file is at its new place
  Failed,   // the move failed; the file stays where it was
  Refused,  // a path lay outside the item's destination or history folder: nothing was done
};

// One move into the history folder that may still be taken back: where the file was,
// where it is now, and the version an earlier run of the same day had put there, renamed
// aside until the move is kept.
struct THistoryUndo {
  std::wstring Dest;
  std::wstring File;
  std::wstring Aside;  // "" when there was no earlier version
  bool Moved = false;
  bool KeepAside = false;  // Aside is a file kept for good under a numbered name
};

// The first of "<path> (2)", "<path> (3)", ... that names nothing yet.
std::wstring FirstFreeNumberedName(const std::wstring& path);

// Moves destination files of one run into their history folders and back. The run's
// StartTime names the folders.
class THistoryMover {
public:
  THistoryMover(TDateTime startTime, TInsideCheck inside);

  // For the movers of a transfer's workers: the temporary name an earlier version is set
  // aside under (WorkerTempName), and the lock they share while a history folder and its
  // marker are made, so four workers moving files into one new folder make it once.
  void SetTempName(std::wstring name) { tempName_ = std::move(name); }
  void ShareFolderLock(TMutex* lock) { folderLock_ = lock; }

  // Moves the existing file DestinationRoot(record) + "\" + RelativePath into its history
  // path, creating the folders (each new one with its marker) on the way. A file already
  // at the history path (an earlier run of the same day) gives way to the newer version,
  // but only once the move has succeeded: it is renamed aside first and comes back when
  // the move fails. With `undo`, the earlier version stays aside until Keep or Undo (the
  // caller's write may still fail); without, the move is kept at once.
  THistoryMove MoveToHistory(const TBackupFileInfo& record, THistoryUndo* undo = nullptr);
  // The write that followed the move is in place: the earlier version set aside goes.
  static void Keep(THistoryUndo& undo);
  // The write failed: the moved file goes back to its place and the earlier version back
  // to the history folder. Nothing is deleted; 0 or the code of the failed move back.
  static uint32_t Undo(THistoryUndo& undo);
  // Moves a destination file or a whole folder of `item` into the history, where a file of
  // that path goes (so the history of a folder X\a.txt ends up at <history>\X\a.txt,
  // beside the history of a file X). When an earlier run of the day left something there,
  // it takes the first free name "X (2)", "X (3)", ...: a folder and a file that replaced
  // each other on one day both stay.
  THistoryMove MoveEntryToHistory(const TBackupInfo& item, const std::wstring& path);

  // The destination path and history target of a record.
  std::wstring DestinationPath(const TBackupFileInfo& record) const;
  THistoryTarget TargetOf(const TBackupFileInfo& record);
  // The path a refused move named and the folder it lies outside of.
  const std::wstring& RefusedPath() const { return refused_; }
  const std::wstring& RefusedRoot() const { return refusedRoot_; }
  // The code of the last failed move.
  uint32_t LastError() const { return lastError_; }
  TDateTime StartTime() const { return startTime_; }

private:
  const std::wstring& FolderNameOf(const TBackupInfo& item);
  bool Allowed(const TBackupInfo& item, const std::wstring& destPath, const THistoryTarget& target);

  TDateTime startTime_;
  TInsideCheck inside_;
  const TBackupInfo* nameItem_ = nullptr;
  std::wstring nameFormat_;
  std::wstring folderName_;
  std::wstring madeFolder_;  // the folder last made or found, so a folder is checked once in a row
  std::wstring tempName_{kTempFileName};
  TMutex* folderLock_ = nullptr;
  std::wstring refused_;
  std::wstring refusedRoot_;
  uint32_t lastError_ = 0;
};

// Removes the history folders older than KeepDays days below one folder: the item's
// HistoryFolder (SeparateFolder) or its DestFolder. A folder expires when its date (the
// marker's first line; when that is no date, the last-write date of the folder in a
// separate history folder, else of the marker) + KeepDays is before today.
//
// Only folders that hold a marker are ever removed, never `Folder` itself and never a
// folder named CurrentFolderName (the folder the coming run writes to). A marker that
// cannot be read leaves its folder in place and adds a message naming it to Problems, so
// one damaged folder neither ends every later run nor goes unnoticed.
class TRemoveOverrideHistoryFolder {
public:
  std::wstring Folder;
  int32_t KeepDays = 0;
  bool SeparateFolder = false;
  std::wstring CurrentFolderName;

  void SetFolder(const std::wstring& value) { Folder = value; }
  void SetKeepDays(int32_t value) { KeepDays = value; }
  void SetSeparateFolder(bool value) { SeparateFolder = value; }
  void SetCurrentFolderName(const std::wstring& value) { CurrentFolderName = value; }

  void Execute();

  const std::vector<std::wstring>& Removed() const { return removed_; }
  const std::vector<std::wstring>& Problems() const { return problems_; }

private:
  // Whether the folder holding `markerPath` has expired; false (with a problem noted)
  // when the marker cannot be read at all.
  bool Expired(const std::wstring& markerPath, TFileTime fallbackUtc);
  void Remove(const std::wstring& folder);
  void Walk(const std::wstring& folder, int depth);

  TDateTime today_ = 0;
  std::vector<std::wstring> removed_;
  std::vector<std::wstring> problems_;
};

}  // namespace vog
