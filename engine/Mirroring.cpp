// Mirroring: the extraction of what the destination holds and the source no longer has
// (during Plan), and phase 2 of Execute, which removes it: archive entries, plain files,
// then folders.
//
// A mirrored file that cannot be deleted (or moved to the history folder) goes to
// ErrorFiles with its Windows code and leaves MirrorFiles, so the log and the result
// window show that the destination still holds it; files a stop left untouched leave
// MirrorFiles too. After the phase a plain item's MirrorFiles holds exactly what went.
#include <algorithm>

#include "base/ScopeExit.h"
#include "base/Text.h"
#include "engine/ArchiveWork.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/TransferPaths.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "scan/FolderInfo.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "services/archive/ArchiveFile.h"

namespace vog {

namespace {

constexpr std::wstring_view kMirroringCaption = L"ミラーリング中...";
constexpr int kDeleteAnimationId = 71;

// The folder part of a record's full path, with its trailing "\".
std::wstring FolderWithBackslash(const TFileInfo& record) {
  std::wstring folder = record.RootFolder();
  if (!record.SubFolder().empty()) {
    folder += record.SubFolder();
    folder += L'\\';
  }
  return folder;
}

bool IsGone(const std::wstring& path) {
  uint32_t attributes = 0;
  const uint32_t code = Files().GetAttributes(path, attributes);
  return code == err::FileNotFound || code == err::PathNotFound;
}

}  // namespace

void TBackup::ExtractMirrorFiles(TBackupInfoAndFile& pair, TOwnedFileInfoList& sourceFiles,
                                 TOwnedFileInfoList& destFiles, const TFolderList& sourceFolders,
                                 const TFolderList& destFolders) {
  TBackupInfo& item = *pair.Info;
  // 1. Destination files the filtered source lacks.
  for (TFileInfo* dest : destFiles) {
    if (sourceFiles.ItemWithRelativePathOf(*dest)) continue;
    auto record = std::make_unique<TBackupFileInfo>();
    record->Assign(*dest);
    pair.MirrorFiles.Add(std::move(record));
    if (PollStop()) return;
  }
  // 2. Destination folders the source lacks (a database lists no folders). The item's
  // destination folder itself is never removed.
  if (!item.UseHistoryDatabase) {
    const std::vector<std::wstring_view> existing = SortedFolderPaths(sourceFolders);
    for (const TFolderEntry& folder : destFolders) {
      if (folder.Path.empty() || HasFolderPath(existing, folder.Path)) continue;
      MirrorFolders.Add(item.DestFolder + L"\\" + folder.Path, folder.Item);
      if (PollStop()) return;
    }
  }
  // 3. History folders (holding the marker file) stay whole: every file below one, and the
  // folder itself and every folder below it.
  std::vector<std::wstring> historyFolders;
  for (TFileInfo* record : pair.MirrorFiles) {
    if (record->FileName != kHistoryMarkerName) continue;
    historyFolders.push_back(FolderWithBackslash(*record));
    if (PollStop()) return;
  }
  if (historyFolders.empty()) return;
  auto insideHistory = [&historyFolders](std::wstring_view path) {
    return std::any_of(historyFolders.begin(), historyFolders.end(),
                       [path](const std::wstring& folder) { return StartsWithText(path, folder); });
  };
  pair.MirrorFiles.EditSlots([&](std::vector<std::unique_ptr<TFileInfo>>& slots) {
    for (auto& slot : slots)
      if (insideHistory(slot->FullPath())) slot.reset();
  });
  for (int i = MirrorFolders.Count() - 1; i >= 0; --i) {
    if (MirrorFolders[i].Item != &item) continue;
    const std::wstring withSlash = MirrorFolders[i].Path + L"\\";
    if (insideHistory(withSlash)) MirrorFolders.Delete(i);
  }
}

void TBackup::DeleteMirrorFiles() {
  CloseProgress();
  const TScopeExit closer([this] { CloseProgress(); });
  if (!Silent && Items.AnyMirrorFiles()) {
    OpenProgress(kMirroringCaption, kDeleteAnimationId, static_cast<int>(TAnimationKind::DeleteFile));
    ProcessMessages();
  }
  for (const auto& pair : Items) {
    if (pair->Info->Archive && pair->Info->Condition.Mirroring) DeleteMirroredArchiveEntries(*pair);
  }
  for (const auto& pair : Items) {
    if (pair->Info->Archive) continue;
    if (Stopped) {
      pair->MirrorFiles.Clear();  // not reached: nothing of it was deleted
      continue;
    }
    DeleteMirroredPlainFiles(*pair);
  }
  if (!Stopped) RemoveMirrorFolders();
}

void TBackup::DeleteMirroredArchiveEntries(TBackupInfoAndFile& pair) {
  TBackupInfo& item = *pair.Info;
  if (pair.MirrorFiles.Empty()) return;
  auto failAll = [this, &pair](uint32_t code) {
    for (TFileInfo* record : pair.MirrorFiles) RecordError(*record, code);
    pair.MirrorFiles.Clear();
  };
  if (item.KeepHistory) {
    if (const uint32_t code = SaveMirroredEntriesToHistory(pair)) return failAll(code);
  }
  std::vector<std::wstring> names;
  for (int i = 0; i < pair.MirrorFiles.Count();) {
    TFileInfo* record = pair.MirrorFiles[i];
    const std::wstring name = record->FullPath();
    if (!IsSafeRelativeName(name)) {
      RecordError(*record, kOutsideDestinationCode);
      Problems.Add(TProblemKind::Refused, name, kOutsideDestinationCode,
                   L"書庫の項目 \"" + name + L"\" は使えない名前のため削除しません");
      pair.MirrorFiles.Delete(i);
      continue;
    }
    names.push_back(name);
    ++i;
  }
  if (names.empty()) return;
  const bool encrypted = item.Encrypt && !pair.TempArchive.empty();
  const std::wstring archivePath =
      encrypted ? CodePage().AnsiToWide(pair.TempArchive) : item.DestFolder + L"\\" + ExpandMacros(item.ArchiveName);
  const std::wstring root = encrypted ? WorkRootOf(WorkFolder) : item.DestFolder;
  if (!GuardPath(archivePath, root)) return failAll(kOutsideDestinationCode);
  TArchiveFile archive;
  archive.SetFileName(archivePath);
  archive.Options.KeepPaths = archive.Options.KeepAttributes = archive.Options.IgnoreMissing = true;
  archive.Options.WorkFolder = WorkFolder;
  // A delete that fails leaves the entries in the archive: they are reported, not logged
  // as deleted.
  if (const uint32_t code = archive.Delete(item.SourceFolder, names)) failAll(code);
  ProcessMessages();
}

void TBackup::DeleteMirroredPlainFiles(TBackupInfoAndFile& pair) {
  TBackupInfo& item = *pair.Info;
  // Folders the source replaced by files went into the history whole, with their files,
  // and files the source replaced by folders went there too.
  const std::vector<std::wstring> movedAside = Shape.SetAsideReplacedFolders(*this, pair);
  for (int i = 0; i < pair.MirrorFiles.Count();) {
    if (Progress && PollStop()) {
      // What a stop left untouched is still in the destination: it must not be logged
      // as deleted nor leave the history database.
      pair.MirrorFiles.EditSlots([i](std::vector<std::unique_ptr<TFileInfo>>& slots) { slots.resize(i); });
      return;
    }
    TFileInfo* record = pair.MirrorFiles[i];
    const std::wstring path = record->FullPath();
    if (std::any_of(movedAside.begin(), movedAside.end(), [&path](const std::wstring& moved) {
          return moved.back() == L'\\' ? StartsWithText(path, moved) : SameText(path, moved);
        })) {
      ++i;
      continue;
    }
    if (!GuardPath(path, item.DestFolder, record)) {
      pair.MirrorFiles.Delete(i);
      continue;
    }
    uint32_t code = item.KeepHistory ? MoveMirrorFileToHistory(pair, *record) : DeleteFileForceCode(path);
    // A file already gone (deleted by hand, or still listed by the history database) is
    // what mirroring wants: it counts as deleted, so it leaves the database too.
    if (code != err::Success && IsGone(path)) code = err::Success;
    if (code != err::Success) {
      RecordError(*record, code);
      pair.MirrorFiles.Delete(i);
    } else {
      ++i;
    }
    ProcessMessages();
  }
}

void TBackup::RemoveMirrorFolders() {
  IFileSystem& files = Files();
  // From the last to the first: in sorted order a subfolder comes after its parent.
  for (int i = MirrorFolders.Count() - 1; i >= 0; --i) {
    if (Progress && PollStop()) return;
    const TFolderEntry& folder = MirrorFolders[i];
    if (!folder.Item || !GuardPath(folder.Path, folder.Item->DestFolder)) continue;
    // Only an empty folder goes; one that still holds something stays without a report
    // (its files were reported when they failed).
    if (files.RemoveFolder(folder.Path) != err::Success) {
      uint32_t attributes = 0;
      if (files.GetAttributes(folder.Path, attributes) == err::Success && (attributes & attr::ReadOnly) &&
          files.SetAttributes(folder.Path, attributes & ~attr::ReadOnly) == err::Success) {
        files.RemoveFolder(folder.Path);
      }
    }
    ProcessMessages();
  }
}

}  // namespace vog
