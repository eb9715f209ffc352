// File transfer (phases 1 and 4 of Execute) and the history folder moves that mirroring
// calls, over the transfer functions (TransferPhase.h) and the history mover.
#include <thread>

#include "base/ScopeExit.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPhase.h"
#include "model/BackupInfo.h"
#include "platform/Codes.h"
#include "platform/Security.h"
#include "scan/Progress.h"

namespace vog {

namespace {

constexpr int kCopyAnimationResource = 70;

std::vector<TTransferItem> TransferItems(const TBackupInfoAndFileList& pairs) {
  std::vector<TTransferItem> items;
  items.reserve(static_cast<size_t>(pairs.Count()));
  for (const auto& pair : pairs) items.push_back({pair->Info, &pair->CopyFiles, pair->RunCipherKey});
  return items;
}

bool Inside(std::wstring_view path, std::wstring_view root) { return IsInsideFolder(path, root); }

}  // namespace

void TBackup::CreateDestinationFolders() {
  TAclCopy acl;
  TFolderOptions options;
  options.CopyAcl = CopyAcl && acl.Available();
  options.CopyCreationTime = CopyCreationTime;
  options.Silent = Silent;
  if (options.CopyAcl)
    options.CopyDacl = [&acl](const std::wstring& s, const std::wstring& t) { return acl.CopyDacl(s, t); };
  vog::CreateDestinationFolders(TransferItems(Items), options);
}

void TBackup::TransferFiles() {
  CloseProgress();
  if (!Silent) {
    progress_ = ProgressFactory().CreateProgress();
    Progress = progress_.get();
  }
  const TScopeExit close([this] { CloseProgress(); });

  TAclCopy acl;
  TFolderOptions folderOptions;
  folderOptions.CopyAcl = CopyAcl && acl.Available();
  folderOptions.CopyCreationTime = CopyCreationTime;
  folderOptions.Silent = Silent;
  if (folderOptions.CopyAcl)
    folderOptions.CopyDacl = [&acl](const std::wstring& s, const std::wstring& t) { return acl.CopyDacl(s, t); };
  if (AnimationModule) folderOptions.CopyAnimation = {TAnimationKind::Resource, kCopyAnimationResource};

  TTransferOptions options;
  options.Silent = Silent;
  options.CopyAcl = folderOptions.CopyAcl;
  options.CopyCreationTime = CopyCreationTime;
  options.RetryCount = RetryCount;
  options.RetryWaitSeconds = RetryWaitSeconds;
  options.Verify = Verify;
  THistoryMover history(StartTime, Inside);
  TFileTransfer transfer(CopiedFiles, ErrorFiles, options, Progress, history,
                         [this](const std::wstring& path, const std::wstring& root, const TFileInfo* record) {
                           return GuardPath(path, root, record);
                         });
  transfer.CopyDacl = folderOptions.CopyDacl;
  TWorkerSetup workers;
  workers.Threads = Threads;
  workers.StartTime = StartTime;
  workers.Inside = Inside;
  if (Threads <= 0) {
    const unsigned processors = std::thread::hardware_concurrency();
    workers.Window = [processors](const TBackupInfo& item) { return DefaultTransferThreads(item.DestFolder, processors); };
  }
  vog::TransferFiles(TransferItems(Items), NewFolders, transfer, folderOptions, Progress, &workers);
  // The file loop keeps its own stop flag, so a stop in mirroring stays reported after it.
  if (transfer.Stopped) Stopped = true;
  YesToAll = transfer.YesToAll;
  NoToAll = transfer.NoToAll;
}

uint32_t TBackup::MoveMirrorFileToHistory(TBackupInfoAndFile&, const TFileInfo& record) {
  const auto* file = dynamic_cast<const TBackupFileInfo*>(&record);
  if (!file || !file->BackupInfo) return err::InvalidParameter;
  THistoryMover history(StartTime, Inside);
  switch (history.MoveToHistory(*file)) {
    case THistoryMove::Moved:
      return err::Success;
    case THistoryMove::NoFile:
      return err::FileNotFound;
    case THistoryMove::Refused:
      Problems.Add(TProblemKind::Refused, history.RefusedPath(), kOutsideDestinationCode,
                   L"\"" + history.RefusedPath() + L"\" は \"" + history.RefusedRoot() + L"\" の外にあるため変更しません");
      return kOutsideDestinationCode;
    case THistoryMove::Failed:
      break;
  }
  return history.LastError();
}

}  // namespace vog
