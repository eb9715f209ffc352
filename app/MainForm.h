#pragma once
// TMainForm: the main window's state and behaviour without its controls. It owns the
// settings, the item list with every item, and the data file's application block; it
// runs the start-up order (creation with the command line, first showing), finds, loads
// and saves the data file, and carries out the command-line actions with the unattended
// run. The Win32 window (app/win32/) creates one, forwards its events and reads the state
// back; tests drive it through a recording IMainView.
//
// Every operation runs on the user-interface thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/BackupRunner.h"
#include "app/Dialogs.h"
#include "app/RunOptions.h"
#include "base/DateTime.h"
#include "model/AppBackupData.h"
#include "model/AppData.h"
#include "model/BackupInfo.h"
#include "platform/Locks.h"

namespace vog {

// What the window itself does for the main form.
class IMainView {
public:
  enum class TAnswer { Yes, No, Cancel };

  virtual ~IMainView() = default;
  // The window's standard error display: the message in an error box.
  virtual void ShowError(const std::wstring& message) = 0;
  // A confirmation with Yes, No and Cancel.
  virtual TAnswer Ask(const std::wstring& question) = 0;
  // The main window's caption and the application title.
  virtual void SetCaption(const std::wstring& caption) = 0;
  // Before an unattended run: hide the task-bar window and the main window, minimise.
  virtual void HideForQuietRun() = 0;
  virtual void Minimise() = 0;
  // The process priority class: idle or normal.
  virtual void SetIdlePriority(bool idle) = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  virtual void EnableRunButtons(bool enabled) = 0;
  // A confirmation with OK and Cancel: true on OK.
  virtual bool Confirm(const std::wstring& question) { return Ask(question) == TAnswer::Yes; }
  // The item list, its check marks or the destination changed: show the form's rows and
  // select row `selected` (-1: keep the selected position, as far as the list reaches).
  virtual void ItemsChanged(int selected) { (void)selected; }
  // The data file's icon picture becomes the application's icon (a picture the window
  // cannot show is ignored).
  virtual void ShowIconPicture(const TPicture& picture) { (void)picture; }
};

// The check marks of the item list, by position, with the title each row shows.
class TCheckList : public ICheckList {
public:
  std::vector<std::pair<std::wstring, bool>> Rows;

