#pragma once
// The recursive folder walk that lists a tree into file records and folder entries, and
// TThreadFolderInfo, the worker thread that walks an item's source folder while the main
// thread reads the destination.
//
// Error rules of the walk: the end of a listing (18) ends a folder normally; a network or
// corruption failure (53, 54, 59, 64, 1005, 1392, 1393) raises
// "フォルダのチェックに失敗しました[<code>]" CR LF "フォルダが壊れている可能性があります"
// out of every level, and so does any failure in the middle of a listing that had begun
// (a partly listed source would let mirroring delete copies of the files left out). A
// folder that is gone (2, 3: a missing root, or a subfolder deleted since its parent was
// listed) ends quietly, so a missing root gives empty lists. A folder that exists but
// cannot be listed (access denied and the like) is a gap: the walk goes on with the
// parent's next entry and names the folder in Gaps, so the run reports it and mirroring
// leaves everything below it alone.
//
// Directory links (junctions, symbolic links, mount points: a folder entry with the
// reparse-point attribute) are never entered: a link pointing up the tree would be walked
// until the path is too long, and one pointing elsewhere would back up what another item
// or nobody asked for. Each is a gap too. A file link is listed as the file it points to
// (its record carries no reparse-point bit). With CheckIdentities, where the platform gives
// folder identities, a folder with the identity of a folder above it is a link gap too: a
// second defence against a loop that does not show as a link (a folder a server follows
// for its clients, a bind mount).
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "scan/FileInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FolderList.h"
#include "scan/RecordTime.h"

namespace vog {

class TBackupInfo;

// A folder the walk did not enter.
struct TWalkGap {
  std::wstring RelativePath;  // relative to the walk's root; "" for the root itself
  uint32_t Code = 0;          // why its listing failed; 0 for a link
  bool Link = false;          // a directory link, not followed
};

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
  // The folders not entered (links, folders that could not be listed), in walk order.
  std::vector<TWalkGap> Gaps;
  // Compare each folder's identity with those of the folders above it (one more call to
  // the system per folder, which costs as much as listing the folder: off by default).
  bool CheckIdentities = false;

  // Walks RootFolder. Throws vog::Error for the codes above.
  void Run();
  // Whether the last Run was ended by the stop check.
  bool Stopped() const noexcept { return stopped_; }

private:
  void Walk(const std::wstring& folder, const std::wstring& relative, const TSharedText& sharedRelative);

  // Whether `path` is one of the folders being walked (entering it would loop); pushes
  // its identity when it is not. False also where the platform gives no identity.
  bool LoopsBack(const std::wstring& path);

  TSharedText root_;
  std::vector<std::optional<TFileIdentity>> ancestors_;  // of the folders being walked (none: unknown)
  bool identities_ = false;
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
  // The folders the walk did not enter; read them after WaitFor.
  const std::vector<TWalkGap>& Gaps() const noexcept { return gaps_; }

private:
  void Execute();

  std::atomic<bool> terminated_{false};
  int exitValue_ = 0;
  uint32_t lastError_ = 0;
  std::vector<TWalkGap> gaps_;
  std::thread thread_;
};

}  // namespace vog
