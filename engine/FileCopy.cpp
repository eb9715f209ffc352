// The writing of one file: the system copy with its retries, the stream copy for a target
// the system cannot encrypt, the read-back check, and the cipher copy.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/FileTransfer.h"
#include "engine/FileWrite.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "platform/StreamCopy.h"
#include "scan/FileInfo.h"
#include "scan/FileUtils.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr uint32_t kProtected = attr::ReadOnly | attr::Hidden | attr::System;

}  // namespace

uint32_t TFileTransfer::SystemCopy(const std::wstring& source, const std::wstring& target, bool newOnly) {
  IFileSystem& files = Files();
  // A worker's flag is set only by a stop, which ends every worker's copy for good.
  if (workerCancel_) return files.CopyEntry(source, target, newOnly, copyProgress_, workerCancel_);
  if (!Polling()) return files.CopyEntry(source, target, newOnly, TCopyProgress(), nullptr);
  std::atomic<bool>& cancel = progress_->CopyCancelFlag();
  cancel = false;
  return files.CopyEntry(source, target, newOnly, copyProgress_, &cancel);
}

// A target that refuses to be replaced because it is read-only (or hidden or system, which
// the system copy refuses as well) is cleared, copied onto and given back its attributes,
// whether or not the copy succeeded.
uint32_t TFileTransfer::CopyOverProtected(const std::wstring& source, const std::wstring& target) {
  IFileSystem& files = Files();
  uint32_t attributes = 0;
  if (files.GetAttributes(target, attributes) != err::Success || (attributes & attr::Directory) ||
      (attributes & kProtected) == 0)
    return err::AccessDenied;
  if (const uint32_t code = files.SetAttributes(target, attributes & ~kProtected)) return code;
  const uint32_t code = SystemCopy(source, target, false);
  files.SetAttributes(target, attributes);
  return code;
}

// Through streams, for a target the system cannot encrypt (6000). A failure of the stream
// copy removes the partly written target and is recorded like any other.
uint32_t TFileTransfer::StreamCopy(const std::wstring& source, const std::wstring& target) {
  if (workerCancel_) return CopyThroughStreams(Files(), source, target, copyProgress_, workerCancel_);
  if (!Polling()) return CopyThroughStreams(Files(), source, target);
  std::atomic<bool>& cancel = progress_->CopyCancelFlag();
  cancel = false;
  return CopyThroughStreams(Files(), source, target, copyProgress_, &cancel);
}

// Reads the written file back and compares it with its source (the write removes a copy
// that differs: under its final name it would compare as current in the next run).
uint32_t TFileTransfer::CompareCopy(const std::wstring& source, const std::wstring& target) {
  IFileSystem& files = Files();
  std::unique_ptr<IFileStream> a, b;
  if (const uint32_t code = files.OpenFile(source, TOpenMode::Read, share::Read | share::Write, a)) return code;
  if (const uint32_t code = files.OpenFile(target, TOpenMode::Read, share::Read, b)) return code;
  buffer_.resize(kChunk);
  compare_.resize(kChunk);
  uint32_t code = err::Success;
  for (;;) {
    size_t gotA = 0, gotB = 0;
    if ((code = a->Read(buffer_.data(), kChunk, gotA)) != err::Success) break;
    if ((code = b->Read(compare_.data(), kChunk, gotB)) != err::Success) break;
    if (gotA != gotB || std::memcmp(buffer_.data(), compare_.data(), gotA) != 0) {
      code = kVerifyMismatch;
      break;
    }
    if (gotA == 0) break;
  }
  return code;
}

uint32_t TFileTransfer::CopyOnce(const std::wstring& source, const std::wstring& target, bool newOnly) {
  uint32_t code = SystemCopy(source, target, newOnly);
  if (code == err::AccessDenied && !newOnly)
    code = CopyOverProtected(source, target);
  else if (code == err::Encrypted)
    code = StreamCopy(source, target);
  // A new file that failed half-way is not left for a retry (or a later run) to take as
  // an existing one. A copy that could not open its source (held by another program,
  // gone, denied) or create the target failed before it made anything: whatever stands
  // under the name then is an older backup, which stays.
  const bool madeNothing = code == err::FileExists || code == err::FileNotFound || code == err::PathNotFound ||
                           code == err::AccessDenied || code == err::SharingViolation ||
                           code == err::LockViolation;
  if (newOnly && code != err::Success && !madeNothing) RemoveUnfinished(target);
  return code;
}

