#include "engine/FileTransfer.h"

#include "base/DateTime.h"
#include "engine/Containment.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"
#include "scan/FileUtils.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "scan/Questions.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

// A local DOS date-time in the program's short date and long time, "" when invalid.
std::wstring DosText(int32_t dos) {
  TDateTime value = 0;
  if (!TryDosToDateTime(dos, value)) return std::wstring();
  return FormatDateTime(L"yyyy/mm/dd hh:nn:ss", value);
}

}  // namespace

std::unique_ptr<TCipherManager> CreateItemCipher(const TBackupInfo& item, const std::string& runKey) {
  auto cipher = std::make_unique<TCipherManager>();
  cipher->SetAlgorithm(item.CipherName);
  cipher->SetMode(TCipherMode::cmCBC);
  cipher->SetKeyText(item.CipherKey.empty() ? runKey : item.CipherKey);
  return cipher;
}

TFileTransfer::TFileTransfer(TOwnedFileInfoList& copiedFiles, TOwnedFileInfoList& errorFiles,
                             const TTransferOptions& options, IProgress* progress, THistoryMover& history,
                             TPathGuard guard)
    : copiedFiles_(copiedFiles),
      errorFiles_(errorFiles),
      options_(options),
      progress_(progress),
      history_(history),
      guard_(std::move(guard)),
      write_(
          history, [this](const std::wstring& s, const std::wstring& t) { return CopyDacl && CopyDacl(s, t); },
          [this](const std::wstring& s, const std::wstring& t) { return CompareCopy(s, t); }) {
  if (Polling()) {
    copyProgress_ = [this](int64_t copied, int64_t) {
      ProcessMessages();
      progress_->ShowPartial(copied);
    };
  }
}

TFileTransfer::~TFileTransfer() = default;

std::wstring TFileTransfer::FinalPath(const TBackupFileInfo& record) const { return DestinationPathOf(record); }

void TFileTransfer::RecordCopied(const TBackupFileInfo& record) {
  if (rootItem_ != record.BackupInfo || !destRoot_) {
    rootItem_ = record.BackupInfo;
    destRoot_ = MakeSharedText(AddBackslash(record.DestinationRoot()));
  }
  auto copied = std::make_unique<TBackupFileInfo>();
  copied->Assign(record);
  copied->SetRootFolder(destRoot_);
  copiedFiles_.Add(std::move(copied));
}

void TFileTransfer::RecordFailed(const TBackupFileInfo& record, uint32_t code) {
  auto failed = std::make_unique<TBackupFileInfo>();
  failed->Assign(record);
  failed->Attr = code;
  if (code == err::InvalidName) EscapeLineBreaks(*failed);
  errorFiles_.Add(std::move(failed));
}

bool TFileTransfer::TransferOne(const TBackupFileInfo& record, TCipherManager* cipher) {
  switch (Prepare(record)) {
    case TPrepared::Stop:
      return false;
    case TPrepared::Skipped:
      return true;
    case TPrepared::Counted:
      break;
    case TPrepared::Write:
      Record(record, WriteOne(record, target_, cipher));
      break;
  }
  BytesDone += record.Size;
  return true;
}

TFileTransfer::TPrepared TFileTransfer::Prepare(const TBackupFileInfo& record) {
  if (progress_) progress_->SetDone(BytesDone);
  if (Polling()) {
    progress_->SetStateText(record.FullPath());
    ProcessMessages();
    if (progress_->StopRequested()) {
      Stopped = true;
      return TPrepared::Stop;
    }
  }
  const TBackupInfo& item = *record.BackupInfo;
  target_.assign(item.DestFolder);
  target_ += L'\\';
  if (!record.SubFolder().empty()) {
    target_ += record.SubFolder();
    target_ += L'\\';
  }
  target_ += record.FileName;
  if (guard_ && BeforeRefusal && !IsInsideFolder(target_, item.DestFolder)) BeforeRefusal();
  if (guard_ && !guard_(target_, item.DestFolder, &record)) return TPrepared::Counted;
  if (!item.KeepHistory && item.ConfirmOverwrite && !AskOverwrite(target_, record)) return TPrepared::Skipped;
  return TPrepared::Write;
}

