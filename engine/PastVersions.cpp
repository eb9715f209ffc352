#include "engine/PastVersions.h"

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
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

std::wstring Expanded(const std::wstring& path) { return HasMacro(path) ? ExpandMacros(path) : path; }

std::wstring Joined(const std::wstring& relative, const std::wstring& name) {
  return relative.empty() ? name : relative + L"\\" + name;
}

bool Missing(uint32_t code) {
  return code == err::PathNotFound || code == err::FileNotFound || code == err::DirectoryInvalid;
}

// A folder that is there but cannot be read: its versions are left out, and said so.
void Unreadable(TRunProblems& problems, const std::wstring& folder, uint32_t code) {
  problems.Add(TProblemKind::HistoryUnreadable, folder, code, L"フォルダが読めないため除外しました\r\n" + folder);
}

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
  if (code != err::NoMoreFiles && !Missing(code)) Unreadable(problems, folder, code);
  return entries;
}

TFileVersion VersionOf(const std::wstring& path, const TFindData& entry, TDateTime day) {
  TFileVersion version;
  version.Path = path;
  version.Day = day;
  version.Current = day == 0;
  version.Size = entry.Size;
  version.LastWrite = FileTimeToDateTime(Clock().UtcToLocal(entry.LastWriteTime));
  return version;
}

bool IsMarker(const TFindData& entry) {
  return !(entry.Attr & attr::Directory) && SameText(entry.Name, std::wstring(kHistoryMarkerName));
}

// The day in a dated folder's marker; false when it has none that can be read.
bool MarkerDay(const std::wstring& folder, TDateTime& day) {
  TDateTime date = 0;
  if (ReadHistoryMarkerDate(AddBackslash(folder) + std::wstring(kHistoryMarkerName), date) != err::Success) return false;
  day = std::floor(date);
  return day > 0;
}

// A path without its drive ("C:") or share ("\\server\share") and the "\" after it.
std::wstring WithoutRoot(const std::wstring& path) {
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

}  // namespace

TPastVersions::TPastVersions(const TBackupInfo& item) : item_(item) {}

void TPastVersions::Load() {
  files_.clear();
  folders_.clear();
  separate_.clear();
  separateRead_ = false;
  loaded_ = true;
  Problems = TRunProblems();
  WalkBackup(Expanded(item_.DestFolder), L"");
  if (item_.UseHistoryFolder && !item_.HistoryFolder.empty()) ReadSeparateHistory();
  for (auto& [key, entry] : files_)
    std::sort(entry.Versions.begin(), entry.Versions.end(), [](const TFileVersion& a, const TFileVersion& b) {
      if (a.Current != b.Current) return a.Current;
      return a.Day > b.Day;
    });
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
      if (!IsMarker(entry)) Add(Joined(relative, entry.Name), VersionOf(path, entry, 0));
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
    WalkBackup(path, Joined(relative, entry.Name));
  }
}

void TPastVersions::ReadDatedFolder(const std::wstring& folder, const std::wstring& relative, TDateTime day) {
  for (const TFindData& entry : ListFolder(folder, Problems)) {
    const std::wstring path = AddBackslash(folder) + entry.Name;
    if (entry.Attr & attr::Directory) {
      ReadDatedFolder(path, Joined(relative, entry.Name), day);
    } else if (!IsMarker(entry)) {
      Add(Joined(relative, entry.Name), VersionOf(path, entry, day));
    }
  }
}

