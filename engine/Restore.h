#pragma once
// The restore: copies the backups of the checked items back to where they came from.
//
//   TRestore restore;
//   restore.Settings.MainDestFolder = data.Dest;  ... RestoreChangedOnly, ClearRestoreTarget
//   restore.Add(item, checked);                     // every item of the main list, in order
//   restore.Execute();                              // throws vog::Error with the user's message
//   show restore.ErrorFiles ("リストアに失敗したファイル") when not empty
//
// Two stages. The plain stage builds one restore item per checked item that is not
// archived (source: the item's backup folder, destination: its source folder; decoding
// when the item enciphers) and runs a TBackup with them; history folders are left out
// except their marker files. The archive stage then extracts each checked archived item's
// archive into its source folder, decoding an encrypted archive first into the work file
// "VogmeristTemp" + the archive's extension in the system's temporary folder.
//
// Every backup folder and archive is checked before anything is copied, so a missing one
// restores nothing. A restore may also go to another folder (Settings.TargetFolder). ClearRestoreTarget empties only folders that are absolute, not a drive
// or share root, and do not hold the backup being restored. The cipher key is asked
// through the question interface (IQuestions::AskCipherKey).
#include <memory>
#include <string>
#include <vector>

#include "scan/FileInfoList.h"

namespace vog {

class TBackupInfo;

struct TRestoreSettings {
  std::wstring MainDestFolder;  // the main destination folder (path macros allowed)
  bool RestoreChangedOnly = true;
  bool ClearRestoreTarget = false;
  // Empty: every item goes back to its source folder. Otherwise every item is restored
  // below this folder in a folder named by its title, the originals are not touched and
  // ClearRestoreTarget does not apply; a target inside (or holding) a backup is refused.
  std::wstring TargetFolder;
  bool CopyAcl = false;
  bool CopyCreationTime = false;
};

inline constexpr std::wstring_view kRestoreWorkName = L"VogmeristTemp";

class TRestore {
public:
  TRestoreSettings Settings;
  // Failures of the plain stage, listed by their path in the backup; Attr holds the code.
  TOwnedFileInfoList ErrorFiles;
  // Refusals and problems of the plain stage's run (containment and the like).
  std::vector<std::wstring> Problems;

  TRestore();
  ~TRestore();
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

  // An item of the main list (not owned), with its check mark.
  void Add(TBackupInfo* item, bool checked);
  // Both stages. Raises vog::Error: a missing backup folder or archive (nothing restored),
  // a cancelled key question, an archive that cannot be extracted (later archives are
  // skipped), or an error of the TBackup run.
  void Execute();

  // The folder an item's backup was written to: the main destination folder (macros
  // expanded) + "\" + Title.
  std::wstring BackupFolderOf(const TBackupInfo& item) const;
  // Where an item is restored to: its source folder (macros expanded), or TargetFolder +
  // "\" + Title.
  std::wstring TargetOf(const TBackupInfo& item) const;
  // The restore items of the checked plain items, in list order (built by Execute).
  const std::vector<std::unique_ptr<TBackupInfo>>& RestoreItems() const { return restoreItems_; }

private:
  struct TEntry {
    TBackupInfo* Item;
    bool Checked;
  };
  void BuildRestoreItems();
  void CheckSources() const;
  void CheckTargets() const;
  void ClearTargets() const;
  void PlainStage();
  void ArchiveStage();
  void ExtractArchive(const TBackupInfo& item, const std::string& key);
  // The extraction itself; `work` receives the decoded work file's path once it is made.
  void ExtractArchiveThrough(const TBackupInfo& item, const std::string& key, const std::wstring& archivePath,
                             std::wstring& work);

  std::vector<TEntry> entries_;
  std::vector<std::unique_ptr<TBackupInfo>> restoreItems_;
};

}  // namespace vog
