#include "engine/ParallelTransfer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <exception>
#include <memory>
#include <thread>

#include "base/Path.h"
#include "base/ScopeExit.h"
#include "engine/FileTransfer.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPhase.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "platform/Sync.h"
#include "scan/FileInfo.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

// How long the thread of the user interface waits for a worker before it lets messages
// run again: short enough for the stop and pause buttons to feel immediate.
constexpr std::chrono::milliseconds kPumpEvery{15};
constexpr int kMostThreads = 64;

// One file handed to a worker; completed exactly once (Done), then recorded in order.
struct TJob {
  const TBackupFileInfo* Record = nullptr;
  const TTransferItem* Item = nullptr;
  std::wstring Target;
  TWriteOutcome Outcome;
  std::exception_ptr Error;
  bool Ran = false;  // false when a stop came before the worker began it
  bool Done = false;
};

struct TWorker {
  std::atomic<bool> Cancel{false};
  std::atomic<int64_t> Partial{0};
  TOwnedFileInfoList Unused;  // a worker's transfer records nothing itself
  std::unique_ptr<THistoryMover> History;
  std::unique_ptr<TFileTransfer> Transfer;
  const TBackupInfo* CipherItem = nullptr;
  std::unique_ptr<TCipherManager> Cipher;
  std::thread Thread;
};

class TWorkerPool {
public:
  TWorkerPool(TFileTransfer& main, const TWorkerSetup& setup, int threads, IProgress* progress, bool silent)
      : main_(main), progress_(silent ? nullptr : progress) {
    for (int i = 0; i < threads; ++i) {
      auto worker = std::make_unique<TWorker>();
      worker->History = std::make_unique<THistoryMover>(setup.StartTime, setup.Inside);
      worker->History->SetTempName(WorkerTempName(i));
      worker->History->ShareFolderLock(&folderLock_);
      worker->Transfer = std::make_unique<TFileTransfer>(worker->Unused, worker->Unused, main.Options(), nullptr,
                                                         *worker->History, nullptr);
      worker->Transfer->CopyDacl = main.CopyDacl;
      worker->Transfer->BecomeWorker(worker->Cancel, worker->Partial, WorkerTempName(i));
      workers_.push_back(std::move(worker));
    }
    for (auto& worker : workers_) worker->Thread = std::thread([this, w = worker.get()] { Work(*w); });
  }

  // Releases the threads: whatever is still handed out is cancelled, not written.
  ~TWorkerPool() {
    CancelAll();
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    work_.notify_all();
    for (auto& worker : workers_) worker->Thread.join();
  }

