#include "engine/DestinationShape.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "base/DateTime.h"
#include "base/Path.h"
#include "base/Text.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPaths.h"
#include "model/BackupInfo.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"

namespace vog {

std::vector<std::wstring_view> SortedFolderPaths(const TFolderList& folders);
bool HasFolderPath(const std::vector<std::wstring_view>& sorted, std::wstring_view path);

namespace {

std::wstring SystemText(uint32_t code) {
  if (IShell* shell = Platform().Shell.get()) return shell->ErrorMessage(code);
  return FallbackErrorMessage(code);
}

bool IsMissing(uint32_t code) { return code == err::FileNotFound || code == err::PathNotFound; }

int CountBelow(const TOwnedFileInfoList& records, const std::wstring& prefix) {
  int count = 0;
  for (const TFileInfo* record : records)
    if (StartsWithText(record->FullPath(), prefix)) ++count;
  return count;
}

bool Holds(const TOwnedFileInfoList& records, const std::wstring& path) {
  return std::any_of(records.begin(), records.end(),
                     [&path](const TFileInfo* record) { return SameText(record->FullPath(), path); });
}

// Whether `name` is `ours` whatever its letter case (a cheap length test first: this
// runs over every file of a source).
bool IsName(const std::wstring& name, std::wstring_view ours) {
  return name.size() == ours.size() && SameText(name, ours);
}

}  // namespace

std::wstring HistoryMarkerTempName() { return ReplacingTempName(std::wstring(kHistoryMarkerName)); }

void TDestinationShape::TakeLeftovers(TBackupInfo& item, const TOwnedFileInfoList& sourceFiles,
                                      TOwnedFileInfoList& destFiles) {
  const std::wstring markerTemp = HistoryMarkerTempName();
  std::unordered_set<const TFileInfo*> found;
  std::set<std::wstring, TextLess> marked;  // subfolders that hold a marker
  for (const TFileInfo* record : destFiles) {
    if (IsTempFileName(record->FileName) || record->FileName == markerTemp)
      found.insert(record);
    else if (record->FileName == kHistoryMarkerName)
      marked.insert(record->SubFolder());
  }
  if (found.empty()) return;
  // A file of the source under one of these names is the person's own data.
  std::set<std::wstring, TextLess> data;
  for (const TFileInfo* source : sourceFiles)
    if (IsTempFileName(source->FileName) || IsName(source->FileName, markerTemp))
      data.insert(source->RelativePath());

  destFiles.EditSlots([&](std::vector<std::unique_ptr<TFileInfo>>& slots) {
    for (auto& slot : slots) {
      TFileInfo* record = slot.get();
      if (!found.count(record) || data.count(record->RelativePath())) continue;
      // A marker is only ever written into a subfolder of the destination; one that was
      // being written when the run ended still makes its folder a history folder.
      const bool unfinished =
          record->FileName == markerTemp && !record->SubFolder().empty() && !marked.count(record->SubFolder());
      changes_.push_back(
          TChange{unfinished ? TKind::MarkerTemp : TKind::TempFile, &item, record->FullPath(), {}, record->Time, 0});
      if (unfinished) {
        record->FileName = kHistoryMarkerName;
        marked.insert(record->SubFolder());
      } else {
        slot.reset();
      }
    }
  });
}

void TDestinationShape::FindUnfinishedHistory(TBackupInfo& item) {
  if (!item.KeepHistory || !(item.UseHistoryFolder || item.Archive) || item.HistoryFolder.empty()) return;
  const std::wstring root = AddBackslash(item.HistoryFolder);
  const std::wstring markerTemp = HistoryMarkerTempName();
  std::vector<std::wstring> folders;
  std::unique_ptr<IFindHandle> handle;
  TFindData data;
  for (uint32_t code = Files().FindFirst(root + L"*.*", handle, data); code == err::Success; code = handle->Next(data))
    if ((data.Attr & attr::Directory) && data.Name != L"." && data.Name != L"..") folders.push_back(root + data.Name);
  handle.reset();
  for (const std::wstring& folder : folders) {
    const std::wstring temp = folder + L"\\" + markerTemp;
    TFindData info;
    if (PathExists(folder + L"\\" + std::wstring(kHistoryMarkerName)) || Files().GetInfo(temp, info) != err::Success)
      continue;
    // Items sharing a history folder note it once.
    if (std::any_of(changes_.begin(), changes_.end(), [&temp](const TChange& c) { return SameText(c.Path, temp); }))
      continue;
    int32_t time = 0;
    TryFileTimeToDos(Clock().UtcToLocal(info.LastWriteTime), time);
    changes_.push_back(TChange{TKind::MarkerTemp, &item, temp, {}, time, 0, true});
  }
}

void TDestinationShape::FindChanges(
    const TBackup& backup, TBackupInfoAndFile& pair, TOwnedFileInfoList& sourceFiles,
    const TOwnedFileInfoList& destFiles, const TFolderList& sourceFolders, const TFolderList& destFolders,
    const std::vector<std::pair<const TFileInfo*, const TFileInfo*>>& filesInOtherCase) {
  TBackupInfo& item = *pair.Info;
  if (item.Archive || item.UseHistoryDatabase) return;
  const std::wstring root = item.DestFolder + L"\\";

  // Folders whose name differs from the source's in letter case only.
  if (!destFolders.empty()) {
    const std::vector<std::wstring_view> dest = SortedFolderPaths(destFolders);
    for (const TFolderEntry& source : sourceFolders) {
      if (source.Path.empty()) continue;
      auto it = std::lower_bound(dest.begin(), dest.end(), std::wstring_view(source.Path),
                                 [](std::wstring_view a, std::wstring_view b) { return CompareText(a, b) < 0; });
      if (it == dest.end() || !SameText(*it, source.Path)) continue;
      const std::wstring_view name = NamePartOf(source.Path);
      if (NamePartOf(*it) == name) continue;  // only a parent differs: that parent has its own entry
      changes_.push_back(TChange{TKind::CaseRename, &item, root + std::wstring(*it),
                                 root + std::wstring(FolderPartOf(*it)) + std::wstring(name), 0, 0});
    }
  }
  for (const auto& [source, dest] : filesInOtherCase) {
    const std::wstring path = dest->FullPath();
    changes_.push_back(
        TChange{TKind::CaseRename, &item, path, std::wstring(FolderPartOf(path)) + source->FileName, 0, 0});
  }
  if (!item.Condition.Mirroring) return;

  // A file mirroring removes where the source now has a folder.
  if (!pair.MirrorFiles.Empty()) {
    const std::vector<std::wstring_view> folders = SortedFolderPaths(sourceFolders);
    for (const TFileInfo* record : pair.MirrorFiles) {
      if (!HasFolderPath(folders, record->RelativePath())) continue;
      foldersBlocked_ = true;
      if (item.KeepHistory) changes_.push_back(TChange{TKind::ReplacedFile, &item, record->FullPath(), {}, 0, 1});
    }
  }

  // A folder mirroring removes where the source now has a file.
  for (const TFolderEntry& folder : backup.MirrorFolders) {
    if (folder.Item != &item || !StartsWithText(folder.Path, root)) continue;
    if (!sourceFiles.ItemByRelativePath(std::wstring_view(folder.Path).substr(root.size()))) continue;
    const std::wstring prefix = folder.Path + L"\\";
    bool holdsHistory = false;
    for (const TFileInfo* record : destFiles)
      if (record->FileName == kHistoryMarkerName && StartsWithText(record->FullPath(), prefix)) holdsHistory = true;
    if (!item.KeepHistory && !holdsHistory) continue;  // deleting its files empties it
    changes_.push_back(TChange{TKind::ReplacedFolder, &item, folder.Path, {}, 0, CountBelow(pair.MirrorFiles, prefix)});
  }
}

void TDestinationShape::Tidy(TBackup& backup) {
  IFileSystem& files = Files();
  for (const TChange& change : changes_) {
    const TBackupInfo& item = *change.Item;
    if (change.Kind == TKind::ReplacedFolder || change.Kind == TKind::ReplacedFile ||
        !backup.GuardPath(change.Path, change.InHistoryFolder ? item.HistoryFolder : item.DestFolder))
      continue;
    if (change.Kind == TKind::CaseRename) {
      if (const uint32_t code = files.MoveEntry(change.Path, change.NewPath, false))
        backup.Problems.Add(TProblemKind::CaseNotFollowed, change.Path, code,
                            L"\"" + change.Path + L"\" の名前を \"" + std::wstring(NamePartOf(change.NewPath)) +
                                L"\" に変えられません。" + SystemText(code));
      continue;
    }
    const std::wstring folder(FolderPartOf(change.Path));
    const std::wstring folderPath = folder.substr(0, folder.size() - 1);
    uint32_t code = err::Success;
    if (change.Kind == TKind::MarkerTemp) {
      // Finish what the interrupted run was writing: its temporary becomes the marker, and
      // when that holds no date the marker is written anew with the time the temporary
      // was written (the interrupted run's day, which the expiry counts from).
      const std::wstring marker = folder + std::wstring(kHistoryMarkerName);
      code = files.MoveEntry(change.Path, marker, false);
      if (code == err::Success) {
        TDateTime date = 0;
        if (ReadHistoryMarkerDate(marker, date) != err::Success) {
          if (!TryDosToDateTime(change.Time, date)) date = backup.StartTime;
          WriteHistoryMarker(folderPath, date);
        }
        backup.Problems.Add(
            TProblemKind::Leftover, marker, 0,
            L"世代フォルダ \"" + folderPath + L"\" の管理ファイルは書き込み中に中断されていたため、書き直しました");
        continue;
      }
      if (code != err::AlreadyExists) {
        backup.Problems.Add(
            TProblemKind::Leftover, change.Path, code,
            L"世代フォルダ \"" + folderPath + L"\" の管理ファイルを書き直せません。" + SystemText(code));
        continue;
      }
      // A marker appeared meanwhile: the temporary is just a leftover.
    }
    code = DeleteFileForceCode(change.Path);
    if (IsMissing(code)) continue;
    backup.Problems.Add(TProblemKind::Leftover, change.Path, code,
                        code == err::Success
                            ? L"中断されたバックアップが残した一時ファイル \"" + change.Path + L"\" を削除しました"
                            : L"中断されたバックアップが残した一時ファイル \"" + change.Path +
                                  L"\" を削除できません。" + SystemText(code));
  }
}

std::vector<std::wstring> TDestinationShape::SetAsideReplacedFolders(TBackup& backup, TBackupInfoAndFile& pair) {
  std::vector<std::wstring> moved;
  THistoryMover history(backup.StartTime,
                        [](std::wstring_view path, std::wstring_view root) { return IsInsideFolder(path, root); });
  for (const TChange& change : changes_) {
    if (change.Item != pair.Info) continue;
    // What the preview or the mass-delete guard kept stays, and so does its folder.
    std::wstring done = change.Path;
    if (change.Kind == TKind::ReplacedFolder) {
      done += L'\\';
      if (!backup.MirrorFolders.Contains(change.Path) || CountBelow(pair.MirrorFiles, done) != change.Files) continue;
    } else if (change.Kind != TKind::ReplacedFile || !Holds(pair.MirrorFiles, change.Path)) {
      continue;
    }
    switch (history.MoveEntryToHistory(*change.Item, change.Path)) {
      case THistoryMove::Moved:
        moved.push_back(std::move(done));
        break;
      case THistoryMove::Refused:
        backup.GuardPath(history.RefusedPath(), history.RefusedRoot());
        break;
      default:
        // Then it goes the usual way; what still stands in the way fails, which shows.
        break;
    }
  }
  return moved;
}

}  // namespace vog