TWriteOutcome TFileTransfer::WriteOne(const TBackupFileInfo& record, const std::wstring& target,
                                      TCipherManager* cipher) {
  const TBackupInfo& item = *record.BackupInfo;
  TFileWriteSteps steps;
  steps.KeepHistory = item.KeepHistory;
  // Enciphered bytes cannot be compared with their source.
  steps.Verify = options_.Verify && !item.Encrypt;
  steps.StampLastWrite = item.Encrypt;
  steps.CopyAcl = options_.CopyAcl;
  steps.CopyCreationTime = options_.CopyCreationTime;
  TWriteOutcome outcome;
  TFileWriteResult& result = outcome.Result;
  if (item.Encrypt && !cipher) {
    result.Failed = TWriteStep::Write;
    result.Code = err::InvalidParameter;  // no cipher was made for the item
  } else if (item.Encrypt) {
    result = write_.Write(record, target, steps, [&](const std::wstring& to, bool newOnly) {
      return EncryptCode(*cipher, record, to, newOnly);
    });
  } else {
    result = write_.Write(record, target, steps,
                          [&](const std::wstring& to, bool newOnly) { return CopyCode(record, to, newOnly); });
  }
  if (result.Refused) {
    outcome.RefusedPath = history_.RefusedPath();
    outcome.RefusedRoot = history_.RefusedRoot();
  }
  return outcome;
}

void TFileTransfer::Record(const TBackupFileInfo& record, const TWriteOutcome& outcome) {
  const TFileWriteResult& result = outcome.Result;
  if (result.Ok()) {
    RecordCopied(record);
  } else if (result.Refused) {
    // The old version cannot be kept where it belongs, so it is not overwritten either.
    if (!guard_ || guard_(outcome.RefusedPath, outcome.RefusedRoot, &record))
      RecordFailed(record, kOutsideDestinationCode);
  } else if (result.Failed == TWriteStep::Rename) {
    RecordFailedAt(record, result.Code);
  } else {
    RecordFailed(record, result.Code);
  }
}

void TFileTransfer::BecomeWorker(std::atomic<bool>& cancel, std::atomic<int64_t>& partial, std::wstring tempName) {
  progress_ = nullptr;
  workerCancel_ = &cancel;
  workerPartial_ = &partial;
  write_.SetTempName(std::move(tempName));
  copyProgress_ = [&partial](int64_t copied, int64_t) { partial.store(copied, std::memory_order_relaxed); };
}

bool TFileTransfer::AskOverwrite(const std::wstring& target, const TBackupFileInfo& record) {
  if (YesToAll) return true;
  if (NoToAll) return false;
  TFindData info;
  if (Files().GetStatus(target, info) != err::Success) return true;

  std::wstring targetTime;
  int32_t dos = 0;
  if (TryFileTimeToDos(Clock().UtcToLocal(info.LastWriteTime), dos)) targetTime = DosText(dos);
  std::wstring message = target;
  message += L" を上書きしてもいいですか?\r\n\r\nバックアップ元： ";
  message += DosText(record.Time);
  message += L"\r\nバックアップ先： ";
  message += targetTime;
  switch (Questions().Ask(TQuestionKind::Warning, message, TQuestionButtons::YesNoNoToAllYesToAll)) {
    case TAnswer::No:
      return false;
    case TAnswer::NoToAll:
      NoToAll = true;
      return false;
    case TAnswer::YesToAll:
      YesToAll = true;
      return true;
    default:
      return true;
  }
}

void TFileTransfer::RecordFailedAt(const TBackupFileInfo& record, uint32_t code) {
  auto failed = std::make_unique<TBackupFileInfo>();
  failed->Assign(record);
  failed->SetRootFolder(MakeSharedText(AddBackslash(record.DestinationRoot())));
  failed->Attr = code;
  EscapeLineBreaks(*failed);
  errorFiles_.Add(std::move(failed));
}

}  // namespace vog
