#pragma once
// TBackup: the engine object of one backup or restore run.
//
//   TBackup backup;
//   backup.SetHistoryDatabase(&db);  backup.SetWorkFolder(...);  backup.SetRunCipherKey(...);
//   for each checked item: backup.AddItem(item);
//   backup.Plan();                   // reads only; may set Stopped; throws vog::Error
//   if (!backup.Stopped) { preview reads GetAllCopyFiles() ... ; backup.Execute(); }
//   else, or when the caller gives the run up after Plan: backup.DiscardWorkCopies();
//   read CopiedFiles, ErrorFiles, GetAllMirrorFiles(), NewFolders, MirrorFolders, Problems
//
// Encrypted archives: Plan deciphers the destination archive into a work copy (TempArchive)
// whenever the item will change it; Execute ends by sealing every work copy back into its
// archive, also when a phase throws, and reports a sealing that fails (ErrorFiles and an
// ArchiveNotWritten problem; the work copy then stays). A Plan that throws or is stopped,
// and an Execute on a stopped plan, delete the unchanged work copies themselves; a caller
// that gives the run up between Plan and Execute calls DiscardWorkCopies. Nothing is done
// on destruction: a work copy left then is set aside and reported by the next run.
//
// Plan scans each item's source on a worker thread while the destination is read on the
// calling thread (folder, archive or history database), filters and compares, and keeps
// per item the files to copy and the files mirroring deletes, plus the folders to create
// and to remove. Execute changes the destination in four phases, always in this order:
// CreateDestinationFolders, DeleteMirrorFiles, PackArchives, TransferFiles.
//
// Both run on the user-interface thread and let messages run between small steps; the
// progress windows (made through ProgressFactory()) carry the stop and pause buttons.
// With Silent no window is made and nothing can be stopped.
//
// Containment: the engine changes nothing outside the item's destination folder. Every
// delete, move, overwrite or folder removal first passes GuardPath (Containment.h); a
// refused path is recorded in ErrorFiles with kOutsideDestinationCode and in Problems,
// and the run goes on.
//
// Ownership: the pairs own their planned records; CopiedFiles and ErrorFiles own theirs;
// AllCopyFiles and AllMirrorFiles are views whose removals reach the owning pair.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/DestinationShape.h"
#include "engine/MirrorGuard.h"
#include "scan/FileInfoList.h"
#include "scan/FolderList.h"
#include "scan/RunProblems.h"

namespace vog {

class IProgress;
struct TWalkGap;
class TBackupHistoryDatabase;
class TBackupInfo;
class TSealStream;

// The file name of the marker that makes a folder a history folder; nothing inside such
// a folder is ever mirrored away.
inline constexpr std::wstring_view kHistoryMarkerName = L"Vogmerist世代管理フォルダ";

// The pairing of one item with its plan.
class TBackupInfoAndFile {
public:
  TBackupInfo* const Info;         // not owned
  TOwnedFileInfoList MirrorFiles;  // destination files mirroring deletes
  std::string TempArchive;         // decrypted work copy of an encrypted archive, or empty
  TOwnedFileInfoList CopyFiles;    // source files to copy (the comparison's output)
  const std::string RunCipherKey;  // the run's key when the item was added
  // Destination files the plan found outside history folders (for the mass-delete guard).
  int DestinationFileCount = 0;
  // Source folders the walk did not enter (relative to SourceFolder, "" for all of it):
  // mirroring deletes nothing below them.
  std::vector<std::wstring> SourceGaps;
  // The sealing that ran beside the pack of the work copy, until the sealing step takes it.
  std::unique_ptr<TSealStream> Sealing;

