#include "engine/ArchiveWork.h"

#include <algorithm>

#include "base/Error.h"
#include "base/Path.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "services/archive/ArchiveFile.h"

namespace vog {

std::wstring ArchivePathOf(const TBackupInfo& item) { return item.DestFolder + L"\\" + ExpandMacros(item.ArchiveName); }

std::wstring WorkRootOf(const std::wstring& workFolder) {
  std::wstring root = workFolder.empty() ? Files().ProgramFolder() : workFolder;
  while (root.size() > 3 && root.back() == L'\\') root.pop_back();
  return root;
}

bool IsUpdatableArchive(const std::wstring& archivePath) {
  TArchiveType type;
  return ArchiveTypeOf(archivePath, type);
}

std::vector<std::wstring> ListArchiveEntries(const std::wstring& archivePath) {
  std::vector<std::wstring> entries;
  uint32_t attributes = 0;
  if (Files().GetAttributes(archivePath, attributes) != err::Success || (attributes & attr::Directory)) return entries;
  TArchiveFile archive;
  archive.SetFileName(archivePath);
  const TScopeExit closer([&archive] { archive.Close(); });
  auto fail = [&archive](uint32_t code) { throw Error(archive.LastMessage() + L" (" + std::to_wstring(code) + L")"); };
  if (const uint32_t code = archive.Open()) fail(code);
  TArchiveEntryInfo entry;
  for (uint32_t code = archive.FindFirst(L"*.*", entry); code != err::NoMoreFiles; code = archive.FindNext(entry)) {
    if (code) fail(code);
    entries.push_back(entry.Path);
  }
  std::sort(entries.begin(), entries.end(), TextLess());
  return entries;
}

bool HasEntry(const std::vector<std::wstring>& entries, const std::wstring& relativePath) {
  return std::binary_search(entries.begin(), entries.end(), relativePath, TextLess());
}

void SetEngineArchiveOptions(TArchiveFile& archive, const std::wstring& workFolder) {
  TArchiveOptions& options = archive.Options;
  options.KeepPaths = options.KeepAttributes = options.AlwaysReplace = options.IgnoreMissing = true;
  options.LeaveOutUnreadable = true;
  options.Compression = 2;
  options.WorkFolder = workFolder;
}

std::wstring ReplacementNameOf(const std::wstring& path) { return path + L".$$$"; }

}  // namespace vog
