#pragma once
// The interactive run of the main window (backup button, device arrival, -BACKUP) and the
// restore of the restore button. Both run on the window's thread; the windows they show
// besides the main window's boxes come through IRunView, so that tests answer them from a
// script and the Windows program shows its preview, result and error-list windows.
#include <cstdint>
#include <string>

#include "app/BackupRunner.h"
#include "app/WindowPlace.h"
#include "base/DateTime.h"
#include "model/AppData.h"

namespace vog {

class TMainForm;
class IMainView;

// Where a restore goes: back to the original places, or below a folder the person chose
// (each item in a folder named by its title).
struct TRestoreChoice {
  bool Confirmed = false;
  std::wstring OtherFolder;  // empty: the original places
};

class IRunView {
public:
  virtual ~IRunView() = default;
  // The copy preview of a planned run (and from it the mirroring list): true = OK.
  // `place` is where it opens (the result window's stored place) and where it was closed.
  virtual bool ShowPreview(IBackupRunner& runner, TWindowPlace& place) = 0;
  // The result window of a run that went to its end; it opens at the result-window place
  // of the settings and stores its place there when closed.
  virtual void ShowResult(IBackupRunner& runner, TDateTime elapsed, TAppData& settings) = 0;
  // An information box with OK.
  virtual void ShowInformation(const std::wstring& message) = 0;
  // The last-run label changed.
  virtual void ShowLastRun(const std::wstring& label) = 0;
  // The restore's first question "リストアを開始します" (OK, Cancel) with the choice of
  // where to restore to.
  virtual TRestoreChoice AskRestoreStart() = 0;
  // A warning with Yes and No; true = Yes.
  virtual bool ConfirmWarning(const std::wstring& message) = 0;
  // The error-list dialog.
  virtual void ShowErrorList(const std::wstring& caption, TFileInfoList files) = 0;
};

inline constexpr const wchar_t* kBackupFinished = L"バックアップが終了しました";
inline constexpr const wchar_t* kLogDamaged =
    L"ログファイルが壊れている可能性があります\r\n「環境設定」で「ログファイル名」を変更してください";
inline constexpr const wchar_t* kNoRunKey = L"暗号キーを入力してください";
inline constexpr const wchar_t* kRestoreStart = L"リストアを開始します";
inline constexpr const wchar_t* kRestoreOverwrites = L"コピー先のファイルが上書きされます\r\nよろしいですか？";
inline constexpr const wchar_t* kRestoreFinished = L"リストアが終了しました";
inline constexpr const wchar_t* kRestoreFailures = L"リストアに失敗したファイル";

inline constexpr const wchar_t* kRestoreNoFolder = L"リストア先のフォルダを指定してください";

// The refusal of the restore question's answer (empty: accepted): another folder must be
// named as a full path.
std::wstring RestoreChoiceProblem(bool otherFolder, const std::wstring& folder);

// What one interactive run did.
struct TInteractiveResult {
  bool Ran = false;        // the copy ran (not refused, stopped or cancelled)
  bool Refused = false;    // a check refused the run (its message was shown)
  bool Cancelled = false;  // Cancel in the preview, or a stop during planning
  int ExitCode = 0;        // app/ExitCodes.h, for -BACKUP
};

// The interactive run: the checks (clashes, folders, the run's key, then per checked item
// source, logon, destination, label), planning with the engine's progress window, the
// preview, expired history, the copy, the result, the log, the history database and the
// last-run time. Its end step always runs. Errors reach `mainView.ShowError`.
TInteractiveResult RunInteractiveBackup(TMainForm& form, IMainView& mainView, IRunView& view, bool preview,
                                        bool showResult);

// The restore of the checked items from the restore button: both questions, the restore
// (to the original places or to another folder), the error list and the final message.
// Errors reach `mainView.ShowError`. Nothing happens while a run is busy.
void RunRestore(TMainForm& form, IMainView& mainView, IRunView& view);

}  // namespace vog
