#pragma once
// What a plan finds in a plain item's destination that is not a plain copy of the source,
// and how the run puts it right:
// - the program's own temporary files an interrupted run left ("Vogmerist%%.$$$" and the
//   history marker's temporary): removed before anything else is written, never logged as
//   deleted and never kept as history. A history folder whose marker was still being
//   written is a history folder all the same: its marker is finished.
// - a folder or file renamed in letter case only in the source: renamed in the
//   destination too (an unchanged file is not written again, so nothing else would).
// - a folder the source replaced by a file (with mirroring): when its contents are to be
//   kept (KeepHistory, or it holds history folders of its own) the whole folder moves into
//   the history where a file of that name would go, since its history folders would
//   otherwise keep it from ever being removed. Without history its files are simply
//   mirrored away.
// - a file the source replaced by a folder (with mirroring): the folders phase 1 could not
//   make because the file stood there are made again once mirroring has removed it. With
//   history the file goes where its history belongs, or beside it under a free name when
//   a folder replaced earlier that day already stands there.
// So each change converges on the first run that sees it. The plan only looks; Execute
// changes the destination, reporting in the run's Problems.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "scan/FileInfoList.h"
#include "scan/FolderList.h"

namespace vog {

class TBackup;
class TBackupInfo;
class TBackupInfoAndFile;

// The name of the temporary file a history marker is written through.
std::wstring HistoryMarkerTempName();

class TDestinationShape {
public:
  // Plan, as soon as both listings are in: takes the temporary files of an earlier run out
  // of `destFiles` (unless the source has a file of that path: then it is data). The
  // record of a marker temporary in a folder without a marker stays, renamed as the
  // marker the run will finish, so the mirroring keeps that folder whole.
  void TakeLeftovers(TBackupInfo& item, const TOwnedFileInfoList& sourceFiles, TOwnedFileInfoList& destFiles);
  // Plan: a history folder of `item`'s separate HistoryFolder (with UseHistoryFolder, or
  // for an archived item) whose marker was still being written is noted, to be finished
  // like one in the destination; until it has its marker the expiry never removes it.
  void FindUnfinishedHistory(TBackupInfo& item);
  // Plan, after the comparison and the mirroring extraction: folders renamed in case,
  // folders replaced by files and files replaced by folders (from the run's MirrorFolders).
  void FindChanges(const TBackup& backup, TBackupInfoAndFile& pair, TOwnedFileInfoList& sourceFiles,
                   const TOwnedFileInfoList& destFiles, const TFolderList& sourceFolders,
                   const TFolderList& destFolders,
                   const std::vector<std::pair<const TFileInfo*, const TFileInfo*>>& filesInOtherCase);

  // Execute, before phase 1: removes the leftovers, finishes the markers, follows the
  // case of renamed folders.
  void Tidy(TBackup& backup);
  // Mirroring of `pair`'s plain files: moves its replaced folders into the history when
  // every file the plan listed below one is still to go, and its replaced files when they
  // are still to go. Returns what was moved: folders with their trailing "\" (the records
  // below them are done), files as they are.
  std::vector<std::wstring> SetAsideReplacedFolders(TBackup& backup, TBackupInfoAndFile& pair);
  // Whether a planned folder was blocked by a file that mirroring removes.
  bool FoldersBlocked() const noexcept { return foldersBlocked_; }

private:
  enum class TKind : uint8_t { TempFile, MarkerTemp, CaseRename, ReplacedFolder, ReplacedFile };
  struct TChange {
    TKind Kind;
    TBackupInfo* Item;
    std::wstring Path;             // the destination file or folder
    std::wstring NewPath;          // CaseRename: the folder's new spelling
    int32_t Time = 0;              // MarkerTemp: when the interrupted run wrote it (DOS time)
    int Files = 0;                 // ReplacedFolder: files the plan listed below it
    bool InHistoryFolder = false;  // below the item's HistoryFolder, not its DestFolder
  };
  std::vector<TChange> changes_;
  bool foldersBlocked_ = false;
};

}  // namespace vog
