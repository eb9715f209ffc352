#include "engine/Restore.h"

#include <algorithm>

#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "engine/ArchiveWork.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/FileTransfer.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "scan/Questions.h"
#include "services/archive/ArchiveFile.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

constexpr std::wstring_view kKeyRequired = L"暗号キーを入力してください";
constexpr std::wstring_view kNoFolderName = L"フォルダ名が設定されていません";
constexpr std::wstring_view kExtractFailed = L"圧縮ファイルの解凍に失敗しました";

std::wstring Expanded(const std::wstring& path) {
  return path.find(L'%') == std::wstring::npos ? path : ExpandMacros(path);
}

[[noreturn]] void RaiseMissing(const std::wstring& path) {
  throw Error(L"リストア元\r\n" + path + L"\r\n" + L"が存在しません");
}

// The key of a stage: asked once when some item enciphers without a key of its own.
std::string AskKeyWhen(bool needed) {
  std::string key;
  if (needed && !Questions().AskCipherKey(key)) throw Error(std::wstring(kKeyRequired));
  return key;
}

// "C:\" or "\\server\share" (a resolved path).
bool IsVolumeRoot(const std::wstring& resolved) {
  if (resolved.size() <= 3) return true;
  return resolved.rfind(L"\\\\", 0) == 0 && std::count(resolved.begin(), resolved.end(), L'\\') <= 3;
}

// The extension of an archive name, "." included ("" when it has none).
std::wstring ExtensionOf(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  const size_t slash = name.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return std::wstring();
  return name.substr(dot);
}

}  // namespace

TRestore::TRestore() = default;
TRestore::~TRestore() = default;

void TRestore::Add(TBackupInfo* item, bool checked) { entries_.push_back({item, checked}); }

std::wstring TRestore::BackupFolderOf(const TBackupInfo& item) const {
  std::wstring folder = Expanded(Settings.MainDestFolder);
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder + item.Title;
}

std::wstring TRestore::TargetOf(const TBackupInfo& item) const {
  if (Settings.TargetFolder.empty()) return Expanded(item.SourceFolder);
  return AddBackslash(Expanded(Settings.TargetFolder)) + item.Title;
}

void TRestore::CheckTargets() const {
  if (Settings.TargetFolder.empty()) return;
  std::wstring resolved;
  if (!ResolveWindowsPath(Expanded(Settings.TargetFolder), resolved))
    throw Error(L"リストア先 \"" + Settings.TargetFolder + L"\" はフォルダのフルパスではありません");
  for (const TEntry& entry : entries_) {
    if (!entry.Checked) continue;
    const std::wstring target = TargetOf(*entry.Item), backup = BackupFolderOf(*entry.Item);
    // A restore never writes into a backup, nor into a folder that holds one.
    if (IsInsideFolder(target, backup, true) || IsInsideFolder(backup, target, true))
      throw Error(L"リストア先 \"" + target + L"\" はバックアップ \"" + backup + L"\" と重なっています");
  }
}

void TRestore::BuildRestoreItems() {
  restoreItems_.clear();
  for (const TEntry& entry : entries_) {
    if (!entry.Checked || entry.Item->Archive) continue;
    const TBackupInfo& item = *entry.Item;
    auto restore = std::make_unique<TBackupInfo>();
    restore->Title = item.Title;
    restore->SourceFolder = BackupFolderOf(item);
    restore->DestFolder = TargetOf(item);
    if (item.Encrypt && !item.Decrypt) {
      restore->Encrypt = restore->Decrypt = true;
      restore->CipherKey = item.CipherKey;
      restore->CipherName = item.CipherName;
    }
    restore->Condition.CopyAll = !Settings.RestoreChangedOnly;
    restoreItems_.push_back(std::move(restore));
  }
}

void TRestore::CheckSources() const {
  for (const auto& restore : restoreItems_) {
    uint32_t attributes = 0;
    if (Files().GetAttributes(restore->SourceFolder, attributes) != err::Success || !(attributes & attr::Directory))
      RaiseMissing(restore->SourceFolder);
  }
  // The archives too: a missing one would otherwise end the restore half done.
  for (const TEntry& entry : entries_) {
    if (!entry.Checked || !entry.Item->Archive) continue;
    const std::wstring archive = BackupFolderOf(*entry.Item) + L"\\" + ExpandMacros(entry.Item->ArchiveName);
    if (!PathExists(archive)) RaiseMissing(archive);
  }
}

void TRestore::ClearTargets() const {
  // Every target is checked before the first one is emptied.
  for (const auto& restore : restoreItems_) {
    const std::wstring& target = restore->DestFolder;
    if (target.empty()) throw Error(std::wstring(kNoFolderName));
    std::wstring resolved;
    if (!ResolveWindowsPath(target, resolved) || IsVolumeRoot(resolved))
      throw Error(L"\"" + target + L"\" は空にできないフォルダです");
    if (IsInsideFolder(restore->SourceFolder, target, true))
      throw Error(L"リストア先 \"" + target + L"\" はリストア元 \"" + restore->SourceFolder +
                  L"\" を含むため空にできません");
  }
  for (const auto& restore : restoreItems_) DeleteFolderTree(restore->DestFolder);
}

