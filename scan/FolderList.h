#pragma once
// A list of folder texts, each carrying the backup item it belongs to: the folders a
// scan entered (relative paths below its root, "" for the root itself) and the folders
// a run creates or mirroring removes (full paths).
#include <string>
#include <vector>

namespace vog {

class TBackupInfo;

struct TFolderEntry {
  std::wstring Path;
  TBackupInfo* Item = nullptr;  // not owned, may be null
};

using TFolderList = std::vector<TFolderEntry>;

}  // namespace vog
