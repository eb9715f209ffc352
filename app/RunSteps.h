#pragma once
// The steps both run sequences (the unattended and the interactive run) take alike.
#include <vector>

namespace vog {

class IBackupRunner;
class TBackupHistoryDatabase;
class TBackupInfo;
class TBackupInfoList;

// Whether any item, checked or not, keeps a history database.
bool AnyUsesHistoryDatabase(const TBackupInfoList& items);
// Removes the expired history folders of the items that run (a left-out item may be looking
// at the wrong disk or at nothing at all).
void RemoveExpiredHistory(IBackupRunner& runner, const std::vector<const TBackupInfo*>& items);
// The database after the run: what mirroring deleted goes, what was copied comes in; saved
// when either changed it.
void UpdateHistoryDatabase(TBackupHistoryDatabase& database, IBackupRunner& runner);

}  // namespace vog
