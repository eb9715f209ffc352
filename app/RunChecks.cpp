#include "app/RunChecks.h"

#include <memory>

#include "base/Path.h"
#include "base/Text.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "services/drives/Drives.h"

namespace vog {

namespace {

// Whether two of the texts are equal, letter case ignored. The texts are compared as
// UTF-16 rather than in the ANSI code page, where two different names outside the code
// page would both become "?" and clash.
bool AnyTwoEqual(const std::vector<std::wstring>& texts) {
  for (size_t i = 0; i < texts.size(); ++i)
    for (size_t j = i + 1; j < texts.size(); ++j)
      if (SameText(texts[i], texts[j])) return true;
  return false;
}

bool IsFolder(const std::wstring& path) {
  uint32_t attributes = 0;
  return Files().GetAttributes(path, attributes) == 0 && (attributes & attr::Directory) != 0;
}

}  // namespace

bool ArchiveNamesClash(const std::vector<TBackupInfo*>& items) {
  std::vector<std::wstring> names;
  for (const TBackupInfo* item : items)
    if (item->Archive) names.push_back(item->DestFolder + L"\\" + item->ArchiveName);
  return AnyTwoEqual(names);
}

bool DestinationsClash(const std::vector<TBackupInfo*>& items) {
  std::vector<std::wstring> folders;
  for (const TBackupInfo* item : items)
    if (!item->Archive) folders.push_back(item->DestFolder);
  return AnyTwoEqual(folders);
}

uint8_t ClashCode(const std::vector<TBackupInfo*>& items) {
  uint8_t code = runcode::None;
  if (ArchiveNamesClash(items)) code = runcode::ArchiveClash;
  if (DestinationsClash(items)) code = runcode::DestinationClash;
  return code;
}

TItemCheck CheckItem(const TBackupInfo& item, bool noDestinationCheck) {
  if (!IsFolder(item.SourceFolder))
    return {runcode::SourceMissing, L"バックアップ元フォルダが存在しません\r\n" + item.Title};

  std::unique_ptr<IFindHandle> handle;
  TFindData first;
  if (Files().FindFirst(AddBackslash(item.SourceFolder) + L"*.*", handle, first) == err::AccessDenied)
    return {runcode::SourceDenied, L"バックアップ元フォルダにアクセス権がありません\r\n" + item.SourceFolder};
  handle.reset();

  const std::wstring root = PathRoot(item.DestFolder);
  if (item.NetLogon) {
    const ICodePage& codePage = CodePage();
    if (!ConnectShare(item.DestFolder, L"", codePage.AnsiToWide(item.NetUser), codePage.AnsiToWide(item.NetPassword)))
      return {runcode::NetLogonFailed, L"ネットワークにログインできません\r\n" + root};
  }

  if (!noDestinationCheck && (root.empty() || !IsFolder(AddBackslash(root))))
    return {runcode::DestinationMissing, L"バックアップ先が存在しません\r\n" + root};

  if (item.CheckVolumeLabel) {
    const std::wstring label = GetVolumeLabel(item.DestFolder);
    if (label != item.VolumeLabel) return {runcode::VolumeLabelDiffers, L"ボリュームラベルが異なります\r\n" + label};
  }
  return {};
}

}  // namespace vog
