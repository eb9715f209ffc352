// The answers of TPastVersions without Load: each reads only the folders its question needs.
#include "engine/PastVersions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

#include "base/Path.h"
#include "base/Text.h"
#include "engine/Backup.h"
#include "engine/HistoryFolders.h"
#include "engine/PastVersionsParts.h"
#include "engine/TransferPaths.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"

namespace vog {

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
  for (size_t i = from; i < parts.size(); ++i) joined = JoinedRelative(joined, parts[i]);
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
    if (!IsMissingCode(code)) {
      AddUnreadable(problems, path, code);
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
        !WalkNames(AddBackslash(path) + entry.Name, JoinedRelative(relative, entry.Name), visit, buffers, depth + 1, problems))
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
    if (added) Claims.push_back({JoinedRelative(folder.Relative, name), AddBackslash(listedFolder) + name, day});
  }

  std::vector<TClaim> Claims;

private:
  std::unordered_map<std::wstring, TFolder> folders_;
};

std::wstring TPastVersions::Backup() const {
  std::wstring folder = ExpandedFolder(item_.DestFolder);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

const TPastVersions::TFolderRead& TPastVersions::ReadFolder(const std::wstring& folder) const {
  const std::wstring key = UpperText(folder);
  if (const auto found = folders_.find(key); found != folders_.end()) return found->second;
  TFolderRead& read = folders_[key];
  std::vector<TNameEntry> names;
  if (const uint32_t code = Files().ListNames(folder, names); code != err::Success) {
    if (!IsMissingCode(code)) AddUnreadable(Problems, folder, code);
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
  const std::wstring history = ExpandedFolder(item_.HistoryFolder);
  std::vector<TNameEntry> names;
  if (const uint32_t code = Files().ListNames(history, names); code != err::Success && !IsMissingCode(code))
    AddUnreadable(Problems, history, code);
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
      pending.push_back({0, AddBackslash(next.Path) + name, JoinedRelative(next.Relative, name)});
    current.push_back(std::move(next));
  }
  const std::wstring below = PathWithoutRoot(ExpandedFolder(item_.DestFolder));
  for (const TDated& d : SeparateDated()) {
    if (d.Day <= after) continue;
    const std::wstring inside = JoinedRelative(below, relative);
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
      versions.push_back(VersionOfEntry(path, info, day));
  };
  std::wstring folder = Backup();
  probe(AddBackslash(folder) + JoinedParts(parts, 0), 0);
  for (size_t i = 0; i < parts.size(); ++i) {
    const TFolderRead& read = ReadFolder(folder);
    if (!read.Exists) break;
    for (const TDated& d : read.Dated) probe(AddBackslash(d.Path) + JoinedParts(parts, i), d.Day);
    folder = AddBackslash(folder) + parts[i];
  }
  const std::wstring inside = JoinedRelative(PathWithoutRoot(ExpandedFolder(item_.DestFolder)), JoinedParts(parts, 0));
  for (const TDated& d : SeparateDated()) probe(AddBackslash(d.Path) + inside, d.Day);
  std::stable_sort(versions.begin(), versions.end(), NewestFirst);
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
    TFileVersion version = VersionOfEntry(claim.Path, info, claim.Day);
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

}  // namespace vog