  TBackupInfoAndFile(TBackupInfo* info, std::string runCipherKey);
  // Frees the records only: a work copy is sealed or discarded by the run (TBackup),
  // never here.
  ~TBackupInfoAndFile();
  TBackupInfoAndFile(const TBackupInfoAndFile&) = delete;
  TBackupInfoAndFile& operator=(const TBackupInfoAndFile&) = delete;
};

// The pairs of a run in the order the items were added; owns them.
class TBackupInfoAndFileList {
public:
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TBackupInfoAndFile* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TBackupInfoAndFile* operator[](int index) const { return Items(index); }
  int Add(std::unique_ptr<TBackupInfoAndFile> pair);
  // True when at least one pair has a non-empty MirrorFiles.
  bool AnyMirrorFiles() const noexcept;
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

private:
  std::vector<std::unique_ptr<TBackupInfoAndFile>> items_;
};

// Folder paths sorted without regard to case, each with its item; a path added twice is
// kept once. Adding is cheap (the list sorts itself once when next read), so a plan of
// many thousand folders never moves the list per entry.
class TSortedFolderList {
public:
  int Count() const;
  const TFolderEntry& operator[](int index) const;
  // True and its index when `path` is in the list, else false and the insertion point.
  bool Find(std::wstring_view path, int& index) const;
  bool Contains(std::wstring_view path) const;
  void Add(std::wstring path, TBackupInfo* item);
  void Delete(int index);
  void Clear() noexcept;
  std::vector<TFolderEntry>::const_iterator begin() const;
  std::vector<TFolderEntry>::const_iterator end() const;

private:
  void Settle() const;
  mutable std::vector<TFolderEntry> items_;
  mutable bool sorted_ = true;
};

class TBackup {
public:
  // ---- results and state (read by the caller) ----
  TOwnedFileInfoList CopiedFiles;                     // one record per file written by Execute
  TOwnedFileInfoList ErrorFiles;                      // files that failed; Attr holds the Windows error code
  TBackupHistoryDatabase* HistoryDatabase = nullptr;  // not owned, may be null
  bool Stopped = false;
  TFileInfoList AllCopyFiles;       // view, rebuilt by GetAllCopyFiles
  TFileInfoList AllMirrorFiles;     // view, rebuilt by GetAllMirrorFiles
  TSortedFolderList MirrorFolders;  // full destination paths mirroring removes
  TSortedFolderList NewFolders;     // full destination paths of folders the source adds
  std::wstring WorkFolder;          // archive work files; empty = the program's folder
  bool YesToAll = false;
  bool NoToAll = false;
  TDateTime StartTime = 0;  // local; taken when Execute begins
  bool Silent = false;
  TBackupInfoAndFileList Items;
  void* AnimationModule = nullptr;  // optional resource library (not owned)
  bool CopyAcl = false;
  std::string RunCipherKey;
  bool CopyCreationTime = false;
  // The mass-delete guard (MirrorGuard.h), weighed before mirroring deletes; with
  // MirrorGuardAsks an item that trips it is asked about, otherwise it is held back.
  TMirrorGuard MirrorGuard;
  bool MirrorGuardAsks = true;
  std::vector<TMirrorHold> HeldBack;  // the items whose deletions the guard kept back
  IProgress* Progress = nullptr;  // the progress window of the current step, or null
  // The run's problems that the file lists cannot hold (scan/RunProblems.h): refused
  // paths (also in ErrorFiles), archives not written, deletions held back, and the like.
  TRunProblems Problems;
  // A copy that fails with a sharing, lock or network error (32, 33, 51-71) is tried
  // again RetryCount times, RetryWaitSeconds apart; off by default.
  int RetryCount = 0;
  int RetryWaitSeconds = 0;
  // Each written file is read back and compared with its source; a mismatch is a failed
  // write (code 323). Off by default.
  bool Verify = false;
  // How many files of plain items are written at once, each on a worker thread of its
  // own (ParallelTransfer.h): 1 writes them one after the other on the calling thread;
  // 0 takes each item's number from its destination's kind (DefaultTransferThreads).
  int Threads = 1;
  // Leftovers of interrupted runs, folders renamed in case, folders and files that swapped
  // places: found by Plan, put right by Execute (DestinationShape.h).
  TDestinationShape Shape;

  TBackup();
  ~TBackup();
  TBackup(const TBackup&) = delete;
  TBackup& operator=(const TBackup&) = delete;

  void SetHistoryDatabase(TBackupHistoryDatabase* db) { HistoryDatabase = db; }
  void SetWorkFolder(const std::wstring& folder) { WorkFolder = folder; }
  void SetRunCipherKey(const std::string& key) { RunCipherKey = key; }  // before AddItem
  void SetAnimationModule(void* module) { AnimationModule = module; }
  void SetCopyAcl(bool flag) { CopyAcl = flag; }
  void SetCopyCreationTime(bool flag) { CopyCreationTime = flag; }
  void SetSilent(bool flag) { Silent = flag; }

  // Appends a pair for `info` (not owned) and cuts one trailing "\" from its SourceFolder
  // and DestFolder (the item itself is changed).
  void AddItem(TBackupInfo* info);
  // Builds the plan of every item. Sets Stopped when the user stops (later items keep
  // empty lists); throws vog::Error when a scan fails (the source scan thread is joined
  // first). Source folders the walk could not list are in ErrorFiles and Problems, links
  // it did not follow in Problems.
  void Plan();
  // The four phases in fixed order (nothing when Stopped is already set), then the sealing
  // of the encrypted archives' work copies.
  void Execute();
  // Deletes the work copies of a plan that will not be executed (they hold the archives as
  // they are); a copy that cannot be deleted is a Leftover problem. Never throws.
  void DiscardWorkCopies() noexcept;

  // Views of every pair's CopyFiles / MirrorFiles in item order. Removing a record from
  // a view takes it out of the pair that holds it and frees it.
  TFileInfoList& GetAllCopyFiles();
  TFileInfoList& GetAllMirrorFiles();
  // Takes `record` out of the CopyFiles of the pair that holds it and frees it.
  void DiscardCopyFile(TFileInfo* record);

  // Bytes of all planned copies / mirroring deletions.
  int64_t CopyBytes() const noexcept;
  int64_t MirrorBytes() const noexcept;