  void Run(const std::vector<TTransferItem>& items, const TWorkerSetup& setup) {
    main_.BeforeRefusal = [this] { Drain(); };
    const TScopeExit forget([this] { main_.BeforeRefusal = nullptr; });
    for (const TTransferItem& item : items) {
      if (item.Info->Archive || !item.CopyFiles || stopped_) continue;
      const int window = std::clamp(setup.Window ? setup.Window(*item.Info) : setup.Threads, 1,
                                    static_cast<int>(workers_.size()));
      ProcessMessages();
      for (TFileInfo* file : *item.CopyFiles) {
        while (!stopped_ && Outstanding() >= window) WaitAndRecord();
        if (stopped_) break;
        const auto& record = *static_cast<const TBackupFileInfo*>(file);
        main_.BytesDone = DoneBytes();
        const TFileTransfer::TPrepared step = main_.Prepare(record);
        if (step == TFileTransfer::TPrepared::Stop) {
          CancelAll();
          break;
        }
        if (step == TFileTransfer::TPrepared::Counted) AddDone(record.Size);
        if (step == TFileTransfer::TPrepared::Write) Hand(record, item);
      }
    }
    Drain();
    main_.BytesDone = DoneBytes();
    if (progress_) progress_->SetDone(main_.BytesDone);
  }

private:
  void Work(TWorker& worker) {
    for (;;) {
      TJob* job = nullptr;
      {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [this] { return closing_ || !ready_.empty(); });
        if (ready_.empty()) return;
        job = ready_.front();
        ready_.pop_front();
      }
      if (!worker.Cancel.load()) {
        try {
          job->Outcome = worker.Transfer->WriteOne(*job->Record, job->Target, CipherOf(worker, *job->Item));
        } catch (...) {
          job->Error = std::current_exception();
        }
        job->Ran = true;
      }
      {
        std::lock_guard lock(mutex_);
        if (job->Done) std::terminate();  // a job completes once; a second completion is a fault here
        job->Done = true;
        if (job->Ran) doneBytes_ += job->Record->Size;
        worker.Partial.store(0);
        --outstanding_;
        ++finished_;
      }
      done_.notify_all();
    }
  }

  // The worker's own cipher of the item, made when its first file of the item comes.
  static TCipherManager* CipherOf(TWorker& worker, const TTransferItem& item) {
    if (!item.Info->Encrypt) return nullptr;
    if (worker.CipherItem != item.Info) {
      worker.Cipher.reset();
      worker.CipherItem = nullptr;
      worker.Cipher = CreateItemCipher(*item.Info, item.RunCipherKey);
      worker.Transfer->InstallCipherProgress(*worker.Cipher);
      worker.CipherItem = item.Info;
    }
    return worker.Cipher.get();
  }

  void Hand(const TBackupFileInfo& record, const TTransferItem& item) {
    TJob& job = jobs_.emplace_back();
    job.Record = &record;
    job.Item = &item;
    job.Target = main_.Target();
    {
      std::lock_guard lock(mutex_);
      ready_.push_back(&job);
      ++outstanding_;
    }
    work_.notify_one();
  }

  // Waits a little for a worker, records what finished in the plan's order, shows the
  // bytes and lets messages run (where the stop and pause buttons act).
  void WaitAndRecord() {
    {
      std::unique_lock lock(mutex_);
      const uint64_t seen = finished_;
      done_.wait_for(lock, kPumpEvery, [&] { return finished_ != seen; });
    }
    RecordFinished();
    if (!progress_) return;
    int64_t done = 0, partial = 0;
    {
      std::lock_guard lock(mutex_);
      done = doneBytes_;
      for (const auto& worker : workers_) partial += worker->Partial.load();
    }
    progress_->SetDone(done);
    progress_->ShowPartial(partial);
    ProcessMessages();
    if (!stopped_ && progress_->StopRequested()) {
      main_.Stopped = true;
      CancelAll();
    }
  }

  void RecordFinished() {
    while (!jobs_.empty()) {
      TJob& job = jobs_.front();
      {
        std::lock_guard lock(mutex_);
        if (!job.Done) return;
      }
      if (job.Error) {
        const std::exception_ptr error = job.Error;
        jobs_.pop_front();
        CancelAll();
        std::rethrow_exception(error);
      }
      if (job.Ran) main_.Record(*job.Record, job.Outcome);
      jobs_.pop_front();
    }
  }

  void Drain() {
    while (!jobs_.empty()) WaitAndRecord();
  }

  void CancelAll() {
    stopped_ = true;
    for (auto& worker : workers_) worker->Cancel.store(true);
  }

  int Outstanding() {
    std::lock_guard lock(mutex_);
    return outstanding_;
  }
  int64_t DoneBytes() {
    std::lock_guard lock(mutex_);
    return doneBytes_;
  }
  void AddDone(int64_t bytes) {
    std::lock_guard lock(mutex_);
    doneBytes_ += bytes;
  }

  TFileTransfer& main_;
  IProgress* progress_;
  std::vector<std::unique_ptr<TWorker>> workers_;
  std::deque<TJob> jobs_;  // handed out and not yet recorded, in the plan's order (this thread only)
  bool stopped_ = false;
  TMutex folderLock_;

  TMutex mutex_;  // guards what follows
  TCondition work_, done_;
  std::deque<TJob*> ready_;
  int outstanding_ = 0;
  uint64_t finished_ = 0;
  int64_t doneBytes_ = 0;
  bool closing_ = false;
};

}  // namespace

void TransferOnWorkers(const std::vector<TTransferItem>& items, TFileTransfer& transfer, const TWorkerSetup& setup,
                       IProgress* progress, bool silent) {
  int threads = 1;
  for (const TTransferItem& item : items) {
    if (item.Info->Archive || !item.CopyFiles || item.CopyFiles->Empty()) continue;
    threads = std::max(threads, setup.Window ? setup.Window(*item.Info) : setup.Threads);
  }
  threads = std::min(threads, kMostThreads);
  TWorkerPool pool(transfer, setup, threads, progress, silent);
  pool.Run(items, setup);
}

int DefaultTransferThreads(const std::wstring& destFolder, unsigned processors) {
  if (Files().ServesCallsOneAtATime()) return 1;
  TDriveType type = TDriveType::Unknown;
  if (IVolumes* volumes = Platform().Volumes.get()) type = volumes->DriveType(AddBackslash(PathRoot(destFolder)));
  switch (type) {
    case TDriveType::Remote:
      return 8;
    case TDriveType::Removable:
    case TDriveType::CdRom:
      return 1;
    default:
      return std::clamp(static_cast<int>(processors), 4, 8);
  }
}

}  // namespace vog
