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

int TBackupInfoList::Add(std::unique_ptr<TBackupInfo> item) {
  items_.push_back(std::move(item));
  return static_cast<int>(items_.size()) - 1;
}

int TBackupInfoList::IndexOf(const TBackupInfo* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

std::unique_ptr<TBackupInfo> TBackupInfoList::Extract(const TBackupInfo* item) {
  const int index = IndexOf(item);
  if (index < 0) return nullptr;
  std::unique_ptr<TBackupInfo> taken = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  return taken;
}

int TBackupInfoList::Remove(const TBackupInfo* item) {
  const int index = IndexOf(item);
  if (index >= 0) items_.erase(items_.begin() + index);
  return index;
}

}  // namespace vog
