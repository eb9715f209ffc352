#include "engine/HistoryFolders.h"

#include <cmath>

#include "base/Path.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "model/BackupInfo.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"
#include "scan/FileUtils.h"

namespace vog {

namespace {

std::wstring SystemText(uint32_t code) {
  if (IShell* shell = Platform().Shell.get()) return shell->ErrorMessage(code);
  return FallbackErrorMessage(code);
}

// A name a listing may hand out that still names a child of the listed folder.
bool IsChildName(std::wstring_view name) {
  if (name.empty() || name.find_first_of(std::wstring_view(L"\\/:\0", 4)) != std::wstring_view::npos) return false;
  return name.find_first_not_of(L". ") != std::wstring_view::npos;
}

// The listing of `folder`, taken whole and closed before the caller changes anything.
std::vector<TFindData> ListFolder(const std::wstring& folder) {
  std::vector<TFindData> entries;
  std::unique_ptr<IFindHandle> handle;
  TFindData data;
  for (uint32_t result = Files().FindFirst(folder + L"\\*.*", handle, data); result == err::Success;
       result = handle->Next(data))
    entries.push_back(data);
  return entries;
}

// Whether `kept`'s last write is known to be no later than `coming`'s (false when either
// cannot be read: the file is then kept rather than given up).
bool NoNewerThan(const std::wstring& kept, const std::wstring& coming) {
  TFindData a, b;
  if (Files().GetStatus(kept, a) != err::Success || Files().GetStatus(coming, b) != err::Success) return false;
  return a.LastWriteTime.Value <= b.LastWriteTime.Value;
}

}  // namespace

std::wstring FirstFreeNumberedName(const std::wstring& path) {
  std::wstring free;
  for (int n = 2; n < 1000 && (free.empty() || PathExists(free)); ++n) free = path + L" (" + std::to_wstring(n) + L")";
  return free;
}

std::wstring HistoryFolderName(std::wstring_view format, TDateTime startTime) {
  return FormatDateTime(format, startTime);
}

uint32_t WriteHistoryMarker(const std::wstring& folder, TDateTime startTime) {
  std::wstring text = FormatDateTime(L"yyyy/mm/dd hh:nn:ss", startTime);
  text += L"\r\n";
  text += folder;
  text += L"\r\n";
  return WriteFileReplacing(folder + L"\\" + std::wstring(kHistoryMarkerName), EncodeUtf16LeWithBom(text));
}

uint32_t ReadHistoryMarkerDate(const std::wstring& markerPath, TDateTime& date) {
  std::string bytes;
  if (const uint32_t code = ReadWholeFile(markerPath, bytes)) return code;
  const std::vector<std::wstring> lines = SplitLines(DecodeText(bytes, CodePage()));
  if (lines.empty()) return kMarkerWithoutDate;
  std::wstring_view first = lines.front();
  while (!first.empty() && first.back() == L' ') first.remove_suffix(1);
  while (!first.empty() && first.front() == L' ') first.remove_prefix(1);
  return TryParseDateTime(first, date) ? err::Success : kMarkerWithoutDate;
}

THistoryTarget PlainHistoryTarget(const TBackupInfo& item, std::wstring_view folderName, std::wstring_view destPath) {
  THistoryTarget target;
  std::wstring_view folder = FolderPartOf(destPath);
  const std::wstring_view name = NamePartOf(destPath);
  if (item.UseHistoryFolder) {
    target.Dated = AddBackslash(item.HistoryFolder);
    target.Dated += folderName;
    // The folder of the file without its drive or \\server\share part and the "\" after it.
    std::wstring_view rest = folder.substr(std::min(folder.size(), PathRoot(folder).size()));
    while (!rest.empty() && rest.front() == L'\\') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
    target.Folder = target.Dated;
    if (!rest.empty()) {
      target.Folder += L'\\';
      target.Folder += rest;
    }
  } else {
    target.Folder.assign(folder);
    target.Folder += folderName;
  }
  target.File.reserve(target.Folder.size() + 1 + name.size());
  target.File = target.Folder;
  target.File += L'\\';
  target.File += name;
  return target;
}

THistoryMover::THistoryMover(TDateTime startTime, TInsideCheck inside)
    : startTime_(startTime), inside_(std::move(inside)) {}

const std::wstring& THistoryMover::FolderNameOf(const TBackupInfo& item) {
  if (nameItem_ != &item || nameFormat_ != item.HistoryFolderFormat) {
    nameItem_ = &item;
    nameFormat_ = item.HistoryFolderFormat;
    folderName_ = HistoryFolderName(nameFormat_, startTime_);
  }
  return folderName_;
}

std::wstring THistoryMover::DestinationPath(const TBackupFileInfo& record) const { return DestinationPathOf(record); }

THistoryTarget THistoryMover::TargetOf(const TBackupFileInfo& record) {
  return PlainHistoryTarget(*record.BackupInfo, FolderNameOf(*record.BackupInfo), DestinationPath(record));
}

bool THistoryMover::Allowed(const TBackupInfo& item, const std::wstring& destPath, const THistoryTarget& target) {
  if (!inside_) return true;
  const std::wstring& historyRoot = item.UseHistoryFolder ? item.HistoryFolder : item.DestFolder;
  if (!inside_(destPath, item.DestFolder)) {
    refused_ = destPath;
    refusedRoot_ = item.DestFolder;
    return false;
  }
  if (!inside_(target.File, historyRoot)) {
    refused_ = target.File;
    refusedRoot_ = historyRoot;
    return false;
  }
  return true;
}

void MakeHistoryFolder(const std::wstring& folder, TDateTime startTime) {
  if (PathExists(folder)) return;
  if (MakeFolderWithParents(folder) == err::Success) WriteHistoryMarker(folder, startTime);
}

THistoryMove THistoryMover::MoveToHistory(const TBackupFileInfo& record, THistoryUndo* undo) {
  if (!record.BackupInfo) return THistoryMove::NoFile;
  THistoryUndo local;
  THistoryUndo& step = undo ? *undo : local;
  step = THistoryUndo{DestinationPath(record), {}, {}, false};
  IFileSystem& files = Files();
  uint32_t attributes = 0;
  if (files.GetAttributes(step.Dest, attributes) != err::Success || (attributes & attr::Directory))
    return THistoryMove::NoFile;
  const TBackupInfo& item = *record.BackupInfo;
  const THistoryTarget target = TargetOf(record);
  if (!Allowed(item, step.Dest, target)) return THistoryMove::Refused;
  if (madeFolder_ != target.Folder) {
    std::unique_lock<TMutex> made;
    if (folderLock_) made = std::unique_lock(*folderLock_);
    if (!target.Dated.empty()) MakeHistoryFolder(target.Dated, startTime_);
    MakeHistoryFolder(target.Folder, startTime_);
    madeFolder_ = target.Folder;
  }
  step.File = target.File;
  lastError_ = files.MoveEntry(step.Dest, step.File, false);
  if (lastError_ == err::AlreadyExists || lastError_ == err::FileExists) {
    // An earlier run of the same day left a version here: the newer one wins, but the
    // earlier one is only renamed aside until this move has succeeded (a locked file
    // would otherwise cost both). A file there newer than the one coming is no earlier
    // version of a run (a restore in place keeps the person's own file there, found
    // nowhere else): it is set aside for good under the first free "name (n)".
    const bool keep = !NoNewerThan(step.File, step.Dest);
    const std::wstring aside = keep ? FirstFreeNumberedName(step.File) : TempPathIn(target.Folder, tempName_);
    lastError_ = files.MoveEntry(step.File, aside, !keep);
    if (lastError_ == err::Success) {
      lastError_ = files.MoveEntry(step.Dest, step.File, false);
      if (lastError_ == err::Success) {
        step.Aside = aside;
        step.KeepAside = keep;
      } else {
        files.MoveEntry(aside, step.File, false);
      }
    }
  }
  if (lastError_ != err::Success) return THistoryMove::Failed;
  step.Moved = true;
  if (!undo) Keep(step);
  return THistoryMove::Moved;
}

void THistoryMover::Keep(THistoryUndo& undo) {
  if (!undo.Aside.empty() && !undo.KeepAside) DeleteFileForce(undo.Aside);
  undo = THistoryUndo{};
}

uint32_t THistoryMover::Undo(THistoryUndo& undo) {
  if (!undo.Moved) return err::Success;
  IFileSystem& files = Files();
  const uint32_t code = files.MoveEntry(undo.File, undo.Dest, false);
  // When the file cannot go back it stays in the history folder, and so does the
  // earlier version under its temporary name: nothing is deleted.
  if (code == err::Success && !undo.Aside.empty()) files.MoveEntry(undo.Aside, undo.File, false);
  undo = THistoryUndo{};
  return code;
}

THistoryMove THistoryMover::MoveEntryToHistory(const TBackupInfo& item, const std::wstring& path) {
  IFileSystem& files = Files();
  if (!PathExists(path)) return THistoryMove::NoFile;
  THistoryTarget target = PlainHistoryTarget(item, FolderNameOf(item), path);
  if (!Allowed(item, path, target)) return THistoryMove::Refused;
  if (!target.Dated.empty()) MakeHistoryFolder(target.Dated, startTime_);
  MakeHistoryFolder(target.Folder, startTime_);
  madeFolder_.clear();
  if (PathExists(target.File)) target.File = FirstFreeNumberedName(target.File);
  lastError_ = files.MoveEntry(path, target.File, false);
  return lastError_ == err::Success ? THistoryMove::Moved : THistoryMove::Failed;
}

void TRemoveOverrideHistoryFolder::Execute() {
  removed_.clear();
  problems_.clear();
  if (KeepDays < 1 || Folder.empty()) return;
  today_ = std::floor(Clock().Now());
  std::wstring root = Folder;
  while (root.size() > 1 && root.back() == L'\\') root.pop_back();
  if (!SeparateFolder) {
    Walk(root, 0);
    return;
  }
  for (const TFindData& entry : ListFolder(root)) {
    if (!(entry.Attr & attr::Directory) || (entry.Attr & attr::ReparsePoint) || !IsChildName(entry.Name)) continue;
    if (!CurrentFolderName.empty() && SameText(entry.Name, CurrentFolderName)) continue;
    const std::wstring folder = root + L"\\" + entry.Name;
    const std::wstring marker = folder + L"\\" + std::wstring(kHistoryMarkerName);
    // A folder without a marker is not ours, whatever it holds.
    if (!PathExists(marker)) continue;
    if (Expired(marker, entry.LastWriteTime)) Remove(folder);
  }
}

void TRemoveOverrideHistoryFolder::Walk(const std::wstring& folder, int depth) {
  const std::vector<TFindData> entries = ListFolder(folder);
  if (depth > 0 && !(!CurrentFolderName.empty() && SameText(NamePartOf(folder), CurrentFolderName))) {
    for (const TFindData& entry : entries) {
      if ((entry.Attr & attr::Directory) || !SameText(entry.Name, kHistoryMarkerName)) continue;
      if (Expired(folder + L"\\" + entry.Name, entry.LastWriteTime)) {
        Remove(folder);
        return;
      }
      break;
    }
  }
  for (const TFindData& entry : entries) {
    if (!(entry.Attr & attr::Directory) || (entry.Attr & attr::ReparsePoint) || !IsChildName(entry.Name)) continue;
    Walk(folder + L"\\" + entry.Name, depth + 1);
  }
}

bool TRemoveOverrideHistoryFolder::Expired(const std::wstring& markerPath, TFileTime fallbackUtc) {
  TDateTime date = 0;
  const uint32_t code = ReadHistoryMarkerDate(markerPath, date);
  if (code == kMarkerWithoutDate) {
    date = FileTimeToDateTime(Clock().UtcToLocal(fallbackUtc));
  } else if (code != err::Success) {
    problems_.push_back(L"ファイル \"" + markerPath + L"\" は開けません。" + SystemText(code));
    return false;
  }
  return std::floor(date) + KeepDays < today_;
}

void TRemoveOverrideHistoryFolder::Remove(const std::wstring& folder) {
  DeleteFolderTree(folder);
  removed_.push_back(folder);
}

}  // namespace vog
