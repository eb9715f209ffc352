#include "app/MainForm.h"

#include <cmath>
#include <memory>

#include "app/CommandLine.h"
#include "app/ExitCodes.h"
#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "model/AppBackupDataFile.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "services/power/ExitWin.h"

namespace vog {

namespace {

bool IsExistingFile(const std::wstring& path) {
  if (path.empty()) return false;
  uint32_t attributes = 0;
  return Files().GetAttributes(path, attributes) == 0 && (attributes & attr::Directory) == 0;
}

bool IsNtLine() { return !Platform().Power || Platform().Power->OsVersion().NtLine; }

// A path of the command line as the program keeps it: full (a path relative to a drive's
// current folder, as "Z:data\\setup.vgd", would name another file once that folder changes,
// and the error file and the run's lock need the file's one name).
std::wstring FullPathOf(const std::wstring& path) {
  std::wstring full;
  return Files().FullPath(path, full) == 0 ? full : path;
}

// The same in the letters stored on disk (option values arrive upper-cased).
std::wstring FullActualPath(const std::wstring& path) { return ActualCasePath(FullPathOf(path)); }

bool IsUnattendedOption(TOption option) {
  return option == TOption::Auto || option == TOption::WinExit || option == TOption::WinStand ||
         option == TOption::WinHiber || option == TOption::WinReboot;
}

}  // namespace

TMainForm::TMainForm(IMainView& view, std::vector<std::wstring> arguments)
    : view_(view), arguments_(std::move(arguments)) {}

TMainForm::~TMainForm() { FreeItems(); }

void TMainForm::FreeItems() { Items.Clear(); }

void TMainForm::NoteExitCode(int code) { ExitCode = MoreSeriousExitCode(ExitCode, code); }

// ---- start-up ------------------------------------------------------------------------

void TMainForm::FormCreate() {
  // The date and time formats are the program's constants (base/DateTime.h).
  Settings.SetCheckList(&CheckList);
  Settings.LoadSettings();
  Layout.Centred = !(Settings.Left != 0 && Settings.Top != 0);
  if (!Layout.Centred) {
    Layout.Left = Settings.Left;
    Layout.Top = Settings.Top;
  }
  DestinationText = Settings.Dest;
  HistoryDatabasePath.clear();
  NoDestinationCheck = CopyAcl = CopyCreationTime = false;
  RunOptions.Load(Settings.FileName);
  ParseCommandLine();
}

void TMainForm::ParseCommandLine() {
  for (const std::wstring& argument : arguments_)
    if (IsOptionArgument(argument) && IsUnattendedOption(MatchOption(argument).Option)) unattended_ = true;
  try {
    for (const std::wstring& argument : arguments_) {
      if (!IsOptionArgument(argument)) continue;
      const TOptionMatch match = MatchOption(argument);
      if (match.HasValue && TakesDataFilePath(match.Option)) {
        PendingDataFile = match.Value.empty() ? match.Value : FullPathOf(match.Value);
        pendingNamed_ = true;
      }
      int32_t number = 0;
      switch (match.Option) {
        case TOption::None:
          break;
        case TOption::Open:
          if (IsExistingFile(PendingDataFile)) {
            DataFilePath = FullActualPath(PendingDataFile);
            PendingDataFile = DataFilePath;
            LoadDataFile(DataFilePath);
          }
          break;
        case TOption::BackupOnly:
          BackupOnly = true;
          break;
        case TOption::RestoreOnly:
          RestoreOnly = true;
          break;
        case TOption::Auto:
          Requests.Auto = true;
          break;
        case TOption::Backup:
          Requests.Backup = true;
          break;
        case TOption::WinExit:
          Requests.WinExit = true;
          break;
        case TOption::WinMin:
          Requests.WinMin = true;
          break;
        case TOption::WorkDir:
          if (match.HasValue) WorkFolder = match.Value;
          break;
        case TOption::WinStand:
          Requests.WinStand = true;
          break;
        case TOption::WinHiber:
          Requests.WinHiber = true;
          break;
        case TOption::WinReboot:
          Requests.WinReboot = true;
          break;
        case TOption::FileListDb:
          HistoryDatabasePath = match.HasValue ? match.Value : std::wstring();
          break;
        case TOption::DestNoCheck:
          NoDestinationCheck = true;
          break;
        case TOption::AclCopy:
          if (IsNtLine()) CopyAcl = true;
          break;
        case TOption::CreationTimeCopy:
          CopyCreationTime = true;
          break;
        case TOption::NoResult:
          Requests.NoResult = true;
          break;
        case TOption::WindowWidth:
          if (match.HasValue && ParseOptionInteger(match.Value, number)) CommandWindowWidth = number;
          break;
        case TOption::WindowHeight:
          if (match.HasValue && ParseOptionInteger(match.Value, number)) CommandWindowHeight = number;
          break;
        case TOption::MirrorGuard:
          RunOptions.SetMirrorGuard(match.HasValue, match.Value);
          break;
        case TOption::RetryWait:
          RunOptions.SetRetryWait(match.HasValue, match.Value);
          break;
        case TOption::Retry:
          RunOptions.SetRetryCount(match.HasValue, match.Value);
          break;
        case TOption::Verify:
          RunOptions.SetVerify(match.HasValue, match.Value);
          break;
        case TOption::Threads:
          RunOptions.SetThreads(match.HasValue, match.Value);
          break;
      }
    }
    RunCommandLineActions();
  } catch (const Error& error) {
    NoteExitCode(exitcode::RunError);
    if (unattended_) {
      // Nobody is at the machine: an error box would wait for ever and keep the next
      // scheduled run from starting. The remaining actions are skipped (no power action
      // follows a failed run) and the program ends; the run log holds the message.
      unattended_ = false;
      UnattendedError = error.Message();
      WriteUnattendedError(UnattendedError);
      EndRequested = true;
      return;
    }
    // The remaining actions are skipped and the program stays open with its window.
    EndRequested = false;
    view_.ShowError(error.Message());
  }
}

void TMainForm::RunCommandLineActions() {
  bool end = false;
  if (Requests.Auto) {
    QuietStart();
    end = true;
  }
  if (Requests.Backup) {
    unattended_ = false;  // the interactive run has a user to show its errors to
    if (PendingDataFile.empty()) PendingDataFile = FindDataFile();
    if (IsExistingFile(PendingDataFile)) {
      DataFilePath = FullActualPath(PendingDataFile);
      LoadDataFile(DataFilePath);
      SetItemDestinations();
      RunBackup(false, !Requests.NoResult);
    } else {
      NoteExitCode(exitcode::NoDataFile);
    }
    end = true;
  }
  if (Requests.WinExit) {
    QuietStartThenPower(TPowerAction::PowerOff);
    end = true;
  }
  if (Requests.WinStand) {
    QuietStartThenPower(TPowerAction::Standby);
    end = true;
  }
  if (Requests.WinHiber) {
    QuietStartThenPower(TPowerAction::Hibernate);
    end = true;
  }
  if (Requests.WinReboot) {
    QuietStartThenPower(TPowerAction::Reboot);
    end = true;
  }
  if (Requests.WinMin) view_.Minimise();
  if (end) EndRequested = true;
}

bool TMainForm::QuietStart() {
  unattended_ = true;
  if (PendingDataFile.empty()) PendingDataFile = FindDataFile();
  if (!IsExistingFile(PendingDataFile)) {
    NoteExitCode(exitcode::NoDataFile);
    // With no data file at all the power action still follows; a data file named on the
    // command line that is not there (a typing error, a drive not yet mounted) keeps the
    // machine running, so that the missing backup is not hidden behind a shutdown.
    return !pendingNamed_;
  }
  view_.HideForQuietRun();
  DataFilePath = FullActualPath(PendingDataFile);
  LoadDataFile(DataFilePath);
  SetItemDestinations();
  const TQuietRunResult result = RunQuietBackup();
  NoteExitCode(result.ExitCode);
  return true;
}

void TMainForm::QuietStartThenPower(TPowerAction action) {
  if (!QuietStart()) return;
  TExitWin exitWin;
  switch (action) {
    case TPowerAction::PowerOff:
      exitWin.PowerOff();
      break;
    case TPowerAction::Standby:
      exitWin.Standby();
      break;
    case TPowerAction::Hibernate:
      exitWin.Hibernate();
      break;
    case TPowerAction::Reboot:
      exitWin.Reboot();
      break;
  }
}

void TMainForm::FormShow() {
  try {
    if (DataFilePath.empty()) {
      DataFilePath = FindDataFile();
      LoadDataFile(DataFilePath);
    }
  } catch (const Error& error) {
    view_.ShowError(error.Message());
    return;
  }
  if (!ProcessPathArguments()) return;
  if (!Data.IconImage.Picture().Empty()) view_.ShowIconPicture(Data.IconImage.Picture());
  Settings.LoadCheckMarks();
  if (!Settings.Time.empty()) BackupTimeLabel = kLastRunLabel + Settings.Time;
  ApplyLayout();
}

void TMainForm::ApplyLayout() {
  if (CommandWindowWidth > 0) Data.WindowWidth = CommandWindowWidth;
  if (Data.WindowWidth != 0) {
    Layout.Width = Data.WindowWidth;
    // Round half to even, as the buttons were always sized.
    const auto width = static_cast<int32_t>(std::nearbyint((Layout.Width - 71) / 2.0));
    Layout.BackupWidth = Layout.RestoreWidth = width;
    Layout.RestoreLeft = Layout.BackupLeft + Layout.BackupWidth + 7;
  }
  if (CommandWindowHeight > 0) Data.WindowHeight = CommandWindowHeight;
  if (Data.WindowHeight != 0) Layout.Height = Data.WindowHeight;
  if (BackupOnly) {
    Layout.RestoreVisible = false;
    Layout.BackupWidth = Layout.RestoreLeft + Layout.RestoreWidth - Layout.BackupLeft;
  } else if (RestoreOnly) {
    Layout.BackupVisible = false;
    const int32_t right = Layout.RestoreLeft + Layout.RestoreWidth;
    Layout.RestoreLeft = Layout.BackupLeft;
    Layout.RestoreWidth = right - Layout.RestoreLeft;
  }
}

bool TMainForm::FormCloseQuery() {
  // A run holds the items with their folders expanded: nothing may be saved (their macros
  // would be lost) and the window stays; the question comes when the run is over.
  if (Busy) return false;
  bool canClose = true;
  if (Modified) {
    switch (view_.Ask(kSaveChangesQuestion)) {
      case IMainView::TAnswer::Cancel:
        canClose = false;
        break;
      case IMainView::TAnswer::Yes:
        SaveDataFile(DataFilePath);
        break;
      case IMainView::TAnswer::No:
        break;
    }
  }
  return canClose;
}

void TMainForm::FormDestroy() {
  FreeItems();
  if (!Layout.Centred || Layout.Left != 0 || Layout.Top != 0) {
    Settings.Left = Layout.Left;
    Settings.Top = Layout.Top;
  }
  Settings.Dest = DestinationText;
  Settings.SaveSettings();
}

// ---- one run per data file ------------------------------------------------------------

std::wstring DataFileLockName(const std::wstring& dataFile) {
  // FNV-1a over the upper-cased UTF-16 units: 64 bits make two data files of one machine
  // meeting on one name as good as impossible.
  uint64_t hash = 14695981039346656037ULL;
  for (wchar_t unit : UpperText(dataFile)) {
    hash = (hash ^ (static_cast<uint32_t>(unit) & 0xFFFF)) * 1099511628211ULL;
  }
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring name = L"Vogratel-run-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 15];
  return name;
}

bool TMainForm::HoldDataFile(std::unique_ptr<IHeldLock>& lock) {
  if (!Platform().Locks) return true;
  const uint32_t code = Platform().Locks->TryLock(DataFileLockName(DataFilePath), lock);
  return code != err::AlreadyExists && code != err::AccessDenied;
}

std::wstring TMainForm::OtherRunMessage() const { return std::wstring(kOtherRunActive) + L"\r\n" + DataFilePath; }

bool TMainForm::RunBackup(bool preview, bool showResult) {
  if (Busy) return false;
  std::unique_ptr<IHeldLock> lock;
  if (!HoldDataFile(lock)) {
    NoteExitCode(exitcode::OtherRunActive);
    view_.ShowError(OtherRunMessage());
    return false;
  }
  if (!InteractiveRun) throw Error(L"対話型のバックアップを実行できません");
  InteractiveRun(preview, showResult);
  return true;
}

// ---- data file and items --------------------------------------------------------------

std::wstring TMainForm::FindDataFile() {
  const std::wstring folder = AddBackslash(Files().ProgramFolder());
  std::unique_ptr<IFindHandle> handle;
  TFindData entry;
  if (Files().FindFirst(folder + L"Vog*.vgd", handle, entry) != 0) return {};
  do {
    if ((entry.Attr & attr::Directory) == 0) return folder + entry.Name;
  } while (handle->Next(entry) == 0);
  return {};
}

void TMainForm::LoadDataFile(const std::wstring& path) {
  if (path.empty()) return;
  TAppBackupDataFile file;
  file.SetFileName(path);
  file.SetData(&Data);
  file.SetList(&Items);
  file.Load();
  RefreshItemList();
  if (!Data.AppTitle.empty()) {
    Caption = CodePage().AnsiToWide(Data.AppTitle);
    view_.SetCaption(Caption);
  }
  Modified = false;
}

void TMainForm::SaveDataFile(const std::wstring& path) {
  if (path.empty()) return;
  TAppBackupDataFile file;
  file.SetFileName(path);
  file.SetData(&Data);
  file.SetList(&Items);
  file.Save();
  Modified = false;
}

void TMainForm::RefreshItemList() {
  Settings.SaveSettings();
  CheckList.Rows.clear();
  for (const TBackupInfo* item : Items) CheckList.Rows.emplace_back(item->Title, true);
  Settings.LoadCheckMarks();
  view_.ItemsChanged(-1);
}

void TMainForm::SetItemDestinations() {
  const std::wstring folder = AddBackslash(DestinationText);
  for (TBackupInfo* item : Items) item->SetDestFolder(folder + item->Title);
}

bool TMainForm::ProcessPathArguments() {
  for (const std::wstring& argument : arguments_) {
    if (IsOptionArgument(argument)) continue;
    uint32_t attributes = 0;
    if (Files().GetAttributes(argument, attributes) != 0) continue;  // a path that is not there is ignored
    try {
      AddPathAsItem(FullActualPath(argument));
    } catch (const Error& error) {
      view_.ShowError(error.Message());
      return false;
    }
    RefreshItemList();
    if (DataFilePath.empty()) DataFilePath = DefaultDataFilePath();
  }
  return true;
}

}  // namespace vog
