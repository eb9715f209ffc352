#include "app/RunSteps.h"

#include "app/BackupRunner.h"
#include "engine/BackupHistoryDatabase.h"
#include "model/BackupInfo.h"

namespace vog {

bool AnyUsesHistoryDatabase(const TBackupInfoList& items) {
  for (const TBackupInfo* item : items)
    if (item->UseHistoryDatabase) return true;
  return false;
}

void RemoveExpiredHistory(IBackupRunner& runner, const std::vector<const TBackupInfo*>& items) {
  for (const TBackupInfo* item : items)
    if (item->KeepHistory && item->HistoryCount > 0)
      runner.RemoveExpiredHistory(item->UseHistoryFolder ? item->HistoryFolder : item->DestFolder,
                                  item->UseHistoryFolder, item->HistoryCount);
}

void UpdateHistoryDatabase(TBackupHistoryDatabase& database, IBackupRunner& runner) {
  const TFileInfoList deleted = runner.AllMirrorFiles();
  const TFileInfoList copied = runner.CopiedFiles();
  database.RemoveDeleted(deleted);
  database.AddCopied(copied);
  if (!deleted.Empty() || !copied.Empty()) database.Save();
}

}  // namespace vog