void TPastVersions::ReadSeparateHistory() {
  const std::wstring history = Expanded(item_.HistoryFolder);
  const std::wstring below = WithoutRoot(Expanded(item_.DestFolder));
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

// ---- answers without Load ---------------------------------------------------------

namespace {

std::vector<std::wstring> PathParts(const std::wstring& relative) {
  std::vector<std::wstring> parts;
  size_t from = 0;
  while (from < relative.size()) {
    size_t to = relative.find(L'\\', from);
    if (to == std::wstring::npos) to = relative.size();
    if (to > from) parts.push_back(relative.substr(from, to - from));
    from = to + 1;
  }
  return parts;
}

std::wstring JoinedParts(const std::vector<std::wstring>& parts, size_t from) {
  std::wstring joined;
  for (size_t i = from; i < parts.size(); ++i) joined = Joined(joined, parts[i]);
  return joined;
}

// Calls `visit` with each folder below `path` (itself included) and the names in it; a
// `path` that is a file comes as its folder with its one name. False from `visit` stops.
using TNamesVisit =
    std::function<bool(const std::wstring& folder, const std::wstring& relative, const std::vector<TNameEntry>& names)>;

// One listing buffer per depth: a walk of thousands of folders lists into the same few.
bool WalkNames(const std::wstring& path, const std::wstring& relative, const TNamesVisit& visit,
               std::vector<std::vector<TNameEntry>>& buffers, size_t depth, TRunProblems& problems) {
  if (buffers.size() <= depth) buffers.resize(depth + 1);
  if (const uint32_t code = Files().ListNames(path, buffers[depth]); code != err::Success) {
    if (!Missing(code)) {
      Unreadable(problems, path, code);
      return true;
    }
    TFindData info;
    if (relative.empty() || Files().GetInfo(path, info) != err::Success || (info.Attr & attr::Directory)) return true;
    const size_t cut = relative.rfind(L'\\');
    return visit(std::wstring(ParentFolderOf(path)), cut == std::wstring::npos ? L"" : relative.substr(0, cut),
                 {{std::wstring(NamePartOf(path)), false}});
  }
  if (!visit(path, relative, buffers[depth])) return false;
  for (size_t i = 0; i < buffers[depth].size(); ++i) {
    const TNameEntry& entry = buffers[depth][i];
    if (entry.Folder &&
        !WalkNames(AddBackslash(path) + entry.Name, Joined(relative, entry.Name), visit, buffers, depth + 1, problems))
      return false;
  }
  return true;
}

bool WalkNames(const std::wstring& path, const std::wstring& relative, const TNamesVisit& visit,
               TRunProblems& problems) {
  std::vector<std::vector<TNameEntry>> buffers;
  return WalkNames(path, relative, visit, buffers, 0, problems);
}

bool IsMarkerName(const std::wstring& name) {
  return name.size() == kHistoryMarkerName.size() && SameText(name, kHistoryMarkerName);
}

}  // namespace

// The files a walk meets, each relative path claimed by the first folder that holds it.
// A walk lists the same names in folder after folder, so a name is looked up as listed
// (one hash lookup, no path built); only a name not yet seen in that spelling is
// upper-cased, as Windows names ignore case.
class TVersionClaims {
public:
  struct TClaim {
    std::wstring Relative;
    std::wstring Path;
    TDateTime Day = 0;
  };
  struct TFolder {
    std::wstring Relative;
    std::unordered_map<std::wstring, size_t> Exact, Folded;
  };

  TFolder& FolderOf(const std::wstring& relative) {
    TFolder& folder = folders_[UpperText(relative)];
    if (folder.Relative.empty()) folder.Relative = relative;
    return folder;
  }
  void Claim(TFolder& folder, const std::wstring& listedFolder, const std::wstring& name, TDateTime day) {
    if (folder.Exact.find(name) != folder.Exact.end()) return;
    const auto [at, added] = folder.Folded.emplace(UpperText(name), Claims.size());
    folder.Exact.emplace(name, at->second);
    if (added) Claims.push_back({Joined(folder.Relative, name), AddBackslash(listedFolder) + name, day});
  }

  std::vector<TClaim> Claims;

private:
  std::unordered_map<std::wstring, TFolder> folders_;
};

std::wstring TPastVersions::Backup() const {
  std::wstring folder = Expanded(item_.DestFolder);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

const TPastVersions::TFolderRead& TPastVersions::ReadFolder(const std::wstring& folder) const {
  const std::wstring key = UpperText(folder);
  if (const auto found = folders_.find(key); found != folders_.end()) return found->second;
  TFolderRead& read = folders_[key];
  std::vector<TNameEntry> names;
  if (const uint32_t code = Files().ListNames(folder, names); code != err::Success) {
    if (!Missing(code)) Unreadable(Problems, folder, code);
    return read;
  }
  read.Exists = true;
  for (TNameEntry& entry : names) {
    if (!entry.Folder) {
      if (!IsMarkerName(entry.Name)) read.Files.push_back(std::move(entry.Name));
      continue;
    }
    // A folder holding a marker is a dated folder; trying to read the marker is the one
    // query every other folder costs.
    const std::wstring path = AddBackslash(folder) + entry.Name;
    TDateTime date = 0;
    const uint32_t code = ReadHistoryMarkerDate(AddBackslash(path) + std::wstring(kHistoryMarkerName), date);
    if (code == err::FileNotFound || code == err::PathNotFound) {
      read.Folders.push_back(std::move(entry.Name));
    } else if (code == err::Success && std::floor(date) > 0) {
      read.Dated.push_back({path, std::floor(date)});
    } else {
      Problems.Add(TProblemKind::HistoryUnreadable, path, 0, L"世代管理フォルダの日付が読めないため除外しました\r\n" + path);
    }
  }
  std::stable_sort(read.Dated.begin(), read.Dated.end(), [](const TDated& a, const TDated& b) { return a.Day < b.Day; });
  return read;
}

const std::vector<TPastVersions::TDated>& TPastVersions::SeparateDated() const {
  if (separateRead_ || !item_.UseHistoryFolder || item_.HistoryFolder.empty()) return separate_;
  separateRead_ = true;
  const std::wstring history = Expanded(item_.HistoryFolder);
  std::vector<TNameEntry> names;
  if (const uint32_t code = Files().ListNames(history, names); code != err::Success && !Missing(code))
    Unreadable(Problems, history, code);
  for (const TNameEntry& entry : names) {
    if (!entry.Folder) continue;
    const std::wstring dated = AddBackslash(history) + entry.Name;
    TDateTime day = 0;
    if (MarkerDay(dated, day)) {
      separate_.push_back({dated, day});
    } else {
      Problems.Add(TProblemKind::HistoryUnreadable, dated, 0, L"世代管理フォルダの印がないため除外しました\r\n" + dated);
    }
  }
  std::stable_sort(separate_.begin(), separate_.end(), [](const TDated& a, const TDated& b) { return a.Day < b.Day; });
  return separate_;
}

// The dated folders beside each folder above `relative` hold it under its remaining path;
// those beside it and below it hold their folder's files; a separate history folder holds
// it under the backup's own path.
void TPastVersions::Sources(const std::wstring& asked, TDateTime after, std::vector<TSource>& dated,
                            std::vector<TSource>& current) const {
  // The path as the backup spells it, as far as the backup has it.
  std::vector<std::wstring> parts = PathParts(asked);
  std::wstring folder = Backup();
  for (std::wstring& part : parts) {
    const TFolderRead& read = ReadFolder(folder);
    for (const std::vector<std::wstring>* names : {&read.Folders, &read.Files})
      for (const std::wstring& name : *names)
        if (SameText(name, part)) part = name;
    folder = AddBackslash(folder) + part;
  }
  const std::wstring relative = JoinedParts(parts, 0);
  folder = Backup();
  bool exists = true;
  for (size_t i = 0; i < parts.size() && exists; ++i) {
    const TFolderRead& read = ReadFolder(folder);
    exists = read.Exists;
    for (const TDated& d : read.Dated)
      if (d.Day > after) dated.push_back({d.Day, AddBackslash(d.Path) + JoinedParts(parts, i), relative});
    folder = AddBackslash(folder) + parts[i];
  }
  // The backup below `relative`, walked through its folders.
  std::vector<TSource> pending;
  if (exists) pending.push_back({0, folder, relative});
  while (!pending.empty()) {
    TSource next = std::move(pending.back());
    pending.pop_back();
    const TFolderRead& read = ReadFolder(next.Path);
    if (!read.Exists) continue;
    for (const TDated& d : read.Dated)
      if (d.Day > after) dated.push_back({d.Day, d.Path, next.Relative});
    for (const std::wstring& name : read.Folders)
      pending.push_back({0, AddBackslash(next.Path) + name, Joined(next.Relative, name)});
    current.push_back(std::move(next));
  }
  const std::wstring below = WithoutRoot(Expanded(item_.DestFolder));
  for (const TDated& d : SeparateDated()) {
    if (d.Day <= after) continue;
    const std::wstring inside = Joined(below, relative);
    dated.push_back({d.Day, inside.empty() ? d.Path : AddBackslash(d.Path) + inside, relative});
  }
  std::stable_sort(dated.begin(), dated.end(), [](const TSource& a, const TSource& b) { return a.Day < b.Day; });
}

std::vector<TFileVersion> TPastVersions::ProbeVersionsOf(const std::wstring& relativePath) const {
  std::vector<TFileVersion> versions;
  const std::vector<std::wstring> parts = PathParts(relativePath);
  if (parts.empty()) return versions;
  auto probe = [&versions](const std::wstring& path, TDateTime day) {
    TFindData info;
    if (Files().GetInfo(path, info) == err::Success && !(info.Attr & attr::Directory))
      versions.push_back(VersionOf(path, info, day));
  };
  std::wstring folder = Backup();
  probe(AddBackslash(folder) + JoinedParts(parts, 0), 0);
  for (size_t i = 0; i < parts.size(); ++i) {
    const TFolderRead& read = ReadFolder(folder);
    if (!read.Exists) break;
    for (const TDated& d : read.Dated) probe(AddBackslash(d.Path) + JoinedParts(parts, i), d.Day);
    folder = AddBackslash(folder) + parts[i];
  }
  const std::wstring inside = Joined(WithoutRoot(Expanded(item_.DestFolder)), JoinedParts(parts, 0));
  for (const TDated& d : SeparateDated()) probe(AddBackslash(d.Path) + inside, d.Day);
  std::stable_sort(versions.begin(), versions.end(), [](const TFileVersion& a, const TFileVersion& b) {
    if (a.Current != b.Current) return a.Current;
    return a.Day > b.Day;
  });
  return versions;
}

namespace {

// Hands the files among `names` (markers left out) to `claim`, looking up the folder's
// table only for a folder that has files.
void ClaimFiles(TVersionClaims& claims, const std::wstring& folder, const std::wstring& relative,
                const std::vector<TNameEntry>& names, TDateTime day) {
  TVersionClaims::TFolder* table = nullptr;
  for (const TNameEntry& entry : names) {
    if (entry.Folder || IsMarkerName(entry.Name)) continue;
    if (!table) table = &claims.FolderOf(relative);
    claims.Claim(*table, folder, entry.Name, day);
  }
}

}  // namespace

// Every file below `relative` (or that file) goes to the earliest dated folder after
// `after` that holds it, else to the backup itself.
void TPastVersions::ClaimBelow(const std::wstring& relative, TDateTime after, TVersionClaims& claims) const {
  std::vector<TSource> dated, current;
  Sources(relative, after, dated, current);
  std::vector<std::vector<TNameEntry>> buffers;
  for (const TSource& source : dated)
    WalkNames(
        source.Path, source.Relative,
        [&claims, day = source.Day](const std::wstring& folder, const std::wstring& inside,
                                    const std::vector<TNameEntry>& names) {
          ClaimFiles(claims, folder, inside, names, day);
          return true;
        },
        buffers, 0, Problems);
  std::vector<TNameEntry> names;
  for (const TSource& source : current) {
    names.clear();
    for (const std::wstring& name : ReadFolder(source.Path).Files) names.push_back({name, false});
    ClaimFiles(claims, source.Path, source.Relative, names, 0);
  }
  // `relative` names a file of the backup.
  const std::wstring path = AddBackslash(Backup()) + relative;
  TFindData info;
  if (current.empty() && !relative.empty() && Files().GetInfo(path, info) == err::Success && !(info.Attr & attr::Directory)) {
    const size_t cut = relative.rfind(L'\\');
    ClaimFiles(claims, std::wstring(ParentFolderOf(path)), cut == std::wstring::npos ? L"" : relative.substr(0, cut),
               {{std::wstring(NamePartOf(path)), false}}, 0);
  }
}

// The dated folders after the day first, then the backup itself; attributes only for the
// copies chosen.
TVersionTree TPastVersions::ProbeAsOf(TDateTime day, const std::wstring& folder) const {
  const TDateTime first = std::floor(day), next = first + 1;
  TVersionClaims claims;
  ClaimBelow(JoinedParts(PathParts(folder), 0), first, claims);
  TVersionTree tree;
  for (const TVersionClaims::TClaim& claim : claims.Claims) {
    TFindData info;
    if (Files().GetInfo(claim.Path, info) != err::Success || (info.Attr & attr::Directory)) continue;
    TFileVersion version = VersionOf(claim.Path, info, claim.Day);
    // A version written after the day did not exist yet (see AsOf with Load).
    if (version.LastWrite < next) tree.emplace(claim.Relative, std::move(version));
  }
  return tree;
}

std::vector<TDateTime> TPastVersions::ProbeDaysBelow(const std::wstring& folder) const {
  std::vector<TSource> dated, current;
  Sources(JoinedParts(PathParts(folder), 0), 0, dated, current);
  std::vector<TDateTime> days;
  for (const TSource& source : dated) {
    if (!days.empty() && days.back() == source.Day) continue;
    // A dated folder counts when it holds a file there.
    const auto noFiles = [](const std::wstring&, const std::wstring&, const std::vector<TNameEntry>& names) {
      return std::all_of(names.begin(), names.end(),
                         [](const TNameEntry& entry) { return entry.Folder || IsMarkerName(entry.Name); });
    };
    const bool empty = WalkNames(source.Path, source.Relative, noFiles, Problems);
    if (!empty) days.push_back(source.Day);
  }
  std::reverse(days.begin(), days.end());
  return days;
}

std::vector<std::wstring> TPastVersions::ProbePaths() const {
  TVersionClaims claims;
  ClaimBelow(L"", 0, claims);
  std::vector<std::pair<std::wstring, std::wstring>> keyed;
  for (TVersionClaims::TClaim& claim : claims.Claims) keyed.emplace_back(UpperText(claim.Relative), std::move(claim.Relative));
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::wstring> paths;
  for (auto& [key, relative] : keyed) paths.push_back(std::move(relative));
  return paths;
}

std::vector<std::pair<std::wstring, uint32_t>> RestoreVersions(const TBackupInfo& item, const TVersionTree& tree,
                                                              const std::wstring& target, const std::string& runKey) {
  std::wstring resolved;
  if (!ResolveWindowsPath(target, resolved))
    throw Error(L"リストア先 \"" + target + L"\" はフォルダのフルパスではありません");
  for (const std::wstring& kept : {Expanded(item.DestFolder), Expanded(item.HistoryFolder)}) {
    if (kept.empty()) continue;
    // A restore never writes into the backup, nor into a folder that holds it.
    if (IsInsideFolder(target, kept, true) || IsInsideFolder(kept, target, true))
      throw Error(L"リストア先 \"" + target + L"\" はバックアップ \"" + kept + L"\" と重なっています");
  }
  std::unique_ptr<TCipherManager> cipher;
  if (item.Encrypt && !item.Decrypt) cipher = CreateItemCipher(item, runKey);
  std::vector<std::pair<std::wstring, uint32_t>> failed;
  for (const auto& [relative, version] : tree) {
    const std::wstring dest = AddBackslash(target) + relative;
    // Names come from a folder listing of the backup; one that climbs out is never written.
    if (!IsInsideFolder(dest, target)) {
      failed.emplace_back(relative, err::AccessDenied);
      continue;
    }
    uint32_t code = MakeFolderWithParents(std::wstring(ParentFolderOf(dest)));
    if (code == err::Success) {
      if (cipher) {
        try {
          cipher->DecipherFile(version.Path, dest);
          CopyFileDate(version.Path, dest, &code);
        } catch (const Error&) {
          code = err::GenFailure;
          DeleteFileForce(dest);
        }
      } else {
        code = Files().CopyEntry(version.Path, dest, false, {}, nullptr);
      }
    }
    if (code != err::Success) failed.emplace_back(relative, code);
  }
  return failed;
}

}  // namespace vog