  int Count() const override { return static_cast<int>(Rows.size()); }
  bool Checked(int index) const override { return Rows.at(static_cast<size_t>(index)).second; }
  void SetChecked(int index, bool checked) override { Rows.at(static_cast<size_t>(index)).second = checked; }
};

// The window's place and the two run buttons (the design sizes until the data block or
// the command line give others). Width and Height 0 keep the design size.
struct TMainLayout {
  bool Centred = true;
  int32_t Left = 0, Top = 0;
  int32_t Width = 0, Height = 0;
  int32_t BackupLeft = 16, BackupWidth = 145;
  int32_t RestoreLeft = 169, RestoreWidth = 145;
  bool BackupVisible = true, RestoreVisible = true;
};

// What the command line asked for, in the order the actions run.
struct TCommandRequests {
  bool Auto = false;
  bool Backup = false;
  bool WinExit = false;
  bool WinStand = false;
  bool WinHiber = false;
  bool WinReboot = false;
  bool WinMin = false;
  bool NoResult = false;
};

// What one unattended run did.
struct TQuietRunResult {
  bool Ran = false;             // false while another run was busy
  bool OtherRunActive = false;  // another run of the same data file holds it: nothing ran
  uint8_t RunErrorCode = 0;
  int FailedFiles = 0;
  bool DeletionsHeldBack = false;
  int ExitCode = 0;  // app/ExitCodes.h
};

inline constexpr const wchar_t* kDefaultCaption = L"バックアップ";
inline constexpr const wchar_t* kDefaultDataFileName = L"VogratelData.vgd";
// The error that ended the last unattended action, or the problems of the last quiet run
// that the log cannot hold: one line each, "【time】 TAB data file TAB message".
inline constexpr const wchar_t* kUnattendedErrorFile = L"Vogratel.err";
inline constexpr const wchar_t* kLastRunLabel = L"前回バックアップ日時： ";
inline constexpr const wchar_t* kSaveChangesQuestion = L"変更を保存しますか？";
inline constexpr const wchar_t* kTitleExists = L"同名のタイトルが存在するため追加できません";
inline constexpr const wchar_t* kTitleExistsOnRename = L"同名のタイトルが存在するため変更できません";
inline constexpr const wchar_t* kDeleteQuestion = L"設定を削除します";
inline constexpr const wchar_t* kDriveMissing = L"ドライブが存在しません";
inline constexpr const wchar_t* kChooseDestinationCaption = L"バックアップ先フォルダ選択";
inline constexpr const wchar_t* kDataFileExtension = L".vgd";
// A device arrival waits this many tests, kDriveWaitStep milliseconds apart, for its drive.
inline constexpr int kDriveWaitTests = 101;
inline constexpr unsigned kDriveWaitStep = 100;
// The wait before the eject and before the removal of an arrived medium.
inline constexpr unsigned kDeviceSettleWait = 1000;
// The device-change message: the arrival event and the logical-volume device type.
inline constexpr uint32_t kDeviceArrival = 0x8000;
inline constexpr uint32_t kDeviceTypeVolume = 2;
// Said when a run of the data file is under way in another window or process; the data
// file's path follows on the next line.
inline constexpr const wchar_t* kOtherRunActive = L"このデータファイルのバックアップは別の Vogratel で実行中です";

// The name of the lock that one run of a data file holds: the path, upper-cased (paths
// ignore letter case), hashed into a name the system's named objects accept ("\" is not).
std::wstring DataFileLockName(const std::wstring& dataFile);

class TMainForm {
public:
  // `arguments` are the command line's arguments without the program's name.
  TMainForm(IMainView& view, std::vector<std::wstring> arguments);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // --- state ------------------------------------------------------------------
  TAppData Settings;
  TCheckList CheckList;
  TAppBackupData Data;
  TBackupInfoList Items;  // the form owns every item in it
  std::wstring DataFilePath;
  std::wstring PendingDataFile;
  bool Busy = false;
  bool Modified = false;
  std::wstring WorkFolder;
  std::wstring HistoryDatabasePath;
  bool NoDestinationCheck = false, CopyAcl = false, CopyCreationTime = false;
  bool BackupOnly = false, RestoreOnly = false;
  int32_t CommandWindowWidth = 0, CommandWindowHeight = 0;
  // The run guards: section [Run] of the settings file, then the command line.
  TRunOptions RunOptions;
  TCommandRequests Requests;
  std::wstring DestinationText;  // the destination edit
  std::wstring BackupTimeLabel;
  std::wstring Caption = kDefaultCaption;
  TMainLayout Layout;
  // A command-line action asked the program to end (acted on by the message loop).
  bool EndRequested = false;
  // The process's exit code (app/ExitCodes.h).
  int ExitCode = 0;
  // The message of an error that ended an unattended action (nobody is there to read a
  // box: the program ends with exit code 10 instead; kUnattendedErrorFile keeps the message
  // and the run log an entry with result code 12).
  std::wstring UnattendedError;

  // The engine of each run; without one a run ends with an error.
  TBackupRunnerFactory RunnerFactory;
  // The interactive run (preview, show result); without one BACKUP ends with an error.
  std::function<void(bool preview, bool showResult)> InteractiveRun;
  // The restore of the restore button; without one the button says it cannot restore.
  std::function<void()> RestoreRun;
  // The past-versions window of an item (its DestFolder set to its backup).
  std::function<void(const TBackupInfo& item)> PastVersionsRun;
  // The window's dialogs (not owned); set before the first event of the window.
  IDialogs* Dialogs = nullptr;

  // --- start-up and shutdown -----------------------------------------------------
  // Window creation: settings, place, destination, command line (which may run backups
  // and request the end at once).
  void FormCreate();
  // First showing: data file, path arguments, check marks, last-run label, layout. Stops
  // at an unreadable data file or a title clash, after showing the message.
  void FormShow();
  // Whether the window may close now (asks about unsaved changes). Refused without a
  // question while a run is busy: its items hold expanded folders that must not be saved.
  bool FormCloseQuery();
  // Stores the place and destination and saves the settings.
  void FormDestroy();

  // --- command line --------------------------------------------------------------
  void ParseCommandLine();
  // The unattended run of the data file pending (or found); whether the power action of
  // the option may follow.
  bool QuietStart();

  // --- data file and items ---------------------------------------------------------
  std::wstring FindDataFile();
  void LoadDataFile(const std::wstring& path);
  void SaveDataFile(const std::wstring& path);
  void RefreshItemList();
  void SetItemDestinations();
  // Adds the path arguments as items; false when a title clash stopped it.
  bool ProcessPathArguments();
  // Appends the item for a folder or file; raises kTitleExists when a row shows its title,
  // and the title rule's message when the title cannot name the item's folder.
  void AddPathAsItem(const std::wstring& path);
  // Program folder + kDefaultDataFileName: the file a first save writes.
  std::wstring DefaultDataFilePath() const;

