#pragma once
// Puts chosen past versions of a plain item's files back: to where they came from (the
// item's source folder) or below another folder.
//
// Each file is one transaction of the transfer's kind (engine/FileWrite.h): the version is
// written beside its final name under the temporary name, stamped with its last-write time,
// and renamed into place; a file it replaces (at the original place, or one already in the
// chosen folder) first goes into today's history folder, in the item's history layout, as
// any overwrite of a run does
// (per folder: <folder>\世代 <date>\<name> beside the file; with a separate history folder:
// <HistoryFolder>\世代 <date>\<source path without its drive>\<name>). So a failure leaves
// the final name holding exactly what it held before, and nothing half written.
#include <cstdint>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/PastVersions.h"

namespace vog {

class TBackupInfo;

// Raises vog::Error when `target` is no full folder path, or lies inside the item's backup
// or history folder, or holds one of them: a restore never writes over the versions it
// reads from.
void CheckRestoreTarget(const TBackupInfo& item, const std::wstring& target);

// A file that could not be restored: its relative path and the Windows code.
struct TVersionRestoreFailure {
  std::wstring Path;
  uint32_t Code = 0;
};

// Writes every version of `tree` (relative path -> version) to `target` + "\" + its
// relative path, or with `target` empty to the item's SourceFolder + "\" + its relative
// path; every file replaced is kept in the history. An enciphering item's copies are
// deciphered with its key (`runKey` when it stores none). `now` dates the history folders.
// Raises vog::Error before anything is written when the target is no full folder path, when
// it lies inside the backup or its history folder or holds them, and when the key is
// missing. Files that fail are returned with their codes; the others are restored.
std::vector<TVersionRestoreFailure> RestoreVersionTree(const TBackupInfo& item, const TVersionTree& tree,
                                                       const std::wstring& target, const std::string& runKey,
                                                       TDateTime now);

// One version of one file (`relativePath` as the backup stores it); 0 or the code.
uint32_t RestoreVersion(const TBackupInfo& item, const std::wstring& relativePath, const TFileVersion& version,
                        const std::wstring& target, const std::string& runKey, TDateTime now);

}  // namespace vog
