#include "engine/VersionRestore.h"

#include <memory>

#include "base/Error.h"
#include "base/Path.h"
#include "engine/Containment.h"
#include "engine/FileTransfer.h"
#include "engine/FileWrite.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPaths.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FileUtils.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

std::wstring Expanded(const std::wstring& path) {
  std::wstring expanded = HasMacro(path) ? ExpandMacros(path) : path;
  while (expanded.size() > 3 && expanded.back() == L'\\') expanded.pop_back();
  return expanded;
}

// A run of the day replaces its earlier history copy of a file (the backup keeps the
// other versions); a restore's history copy is the person's own file, kept nowhere else.
// So an earlier copy of the day makes way under the first free name "a.txt (2)", ... and
// the newer takes the name, as on a run. 0 or the code of the failed rename (then the
// file is not restored: nothing is given up).
uint32_t KeepEarlierCopy(const std::wstring& earlier) {
  if (!PathExists(earlier)) return err::Success;
  return Files().MoveEntry(earlier, FirstFreeNumberedName(earlier), false);
}

// Keeps `current` (the source's file `relative`) where a run replacing it today would:
// in the backup's history folder of `now`, in the item's layout, with the folder's marker.
// Source and backup lie on different volumes as a rule, so it is a copy, made by the
// run's own copy (enciphered with the item's cipher when it has one) under the temporary
// name and renamed. Returns 0 or the code; on a failure the source is untouched.
uint32_t KeepInBackupHistory(TBackupInfo& backupItem, const std::wstring& relative, const std::wstring& current,
                             TDateTime now, TFileTransfer& transfer, TFileWrite& write, TCipherManager* cipher) {
  const std::wstring folderName = HistoryFolderName(backupItem.HistoryFolderFormat, now);
  const THistoryTarget target =
      PlainHistoryTarget(backupItem, folderName, AddBackslash(backupItem.DestFolder) + relative);
  if (!target.Dated.empty()) MakeHistoryFolder(target.Dated, now);
  MakeHistoryFolder(target.Folder, now);
  if (const uint32_t code = KeepEarlierCopy(target.File)) return code;
  TBackupFileInfo record;
  record.SetPath(std::wstring_view(), ParentFolderOf(current), NamePartOf(current));
  record.SetBackupInfo(&backupItem);
  TFileWriteSteps steps;
  steps.StampLastWrite = cipher != nullptr;  // the cipher does not bring the time itself
  return write
      .Write(record, target.File, steps,
             [&](const std::wstring& to, bool newOnly) {
               return cipher ? transfer.EncryptCode(*cipher, record, to, newOnly)
                             : transfer.CopyCode(record, to, newOnly);
             })
      .Code;
}

}  // namespace

void CheckRestoreTarget(const TBackupInfo& item, const std::wstring& target) {
  std::wstring resolved;
  if (!ResolveWindowsPath(target, resolved))
    throw Error(L"リストア先 \"" + target + L"\" はフォルダのフルパスではありません");
  for (const std::wstring& kept : {Expanded(item.DestFolder), Expanded(item.HistoryFolder)}) {
    if (kept.empty()) continue;
    if (IsInsideFolder(target, kept, true) || IsInsideFolder(kept, target, true))
      throw Error(L"リストア先 \"" + target + L"\" はバックアップ \"" + kept + L"\" と重なっています");
  }
}

std::vector<TVersionRestoreFailure> RestoreVersionTree(const TBackupInfo& item, const TVersionTree& tree,
                                                       const std::wstring& target, const std::string& runKey,
                                                       TDateTime now) {
  const bool inPlace = target.empty();
  const std::wstring root = inPlace ? Expanded(item.SourceFolder) : Expanded(target);
  CheckRestoreTarget(item, root);
  std::unique_ptr<TCipherManager> cipher;
  if (item.Encrypt && !item.Decrypt) {
    if (item.CipherKey.empty() && runKey.empty()) throw Error(L"暗号キーを入力してください");
    cipher = CreateItemCipher(item, runKey);
  }

  // The item as the history copies see it: its folders with the macros expanded.
  TBackupInfo backupItem;
  backupItem.Title = item.Title;
  backupItem.SourceFolder = Expanded(item.SourceFolder);
  backupItem.DestFolder = Expanded(item.DestFolder);
  backupItem.UseHistoryFolder = item.UseHistoryFolder && !item.HistoryFolder.empty();
  backupItem.HistoryFolder = Expanded(item.HistoryFolder);
  backupItem.HistoryFolderFormat = item.HistoryFolderFormat;
  backupItem.Encrypt = cipher != nullptr;
  THistoryMover history(now, {});  // nothing here moves into a history folder
  TFileWrite write(history, {}, {});
  TOwnedFileInfoList copied;
  TOwnedFileInfoList errors;
  TTransferOptions silent;
  silent.Silent = true;
  TFileTransfer transfer(copied, errors, silent, nullptr, history, {});

  std::vector<TVersionRestoreFailure> failed;
  for (const auto& entry : tree) {
    // Named, not bound: the write below captures the version in a lambda.
    const std::wstring& relative = entry.first;
    const TFileVersion& version = entry.second;
    const std::wstring dest = AddBackslash(root) + relative;
    // Names come from a folder listing of the backup; one that climbs out is never written.
    if (!IsInsideFolder(dest, root)) {
      failed.push_back({relative, err::AccessDenied});
      continue;
    }
    uint32_t attributes = 0;
    const bool replaces = Files().GetAttributes(dest, attributes) == err::Success;
    // A file in a chosen folder is none of the item's: it is left alone rather than kept
    // in a history folder no run knows of.
    uint32_t code = replaces && !inPlace ? err::FileExists : err::Success;
    if (code == err::Success && replaces)
      code = KeepInBackupHistory(backupItem, relative, dest, now, transfer, write, cipher.get());
    if (code == err::Success) code = MakeFolderWithParents(std::wstring(ParentFolderOf(dest)));
    if (code == err::Success) {
      TBackupFileInfo record;
      record.SetPath(std::wstring_view(), ParentFolderOf(version.Path), NamePartOf(version.Path));
      const TWriteBytes bytes = [&](const std::wstring& to, bool newOnly) -> uint32_t {
        if (!cipher) return Files().CopyEntry(version.Path, to, newOnly, {}, nullptr);
        if (newOnly && PathExists(to)) return err::FileExists;
        try {
          cipher->DecipherFile(version.Path, to);
        } catch (const Error&) {
          RemoveUnfinished(to);
          return err::GenFailure;
        }
        uint32_t stamp = err::Success;
        if (!CopyFileDate(version.Path, to, &stamp) && stamp != err::InvalidParameter) {
          RemoveUnfinished(to);
          return stamp;
        }
        return err::Success;
      };
      code = write.Write(record, dest, TFileWriteSteps{}, bytes).Code;
    }
    if (code != err::Success) failed.push_back({relative, code});
  }
  return failed;
}

uint32_t RestoreVersion(const TBackupInfo& item, const std::wstring& relativePath, const TFileVersion& version,
                        const std::wstring& target, const std::string& runKey, TDateTime now) {
  const std::vector<TVersionRestoreFailure> failed =
      RestoreVersionTree(item, TVersionTree{{relativePath, version}}, target, runKey, now);
  return failed.empty() ? err::Success : failed.front().Code;
}

}  // namespace vog
