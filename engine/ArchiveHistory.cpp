// History folders of archived items: before a changed file is packed again, and before
// mirroring deletes entries, the archive's current versions are extracted into the run's
// dated history folder (HistoryFolder + "\" + history folder name + "\" + relative path).
//
// An item without a HistoryFolder keeps its dated folders in its destination folder, next
// to the archive, rather than in a folder named by an empty path.
//
// For an encrypted archive the history copies are encoded with the item's cipher, like the
// archive they came from, so no plain copy of an encrypted backup is left in the history.
#include <algorithm>

#include "base/CodePage.h"
#include "base/Error.h"
#include "engine/ArchiveWork.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/FileTransfer.h"
#include "engine/HistoryFolders.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "scan/FolderInfo.h"
#include "services/archive/ArchiveFile.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

std::wstring HistoryBaseOf(const TBackupInfo& item) {
  return item.HistoryFolder.empty() ? item.DestFolder : item.HistoryFolder;
}

// Encodes each extracted file in place (through a temporary name in `dated`); failures
// leave the file as extracted.
void EncodeHistoryCopies(const TBackupInfoAndFile& pair, const std::wstring& dated,
                         const std::vector<std::wstring>& relativePaths) {
  const std::wstring temp = TempPathIn(dated);
  try {
    auto cipher = CreateItemCipher(*pair.Info, pair.RunCipherKey);
    for (const std::wstring& relative : relativePaths) {
      const std::wstring extracted = dated + L"\\" + relative;
      uint32_t attributes = 0;
      if (Files().GetAttributes(extracted, attributes) != err::Success) continue;
      try {
        cipher->EncipherFile(extracted, temp);
      } catch (const Error&) {
        DeleteFileForce(temp);
        continue;
      }
      if (DeleteFileForce(extracted)) Files().MoveEntry(temp, extracted, false);
    }
  } catch (const Error&) {
    // History copies are a courtesy; the backup itself goes on.
  }
  DeleteFileForce(temp);
}

}  // namespace

void TBackup::SaveArchivedToHistory(const std::vector<std::wstring>& entries, const TFileInfo& record,
                                    TBackupInfoAndFile& pair) {
  const TBackupInfo& item = *pair.Info;
  const std::wstring relative = record.RelativePath();
  if (!HasEntry(entries, relative) || !IsSafeRelativeName(relative)) return;
  const std::wstring base = HistoryBaseOf(item);
  const std::wstring dated = base + L"\\" + HistoryFolderName(item.HistoryFolderFormat, StartTime);
  if (!GuardPath(dated + L"\\" + relative, base, &record)) return;
  MakeHistoryFolder(dated, StartTime);
  const std::wstring_view folder = ParentFolderOf(relative);
  if (!folder.empty()) MakeHistoryFolder(dated + L"\\" + std::wstring(folder), StartTime);
  const std::wstring archivePath = item.Encrypt ? CodePage().AnsiToWide(pair.TempArchive) : ArchivePathOf(item);
  try {
    TArchiveFile archive;
    archive.SetFileName(archivePath);
    SetEngineArchiveOptions(archive, WorkFolder);
    if (archive.Extract(dated, {relative}) != err::Success) return;
  } catch (const Error&) {
    return;
  }
  if (item.Encrypt) EncodeHistoryCopies(pair, dated, {relative});
}

uint32_t TBackup::SaveMirroredEntriesToHistory(TBackupInfoAndFile& pair) {
  const TBackupInfo& item = *pair.Info;
  if (pair.MirrorFiles.Empty()) return err::Success;
  const std::wstring base = HistoryBaseOf(item);
  const std::wstring dated = base + L"\\" + HistoryFolderName(item.HistoryFolderFormat, StartTime);
  std::vector<std::wstring> names;
  for (TFileInfo* record : pair.MirrorFiles) {
    const std::wstring relative = record->RelativePath();
    // Unsafe names are refused by the deletion that follows; they are never extracted.
    if (!IsSafeRelativeName(relative) || !IsInsideFolder(dated + L"\\" + relative, base)) continue;
    names.push_back(relative);
  }
  if (names.empty()) return err::Success;
  MakeHistoryFolder(dated, StartTime);
  for (const std::wstring& relative : names) {
    const std::wstring_view folder = ParentFolderOf(relative);
    if (!folder.empty()) MakeHistoryFolder(dated + L"\\" + std::wstring(folder), StartTime);
  }
  const std::wstring archivePath = item.Encrypt ? CodePage().AnsiToWide(pair.TempArchive) : ArchivePathOf(item);
  // An entry whose old version could not be saved is not deleted either: the caller
  // reports the entries and leaves them in the archive.
  try {
    TArchiveFile archive;
    archive.SetFileName(archivePath);
    SetEngineArchiveOptions(archive, WorkFolder);
    if (const uint32_t code = archive.Extract(dated, names)) return code;
  } catch (const Error&) {
    return err::GenFailure;
  }
  if (item.Encrypt) EncodeHistoryCopies(pair, dated, names);
  return err::Success;
}

}  // namespace vog
