#pragma once
// IBackupRunner: the backup engine as the run sequences drive it. The engine object of
// one run (TBackup) implements it; the run sequences create one per run through a
// TBackupRunnerFactory, give it the items that passed their checks, and read its result
// lists back for the log and the history database.
//
// Order of calls: the setters, AddItem for each item, Plan, RemoveExpiredHistory for
// each item that keeps history, Execute; then the result lists. Plan and Execute raise
// vog::Error for a failure that ends the run; failures of single files go to ErrorFiles.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Preview.h"
#include "engine/MirrorGuard.h"

#include "scan/FileInfoList.h"
#include "scan/RunProblems.h"

namespace vog {

class TBackup;
class TBackupHistoryDatabase;
class TBackupInfo;

class IBackupRunner {
public:
  virtual ~IBackupRunner() = default;

  virtual void SetHistoryDatabase(TBackupHistoryDatabase* database) = 0;  // not owned
  virtual void SetWorkFolder(const std::wstring& folder) = 0;
  // Silent: no progress window (the quiet run).
  virtual void SetSilent(bool silent) = 0;
  virtual void SetCopyAcl(bool copy) = 0;
  virtual void SetCopyCreationTime(bool copy) = 0;
  // The mass-delete guard; with `ask` an item that trips it is asked about, otherwise
  // its deletions are held back.
  virtual void SetMirrorGuard(const TMirrorGuard& guard, bool ask) = 0;
  // Copies failing for a passing reason are tried `count` more times, `waitSeconds` apart.
  virtual void SetRetry(int32_t count, int32_t waitSeconds) = 0;
  // Every written file is read back and compared with its source.
  virtual void SetVerify(bool verify) = 0;
  // Files of plain items written at once (0: from each destination's kind).
  virtual void SetThreads(int32_t threads) = 0;
  // The key of items that encipher without a key of their own (asked before the run).
  virtual void SetRunCipherKey(const std::string& key) = 0;
  // The item is not owned and stays alive until the runner is destroyed.
  virtual void AddItem(TBackupInfo* item) = 0;

  virtual void Plan() = 0;
  // The plan's lists for the preview (valid until Execute or the runner's end); excluding
  // entries there changes what Execute copies and deletes.
  virtual TPreviewLists PreviewLists() = 0;
  // Removes the history folders in `folder` older than `keepDays` days (`separate`: the
  // item keeps its history in a folder of its own).
  virtual void RemoveExpiredHistory(const std::wstring& folder, bool separate, int32_t keepDays) = 0;
  virtual void Execute() = 0;

  // Results; the lists belong to the runner and live as long as it does.
  virtual bool Stopped() = 0;
  // Views of the run's results (the engine keeps the records).
  virtual TFileInfoList CopiedFiles() = 0;
  virtual TFileInfoList ErrorFiles() = 0;      // Attr holds each file's error code
  virtual TFileInfoList AllMirrorFiles() = 0;  // what mirroring deleted, over all items
  // What the mass-delete guard kept mirroring from deleting, per item.
  virtual const std::vector<TMirrorHold>& HeldBack() = 0;
  bool DeletionsHeldBack() { return !HeldBack().empty(); }
  // What the lists above cannot say (scan/RunProblems.h): paths left alone because they
  // lie outside their item, archives that could not be written or sealed, history folders
  // that could not be removed, deletions the guard held back, and the like.
  virtual const TRunProblems& Problems() = 0;
};

using TBackupRunnerFactory = std::function<std::unique_ptr<IBackupRunner>()>;

}  // namespace vog