  // --- editing the item list (app/MainListEdits.cpp) ----------------------------------
  // Each acts only when AllowEdit and no run is busy (except SaveCommand) and shows its refusals and errors
  // in the window's error display itself; `index` is the selected row (-1: none).
  // Delete: asks kDeleteQuestion; whether the item went.
  bool DeleteItem(int index);
  // Ctrl+Up (delta -1) and Ctrl+Down (+1): the item and its row with its check mark move
  // one place; the row's index afterwards.
  int MoveItem(int index, int delta);
  // The title dialog; whether the title changed.
  bool RenameItem(int index);
  // The item settings dialog on a copy; OK replaces the item.
  bool EditItemSettings(int index);
  // The item settings dialog on a new item (defaults of a dropped folder); OK appends it.
  bool NewItem();
  // Appends the items of another data file; raises kTitleExists (or the title rule's
  // message) at the first item that cannot join, after refreshing the list: the items
  // appended before it stay.
  void ImportDataFile(const std::wstring& path);
  // Files dropped from the shell, in order: data files are imported, folders and other
  // files added; a refusal ends the processing of the rest.
  void DropFiles(const std::vector<std::wstring>& names);
  // Writes the data file now (DefaultDataFilePath when none is known yet).
  bool SaveCommand();

  // --- buttons and devices (app/MainButtons.cpp) ---------------------------------------
  void BackupStartButtonClick();
  void RestoreBtnClick();
  void VerBtnClick();
  // "過去のバージョン": the window of the item at `index`, unless a run is busy.
  void PastVersionsClick(int index);
  // The folder dialog for the destination; whether the destination changed.
  bool ChooseDestination();
  // The device-change message (event code, device type, the volume's drive-letter mask).
  void DeviceChangeMessage(uint32_t event, uint32_t deviceType, uint32_t unitMask);
  // Sets the check marks for an arrived volume; whether any item matched.
  bool SelectItemsForVolume(const std::wstring& drive);

  // --- runs (app/QuietRun.cpp) -------------------------------------------------------
  // The interactive run of the current data file (preview, show result), unless a run is
  // busy here or another run of the data file holds it (which is said in an error box).
  // Whether it ran.
  bool RunBackup(bool preview, bool showResult);
  // Takes the lock of the current data file for one run; false when another run of it
  // holds it. (A system that cannot make the lock does not stop the run.)
  bool HoldDataFile(std::unique_ptr<IHeldLock>& lock);
  // kOtherRunActive with the data file's path.
  std::wstring OtherRunMessage() const;
  TQuietRunResult RunQuietBackup();
  void WriteRunLog(IBackupRunner& runner, uint8_t errorCode, TDateTime elapsed);
  // The log entry of an unattended run that an error ended: what the run did so far (with
  // `runner`, may be null) and result code 12.
  void WriteErrorLog(IBackupRunner* runner, TDateTime elapsed);
  // Writes the message of an error that ended an unattended action to kUnattendedErrorFile
  // in the program's folder (replacing the previous one); failures are ignored.
  void WriteUnattendedError(const std::wstring& message);
  // The same for the problems of a run that went to its end (one line each).
  void WriteUnattendedReport(const std::vector<std::wstring>& messages);

private:
  // The list may be edited: AllowEdit, and no run in progress.
  bool CanEdit() const;
  // Raises the refusal when `candidate` may not join the list (replacing item `except`,
  // -1 for none): a title another item has exactly (`exactMessage`), a title that cannot
  // name one folder inside the destination, or an item whose folder or archive would be
  // another item's (titles differing in letter case only name one folder).
  void CheckCandidate(const TBackupInfo& candidate, int except, const wchar_t* exactMessage) const;
  // Appends an item that passed CheckCandidate, with a checked row.
  void AppendItem(std::unique_ptr<TBackupInfo> item);
  // Runs an event of the window: an error ends it and goes to the error display (false).
  bool Guarded(const std::function<void()>& action);
  void RunCommandLineActions();
  // The run log's file: LogFileName with its macros expanded, or in the program's folder.
  std::wstring RunLogPath() const;
  enum class TPowerAction { PowerOff, Standby, Hibernate, Reboot };
  // QuietStart, then the power action when QuietStart allows it.
  void QuietStartThenPower(TPowerAction action);
  void FreeItems();
  void ApplyLayout();
  // Notes the exit code of an action, keeping the most serious.
  void NoteExitCode(int code);

  IMainView& view_;
  std::vector<std::wstring> arguments_;
  bool pendingNamed_ = false;  // the pending path was named on the command line
  // An unattended action (AUTO, a power option) is on the command line: decided before
  // any action, so that an error anywhere (a damaged data file of OPEN too) ends the
  // program with its exit code instead of a box nobody closes.
  bool unattended_ = false;
};

}  // namespace vog
