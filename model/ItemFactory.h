#pragma once
// Backup items made by the program itself rather than read from the data file: the item
// for a path dropped on the main window, and the restore item for a backup item.
#include <memory>
#include <string>

#include "model/BackupInfo.h"

namespace vog {

// The item for a dropped folder or file (`isFolder` says which).
// Folder: Title = the folder's own name, SourceFolder = the path.
// File: SourceFolder = the file's folder, Title = the file name without its extension,
// TargetCondition.Files = { the file name }, IncludeSubFolders off.
// Both: Condition.Mirroring and UseTempFile on; everything else keeps its default.
//
// A drive root has no folder name; its title is the drive letter ("C" for C:\), so that
// the backup never lands directly in the main destination folder. A file directly in a
// drive root keeps the root's "\" in SourceFolder (C:\, not the drive-relative C:).
std::unique_ptr<TBackupInfo> CreateItemFromPath(const std::wstring& path, bool isFolder);
// The same, asking the file system whether `path` is a folder.
std::unique_ptr<TBackupInfo> CreateItemFromPath(const std::wstring& path);

// The restore item of a backup item: same Title; SourceFolder = `mainDestFolder` + "\"
// (when missing) + Title; DestFolder = `itemSourceFolder` (the item's SourceFolder with
// its macros expanded); an enciphering item gives Encrypt and Decrypt on with its key and
// cipher name; Condition.CopyAll on unless `restoreChangedOnly`. Everything else keeps the
// defaults of a new item. Callers leave archived items out.
std::unique_ptr<TBackupInfo> CreateRestoreItem(const TBackupInfo& item, const std::wstring& mainDestFolder,
                                               const std::wstring& itemSourceFolder, bool restoreChangedOnly);

}  // namespace vog
