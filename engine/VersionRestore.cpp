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
// other versions); a restore's history copies are the person's own files, kept nowhere
// else. So an earlier copy of the day makes way under the first free name "a.txt (2)", ...;
// 0 or the code of the failed rename (then the file is not restored: nothing is given up).
uint32_t KeepEarlierCopy(const TBackupInfo& restoreItem, const std::wstring& folderName, const std::wstring& dest) {
  const std::wstring earlier = PlainHistoryTarget(restoreItem, folderName, dest).File;
  if (!PathExists(earlier)) return err::Success;
  std::wstring free;
  for (int n = 2; n < 1000 && (free.empty() || PathExists(free)); ++n) free = earlier + L" (" + std::to_wstring(n) + L")";
  return Files().MoveEntry(earlier, free, false);
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

  // The item the writes go through: the backup is its source, the restore's root its
  // destination. A file a restore replaces goes to history in the item's layout, whatever
  // the item keeps on its runs and wherever the restore goes: it is a person's file.
  TBackupInfo restoreItem;
  restoreItem.Title = item.Title;
  restoreItem.SourceFolder = Expanded(item.DestFolder);
  restoreItem.DestFolder = root;
  restoreItem.KeepHistory = true;
  restoreItem.UseHistoryFolder = item.UseHistoryFolder && !item.HistoryFolder.empty();
  restoreItem.HistoryFolder = Expanded(item.HistoryFolder);
  restoreItem.HistoryFolderFormat = item.HistoryFolderFormat;
  THistoryMover history(now, [](std::wstring_view path, std::wstring_view folder) {
    return IsInsideFolder(path, folder);
  });
  TFileWrite write(history, {}, {});
  const std::wstring folderName = HistoryFolderName(restoreItem.HistoryFolderFormat, now);
  TFileWriteSteps steps;
  steps.KeepHistory = true;

  std::vector<TVersionRestoreFailure> failed;
  for (const auto& [relative, version] : tree) {
    const std::wstring dest = AddBackslash(root) + relative;
    // Names come from a folder listing of the backup; one that climbs out is never written.
    if (!IsInsideFolder(dest, root)) {
      failed.push_back({relative, err::AccessDenied});
      continue;
    }
    uint32_t code = MakeFolderWithParents(std::wstring(ParentFolderOf(dest)));
    if (code == err::Success) {
      TBackupFileInfo record;
      record.SetPath(std::wstring_view(), ParentFolderOf(relative), NamePartOf(relative));
      record.SetBackupInfo(&restoreItem);
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
      code = KeepEarlierCopy(restoreItem, folderName, dest);
      if (code == err::Success) code = write.Write(record, dest, steps, bytes).Code;
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
