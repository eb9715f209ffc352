// The interactive run and the restore of the main window.
#include "app/InteractiveRun.h"

#include <memory>
#include <vector>

#include "app/ExitCodes.h"
#include "app/MainForm.h"
#include "app/RunChecks.h"
#include "app/RunSteps.h"
#include "app/SavedFolders.h"
#include "base/Error.h"
#include "base/ScopeExit.h"
#include "engine/BackupHistoryDatabase.h"
#include "engine/Containment.h"
#include "engine/Restore.h"
#include "model/PathMacros.h"
#include "model/TitleRules.h"
#include "platform/Platform.h"
#include "scan/Questions.h"
#include "services/drives/Drives.h"

namespace vog {

namespace {

inline constexpr const wchar_t* kNoEngine = L"バックアップを実行できません";

TWindowPlace StoredResultPlace(const TAppData& settings) {
  TWindowPlace place;
  place.Left = settings.CopyResultWindowLeft;
  place.Top = settings.CopyResultWindowTop;
  place.Width = settings.CopyResultWindowWidth;
  place.Height = settings.CopyResultWindowHeight;
  return place;
}

void StoreResultPlace(TAppData& settings, const TWindowPlace& place) {
  settings.CopyResultWindowLeft = place.Left;
  settings.CopyResultWindowTop = place.Top;
  settings.CopyResultWindowWidth = place.Width;
  settings.CopyResultWindowHeight = place.Height;
}

// The whole-list checks on the checked items, before anything changes: clashes, each
// item's folder inside the destination, then the run's key (asked for the first item,
// checked or not, that enciphers without a key of its own). The first refusal's message,
// or empty.
std::wstring CheckWholeList(TMainForm& form, std::string& runKey) {
  form.SetItemDestinations();
  std::vector<TBackupInfo*> checked;
  for (int i = 0; i < form.Items.Count(); ++i)
    if (i < form.CheckList.Count() && form.CheckList.Checked(i)) checked.push_back(form.Items[i]);
  const TClashes clashes = FindClashes(checked);
  if (clashes.Code != runcode::None)
    return clashes.Code == runcode::ArchiveClash ? kArchiveClashMessage : kDestinationClashMessage;
  const std::wstring mainFolder =
      HasMacro(form.DestinationText) ? ExpandMacros(form.DestinationText) : form.DestinationText;
  for (const TBackupInfo* item : checked) {
    TItemCheck check = CheckItemFolder(*item, mainFolder);
    if (check.Code != runcode::None) return check.Message;
  }
  for (const TBackupInfo* item : form.Items) {
    if (!item->Encrypt || !item->CipherKey.empty()) continue;
    if (!Questions().AskCipherKey(runKey)) return kNoRunKey;
    break;
  }
  return {};
}

// The problems a run met that its file lists cannot show, after the finishing message.
std::wstring WithProblems(const std::wstring& message, const TRunProblems& problems) {
  std::wstring text = message;
  for (const std::wstring& line : problems.Messages()) text += L"\r\n\r\n" + line;
  return text;
}

}  // namespace

std::wstring RestoreChoiceProblem(bool otherFolder, const std::wstring& folder) {
  if (!otherFolder) return {};
  std::wstring resolved;
  if (folder.empty() || !ResolveWindowsPath(ExpandMacros(folder), resolved)) return kRestoreNoFolder;
  return {};
}

TInteractiveResult RunInteractiveBackup(TMainForm& form, IMainView& mainView, IRunView& view, bool preview,
                                        bool showResult) {
  TInteractiveResult result;
  if (form.Busy) return result;
  std::string runKey;
  if (std::wstring refusal = CheckWholeList(form, runKey); !refusal.empty()) {
    result.Refused = true;
    result.ExitCode = exitcode::RunError;
    mainView.ShowError(refusal);
    return result;
  }

  mainView.SetBusyCursor(true);
  TBackupHistoryDatabase database;
  TSavedFolders saved;
  std::unique_ptr<IBackupRunner> runner;
  form.Busy = true;
  mainView.EnableRunButtons(false);
  bool idle = false;
  auto setIdle = [&](bool on) {
    if (!form.Data.IdlePriority || idle == on) return;
    idle = on;
    mainView.SetIdlePriority(on);
  };
  // The end of the run, whatever ended it (a refusal, a stop, Cancel, an error).
  auto finish = [&] {
    setIdle(false);
    runner.reset();
    for (const TBackupInfo* item : form.Items)
      if (item->NetLogon && item->NetDisconnect) DisconnectShare(item->DestFolder);
    mainView.EnableRunButtons(true);
    form.Busy = false;
    saved.PutBack(form.Items);
    mainView.SetBusyCursor(false);
  };

  try {
    const bool useDatabase = AnyUsesHistoryDatabase(form.Items);
    if (useDatabase) {
      if (!form.HistoryDatabasePath.empty()) database.SetDatabaseFile(form.HistoryDatabasePath);
      database.Load();
    }
    const TDateTime start = Clock().Now();
    if (!form.RunnerFactory) throw Error(kNoEngine);
    runner = form.RunnerFactory();
    runner->SetHistoryDatabase(&database);
    runner->SetWorkFolder(form.WorkFolder);
    runner->SetRunCipherKey(runKey);
    runner->SetCopyAcl(form.CopyAcl);
    runner->SetCopyCreationTime(form.CopyCreationTime);
    // Someone is at the machine: an item that would delete too much is asked about.
    runner->SetMirrorGuard(form.RunOptions.Guard, true);
    runner->SetRetry(form.RunOptions.RetryCount, form.RunOptions.RetryWaitSeconds);
    runner->SetVerify(form.RunOptions.Verify);
    runner->SetThreads(form.RunOptions.Threads);
    setIdle(true);

    const std::wstring mainFolder =
        HasMacro(form.DestinationText) ? ExpandMacros(form.DestinationText) : form.DestinationText;
    std::vector<const TBackupInfo*> added;
    for (int i = 0; i < form.Items.Count(); ++i) {
      TBackupInfo* item = form.Items[i];
      saved.Expand(*item, form.DestinationText, mainFolder);
      if (i >= form.CheckList.Count() || !form.CheckList.Checked(i)) continue;
      TItemCheck check = CheckItemFolder(*item, mainFolder);
      if (check.Code == runcode::None) check = CheckItem(*item, form.NoDestinationCheck);
      if (check.Code != runcode::None) {
        result.Refused = true;
        result.ExitCode = check.Code;
        finish();
        mainView.ShowError(check.Message);
        return result;
      }
      runner->AddItem(item);
      added.push_back(item);
    }

    runner->Plan();
    setIdle(false);
    if (runner->Stopped()) {
      result.Cancelled = true;
      finish();
      return result;
    }
    if (preview) {
      TWindowPlace place = StoredResultPlace(form.Settings);
      const bool go = view.ShowPreview(*runner, place);
      StoreResultPlace(form.Settings, place);
      if (!go) {
        result.Cancelled = true;
        finish();
        return result;
      }
    }
    setIdle(true);
    RemoveExpiredHistory(*runner, added);
    runner->Execute();
    const TDateTime end = Clock().Now();
    setIdle(false);
    result.Ran = true;

    const TFileInfoList failed = runner->ErrorFiles();
    if (showResult) {
      if (preview && failed.Empty()) {
        view.ShowInformation(WithProblems(kBackupFinished, runner->Problems()));
      } else {
        view.ShowResult(*runner, end - start, form.Settings);
      }
    } else if (!runner->Problems().Empty()) {
      // Without a result window the problems still show: nothing may fail unseen.
      mainView.ShowError(WithProblems(kBackupFinished, runner->Problems()));
    }

    const bool heldBack = runner->DeletionsHeldBack();
    if (form.Data.WriteLog) {
      try {
        form.WriteRunLog(*runner, heldBack ? runcode::DeletionsHeldBack : runcode::None, end - start);
      } catch (const Error&) {
        mainView.ShowError(kLogDamaged);
      }
    }
    if (useDatabase) UpdateHistoryDatabase(database, *runner);
    form.Settings.Time = FormatDateTime(L"yyyy/mm/dd hh:nn", Clock().Now());
    form.BackupTimeLabel = kLastRunLabel + form.Settings.Time;
    view.ShowLastRun(form.BackupTimeLabel);
    result.ExitCode = QuietRunExitCode(runcode::None, failed.Count(), heldBack);
  } catch (const Error& e) {
    finish();
    result.ExitCode = exitcode::RunError;
    mainView.ShowError(e.Message());
    return result;
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return result;
}

void RunRestore(TMainForm& form, IMainView& mainView, IRunView& view) {
  if (form.Busy) return;
  const TRestoreChoice choice = view.AskRestoreStart();
  if (!choice.Confirmed) return;
  if (!view.ConfirmWarning(kRestoreOverwrites)) return;

  TRestore restore;
  restore.Settings.MainDestFolder = form.DestinationText;
  restore.Settings.RestoreChangedOnly = form.Data.RestoreChangedOnly;
  restore.Settings.ClearRestoreTarget = form.Data.ClearRestoreTarget;
  restore.Settings.CopyAcl = form.CopyAcl;
  restore.Settings.CopyCreationTime = form.CopyCreationTime;
  restore.Settings.TargetFolder = choice.OtherFolder;
  for (int i = 0; i < form.Items.Count(); ++i)
    restore.Add(form.Items[i], i < form.CheckList.Count() && form.CheckList.Checked(i));

  form.Busy = true;
  mainView.EnableRunButtons(false);
  mainView.SetBusyCursor(true);
  TScopeExit end([&] {
    mainView.SetBusyCursor(false);
    mainView.EnableRunButtons(true);
    form.Busy = false;
  });
  try {
    restore.Execute();
  } catch (const Error& e) {
    if (!restore.ErrorFiles.Empty()) view.ShowErrorList(kRestoreFailures, restore.ErrorFiles.View());
    mainView.ShowError(e.Message());
    return;
  }
  if (!restore.ErrorFiles.Empty()) view.ShowErrorList(kRestoreFailures, restore.ErrorFiles.View());
  std::wstring finished = kRestoreFinished;
  for (const std::wstring& line : restore.Problems) finished += L"\r\n\r\n" + line;
  view.ShowInformation(finished);
}

}  // namespace vog
