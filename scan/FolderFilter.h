#pragma once
// The name filters of a backup item, applied after its source scan.
//
// TFolderFilter selects from the scanned file records those the item's conditions let
// through, in three passes:
//   1. TargetCondition.Files (file-name masks) select records into SelectedFiles; an
//      empty list selects every record, in scan order. A record is taken by the first
//      mask that matches it, so SelectedFiles holds the records grouped by that mask,
//      each group in reverse scan order.
//   2. TargetCondition.Folders (file-name masks) drop selected records again.
//   3. ExcludeCondition.Folders drop records by folder: an entry whose second character
//      is ":" or which begins with "\\" is a folder path (that folder and everything
//      below it); any other entry is a mask matched against each folder name of the
//      record's folder below its drive or share.
// TStringFolderFilter prunes the item's source folder list by the same exclusion entries.
//
// Both let pending messages run before every step and stop, with Cancelled set, when the
// progress window's stop request is seen; what was moved or dropped so far stays so.
// Records dropped are freed; records moved stay owned by whoever owns the lists.
#include <string>
#include <string_view>
#include <vector>

#include "scan/FolderList.h"

namespace vog {

class IProgress;
class TFileInfo;
class TOwnedFileInfoList;
class TSubJectFileCondition;

// Whether an exclusion entry names a folder path (drive path or network path) rather
// than a folder-name mask.
bool IsFolderPathEntry(std::wstring_view entry) noexcept;

class TFolderFilter {
public:
  TOwnedFileInfoList* SourceFiles = nullptr;    // not owned; records are moved out of it
  TOwnedFileInfoList* SelectedFiles = nullptr;  // not owned; a new, empty list
  const TSubJectFileCondition* TargetCondition = nullptr;
  const TSubJectFileCondition* ExcludeCondition = nullptr;
  IProgress* ProgressForm = nullptr;  // may be null
  bool Cancelled = false;

  void SetTargetCondition(const TSubJectFileCondition* value) { TargetCondition = value; }
  void SetExcludeCondition(const TSubJectFileCondition* value) { ExcludeCondition = value; }
  void SetSourceFiles(TOwnedFileInfoList* value) { SourceFiles = value; }
  void SetSelectedFiles(TOwnedFileInfoList* value) { SelectedFiles = value; }
  void SetProgressForm(IProgress* value) { ProgressForm = value; }

  void Execute();

private:
  // Lets messages run, then looks at the stop request; true (and Cancelled) on a stop.
  bool Poll();
  // Runs `sweeps` walks over `list`, each from the last record to the first; walk t takes
  // out the records of class t (the others keep their order) and hands them to `taken`.
  // A record's class (the first walk that takes it, or `sweeps` for none) is computed by
  // `classify` once, during the first walk, while the record is at hand: later walks
  // then never touch the records themselves, which is what makes ten walks over a million
  // records cheap. False when stopped; the unvisited records then stay where they were.
  template <class Classify, class Taken>
  bool Sweeps(TOwnedFileInfoList& list, int sweeps, Classify classify, Taken taken);
};

class TStringFolderFilter {
public:
  TFolderList* Folders = nullptr;  // not owned; entries are deleted from it
  std::wstring SourceFolder;       // without trailing "\"
  const TSubJectFileCondition* ExcludeCondition = nullptr;
  IProgress* ProgressForm = nullptr;  // may be null
  bool Cancelled = false;

  void SetExcludeCondition(const TSubJectFileCondition* value) { ExcludeCondition = value; }
  void SetFolders(TFolderList* value) { Folders = value; }
  void SetProgressForm(IProgress* value) { ProgressForm = value; }
  void SetSourceFolder(const std::wstring& value) { SourceFolder = value; }

  void Execute();

private:
  bool Poll();
};

}  // namespace vog
