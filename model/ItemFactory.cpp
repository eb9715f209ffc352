#include "model/ItemFactory.h"

#include "platform/Platform.h"

namespace vog {

namespace {

bool IsDriveRoot(const std::wstring& path) {
  return (path.size() == 2 || (path.size() == 3 && path[2] == L'\\')) && path[1] == L':';
}

}  // namespace

std::unique_ptr<TBackupInfo> CreateItemFromPath(const std::wstring& path, bool isFolder) {
  auto item = std::make_unique<TBackupInfo>();
  if (isFolder) {
    std::wstring trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == L'\\' && !IsDriveRoot(trimmed)) trimmed.pop_back();
    if (IsDriveRoot(trimmed)) {
      item->Title = trimmed.substr(0, 1);
    } else {
      const size_t slash = trimmed.find_last_of(L"\\:");
      item->Title = slash == std::wstring::npos ? trimmed : trimmed.substr(slash + 1);
    }
    item->SourceFolder = path;
  } else {
    const size_t slash = path.find_last_of(L"\\:");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (!folder.empty() && folder.back() == L'\\' && !IsDriveRoot(folder)) folder.pop_back();
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    item->SourceFolder = folder;
    const size_t dot = name.rfind(L'.');
    item->Title = (dot == std::wstring::npos || dot == 0) ? name : name.substr(0, dot);
    item->TargetCondition.Files.push_back(name);
    item->IncludeSubFolders = false;
  }
  item->Condition.Mirroring = true;
  item->UseTempFile = true;
  return item;
}

std::unique_ptr<TBackupInfo> CreateItemFromPath(const std::wstring& path) {
  uint32_t attributes = 0;
  const bool isFolder = Files().GetAttributes(path, attributes) == err::Success && (attributes & attr::Directory) != 0;
  return CreateItemFromPath(path, isFolder);
}

std::unique_ptr<TBackupInfo> CreateRestoreItem(const TBackupInfo& item, const std::wstring& mainDestFolder,
                                               const std::wstring& itemSourceFolder, bool restoreChangedOnly) {
  auto restore = std::make_unique<TBackupInfo>();
  restore->Title = item.Title;
  std::wstring source = mainDestFolder;
  if (source.empty() || source.back() != L'\\') source += L'\\';
  restore->SourceFolder = source + item.Title;
  restore->DestFolder = itemSourceFolder;
  if (item.Encrypt && !item.Decrypt) {
    restore->Encrypt = true;
    restore->Decrypt = true;
    restore->CipherKey = item.CipherKey;
    restore->CipherName = item.CipherName;
  }
  restore->Condition.CopyAll = !restoreChangedOnly;
  return restore;
}

}  // namespace vog
