#include "model/BackupInfo.h"

#include <algorithm>

namespace vog {

void TBackupCondition::Assign(const TBackupCondition& source) {
  CopyNew = source.CopyNew;
  CopySizeChanged = source.CopySizeChanged;
  CopyNewer = source.CopyNewer;
  CopyAll = source.CopyAll;
  Mirroring = source.Mirroring;
  CopyTimeChanged = source.CopyTimeChanged;
}

void TSubJectFileCondition::Assign(const TSubJectFileCondition& source) {
  if (&source == this) return;
  Folders = source.Folders;
  Files = source.Files;
}

void TBackupInfo::Assign(const TBackupInfo& source) {
  if (&source == this) return;
  Title = source.Title;
  SourceFolder = source.SourceFolder;
  DestFolder = source.DestFolder;
  HistoryFolderFormat = source.HistoryFolderFormat;
  ArchiveName = source.ArchiveName;
  HistoryFolder = source.HistoryFolder;
  VolumeLabel = source.VolumeLabel;
  IncludeSubFolders = source.IncludeSubFolders;
  UseHistoryDatabase = source.UseHistoryDatabase;
  Condition.Assign(source.Condition);
  TargetCondition.Assign(source.TargetCondition);
  ExcludeCondition.Assign(source.ExcludeCondition);
  KeepHistory = source.KeepHistory;
  ConfirmOverwrite = source.ConfirmOverwrite;
  Archive = source.Archive;
  Encrypt = source.Encrypt;
  CipherKey = source.CipherKey;
  Decrypt = source.Decrypt;
  CipherName = source.CipherName;
  UseTempFile = source.UseTempFile;
  HistoryCount = source.HistoryCount;
  UseHistoryFolder = source.UseHistoryFolder;
  NetLogon = source.NetLogon;
  CheckVolumeLabel = source.CheckVolumeLabel;
  NetUser = source.NetUser;
  NetPassword = source.NetPassword;
  NetDisconnect = source.NetDisconnect;
  SpareFlag = source.SpareFlag;
  SecondLogon = source.SecondLogon;
  SecondUser = source.SecondUser;
  SecondDisconnect = source.SecondDisconnect;
  SecondPassword = source.SecondPassword;
}

int TBackupInfoList::Add(TBackupInfo* item) {
  items_.push_back(item);
  return static_cast<int>(items_.size()) - 1;
}

int TBackupInfoList::Remove(TBackupInfo* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return -1;
  const int index = static_cast<int>(it - items_.begin());
  items_.erase(it);
  return index;
}

}  // namespace vog
