#pragma once
// Writing the planned files of plain items, one at a time: the user confirms an overwrite
// where the item asks, the file is written by the system copy or by the item cipher as one
// transaction (TFileWrite: temporary name, verify, time stamp, history, rename), and the
// outcome is recorded once: a written file in CopiedFiles, a failed one in ErrorFiles with
// its Windows error code in Attr.
//
// One object serves one transfer phase of a run. A failure of one file is recorded and
// never thrown; nothing here throws for a file-system failure.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/FileWrite.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPaths.h"
#include "platform/FileSystem.h"
#include "scan/FileInfoList.h"

namespace vog {

class IProgress;
class TBackupInfo;
class TBackupFileInfo;
class TCipherManager;

// What one write ended with, carried from a worker back to where it is recorded.
struct TWriteOutcome {
  TFileWriteResult Result;
  std::wstring RefusedPath, RefusedRoot;  // with Result.Refused
};

struct TTransferOptions {
  bool Silent = false;            // no progress window: nothing is shown and nothing can be stopped
  bool CopyAcl = false;           // copy the source's access list onto each written file
  bool CopyCreationTime = false;  // copy the source's creation time onto each written file
  // Sharing, lock and network failures (IsPassingFailure) are tried again up to
  // RetryCount times, RetryWaitSeconds apart; the last failure is what gets recorded.
  int RetryCount = 0;
  int RetryWaitSeconds = 0;
  // Each written file is read back and compared with its source.
  bool Verify = false;
};

// The cipher of a plain encrypting item: the item's CipherName in CBC mode, keyed with
// the item's CipherKey, or `runKey` when the item stores none.
std::unique_ptr<TCipherManager> CreateItemCipher(const TBackupInfo& item, const std::string& runKey);

class TFileTransfer {
public:
  // `progress` may be null (a silent run). The lists, the progress and the history mover
  // must outlive the object.
  TFileTransfer(TOwnedFileInfoList& copiedFiles, TOwnedFileInfoList& errorFiles, const TTransferOptions& options,
                IProgress* progress, THistoryMover& history, TPathGuard guard);
  ~TFileTransfer();
  TFileTransfer(const TFileTransfer&) = delete;
  TFileTransfer& operator=(const TFileTransfer&) = delete;

  // The remembered answers of the overwrite question, and the stop of the phase.
  bool YesToAll = false;
  bool NoToAll = false;
  bool Stopped = false;
  // Bytes of the files handled so far in the phase (the bar's position before a file).
  int64_t BytesDone = 0;
  // Access list copy (null: none is copied even with CopyAcl).
  TAclCopyCall CopyDacl;

  // One planned file of a plain item: shows it, honours a stop, asks before an overwrite
  // where the item wants it, writes it (TFileWrite) and records the outcome. `cipher` is
  // the item's cipher when it has Encrypt. False when a stop ends the loop before this file.
  bool TransferOne(const TBackupFileInfo& record, TCipherManager* cipher);

  // TransferOne in its three steps, for a transfer that writes on worker threads: Prepare
  // and Record on the thread of the user interface, in the plan's order; WriteOne on a
  // worker's own object (MakeWorker).
  enum class TPrepared {
    Stop,     // a stop ends the loop before this file
    Counted,  // not written (refused), its size counts as handled
    Skipped,  // not written (the overwrite question said no), nothing counts
    Write,    // to be written to Target()
  };
  TPrepared Prepare(const TBackupFileInfo& record);
  const std::wstring& Target() const { return target_; }
  TWriteOutcome WriteOne(const TBackupFileInfo& record, const std::wstring& target, TCipherManager* cipher);
  void Record(const TBackupFileInfo& record, const TWriteOutcome& outcome);
  // Called before Prepare records a refused file, so that what was written before it is
  // recorded first.
  std::function<void()> BeforeRefusal;

  // Makes this object a worker's: it shows nothing and pumps no messages; `cancel` ends its
  // copy or cipher run at once (1235) and its waits between retries; `partial` receives
  // the bytes of the current file; its writer uses `tempName` (WorkerTempName).
  void BecomeWorker(std::atomic<bool>& cancel, std::atomic<int64_t>& partial, std::wstring tempName);
  const TTransferOptions& Options() const { return options_; }

  // System copy of the record's file onto `target`, with the retries for a read-only
  // target (5), a target the system cannot encrypt (6000) and passing failures; the
  // outcome is recorded. CopyCode is the same without the record: 0 or the code.
  bool CopyOneFile(const TBackupFileInfo& record, const std::wstring& target);
  uint32_t CopyCode(const TBackupFileInfo& record, const std::wstring& target, bool newOnly);
  // The item cipher's encode (decode with Decrypt) of the record's file onto `target`,
  // with the retries for a target that cannot be created; recorded, or the code alone.
  bool EncryptOneFile(TCipherManager& cipher, const TBackupFileInfo& record, const std::wstring& target);
  uint32_t EncryptCode(TCipherManager& cipher, const TBackupFileInfo& record, const std::wstring& target,
                       bool newOnly);
  // The overwrite question for an existing target: Yes, No, No to all, Yes to all.
  bool AskOverwrite(const std::wstring& target, const TBackupFileInfo& record);

  // The cipher progress event: the bar, the message pump and a stop (1235).
  void InstallCipherProgress(TCipherManager& cipher);

  // The final destination path of a record: DestinationRoot + "\" + RelativePath.
  std::wstring FinalPath(const TBackupFileInfo& record) const;

private:
  uint32_t SystemCopy(const std::wstring& source, const std::wstring& target, bool newOnly);
  uint32_t CopyOnce(const std::wstring& source, const std::wstring& target, bool newOnly);
  uint32_t CopyOverProtected(const std::wstring& source, const std::wstring& target);
  uint32_t StreamCopy(const std::wstring& source, const std::wstring& target);
  uint32_t CompareCopy(const std::wstring& source, const std::wstring& target);
  // Waits before retry `attempt`; false when a stop ends the wait.
  bool WaitBeforeRetry(int attempt, const std::wstring& source);
  uint32_t RunCipher(TCipherManager& cipher, const TBackupFileInfo& record, const std::wstring& target);
  void CopyPropertiesAfterCipher(const std::wstring& source, const std::wstring& target);
  // A failure at the rename turns a copy into an error under its final name; any other
  // failure is recorded under the source's path.
  void RecordFailedAt(const TBackupFileInfo& record, uint32_t code);

  void RecordCopied(const TBackupFileInfo& record);
  void RecordFailed(const TBackupFileInfo& record, uint32_t code);
  bool Polling() const { return progress_ && !options_.Silent; }

  TOwnedFileInfoList& copiedFiles_;
  TOwnedFileInfoList& errorFiles_;
  TTransferOptions options_;
  IProgress* progress_;
  THistoryMover& history_;
  TPathGuard guard_;
  TFileWrite write_;
  std::atomic<bool>* workerCancel_ = nullptr;  // set on a worker's object
  std::atomic<int64_t>* workerPartial_ = nullptr;
  TCopyProgress copyProgress_;  // made once: no allocation per file
  std::vector<char> buffer_;    // the read-back check, made on first use
  std::vector<char> compare_;
  const TBackupInfo* rootItem_ = nullptr;  // the item whose destination root is shared below
  TSharedText destRoot_;
  std::wstring target_;  // reused for every file
};

}  // namespace vog