bool TFileTransfer::WaitBeforeRetry(int attempt, const std::wstring& source) {
  if (Polling()) {
    progress_->SetStateText(L"再試行 " + std::to_wstring(attempt) + L"/" + std::to_wstring(options_.RetryCount) +
                            L": " + source);
  }
  const int steps = std::max(0, options_.RetryWaitSeconds) * 10;
  if (workerCancel_) {
    // A worker has no messages to let run; it sleeps, and a stop ends the wait.
    for (int i = 0; i < steps && !workerCancel_->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return !workerCancel_->load();
  }
  for (int i = 0; i < steps; ++i) {
    if (Polling()) {
      ProcessMessages();
      if (progress_->StopRequested()) return false;
    }
    MessagePump().Wait(100);
  }
  return !(Polling() && progress_->StopRequested());
}

uint32_t TFileTransfer::CopyCode(const TBackupFileInfo& record, const std::wstring& target, bool newOnly) {
  const std::wstring source = record.FullPath();
  uint32_t code = CopyOnce(source, target, newOnly);
  for (int attempt = 1; code != err::Success && IsPassingFailure(code) && attempt <= options_.RetryCount; ++attempt) {
    if (!WaitBeforeRetry(attempt, source)) break;
    code = CopyOnce(source, target, newOnly);
  }
  return code;
}

bool TFileTransfer::CopyOneFile(const TBackupFileInfo& record, const std::wstring& target) {
  const uint32_t code = CopyCode(record, target, false);
  if (code == err::Success) {
    RecordCopied(record);
    return true;
  }
  RecordFailed(record, code);
  return false;
}

void TFileTransfer::InstallCipherProgress(TCipherManager& cipher) {
  cipher.OnProgress = [this](TCipherManager&, int64_t done, int64_t total) {
    if (workerCancel_) {
      workerPartial_->store(done, std::memory_order_relaxed);
      if (workerCancel_->load()) throw EFileWriteError(L"Stop", err::RequestAborted);
      return;
    }
    if (!Polling() || total <= 0) return;
    progress_->ShowPartial(done);
    ProcessMessages();
    if (progress_->StopRequested()) throw EFileWriteError(L"Stop", err::RequestAborted);
  };
}

uint32_t TFileTransfer::RunCipher(TCipherManager& cipher, const TBackupFileInfo& record, const std::wstring& target) {
  if (record.BackupInfo->Decrypt)
    cipher.DecipherFile(record.FullPath(), target);
  else
    cipher.EncipherFile(record.FullPath(), target);
  return err::Success;
}

// The summary properties are a courtesy: a failure leaves the file as written. (The time
// stamp is a step of the write, TFileWrite.)
void TFileTransfer::CopyPropertiesAfterCipher(const std::wstring& source, const std::wstring& target) {
  if (IShell* shell = Platform().Shell.get()) shell->CopySummaryInformation(source, target);
}

uint32_t TFileTransfer::EncryptCode(TCipherManager& cipher, const TBackupFileInfo& record, const std::wstring& target,
                                   bool newOnly) {
  const std::wstring source = record.FullPath();
  IFileSystem& files = Files();
  uint32_t attributes = 0;
  if (newOnly) {
    // Anything but a clear "not there" counts as there: the write then goes beside it.
    const uint32_t state = files.GetAttributes(target, attributes);
    if (state != err::FileNotFound && state != err::PathNotFound) return err::FileExists;
  }
  uint32_t code = err::Success;
  try {
    RunCipher(cipher, record, target);
    CopyPropertiesAfterCipher(source, target);
    return err::Success;
  } catch (const EFileCreateError& e) {
    code = e.Code() ? e.Code() : err::AccessDenied;
  } catch (const EFileWriteError& e) {
    // Also a stop: the partly written target goes.
    DeleteFileForce(target);
    return e.Code() ? e.Code() : err::WriteFault;
  } catch (const ECipherFileError& e) {
    return e.Code() ? e.Code() : err::ReadFault;
  } catch (const Error&) {
    return err::GenFailure;
  }

  // The target could not be created: clear what stands in the way and run once more.
  const bool exists = files.GetAttributes(target, attributes) == err::Success;
  const bool cleared = exists && (attributes & kProtected) && !(attributes & attr::Directory) &&
                       files.SetAttributes(target, attributes & ~kProtected) == err::Success;
  if (!exists)
    files.RemoveFile(target);
  else if (!cleared)
    DeleteFileForce(target);
  bool ok = false;
  try {
    RunCipher(cipher, record, target);
    ok = true;
    if (cleared) CopyPropertiesAfterCipher(source, target);
  } catch (const ECipherFileError& e) {
    if (e.Code()) code = e.Code();
    if (dynamic_cast<const EFileWriteError*>(&e)) DeleteFileForce(target);
  } catch (const Error&) {
    code = err::GenFailure;
  }
  if (cleared) files.SetAttributes(target, attributes);
  return ok ? err::Success : code;
}

bool TFileTransfer::EncryptOneFile(TCipherManager& cipher, const TBackupFileInfo& record, const std::wstring& target) {
  const uint32_t code = EncryptCode(cipher, record, target, false);
  if (code == err::Success) {
    CopyFileDate(record.FullPath(), target);
    RecordCopied(record);
    return true;
  }
  RecordFailed(record, code);
  return false;
}

}  // namespace vog
