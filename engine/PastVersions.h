#pragma once
// Past versions of a plain item's backup, read from its history folders as they lie: the
// per-folder layout (a dated folder with its marker beside the files it kept) and the
// item's separate history folder (dated folders holding the destination's paths). The
// marker of each dated folder gives its day.
//
//   TPastVersions versions(item);          // item.DestFolder: the backup folder
//   versions.VersionsOf(L"docs\\a.txt");    // current copy first, then newest history first
//   versions.AsOf(day);                     // every file as it was at the end of `day`
//   RestoreVersions(item, versions.AsOf(day), L"F:\\Restored", key);
//
// Without Load, each question reads only what can hold its answer: the versions of one
// file are one attribute query per dated folder (found beside the folders on its path and
// in the separate history folder), and the tree as of a day lists, names only, just the
// dated folders after that day and asks the attributes of the chosen copies alone. Each
// folder is listed and each marker read once per object, so a TPastVersions answers for
// the backup as it was when it first looked: make a new one after a run. Load reads
// everything at once (for callers that want every path); after it, the questions are
// answered from what it read. Both give the same answers.
//
// A history copy dated d holds the version a run replaced or deleted on day d, i.e. the
// version current until then. So at the end of day D a file was the copy in its earliest
// history folder dated after D, else the current copy; and only if that copy's last-write
// time is on or before D (a later one did not exist yet). A file deleted on day d is in
// the history folder of d and nowhere else: absent from d on.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/DateTime.h"
#include "scan/RunProblems.h"

namespace vog {

class TBackupInfo;
class TVersionClaims;

struct TFileVersion {
  std::wstring Path;        // where the copy lies
  TDateTime Day = 0;        // the day of its history folder (0: the current copy)
  bool Current = false;
  int64_t Size = 0;         // as stored (an enciphered copy's size)
  TDateTime LastWrite = 0;  // local time
};

// Relative paths (as stored, "docs\a.txt") and the version of each.
using TVersionTree = std::map<std::wstring, TFileVersion>;

class TPastVersions {
public:
  explicit TPastVersions(const TBackupInfo& item);

  // Reads the backup folder and the history folders. Dated folders without a readable
  // marker are left out and listed in Problems.
  void Load();

  // The versions of one file: the current copy (when there is one), then its history
  // copies, newest first.
  std::vector<TFileVersion> VersionsOf(const std::wstring& relativePath) const;
  // The days on which something below `folder` ("" for the whole item) was replaced or
  // deleted, newest first.
  std::vector<TDateTime> DaysBelow(const std::wstring& folder) const;
  // Every file (below `folder`, "" for all) as it was at the end of `day`.
  TVersionTree AsOf(TDateTime day, const std::wstring& folder = L"") const;
  // Every relative path known, current or past, sorted.
  std::vector<std::wstring> Paths() const;

  // Filled by Load, or as the questions first read each folder.
  mutable TRunProblems Problems;

private:
  // A dated folder and the day of its marker.
  struct TDated {
    std::wstring Path;
    TDateTime Day = 0;
  };
  // What one folder of the backup holds, listed names only.
  struct TFolderRead {
    bool Exists = false;
    std::vector<std::wstring> Files;    // without markers
    std::vector<std::wstring> Folders;  // those that are not dated folders
    std::vector<TDated> Dated;          // oldest first
  };
  // A folder to look through: `Path` holds (versions of) `Relative`.
  struct TSource {
    TDateTime Day = 0;  // 0: the backup itself
    std::wstring Path;
    std::wstring Relative;
  };
  std::wstring Backup() const;  // the backup folder, expanded
  const TFolderRead& ReadFolder(const std::wstring& folder) const;
  const std::vector<TDated>& SeparateDated() const;
  // The dated folders (after `after`) that hold `relative`'s versions, oldest first, and
  // the folders of the backup at and below it.
  void Sources(const std::wstring& relative, TDateTime after, std::vector<TSource>& dated,
               std::vector<TSource>& current) const;
  void ClaimBelow(const std::wstring& relative, TDateTime after, TVersionClaims& claims) const;
  std::vector<TFileVersion> ProbeVersionsOf(const std::wstring& relativePath) const;
  TVersionTree ProbeAsOf(TDateTime day, const std::wstring& folder) const;
  std::vector<TDateTime> ProbeDaysBelow(const std::wstring& folder) const;
  std::vector<std::wstring> ProbePaths() const;

  void WalkBackup(const std::wstring& folder, const std::wstring& relative);
  void ReadDatedFolder(const std::wstring& folder, const std::wstring& relative, TDateTime day);
  void ReadSeparateHistory();
  void Add(const std::wstring& relative, TFileVersion version);

  const TBackupInfo& item_;
  // Keyed by the upper-cased relative path (Windows paths ignore case); the first name
  // seen is kept for showing.
  struct TEntry {
    std::wstring Name;
    std::vector<TFileVersion> Versions;
  };
  std::map<std::wstring, TEntry> files_;
  bool loaded_ = false;
  // Folders read by the questions, keyed by their upper-cased path.
  mutable std::map<std::wstring, TFolderRead> folders_;
  mutable std::vector<TDated> separate_;
  mutable bool separateRead_ = false;
};

// Copies `tree` into `target` (each file at target + "\" + its relative path), deciphering
// the copies of an enciphering item with its key (`runKey` when it stores none). The
// target must not lie inside the backup or its history folder, nor hold them (raises
// vog::Error before anything is written). Files that fail are returned with their codes.
std::vector<std::pair<std::wstring, uint32_t>> RestoreVersions(const TBackupInfo& item, const TVersionTree& tree,
                                                              const std::wstring& target, const std::string& runKey);

}  // namespace vog
