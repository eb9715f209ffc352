#include "app/RunChecks.h"

#include <algorithm>
#include <memory>

#include "base/Path.h"
#include "base/Text.h"
#include "model/BackupInfo.h"
#include "model/TitleRules.h"
#include "platform/Platform.h"
#include "services/drives/Drives.h"

namespace vog {

namespace {

bool IsFolder(const std::wstring& path) {
  uint32_t attributes = 0;
  return Files().GetAttributes(path, attributes) == 0 && (attributes & attr::Directory) != 0;
}

// Whether one folder is the other or lies inside it, letter case ignored. The texts are
// compared as UTF-16 rather than in the ANSI code page, where two different names outside
// the code page would both become "?" and clash.
bool SameOrNested(const std::wstring& a, const std::wstring& b) {
  const std::wstring upperA = AddBackslash(UpperText(a)), upperB = AddBackslash(UpperText(b));
  return upperA.starts_with(upperB) || upperB.starts_with(upperA);
}

}  // namespace

bool TClashes::Contains(const TBackupInfo* item) const {
  return std::find(Items.begin(), Items.end(), item) != Items.end();
}

TClashes FindClashes(const std::vector<TBackupInfo*>& items) {
  std::vector<uint8_t> codes(items.size(), runcode::None);
  bool archiveClash = false, folderClash = false;
  for (size_t i = 0; i < items.size(); ++i)
    for (size_t j = i + 1; j < items.size(); ++j) {
      const TBackupInfo& a = *items[i];
      const TBackupInfo& b = *items[j];
      uint8_t code = runcode::None;
      if (a.Archive && b.Archive) {
        if (SameText(a.DestFolder + L"\\" + a.ArchiveName, b.DestFolder + L"\\" + b.ArchiveName))
          code = runcode::ArchiveClash;
      } else if (SameOrNested(a.DestFolder, b.DestFolder)) {
        code = runcode::DestinationClash;
      }
      if (code == runcode::None) continue;
      (code == runcode::ArchiveClash ? archiveClash : folderClash) = true;
      // An item in both kinds of clash is named by the folder clash, which decides the code.
      codes[i] = std::max(codes[i], code);
      codes[j] = std::max(codes[j], code);
    }
  TClashes clashes;
  clashes.Code = folderClash ? runcode::DestinationClash : archiveClash ? runcode::ArchiveClash : runcode::None;
  for (size_t i = 0; i < items.size(); ++i) {
    if (codes[i] == runcode::None) continue;
    clashes.Items.push_back(items[i]);
    clashes.Messages.push_back(std::wstring(codes[i] == runcode::ArchiveClash ? kArchiveClashMessage
                                                                               : kDestinationClashMessage) +
                               L"\r\n" + items[i]->Title);
  }
  return clashes;
}

TItemCheck CheckItemFolder(const TBackupInfo& item, const std::wstring& mainFolder) {
  if (std::wstring problem = TitleProblem(item.Title); !problem.empty()) return {runcode::FolderRefused, problem};
  if (mainFolder.empty()) return {runcode::DestinationMissing, L"バックアップ先が存在しません\r\n" + item.Title};
  const std::wstring main = AddBackslash(mainFolder);
  const std::wstring& folder = item.DestFolder;
  if (!IsAbsoluteFolder(main) || folder.size() <= main.size() || !SameText(folder.substr(0, main.size()), main) ||
      !TitleProblem(folder.substr(main.size())).empty())
    return {runcode::FolderRefused, L"バックアップ先フォルダ「" + ShowControlCharacters(folder) + L"」がバックアップ先「" +
                                        ShowControlCharacters(mainFolder) + L"」の中の 1 つのフォルダではありません"};
  return {};
}

TItemCheck CheckUnattendedKey(const TBackupInfo& item) {
  if (!item.Encrypt || !item.CipherKey.empty()) return {};
  return {runcode::NoCipherKey, L"暗号キーが設定されていないため、暗号化する項目をバックアップしません\r\n" + item.Title};
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
