#pragma once
// The two execution phases of a run that write the files of plain items: the creation of
// the destination folders (phase 1) and the transfer of the planned files followed by the
// creation of the empty folders (phase 4). TBackup calls them with its pairs; they take
// everything they use as parameters.
#include <set>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/Backup.h"
#include "engine/FileTransfer.h"
#include "engine/ParallelTransfer.h"
#include "scan/Progress.h"

namespace vog {

class IProgress;
class TBackupInfo;

// One item of the run with its planned files, in item order.
struct TTransferItem {
  TBackupInfo* Info = nullptr;
  const TOwnedFileInfoList* CopyFiles = nullptr;
  std::string RunCipherKey;  // the key when the item stores none
};

// Copies something (an access list, a creation time) from a source folder to a
// destination folder; false when it could not.
using TLevelCopy = std::function<bool(const std::wstring& source, const std::wstring& dest)>;
using TFolderSet = std::set<std::wstring, TextLess>;

// Walks the components of `relativePath` except the last, appending each to both roots,
// and copies from each source folder to its destination folder; with `only`, levels whose
// destination folder is not in it are passed over. Ends at the first failed copy.
void CopyFolderLevels(const std::wstring& sourceRoot, const std::wstring& destRoot, std::wstring_view relativePath,
                      const TFolderSet* only, const TLevelCopy& copy);

struct TFolderOptions {
  bool CopyAcl = false;
  bool CopyCreationTime = false;
  bool Silent = false;
  TAclCopyCall CopyDacl;  // used with CopyAcl; null copies no access list
  // The animation of the transfer's window.
  TProgressAnimation CopyAnimation{TAnimationKind::CopyFile, 0};
};

// Phase 1: every folder the planned files need, created in sorted order with missing
// parents; access lists and creation times copied level by level onto the folders made.
void CreateDestinationFolders(const std::vector<TTransferItem>& items, const TFolderOptions& options);

// The closing step of phase 4: the folders of `newFolders` that do not exist, from the
// last to the first, with access lists and creation times of every level. Runs after a
// stop too.
void CreateEmptyFolders(const TSortedFolderList& newFolders, const TFolderOptions& options, IProgress* progress);

// Phase 4: each planned file of each plain item, in item order, through `transfer`; then
// the empty folders. `progress` (may be null) gets the byte total of all items. With
// `workers` asking for more than one thread the files are written on worker threads
// (ParallelTransfer.h); otherwise one after the other on this thread.
void TransferFiles(const std::vector<TTransferItem>& items, const TSortedFolderList& newFolders,
                   TFileTransfer& transfer, const TFolderOptions& options, IProgress* progress,
                   const TWorkerSetup* workers = nullptr);

}  // namespace vog
