// The unattended run (RunQuietBackup) and the run log (WriteRunLog) of the main form.
#include <memory>
#include <vector>

#include "app/ExitCodes.h"
#include "app/MainForm.h"
#include "app/RunChecks.h"
#include "app/RunSteps.h"
#include "app/SavedFolders.h"
#include "base/Error.h"
#include "base/Path.h"
#include "base/TextFile.h"
#include "platform/FileIo.h"
#include "engine/BackupHistoryDatabase.h"
#include "model/PathMacros.h"
#include "model/TitleRules.h"
#include "platform/Platform.h"
#include "scan/BackupLog.h"
#include "scan/FileInfoList.h"
#include "scan/Questions.h"
#include "services/drives/Drives.h"

namespace vog {

namespace {

inline constexpr const wchar_t* kNoEngine = L"バックアップを実行できません";

// Whether a log file name says where it lies (a folder, a drive or a macro for one).
bool HasFolderPart(const std::wstring& name) { return name.find_first_of(L"\\/:") != std::wstring::npos; }

}  // namespace

TQuietRunResult TMainForm::RunQuietBackup() {
  TQuietRunResult result;
  if (Busy) return result;
  // One run per data file: a second one would share its work copies, history database
  // and destination with the first.
  std::unique_ptr<IHeldLock> lock;
  if (!HoldDataFile(lock)) {
    result.OtherRunActive = true;
    result.ExitCode = exitcode::OtherRunActive;
    WriteUnattendedError(OtherRunMessage());
    return result;
  }
  result.Ran = true;

  SetItemDestinations();
  // An item whose title the folder check refuses never runs, so it clashes with nothing.
  std::vector<TBackupInfo*> named;
  for (TBackupInfo* item : Items)
    if (TitleProblem(item->Title).empty()) named.push_back(item);
  const TClashes clashes = FindClashes(named);
  uint8_t code = clashes.Code;

  view_.SetBusyCursor(true);
  if (Data.IdlePriority) view_.SetIdlePriority(true);
  TBackupHistoryDatabase database;
  TSavedFolders saved;
  std::unique_ptr<IBackupRunner> runner;
  TDateTime start = Clock().Now();
  Busy = true;
  view_.EnableRunButtons(false);
  // The quiet run never asks: nobody may be at the machine, and a box would hold a
  // scheduled run for ever. Every question takes its default answer (an item with
  // ConfirmOverwrite is overwritten: see README).
  IQuestions* questions = InstallQuestions(nullptr);

  // The end of the run, whatever ended it: the engine goes first, connections made for the
  // run are cancelled, and every item shows its stored folder texts again.
  auto finish = [&] {
    runner.reset();
    for (const TBackupInfo* item : Items)
      if (item->NetLogon && item->NetDisconnect) DisconnectShare(item->DestFolder);
    view_.EnableRunButtons(true);
    Busy = false;
    saved.PutBack(Items);
    if (Data.IdlePriority) view_.SetIdlePriority(false);
    view_.SetBusyCursor(false);
    InstallQuestions(questions);
  };

  // Items the checks left out, for Vogratel.err (the log holds only the last code).
  TRunProblems leftOut;
  try {
    const bool useDatabase = AnyUsesHistoryDatabase(Items);
    if (useDatabase) {
      if (!HistoryDatabasePath.empty()) database.SetDatabaseFile(HistoryDatabasePath);
      database.Load();
    }
    start = Clock().Now();
    if (!RunnerFactory) throw Error(kNoEngine);
    runner = RunnerFactory();
    runner->SetHistoryDatabase(&database);
    runner->SetWorkFolder(WorkFolder);
    runner->SetSilent(true);
    runner->SetCopyAcl(CopyAcl);
    runner->SetCopyCreationTime(CopyCreationTime);
    runner->SetMirrorGuard(RunOptions.Guard, false);
    runner->SetRetry(RunOptions.RetryCount, RunOptions.RetryWaitSeconds);
    runner->SetVerify(RunOptions.Verify);
    runner->SetThreads(RunOptions.Threads);

    const std::wstring mainFolder = HasMacro(DestinationText) ? ExpandMacros(DestinationText) : DestinationText;
    std::vector<const TBackupInfo*> added;
    for (size_t i = 0; i < clashes.Items.size(); ++i)
      leftOut.Add(TProblemKind::ItemLeftOut, clashes.Items[i]->Title, clashes.Code, clashes.Messages[i]);
    for (TBackupInfo* item : Items) {
      saved.Expand(*item, DestinationText, mainFolder);
      TItemCheck check = CheckItemFolder(*item, mainFolder);
      if (check.Code == runcode::None && clashes.Contains(item)) continue;  // recorded above
      if (check.Code == runcode::None) check = CheckUnattendedKey(*item);
      if (check.Code == runcode::None) check = CheckItem(*item, NoDestinationCheck);
      if (check.Code != runcode::None) {
        code = check.Code;
        leftOut.Add(TProblemKind::ItemLeftOut, item->Title, check.Code, std::move(check.Message));
        continue;
      }
      runner->AddItem(item);
      added.push_back(item);
    }

    runner->Plan();
    RemoveExpiredHistory(*runner, added);
    runner->Execute();

    if (useDatabase) UpdateHistoryDatabase(database, *runner);

    // A guard that held deletions back is the last thing the run met; an item left out
    // or a clash, which leave data without a backup, keep their code.
    const bool heldBack = runner->DeletionsHeldBack();
    const uint8_t logCode = code == runcode::None && heldBack ? runcode::DeletionsHeldBack : code;
    const TDateTime end = Clock().Now();
    if (Data.WriteLog) {
      try {
        WriteRunLog(*runner, logCode, end - start);
      } catch (const Error&) {
        // The unattended run has nobody to tell; the run itself is complete.
      }
    }
    // Nobody reads a box after a quiet run: what the log cannot hold goes to the error file.
    leftOut.Append(runner->Problems());
    if (!leftOut.Empty()) WriteUnattendedReport(leftOut.Messages());
    result.RunErrorCode = code;
    result.FailedFiles = runner->ErrorFiles().Count();
    result.DeletionsHeldBack = heldBack;
    result.ExitCode = QuietRunExitCode(code, result.FailedFiles, result.DeletionsHeldBack);
  } catch (const Error&) {
    WriteErrorLog(runner.get(), Clock().Now() - start);
    finish();
    throw;
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return result;
}

std::wstring TMainForm::RunLogPath() const {
  const std::wstring name = CodePage().AnsiToWide(Data.LogFileName);
  if (HasFolderPart(name)) return HasMacro(name) ? ExpandMacros(name) : name;
  return AddBackslash(Files().ProgramFolder()) + name;
}

void TMainForm::WriteRunLog(IBackupRunner& runner, uint8_t errorCode, TDateTime elapsed) {
  TBackupLog log;
  log.SetLogFileName(RunLogPath());
  log.SetDataFileName(DataFilePath);
  const TFileInfoList copied = runner.CopiedFiles(), failed = runner.ErrorFiles(), deleted = runner.AllMirrorFiles();
  log.SetCopiedFiles(&copied);
  log.SetErrorFiles(&failed);
  log.SetDeletedFiles(&deleted);
  log.SetKeepCount(Data.LogKeepCount);
  log.SetElapsedTime(elapsed);
  log.SetResultCode(errorCode);
  log.Write();
}

void TMainForm::WriteErrorLog(IBackupRunner* runner, TDateTime elapsed) {
  if (!Data.WriteLog) return;
  TFileInfoList copied, deleted, failed;
  if (runner) {
    copied = runner->CopiedFiles();
    deleted = runner->AllMirrorFiles();
    failed = runner->ErrorFiles();
  }
  TBackupLog log;
  log.SetLogFileName(RunLogPath());
  log.SetDataFileName(DataFilePath);
  log.SetCopiedFiles(&copied);
  log.SetErrorFiles(&failed);
  log.SetDeletedFiles(&deleted);
  log.SetKeepCount(Data.LogKeepCount);
  log.SetElapsedTime(elapsed);
  log.SetResultCode(runcode::RunError);
  try {
    log.Write();
  } catch (const Error&) {
    // the exit code and the error file still tell
  }
}

void TMainForm::WriteUnattendedError(const std::wstring& message) { WriteUnattendedReport({message}); }

void TMainForm::WriteUnattendedReport(const std::vector<std::wstring>& messages) {
  // A line per message: when, the data file, the message (its line breaks made blanks).
  const std::wstring head =
      L"【" + FormatDateTime(L"yyyy/mm/dd hh:nn:ss", Clock().Now()) + L"】\t" + DataFilePath + L"\t";
  std::wstring text;
  for (const std::wstring& message : messages) {
    text += head;
    for (wchar_t c : message) text += c == L'\r' || c == L'\n' || c == L'\t' ? L' ' : c;
    text += L"\r\n";
  }
  WriteFileReplacing(AddBackslash(Files().ProgramFolder()) + kUnattendedErrorFile, EncodeUtf16LeWithBom(text));
}

}  // namespace vog