  // ---- the phases of Execute ----
  // Phase 1: creates the NewFolders (file transfer).
  void CreateDestinationFolders();
  // Before phase 2: the items whose planned deletions trip the mass-delete guard keep
  // everything (their MirrorFiles and MirrorFolders are emptied) unless the user agrees.
  void HoldBackMassDeletions();
  // Phase 2: mirroring: archive entries, then plain files, then MirrorFolders.
  void DeleteMirrorFiles();
  // Phase 3: packs the planned files of archived items.
  void PackArchives();
  // Phase 4: copies the planned files of plain items, then creates empty folders.
  void TransferFiles();

  // The containment check of every change the engine makes: true when `path` lies inside
  // `root` (Containment.h). Otherwise records `record` (or, when null, a record for
  // `path`) in ErrorFiles with kOutsideDestinationCode, adds a problem naming the path to
  // Problems and returns false.
  bool GuardPath(const std::wstring& path, const std::wstring& root, const TFileInfo* record = nullptr);
  // Records a failed file in ErrorFiles: a copy of `record` with Attr := `code`.
  void RecordError(const TFileInfo& record, uint32_t code);

  // History folders (built with the history phase): moves a mirrored plain file into the
  // run's history folder, and saves mirrored archive entries there before they are
  // deleted. 0 or the Windows code of the failure; the file or entries then stay.
  uint32_t MoveMirrorFileToHistory(TBackupInfoAndFile& pair, const TFileInfo& record);
  uint32_t SaveMirroredEntriesToHistory(TBackupInfoAndFile& pair);

  // ---- archived items (Archives.cpp, ArchiveHistory.cpp) ----
  // Packs one item's planned files into its archive (or its work copy); true when the user
  // stopped the pack (the archive is then as it was and Stopped is set).
  bool PackArchive(TBackupInfoAndFile& pair);
  // Before the destination scan decodes into the work copy: a work copy left by an earlier
  // run is moved aside and reported, never overwritten.
  void SetAsideLeftoverWorkCopy(TBackupInfoAndFile& pair);
  // Seals the work copy now, reporting a failure in ErrorFiles and Problems.
  void SealWorkCopyReported(TBackupInfoAndFile& pair);
  // Seals every pair's work copy (the last step of Execute).
  void SealWorkCopies();
  // End of an item's plan: an encrypted archive the run will change is deciphered into the
  // work copy when the destination scan did not do it (CopyAll without mirroring, the
  // history database), so that packing adds to the archive instead of starting a new one;
  // a work copy of an archive the run leaves as it is goes. Throws vog::Error when the
  // archive cannot be deciphered.
  void SettleWorkCopy(TBackupInfoAndFile& pair);
  // Reports the source folders the walk did not enter and keeps them in the pair.
  void RecordSourceGaps(TBackupInfoAndFile& pair, const std::vector<TWalkGap>& gaps);
  // Takes what lies below the pair's source gaps out of its mirroring plan.
  void SpareSourceGaps(TBackupInfoAndFile& pair);
  // Extracts the archive's current version of `record`'s entry into the run's history
  // folder when `entries` (upper-cased relative paths, sorted) holds it.
  void SaveArchivedToHistory(const std::vector<std::wstring>& entries, const TFileInfo& record,
                             TBackupInfoAndFile& pair);

  // The path of the work copy of the `index`th item's encrypted archive ("Temp<index>"
  // with the archive's extension, in WorkFolder or the program's folder).
  std::wstring WorkCopyPath(int index) const;

private:
  // Creates the progress window of a step unless Silent (Progress stays null then).
  IProgress* OpenProgress(std::wstring_view caption, int resourceId, int systemAnimation);
  void CloseProgress() noexcept;
  // Pumps messages; true (and Stopped) when the current window's stop is requested.
  bool PollStop();
  void PlanItem(int index, TBackupInfoAndFile& pair);
  void ScanDestination(TBackupInfoAndFile& pair, TOwnedFileInfoList& destFiles, TFolderList& destFolders);
  // Mirroring extraction of one item (Plan step 10).
  void ExtractMirrorFiles(TBackupInfoAndFile& pair, TOwnedFileInfoList& sourceFiles, TOwnedFileInfoList& destFiles,
                          const TFolderList& sourceFolders, const TFolderList& destFolders);
  void DeleteMirroredArchiveEntries(TBackupInfoAndFile& pair);
  void DeleteMirroredPlainFiles(TBackupInfoAndFile& pair);
  void RemoveMirrorFolders();
  TBackupInfoAndFile* PairOf(const TBackupInfo* item) const noexcept;

  std::unique_ptr<IProgress> progress_;
  bool workCopiesSealed_ = false;  // the sealing step of Execute has run
};

// The Windows code recorded for a change the containment check refused.
inline constexpr uint32_t kOutsideDestinationCode = 5;  // access denied

}  // namespace vog
