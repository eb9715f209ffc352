// TBackup::Plan: per item, the source walk on its worker thread while the destination is
// read here, then the filters, the comparison, the new folders and the mirroring lists.
#include <algorithm>

#include "base/CodePage.h"
#include "base/Error.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "engine/ArchiveWork.h"
#include "engine/Backup.h"
#include "engine/BackupHistoryDatabase.h"
#include "engine/Containment.h"
#include "engine/TransferPaths.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "scan/FolderCompare.h"
#include "scan/FolderFilter.h"
#include "scan/FolderInfo.h"
#include "scan/FolderWalk.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"

namespace vog {

namespace {

constexpr std::wstring_view kSourceFolderMissing = L"バックアップ元のフォルダ名が設定されていません";
constexpr std::wstring_view kSourceCheckFailed = L"バックアップ元のファイルチェックに失敗しました";
constexpr std::wstring_view kSelectingFiles = L"対象ファイルを抽出しています";
constexpr std::wstring_view kComparingFiles = L"バックアップ元・先のファイルを比較しています";
constexpr std::wstring_view kExtractingMirrorFiles = L"ミラーリングで削除するファイルを抽出しています";

// Only these archive types are read entry by entry; any other is built anew every run.
bool IsListableArchive(const std::wstring& archiveName) {
  const size_t dot = archiveName.rfind(L'.');
  if (dot == std::wstring::npos) return false;
  const std::wstring extension = UpperText(std::wstring_view(archiveName).substr(dot));
  return extension == L".LZH" || extension == L".ZIP";
}

}  // namespace

void TBackup::Plan() {
  Stopped = false;
  try {
    for (int i = 0; i < Items.Count() && !Stopped; ++i) PlanItem(i, *Items[i]);
  } catch (...) {
    DiscardWorkCopies();  // nothing will be executed: the archives stay as they are
    throw;
  }
  if (Stopped) DiscardWorkCopies();
}

void TBackup::ScanDestination(TBackupInfoAndFile& pair, TOwnedFileInfoList& destFiles, TFolderList& destFolders) {
  TBackupInfo& item = *pair.Info;
  const TBackupCondition& condition = item.Condition;
  if (condition.CopyAll && !condition.Mirroring) return;  // every selected file is copied anyway
  std::wstring root = item.DestFolder;
  if (item.Archive) {
    const std::wstring archiveName = ExpandMacros(item.ArchiveName);
    if (!IsListableArchive(archiveName)) return;
    root += L"\\" + archiveName;
  }
  TFolderInfo scan;
  scan.SetFiles(&destFiles);
  scan.SetRootFolder(root);
  scan.SetFolders(&destFolders);
  scan.SetIncludeSubFolders(item.IncludeSubFolders);
  scan.SetUseHistoryDatabase(item.UseHistoryDatabase);
  scan.SetHistoryDatabase(HistoryDatabase);
  scan.SetSilent(Silent);
  scan.SetArchiveMode(item.Archive);
  scan.SetBackupInfo(&item);
  scan.SetAnimationModule(AnimationModule);
  if (item.Archive && item.Encrypt) {
    scan.SetEncrypted(true);
    scan.SetTempFileName(pair.TempArchive);
    scan.SetCipherKey(item.CipherKey.empty() ? pair.RunCipherKey : item.CipherKey);
  }
  scan.Execute();
  for (std::wstring& message : scan.RefusedEntries)
    Problems.Add(TProblemKind::Refused, pair.Info->Title, kOutsideDestinationCode, std::move(message));
  if (scan.Cancelled) Stopped = true;
}

void TBackup::PlanItem(int index, TBackupInfoAndFile& pair) {
  TBackupInfo& item = *pair.Info;
  // The working lists of this item; records not moved into the pair are freed with them.
  // Declared before the scan thread, so the thread (joined by its destructor, also when
  // an error leaves here) has ended before they go.
  TOwnedFileInfoList sourceFiles, destFiles;
  TFolderList sourceFolders, destFolders;

  if (item.Encrypt && item.Archive) {
    pair.TempArchive = CodePage().WideToAnsi(WorkCopyPath(index));
    SetAsideLeftoverWorkCopy(pair);
  }

  {
    TThreadFolderInfo thread(item.SourceFolder, &sourceFolders, &item, &sourceFiles, item.IncludeSubFolders);
    ScanDestination(pair, destFiles, destFolders);
    ProcessMessages();
    if (Stopped) {
      thread.Terminate();
      thread.WaitFor();
      return;
    }
    switch (thread.WaitFor()) {
      case TThreadFolderInfo::EmptyRootFolder:
        throw Error(std::wstring(kSourceFolderMissing));
      case TThreadFolderInfo::WalkFailed:
        throw Error(std::wstring(kSourceCheckFailed));
      default:
        break;
    }
    RecordSourceGaps(pair, thread.Gaps());
  }
  if (!item.Archive && !item.UseHistoryDatabase) Shape.TakeLeftovers(item, sourceFiles, destFiles);
  Shape.FindUnfinishedHistory(item);

  const TScopeExit closer([this] { CloseProgress(); });
  OpenProgress(kCheckingCaption, kCheckAnimationId, static_cast<int>(TAnimationKind::FindFolder));

  // Filters: the selected records replace the scanned ones.
  if (Progress) Progress->SetStateText(kSelectingFiles);
  ProcessMessages();
  {
    TOwnedFileInfoList selected;
    TFolderFilter filter;
    filter.SetTargetCondition(&item.TargetCondition);
    filter.SetExcludeCondition(&item.ExcludeCondition);
    filter.SetSourceFiles(&sourceFiles);
    filter.SetSelectedFiles(&selected);
    filter.SetProgressForm(Progress);
    filter.Execute();
    sourceFiles.TakeFrom(selected);
    if (filter.Cancelled) {
      Stopped = true;
      return;
    }
  }
  TStringFolderFilter folderFilter;
  folderFilter.SetExcludeCondition(&item.ExcludeCondition);
  folderFilter.SetFolders(&sourceFolders);
  folderFilter.SetSourceFolder(item.SourceFolder);
  folderFilter.SetProgressForm(Progress);
  folderFilter.Execute();
  if (folderFilter.Cancelled) {
    Stopped = true;
    return;
  }

  // Comparison and the folders the destination lacks.
  if (Progress) Progress->SetStateText(kComparingFiles);
  ProcessMessages();
  TFolderCompare compare;
  compare.SetSourceFiles(&sourceFiles);
  compare.SetDestFiles(&destFiles);
  compare.SetCopyFiles(&pair.CopyFiles);
  compare.SetBackupInfo(&item);
  compare.SetProgressForm(Progress);
  std::vector<std::pair<const TFileInfo*, const TFileInfo*>> otherCase;
  compare.OtherCase = &otherCase;
  compare.Execute();
  if (compare.Cancelled) Stopped = true;
  if (!Stopped && !item.UseHistoryDatabase && !item.Archive) {
    const std::vector<std::wstring_view> existing = SortedFolderPaths(destFolders);
    for (const TFolderEntry& folder : sourceFolders) {
      if (HasFolderPath(existing, folder.Path)) continue;
      NewFolders.Add(item.DestFolder + L"\\" + folder.Path, folder.Item);
      if (PollStop()) break;
    }
  }
  if (Stopped) return;

  if (item.Condition.Mirroring) {
    if (Progress) Progress->SetStateText(kExtractingMirrorFiles);
    ProcessMessages();
    ExtractMirrorFiles(pair, sourceFiles, destFiles, sourceFolders, destFolders);
    SpareSourceGaps(pair);
    pair.DestinationFileCount = CountGuardedDestinationFiles(destFiles);
    if (Stopped) return;
  }
  Shape.FindChanges(*this, pair, sourceFiles, destFiles, sourceFolders, destFolders, otherCase);

  SettleWorkCopy(pair);
}

}  // namespace vog
