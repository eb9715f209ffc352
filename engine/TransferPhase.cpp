#include "engine/TransferPhase.h"

#include <map>

#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FileUtils.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

// The stand-in last component when every level of a folder path is to be copied.
constexpr std::wstring_view kDummyName = L"Dummy.dat";

void CopyLevelsOf(const TBackupInfo& item, std::wstring_view relativePath, const TFolderSet* only,
                  const TFolderOptions& options) {
  if (options.CopyAcl && options.CopyDacl)
    CopyFolderLevels(item.SourceFolder, item.DestFolder, relativePath, only, options.CopyDacl);
  if (options.CopyCreationTime)
    CopyFolderLevels(item.SourceFolder, item.DestFolder, relativePath, only, CopyFolderCreationTime);
}

}  // namespace

void CopyFolderLevels(const std::wstring& sourceRoot, const std::wstring& destRoot, std::wstring_view relativePath,
                      const TFolderSet* only, const TLevelCopy& copy) {
  std::wstring source = sourceRoot;
  std::wstring dest = destRoot;
  size_t start = 0;
  for (size_t slash = relativePath.find(L'\\'); slash != std::wstring_view::npos;
       start = slash + 1, slash = relativePath.find(L'\\', start)) {
    const std::wstring_view part = relativePath.substr(start, slash - start);
    source += L'\\';
    source += part;
    dest += L'\\';
    dest += part;
    if (only && only->find(dest) == only->end()) continue;
    if (!copy(source, dest)) return;
  }
}

void CreateDestinationFolders(const std::vector<TTransferItem>& items, const TFolderOptions& options) {
  // Sorted, without duplicates; a plain item's entry keeps the first record that needed it.
  std::map<std::wstring, const TBackupFileInfo*, TextLess> folders;
  for (const TTransferItem& item : items) {
    if (!item.CopyFiles || item.CopyFiles->Empty()) continue;
    if (item.Info->Archive) {
      folders.emplace(item.Info->DestFolder, nullptr);
      continue;
    }
    const TSharedText* lastSub = nullptr;
    bool lastWasTop = false;
    for (TFileInfo* file : *item.CopyFiles) {
      // Records of one folder share their subfolder text: one entry per run of them.
      const TSharedText& sub = file->SharedSubFolder();
      if (lastSub && (sub ? *lastSub == sub : lastWasTop)) continue;
      lastSub = &sub;
      lastWasTop = !sub || sub->empty();
      std::wstring folder = item.Info->DestFolder;
      if (!lastWasTop) {
        folder += L'\\';
        folder += *sub;
      }
      folders.emplace(std::move(folder), static_cast<const TBackupFileInfo*>(file));
    }
  }

  if (options.CopyAcl && options.CopyDacl) {
    for (const TTransferItem& item : items) {
      if (PathExists(item.Info->DestFolder)) continue;
      if (MakeFolderWithParents(item.Info->DestFolder) == err::Success)
        options.CopyDacl(item.Info->SourceFolder, item.Info->DestFolder);
    }
  }

  const bool copyLevels = (options.CopyAcl && options.CopyDacl) || options.CopyCreationTime;
  TFolderSet made;
  for (const auto& [folder, record] : folders) {
    if (PathExists(folder)) continue;
    made.clear();
    if (copyLevels) {
      // The missing folders, from the outermost missing one down to the folder itself.
      std::wstring_view climb = folder;
      while (climb.size() > 2 && !PathExists(std::wstring(climb))) {
        made.emplace(climb);
        if (FolderPartOf(climb).empty()) break;
        climb = ParentFolderOf(climb);
      }
    }
    MakeFolderWithParents(folder);
    if (copyLevels && record && record->BackupInfo)
      CopyLevelsOf(*record->BackupInfo, record->RelativePath(), &made, options);
  }
}

void CreateEmptyFolders(const TSortedFolderList& newFolders, const TFolderOptions& options, IProgress* progress) {
  for (int i = newFolders.Count() - 1; i >= 0; --i) {
    const TFolderEntry* it = &newFolders[i];
    if (PathExists(it->Path)) continue;
    MakeFolderWithParents(it->Path);
    if (it->Item && ((options.CopyAcl && options.CopyDacl) || options.CopyCreationTime)) {
      const std::wstring prefix = AddBackslash(it->Item->DestFolder);
      if (TextStartsWith(prefix, it->Path)) {
        std::wstring relative = it->Path.substr(prefix.size());
        relative += L'\\';
        relative += kDummyName;
        CopyLevelsOf(*it->Item, relative, nullptr, options);
      }
    }
    if (progress && !options.Silent) {
      progress->SetStateText(it->Path);
      ProcessMessages();
    }
  }
}

namespace {

bool OnWorkers(const std::vector<TTransferItem>& items, const TWorkerSetup* workers) {
  if (!workers) return false;
  for (const TTransferItem& item : items) {
    if (item.Info->Archive || !item.CopyFiles || item.CopyFiles->Empty()) continue;
    if ((workers->Window ? workers->Window(*item.Info) : workers->Threads) > 1) return true;
  }
  return false;
}

}  // namespace

void TransferFiles(const std::vector<TTransferItem>& items, const TSortedFolderList& newFolders,
                   TFileTransfer& transfer, const TFolderOptions& options, IProgress* progress,
                   const TWorkerSetup* workers) {
  transfer.YesToAll = false;
  transfer.NoToAll = false;
  transfer.Stopped = false;
  int64_t total = 0;
  for (const TTransferItem& item : items)
    if (item.CopyFiles) total += item.CopyFiles->TotalSize();
  if (progress) progress->SetTotal(total);

  if (OnWorkers(items, workers)) {
    if (progress && !options.Silent) {
      progress->SetAnimation(options.CopyAnimation);
      progress->Show();
    }
    TransferOnWorkers(items, transfer, *workers, progress, options.Silent);
    CreateEmptyFolders(newFolders, options, progress);
    return;
  }

  bool shown = false;
  for (const TTransferItem& item : items) {
    if (item.Info->Archive || !item.CopyFiles) continue;
    if (progress && !options.Silent && !item.CopyFiles->Empty() && !shown) {
      progress->SetAnimation(options.CopyAnimation);
      progress->Show();
      shown = true;
    }
    ProcessMessages();
    std::unique_ptr<TCipherManager> cipher;
    if (item.Info->Encrypt) {
      cipher = CreateItemCipher(*item.Info, item.RunCipherKey);
      transfer.InstallCipherProgress(*cipher);
    }
    for (TFileInfo* file : *item.CopyFiles)
      if (!transfer.TransferOne(*static_cast<const TBackupFileInfo*>(file), cipher.get())) break;
  }
  CreateEmptyFolders(newFolders, options, progress);
}

}  // namespace vog
