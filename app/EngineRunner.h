#pragma once
// The engine of the program's runs: IBackupRunner over TBackup, with the removal of
// expired history folders (TRemoveOverrideHistoryFolder).
#include "app/BackupRunner.h"

namespace vog {

std::unique_ptr<IBackupRunner> CreateEngineRunner();

// Removes the history folders in `folder` older than `keepDays` days (`separate`: the
// item's own history folder). Returns the messages of markers that could not be read
// (their folders stay).
std::vector<std::wstring> RemoveExpiredHistoryFolders(const std::wstring& folder, bool separate, int32_t keepDays);

}  // namespace vog