void TRestore::Execute() {
  ErrorFiles.Clear();
  Problems.clear();
  BuildRestoreItems();
  struct TFree {
    std::vector<std::unique_ptr<TBackupInfo>>& Items;
    ~TFree() { Items.clear(); }
  } freeItems{restoreItems_};
  CheckSources();
  CheckTargets();
  PlainStage();
  ArchiveStage();
}

void TRestore::PlainStage() {
  const bool needKey = std::any_of(restoreItems_.begin(), restoreItems_.end(),
                                   [](const auto& item) { return item->Encrypt && item->CipherKey.empty(); });
  const std::string key = AskKeyWhen(needKey);
  // Another folder is never emptied: it was chosen to look at, not to replace.
  if (Settings.ClearRestoreTarget && Settings.TargetFolder.empty()) ClearTargets();

  TBackup backup;
  backup.SetRunCipherKey(key);
  backup.SetCopyAcl(Settings.CopyAcl);
  backup.SetCopyCreationTime(Settings.CopyCreationTime);
  for (const auto& item : restoreItems_) backup.AddItem(item.get());
  backup.Plan();

  // History folders stay out of the restore; their marker files go back, so each dated
  // folder comes back with its marker and nothing else.
  std::vector<std::wstring> historyFolders;
  for (TFileInfo* record : backup.GetAllCopyFiles()) {
    if (record->FileName != kHistoryMarkerName) continue;
    std::wstring folder = record->FullPath();
    folder.resize(folder.size() - record->FileName.size());
    historyFolders.push_back(std::move(folder));
  }
  if (!historyFolders.empty()) {
    std::vector<TFileInfo*> discard;
    for (TFileInfo* record : backup.GetAllCopyFiles()) {
      if (record->FileName == kHistoryMarkerName) continue;
      const std::wstring path = record->FullPath();
      if (std::any_of(historyFolders.begin(), historyFolders.end(),
                      [&path](const std::wstring& folder) { return StartsWithText(path, folder); }))
        discard.push_back(record);
    }
    for (TFileInfo* record : discard) backup.DiscardCopyFile(record);
  }

  backup.Execute();
  ErrorFiles.TakeFrom(backup.ErrorFiles);
  Problems = backup.Problems.Messages();
}

void TRestore::ArchiveStage() {
  const bool needKey = std::any_of(entries_.begin(), entries_.end(), [](const TEntry& entry) {
    return entry.Item->Encrypt && entry.Item->CipherKey.empty();
  });
  const std::string key = AskKeyWhen(needKey);
  for (const TEntry& entry : entries_) {
    if (entry.Checked && entry.Item->Archive) ExtractArchive(*entry.Item, key);
  }
}

void TRestore::ExtractArchive(const TBackupInfo& item, const std::string& key) {
  const std::wstring archivePath = BackupFolderOf(item) + L"\\" + ExpandMacros(item.ArchiveName);
  std::wstring work;
  // The decoded work file never outlives the extraction, also when it fails; it is deleted
  // here rather than by a destructor, which must not do work that can fail.
  try {
    ExtractArchiveThrough(item, key, archivePath, work);
  } catch (...) {
    if (!work.empty()) DeleteFileForce(work);
    throw;
  }
  if (!work.empty()) DeleteFileForce(work);
}

void TRestore::ExtractArchiveThrough(const TBackupInfo& item, const std::string& key, const std::wstring& archivePath,
                                     std::wstring& work) {
  std::wstring source = archivePath;
  // An archived item with Encrypt holds an encoded archive, with or without Decrypt.
  if (item.Encrypt) {
    std::wstring temp = Files().TempFolder();
    if (temp.empty()) throw Error(std::wstring(kExtractFailed));
    const std::wstring path = AddBackslash(temp) + std::wstring(kRestoreWorkName) + ExtensionOf(item.ArchiveName);
    if (!IsInsideFolder(path, temp)) throw Error(std::wstring(kExtractFailed));
    try {
      auto cipher = CreateItemCipher(item, key);
      work = path;
      cipher->DecipherFile(archivePath, work);
    } catch (const Error& e) {
      throw Error(std::wstring(kExtractFailed) + L"\r\n" + e.Message());
    }
    source = work;
  }
  TArchiveFile archive;
  uint32_t code = err::Success;
  try {
    archive.SetFileName(source);
    archive.Options.KeepAttributes = true;
    const std::wstring target = TargetOf(item);
    code = MakeFolderWithParents(target);
    if (code == err::Success) code = archive.Extract(target);
  } catch (const Error&) {
    code = err::GenFailure;
  }
  if (code != err::Success) {
    std::wstring message(kExtractFailed);
    if (!archive.LastMessage().empty()) message += L"\r\n" + archive.LastMessage();
    throw Error(message);
  }
}

}  // namespace vog
