#include "scan/FolderWalk.h"

#include <algorithm>
#include <memory>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Platform.h"

namespace vog {

namespace {
// The network name is no longer available (a share that went away during the walk).
constexpr uint32_t kNetNameDeleted = 64;
}  // namespace

std::wstring FolderCheckFailedMessage(uint32_t code) {
  return L"フォルダのチェックに失敗しました[" + IntToText(code) + L"]\r\nフォルダが壊れている可能性があります";
}

void TFolderWalk::Run() {
  stopped_ = false;
  LastError = 0;
  // A root given with its trailing "\" (a drive root such as D:\) is walked without it,
  // so that no path gets a doubled separator.
  std::wstring root = RootFolder;
  if (!root.empty() && root.back() == L'\\') root.pop_back();
  root_ = MakeSharedText(root + L"\\");
  times_.Clear();
  Gaps.clear();
  ancestors_.clear();
  TFileIdentity identity;
  identities_ = CheckIdentities && vog::Files().GetFolderIdentity(root, identity) == err::Success;
  if (identities_) ancestors_.push_back(identity);
  Walk(root, std::wstring(), nullptr);
}

void TFolderWalk::Walk(const std::wstring& folder, const std::wstring& relative, const TSharedText& sharedRelative) {
  IFileSystem& files = vog::Files();
  std::unique_ptr<IFindHandle> handle;
  TFindData data;
  LastError = files.FindFirst(folder + L"\\*.*", handle, data);
  // A listing that breaks after it began is never taken as complete: a source listed in
  // part would let mirroring delete the copies of the files it left out.
  const bool opened = LastError == err::Success;
  while (LastError == err::Success) {
    if (stopped_ || (StopCheck && StopCheck())) {
      stopped_ = true;
      LastError = err::NoMoreFiles;  // unwind as if the listing were complete
      break;
    }
    if (data.Attr & attr::Directory) {
      if (IncludeSubFolders) {
        if (data.Name == L".") {
          if (Folders) Folders->push_back(TFolderEntry{relative, BackupInfo});
        } else if (data.Name != L"..") {
          std::wstring child = relative.empty() ? data.Name : relative + L"\\" + data.Name;
          const std::wstring path = folder + L"\\" + data.Name;
          if ((data.Attr & attr::ReparsePoint) || LoopsBack(path)) {
            Gaps.push_back(TWalkGap{std::move(child), 0, true});
          } else {
            Walk(path, child, MakeSharedText(child));
            if (identities_) ancestors_.pop_back();
          }
        }
      }
    } else {
      auto record = std::make_unique<TBackupFileInfo>();
      record->SetPath(root_, sharedRelative, data.Name);
      record->Time = times_.DosTime(data.LastWriteTime);
      record->Size = data.Size;
      // A file link is backed up as the file it points to.
      record->Attr = data.Attr & ~attr::ReparsePoint;
      record->BackupInfo = BackupInfo;
      TBackupFileInfo& added = *record;
      this->Files->Add(std::move(record));
      if (AfterFile) AfterFile(added);
    }
    LastError = handle->Next(data);
  }
  handle.reset();
  switch (LastError) {
    case err::NoMoreFiles:
      return;
    case err::BadNetPath:
    case err::NetworkBusy:
    case kNetNameDeleted:
    case err::UnexpectedNetworkError:
    case err::DirectoryUnreadable:
    case err::FileCorrupt:
    case err::DiskCorrupt:
      throw Error(FolderCheckFailedMessage(LastError));
    case err::FileNotFound:
    case err::PathNotFound:
      if (opened) throw Error(FolderCheckFailedMessage(LastError));
      return;  // gone since its parent was listed (or a missing root): nothing to keep
    default:
      if (opened) throw Error(FolderCheckFailedMessage(LastError));
      Gaps.push_back(TWalkGap{relative, LastError, false});
      return;  // the parent goes on; the run reports the folder and spares its copies
  }
}

bool TFolderWalk::LoopsBack(const std::wstring& path) {
  if (!identities_) return false;
  TFileIdentity identity;
  // A folder whose identity cannot be read is walked as usual and matches nothing.
  if (vog::Files().GetFolderIdentity(path, identity) != err::Success) {
    ancestors_.push_back(std::nullopt);
    return false;
  }
  if (std::find(ancestors_.begin(), ancestors_.end(), std::optional(identity)) != ancestors_.end()) return true;
  ancestors_.push_back(identity);
  return false;
}

TThreadFolderInfo::TThreadFolderInfo(const std::wstring& root, TFolderList* folders, TBackupInfo* backupInfo,
                                     TOwnedFileInfoList* files, bool includeSubFolders)
    : RootFolder(root), Folders(folders), Files(files), IncludeSubFolders(includeSubFolders), BackupInfo(backupInfo) {
  thread_ = std::thread([this] { Execute(); });
}

TThreadFolderInfo::~TThreadFolderInfo() {
  if (thread_.joinable()) {
    Terminate();
    thread_.join();
  }
}

int TThreadFolderInfo::WaitFor() {
  if (thread_.joinable()) thread_.join();
  return exitValue_;
}

void TThreadFolderInfo::Execute() {
  if (RootFolder.empty()) {
    exitValue_ = EmptyRootFolder;
    return;
  }
  TFolderWalk walk;
  walk.RootFolder = RootFolder;
  walk.Folders = Folders;
  walk.Files = Files;
  walk.IncludeSubFolders = IncludeSubFolders;
  walk.BackupInfo = BackupInfo;
  // No identity checks here: under Wine they tripled the planning of a 20,000-file tree
  // (an open per folder), and the reparse-point check already stops the links a listing
  // shows.
  walk.StopCheck = [this] { return terminated_.load(std::memory_order_relaxed); };
  try {
    walk.Run();
    exitValue_ = Success;
  } catch (...) {
    // The message is not kept: the planning words its own.
    exitValue_ = WalkFailed;
  }
  lastError_ = walk.LastError;
  gaps_ = std::move(walk.Gaps);
}

}  // namespace vog
