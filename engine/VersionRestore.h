#pragma once
// Puts chosen past versions of a plain item's files back: to where they came from (the
// item's source folder) or below another folder.
//
// Each file is one transaction of the transfer's kind (engine/FileWrite.h): the version is
// written beside its final name under the temporary name and renamed into place. In place,
// the file it replaces is first kept where every other past version lies: in the backup's
// history folder of today, where a run replacing it would put it (per folder:
// <DestFolder>\<folder>\世代 <date>\<name>; with a separate history folder:
// <HistoryFolder>\世代 <date>\<DestFolder without its drive>\<folder>\<name>), with the
// folder's marker. Source and backup lie on different volumes as a rule, so that is a copy
// by the run's own copy (enciphered with the item's key when it enciphers), made under the
// temporary name and renamed; only once it is there is the source written. Nothing is ever
// made in the source but the restored file: a dated folder there would be backed up as one
// of the backup's own history folders. A file already in a chosen folder is none of the
// item's and is left alone (err::FileExists). So a failure leaves the final name holding
// exactly what it held before, and nothing half written.
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
// path; a file replaced in place is kept in the backup's history, a file already in
// `target` is left alone (err::FileExists). An enciphering item's copies are deciphered
// (the kept one enciphered) with its key (`runKey` when it stores none). `now` dates the
// history folders.
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
