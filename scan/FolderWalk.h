#pragma once
// The recursive folder walk that lists a tree into file records and folder entries, and
// TThreadFolderInfo, the worker thread that walks an item's source folder while the main
// thread reads the destination.
//
// Error rules of the walk: the end of a listing (18) ends a folder normally; a network or
// corruption failure (53, 54, 59, 64, 1005, 1392, 1393) raises
// "フォルダのチェックに失敗しました[<code>]" CR LF "フォルダが壊れている可能性があります"
// out of every level, and so does any failure in the middle of a listing that had begun
// (a partly listed source would let mirroring delete copies of the files left out); a
// folder that cannot be opened at all (missing, access denied, ...) ends quietly and the
// walk goes on with the parent's next entry, so a missing root gives empty lists.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "scan/FileInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FolderList.h"
#include "scan/RecordTime.h"

namespace vog {

class TBackupInfo;

class TFolderWalk {
public:
  // The folder to walk, without a trailing "\".
  std::wstring RootFolder;
  // Receives the relative path of every folder entered ("" for the root itself), with
  // BackupInfo; may be null. Only folders that list a "." entry are recorded (a drive
  // root has none), and none when IncludeSubFolders is off.
  TFolderList* Folders = nullptr;
  // Receives one TBackupFileInfo per file.
  TOwnedFileInfoList* Files = nullptr;
  bool IncludeSubFolders = true;
  TBackupInfo* BackupInfo = nullptr;
  // Consulted before each entry; true stops the walk, which then unwinds every level as
  // if each listing were complete.
  std::function<bool()> StopCheck;
  // Run after each appended file record (may be empty).
  std::function<void(TBackupFileInfo&)> AfterFile;
  // Result of the latest directory search step (0 = an entry was returned).
  uint32_t LastError = 0;

  // Walks RootFolder. Throws vog::Error for the codes above.
  void Run();
  // Whether the last Run was ended by the stop check.
  bool Stopped() const noexcept { return stopped_; }

private:
  void Walk(const std::wstring& folder, const std::wstring& relative, const TSharedText& sharedRelative);

  TSharedText root_;
  TDosTimeCache times_;
  bool stopped_ = false;
};

// The message of a walk that failed with `code`.
std::wstring FolderCheckFailedMessage(uint32_t code);

// Walks an item's source folder on a worker thread that starts at once. Exit values:
// 0 success, 1 empty RootFolder, 2 the walk failed with an error. The creator waits for
// it (WaitFor), or requests termination; destroying the object requests termination and
// waits for the thread. After a termination the lists are partly filled and not used.
class TThreadFolderInfo {
public:
  enum : int { Success = 0, EmptyRootFolder = 1, WalkFailed = 2 };

  const std::wstring RootFolder;
  TFolderList* const Folders;
  TOwnedFileInfoList* const Files;
  const bool IncludeSubFolders;
  TBackupInfo* const BackupInfo;

  TThreadFolderInfo(const std::wstring& root, TFolderList* folders, TBackupInfo* backupInfo, TOwnedFileInfoList* files,
                    bool includeSubFolders);
  ~TThreadFolderInfo();
  TThreadFolderInfo(const TThreadFolderInfo&) = delete;
  TThreadFolderInfo& operator=(const TThreadFolderInfo&) = delete;

  void Terminate() noexcept { terminated_ = true; }
  bool Terminated() const noexcept { return terminated_; }
  // Waits for the thread's end and returns its exit value.
  int WaitFor();
  // The walk's last directory search result; read it after WaitFor.
  uint32_t LastError() const noexcept { return lastError_; }

private:
  void Execute();

  std::atomic<bool> terminated_{false};
  int exitValue_ = 0;
  uint32_t lastError_ = 0;
  std::thread thread_;
};

}  // namespace vog
