#include "engine/FileWrite.h"

#include "engine/HistoryFolders.h"
#include "engine/TransferPaths.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"
#include "scan/FileUtils.h"

namespace vog {

namespace {

constexpr uint32_t kProtected = attr::ReadOnly | attr::Hidden | attr::System;

// Moves the finished file `written` over `finalPath` in one step. A read-only (or hidden or
// system) file there refuses to be replaced: its bits are cleared for the move and the new
// file takes them over, as it takes over the old one's place.
uint32_t ReplaceWith(const std::wstring& written, const std::wstring& finalPath) {
  IFileSystem& files = Files();
  // A new file's rename asks for no replacement first: the system then looks at nothing
  // under the final name (per-file calls are what a first copy of many files costs).
  uint32_t code = files.MoveEntry(written, finalPath, false);
  if (code != err::AlreadyExists && code != err::FileExists) return code;
  code = files.MoveEntry(written, finalPath, true);
  uint32_t attributes = 0;
  if (code != err::AccessDenied || files.GetAttributes(finalPath, attributes) != err::Success ||
      (attributes & attr::Directory) || !(attributes & kProtected) ||
      files.SetAttributes(finalPath, attributes & ~kProtected) != err::Success)
    return code;
  code = files.MoveEntry(written, finalPath, true);
  files.SetAttributes(finalPath, attributes);
  return code;
}

}  // namespace

void RemoveUnfinished(const std::wstring& path) {
  uint32_t attributes = 0;
  if (Files().GetAttributes(path, attributes) == err::Success && !(attributes & attr::Directory))
    DeleteFileForce(path);
}

TFileWrite::TFileWrite(THistoryMover& history, TAclCopyCall copyDacl, TCompareBytes compare)
    : history_(history), copyDacl_(std::move(copyDacl)), compare_(std::move(compare)), tempName_(kTempFileName) {}

TFileWriteResult TFileWrite::Write(const TBackupFileInfo& record, const std::wstring& finalPath,
                                   const TFileWriteSteps& steps, const TWriteBytes& write) {
  TFileWriteResult result;
  std::wstring written;
  auto fail = [&](TWriteStep step, uint32_t code) {
    if (!written.empty()) RemoveUnfinished(written);
    result.Failed = step;
    result.Code = code;
    return result;
  };

  // 1. The bytes, under the temporary name whether the file is new or replaces another
  // (the rename that follows costs little beside the copy). A leftover of a killed run
  // under that name is simply overwritten.
  written = TempPathBeside(finalPath, tempName_);
  uint32_t code = write(written, true);  // the cheaper call where nothing stands there
  if (code == err::FileExists) code = write(written, false);
  if (code != err::Success) return fail(TWriteStep::Write, code);

  // 2. and 3. Checked and stamped before the file can be taken for a good copy.
  const std::wstring source = record.FullPath();
  if (steps.Verify && compare_) {
    if ((code = compare_(source, written)) != err::Success) return fail(TWriteStep::Verify, code);
  }
  // A source time outside the DOS range has no stamp to give; the file itself is complete.
  if (steps.StampLastWrite && !CopyFileDate(source, written, &code) && code != err::InvalidParameter)
    return fail(TWriteStep::Stamp, code);

  // 4. and 5. The old version makes way only now, and comes back if the rename fails.
  THistoryUndo undo;
  if (steps.KeepHistory) {
    switch (history_.MoveToHistory(record, &undo)) {
      case THistoryMove::Refused:
        result.Refused = true;
        return fail(TWriteStep::History, err::AccessDenied);
      case THistoryMove::Failed:
        return fail(TWriteStep::History, history_.LastError());
      case THistoryMove::NoFile:
      case THistoryMove::Moved:
        break;
    }
  }
  if ((code = ReplaceWith(written, finalPath)) != err::Success) {
    THistoryMover::Undo(undo);
    return fail(TWriteStep::Rename, code);
  }
  THistoryMover::Keep(undo);

  // On the file under its final name, whatever the rename keeps; a failure here leaves a
  // complete copy, so it is not undone.
  if (steps.CopyAcl && copyDacl_) copyDacl_(source, finalPath);
  if (steps.CopyCreationTime) CopyFileCreationTime(source, finalPath);
  return result;
}

}  // namespace vog
