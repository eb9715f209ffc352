#include "engine/FileTransfer.h"

#include "base/DateTime.h"
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
      guard_(std::move(guard)) {
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
  if (progress_) progress_->SetDone(BytesDone);
  if (Polling()) {
    progress_->SetStateText(record.FullPath());
    ProcessMessages();
    if (progress_->StopRequested()) {
      Stopped = true;
      return false;
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
  if (guard_ && !guard_(target_, item.DestFolder, &record)) {
    BytesDone += record.Size;
    return true;
  }

  if (item.KeepHistory) {
    if (history_.MoveToHistory(record) == THistoryMove::Refused) {
      // The old version cannot be kept where it belongs, so it is not overwritten either.
      if (!guard_ || guard_(history_.RefusedPath(), history_.RefusedRoot(), &record))
        RecordFailed(record, kOutsideDestinationCode);
      BytesDone += record.Size;
      return true;
    }
  } else if (item.ConfirmOverwrite && !AskOverwrite(target_, record)) {
    return true;
  }

  std::wstring written;
  if (item.UseTempFile) {
    written.assign(FolderPartOf(target_));
    written += kTempFileName;
  }
  const std::wstring& writeTarget = item.UseTempFile ? written : target_;
  bool ok = false;
  if (item.Encrypt && cipher)
    ok = EncryptOneFile(*cipher, record, writeTarget);
  else if (item.Encrypt)
    RecordFailed(record, err::InvalidParameter);  // no cipher was made for the item
  else
    ok = CopyOneFile(record, writeTarget);

  if (ok) {
    if (options_.CopyAcl && CopyDacl) CopyDacl(record.FullPath(), writeTarget);
    if (item.UseTempFile) ReplaceFromTempName(writeTarget, record);
    if (options_.CopyCreationTime) CopyFileCreationTime(record.FullPath(), FinalPath(record));
  } else {
    if (item.UseTempFile && PathExists(writeTarget)) DeleteFileForce(writeTarget);
    if (item.KeepHistory) history_.MoveBackFromHistory(record);
  }
  BytesDone += record.Size;
  return true;
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

bool TFileTransfer::ReplaceFromTempName(const std::wstring& temp, const TBackupFileInfo& record) {
  const std::wstring final = FinalPath(record);
  IFileSystem& files = Files();
  // `final` is the target TransferOne checked. Replace in one step where the system can; a
  // read-only final name is cleared first.
  uint32_t code = files.MoveEntry(temp, final, true);
  if (code != err::Success && PathExists(final)) {
    DeleteFileForce(final);
    code = files.MoveEntry(temp, final, true);
  }
  if (code == err::Success) return true;
  DeleteFileForce(temp);
  // The file's copied record is the last one made for it.
  for (int i = copiedFiles_.Count() - 1; i >= 0; --i) {
    TFileInfo* copied = copiedFiles_[i];
    if (CompareFullPath(*copied, final) != 0) continue;
    std::unique_ptr<TFileInfo> failed = copiedFiles_.Extract(i);
    failed->Attr = code;
    EscapeLineBreaks(*failed);
    errorFiles_.Add(std::move(failed));
    break;
  }
  return false;
}

}  // namespace vog
