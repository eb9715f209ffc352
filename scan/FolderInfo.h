#pragma once
// TFolderInfo: reads the destination side of a backup item on the calling thread, while
// the source scan thread reads the source. Three modes:
//   - folder walk (the walk of FolderWalk.h) with the progress window's stop check;
//   - archive listing (ArchiveMode): the entries of the archive RootFolder, decoding an
//     encrypted archive into TempFileName first and listing that work copy;
//   - history database (UseHistoryDatabase): the records the database holds for
//     RootFolder, without touching the disk.
// Execute raises vog::Error on failure: an empty RootFolder, a walk that fails with a
// network or corruption code, an archive or cipher failure. A stop leaves Cancelled set
// and the lists partly filled (the caller does not use them).
#include <cstdint>
#include <memory>
#include <string>

#include "scan/FileInfoList.h"
#include "scan/FolderList.h"

namespace vog {

class IProgress;
class TBackupInfo;

// What the history database offers a destination scan (the database lives in the engine
// layer and implements this).
class IHistoryListing {
public:
  virtual ~IHistoryListing() = default;
  // Appends a record for every entry in `folder` (and below it with `includeSubFolders`)
  // to `files`, rooted at `folder` + "\", with `item` as its BackupInfo.
  virtual void ListFolder(const std::wstring& folder, bool includeSubFolders, TBackupInfo* item,
                          TOwnedFileInfoList& files) = 0;
};

inline constexpr std::wstring_view kFolderNameMissing = L"フォルダ名が設定されていません";
inline constexpr std::wstring_view kCheckingCaption = L"チェック中...";
inline constexpr std::wstring_view kCheckingDestination = L"バックアップ先のファイルをチェックしています";
// The check animation in the icon library.
inline constexpr int kCheckAnimationId = 72;

class TFolderInfo {
public:
  TOwnedFileInfoList* Files = nullptr;  // not owned; receives the destination records
  std::wstring RootFolder;              // folder to scan; in archive mode the archive file
  TFolderList* Folders = nullptr;       // not owned, may be null (folder walk only)
  std::string TempFileName;             // archive mode with Encrypted: the work copy (ANSI)
  bool IncludeSubFolders = true;
  bool UseHistoryDatabase = false;
  IHistoryListing* HistoryDatabase = nullptr;  // not owned
  bool Cancelled = false;
  bool Silent = false;
  bool ArchiveMode = false;
  TBackupInfo* BackupInfo = nullptr;  // not owned
  bool Encrypted = false;
  std::string CipherKey;
  void* AnimationModule = nullptr;
  // Entries of an archive listing that were refused (a name that would leave the folder
  // it is put in: absolute, "..", ":" or control characters), one message each.
  std::vector<std::wstring> RefusedEntries;

  void SetFiles(TOwnedFileInfoList* value) { Files = value; }
  void SetRootFolder(const std::wstring& value) { RootFolder = value; }
  void SetFolders(TFolderList* value) { Folders = value; }
  void SetTempFileName(const std::string& value) { TempFileName = value; }
  void SetIncludeSubFolders(bool value) { IncludeSubFolders = value; }
  void SetUseHistoryDatabase(bool value) { UseHistoryDatabase = value; }
  void SetHistoryDatabase(IHistoryListing* value) { HistoryDatabase = value; }
  void SetSilent(bool value) { Silent = value; }
  void SetArchiveMode(bool value) { ArchiveMode = value; }
  void SetBackupInfo(TBackupInfo* value) { BackupInfo = value; }
  void SetEncrypted(bool value) { Encrypted = value; }
  void SetCipherKey(const std::string& value) { CipherKey = value; }
  void SetAnimationModule(void* value) { AnimationModule = value; }

  void Execute();

private:
  void ListArchive(IProgress& progress);
};

// Whether an archive entry's relative path (already with "\" separators) may become a
// path below a folder: not empty, not absolute, no "..", ":" or control characters.
bool IsSafeRelativeName(std::wstring_view path) noexcept;

}  // namespace vog
