#include "engine/PastVersions.h"

#include "engine/PastVersionsParts.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/FileTransfer.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPaths.h"
#include "engine/VersionRestore.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "services/cipher/CipherManager.h"

namespace vog {

std::wstring ExpandedFolder(const std::wstring& path) { return HasMacro(path) ? ExpandMacros(path) : path; }

std::wstring JoinedRelative(const std::wstring& relative, const std::wstring& name) {
  return relative.empty() ? name : relative + L"\\" + name;
}

bool IsMissingCode(uint32_t code) {
  return code == err::PathNotFound || code == err::FileNotFound || code == err::DirectoryInvalid;
}

// A folder that is there but cannot be read: its versions are left out, and said so.
void AddUnreadable(TRunProblems& problems, const std::wstring& folder, uint32_t code) {
  problems.Add(TProblemKind::HistoryUnreadable, folder, code, L"フォルダが読めないため除外しました\r\n" + folder);
}

TFileVersion VersionOfEntry(const std::wstring& path, const TFindData& entry, TDateTime day) {
  TFileVersion version;
  version.Path = path;
  version.Day = day;
  version.Current = day == 0;
  version.Size = entry.Size;
  version.LastWrite = FileTimeToDateTime(Clock().UtcToLocal(entry.LastWriteTime));
  return version;
}

// The day in a dated folder's marker; false when it has none that can be read.
bool MarkerDay(const std::wstring& folder, TDateTime& day) {
  TDateTime date = 0;
  if (ReadHistoryMarkerDate(AddBackslash(folder) + std::wstring(kHistoryMarkerName), date) != err::Success) return false;
  day = std::floor(date);
  return day > 0;
}

// A path without its drive ("C:") or share ("\\server\share") and the "\" after it.
std::wstring PathWithoutRoot(const std::wstring& path) {
  size_t at = 0;
  if (path.rfind(L"\\\\", 0) == 0) {
    at = path.find(L'\\', 2);
    at = at == std::wstring::npos ? path.size() : path.find(L'\\', at + 1);
    if (at == std::wstring::npos) at = path.size();
  } else if (path.size() >= 2 && path[1] == L':') {
    at = 2;
  }
  while (at < path.size() && path[at] == L'\\') ++at;
  std::wstring rest = path.substr(at);
  while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  return rest;
}

bool NewestFirst(const TFileVersion& a, const TFileVersion& b) {
  if (a.Current != b.Current) return a.Current;
  return a.Day > b.Day;
}

namespace {

// The entries of a folder, without "." and "..".
std::vector<TFindData> ListFolder(const std::wstring& folder, TRunProblems& problems) {
  std::vector<TFindData> entries;
  std::unique_ptr<IFindHandle> handle;
  TFindData entry;
  uint32_t code = Files().FindFirst(AddBackslash(folder) + L"*", handle, entry);
  while (code == err::Success) {
    if (entry.Name != L"." && entry.Name != L"..") entries.push_back(entry);
    code = handle->Next(entry);
  }
  if (code != err::NoMoreFiles && !IsMissingCode(code)) AddUnreadable(problems, folder, code);
  return entries;
}

bool IsMarker(const TFindData& entry) {
  return !(entry.Attr & attr::Directory) && SameText(entry.Name, std::wstring(kHistoryMarkerName));
}

}  // namespace

TPastVersions::TPastVersions(const TBackupInfo& item) : item_(item) {}

void TPastVersions::Load() {
  files_.clear();
  folders_.clear();
  separate_.clear();
  separateRead_ = false;
  loaded_ = true;
  Problems = TRunProblems();
  WalkBackup(ExpandedFolder(item_.DestFolder), L"");
  if (item_.UseHistoryFolder && !item_.HistoryFolder.empty()) ReadSeparateHistory();
  for (auto& [key, entry] : files_)
    std::sort(entry.Versions.begin(), entry.Versions.end(), NewestFirst);
}

void TPastVersions::Add(const std::wstring& relative, TFileVersion version) {
  TEntry& entry = files_[UpperText(relative)];
  if (entry.Name.empty()) entry.Name = relative;
  entry.Versions.push_back(std::move(version));
}

void TPastVersions::WalkBackup(const std::wstring& folder, const std::wstring& relative) {
  for (const TFindData& entry : ListFolder(folder, Problems)) {
    const std::wstring path = AddBackslash(folder) + entry.Name;
    if (!(entry.Attr & attr::Directory)) {
      if (!IsMarker(entry)) Add(JoinedRelative(relative, entry.Name), VersionOfEntry(path, entry, 0));
      continue;
    }
    // A folder holding a marker is a dated folder: it keeps versions of the files beside it.
    TFindData marker;
    if (Files().GetInfo(AddBackslash(path) + std::wstring(kHistoryMarkerName), marker) == err::Success) {
      TDateTime day = 0;
      if (MarkerDay(path, day)) {
        ReadDatedFolder(path, relative, day);
      } else {
        Problems.Add(TProblemKind::HistoryUnreadable, path, 0, L"世代管理フォルダの日付が読めないため除外しました\r\n" + path);
      }
      continue;
    }
    WalkBackup(path, JoinedRelative(relative, entry.Name));
  }
}

void TPastVersions::ReadDatedFolder(const std::wstring& folder, const std::wstring& relative, TDateTime day) {
  for (const TFindData& entry : ListFolder(folder, Problems)) {
    const std::wstring path = AddBackslash(folder) + entry.Name;
    if (entry.Attr & attr::Directory) {
      ReadDatedFolder(path, JoinedRelative(relative, entry.Name), day);
    } else if (!IsMarker(entry)) {
      Add(JoinedRelative(relative, entry.Name), VersionOfEntry(path, entry, day));
    }
  }
}

void TPastVersions::ReadSeparateHistory() {
  const std::wstring history = ExpandedFolder(item_.HistoryFolder);
  const std::wstring below = PathWithoutRoot(ExpandedFolder(item_.DestFolder));
  for (const TFindData& entry : ListFolder(history, Problems)) {
    if (!(entry.Attr & attr::Directory)) continue;
    const std::wstring dated = AddBackslash(history) + entry.Name;
    TDateTime day = 0;
    if (!MarkerDay(dated, day)) {
      Problems.Add(TProblemKind::HistoryUnreadable, dated, 0,
                   L"世代管理フォルダの印がないため除外しました\r\n" + dated);
      continue;
    }
    const std::wstring root = below.empty() ? dated : AddBackslash(dated) + below;
    ReadDatedFolder(root, L"", day);
  }
}

std::vector<TFileVersion> TPastVersions::VersionsOf(const std::wstring& relativePath) const {
  if (!loaded_) return ProbeVersionsOf(relativePath);
  const auto found = files_.find(UpperText(relativePath));
  return found == files_.end() ? std::vector<TFileVersion>() : found->second.Versions;
}

namespace {

bool IsBelow(const std::wstring& upperPath, const std::wstring& upperFolder) {
  return upperFolder.empty() ||
         (upperPath.size() > upperFolder.size() && upperPath.compare(0, upperFolder.size(), upperFolder) == 0 &&
          upperPath[upperFolder.size()] == L'\\');
}

}  // namespace

std::vector<TDateTime> TPastVersions::DaysBelow(const std::wstring& folder) const {
  if (!loaded_) return ProbeDaysBelow(folder);
  const std::wstring upper = UpperText(folder);
  std::vector<TDateTime> days;
  for (const auto& [key, entry] : files_) {
    if (!IsBelow(key, upper) && key != upper) continue;
    for (const TFileVersion& version : entry.Versions)
      if (!version.Current) days.push_back(version.Day);
  }
  std::sort(days.begin(), days.end(), std::greater<>());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

TVersionTree TPastVersions::AsOf(TDateTime day, const std::wstring& folder) const {
  if (!loaded_) return ProbeAsOf(day, folder);
  const TDateTime first = std::floor(day), next = first + 1;
  const std::wstring upper = UpperText(folder);
  TVersionTree tree;
  for (const auto& [key, entry] : files_) {
    if (!IsBelow(key, upper) && key != upper) continue;
    const TFileVersion* chosen = nullptr;
    for (const TFileVersion& version : entry.Versions)
      if (!version.Current && version.Day > first && (!chosen || version.Day < chosen->Day)) chosen = &version;
    if (!chosen && !entry.Versions.empty() && entry.Versions.front().Current) chosen = &entry.Versions.front();
    // A version written after the day did not exist yet: the file was not there then (or
    // only in a version the backup never saw).
    if (chosen && chosen->LastWrite < next) tree.emplace(entry.Name, *chosen);
  }
  return tree;
}

std::vector<std::wstring> TPastVersions::Paths() const {
  if (!loaded_) return ProbePaths();
  std::vector<std::wstring> paths;
  for (const auto& [key, entry] : files_) paths.push_back(entry.Name);
  return paths;
}

std::vector<std::pair<std::wstring, uint32_t>> RestoreVersions(const TBackupInfo& item, const TVersionTree& tree,
                                                              const std::wstring& target, const std::string& runKey) {
  // Into a chosen folder: each file one transaction (temporary name, then rename), a file
  // already there left alone. Nothing goes into a history folder, so the day is not used.
  std::vector<std::pair<std::wstring, uint32_t>> failed;
  for (const TVersionRestoreFailure& failure : RestoreVersionTree(item, tree, target, runKey, Clock().Now()))
    failed.emplace_back(failure.Path, failure.Code);
  return failed;
}

}  // namespace vog
