#include "scan/FileInfo.h"

#include "model/BackupInfo.h"

namespace vog {

TSharedText MakeSharedText(std::wstring_view text) {
  if (text.empty()) return nullptr;
  return std::make_shared<const std::wstring>(text);
}

const std::wstring& TFileInfo::Empty() noexcept {
  static const std::wstring empty;
  return empty;
}

void TFileInfo::SetRootFolder(std::wstring_view value) { rootFolder_ = MakeSharedText(value); }

void TFileInfo::Assign(const TFileInfo& source) {
  if (&source == this) return;
  FileName = source.FileName;
  Size = source.Size;
  Time = source.Time;
  Attr = source.Attr;
  rootFolder_ = source.rootFolder_;
  subFolder_ = source.subFolder_;
}

void TFileInfo::SetPath(std::wstring_view root, std::wstring_view sub, std::wstring_view name) {
  SetRootFolder(root);
  SetSubFolder(sub);
  SetFileName(name);
}

void TFileInfo::SetPath(TSharedText root, TSharedText sub, std::wstring_view name) {
  rootFolder_ = std::move(root);
  subFolder_ = std::move(sub);
  SetFileName(name);
}

std::wstring TFileInfo::FullPath() const {
  const std::wstring& root = RootFolder();
  const std::wstring& sub = SubFolder();
  std::wstring path;
  path.reserve(root.size() + sub.size() + 1 + FileName.size());
  path += root;
  if (!sub.empty()) {
    path += sub;
    path += L'\\';
  }
  path += FileName;
  return path;
}

std::wstring TFileInfo::RelativePath() const {
  const std::wstring& sub = SubFolder();
  if (sub.empty()) return FileName;
  std::wstring path;
  path.reserve(sub.size() + 1 + FileName.size());
  path += sub;
  path += L'\\';
  path += FileName;
  return path;
}

std::wstring TFileInfo::FolderPath() const { return RootFolder() + SubFolder(); }

void TBackupFileInfo::Assign(const TFileInfo& source) {
  TFileInfo::Assign(source);
  if (&source == this) return;
  const auto* backup = dynamic_cast<const TBackupFileInfo*>(&source);
  BackupInfo = backup ? backup->BackupInfo : nullptr;
}

std::wstring TBackupFileInfo::DestinationRoot() const {
  if (!BackupInfo) return std::wstring();
  if (!BackupInfo->Archive) return BackupInfo->DestFolder;
  return BackupInfo->DestFolder + L"\\" + BackupInfo->ArchiveName + L"\t" + BackupInfo->SourceFolder;
}

}  // namespace vog
