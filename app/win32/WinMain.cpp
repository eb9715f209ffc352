// The program's entry: installs the Win32 platform and message pump, lets the main form
// parse the command line (which may run backups and ask for the end at once: the window is
// then never made, nor the common controls or the icon library loaded), otherwise makes and
// shows the window and runs the message loop. The exit code is the form's (app/ExitCodes.h).
#include <windows.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/EngineRunner.h"
#include "app/ExitCodes.h"
#include "app/InteractiveRun.h"
#include "app/MainForm.h"
#include "app/win32/Win32Dialogs.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/Win32PastVersionsWindow.h"
#include "app/win32/Win32Preview.h"
#include "app/win32/Win32RunView.h"
#include "app/win32/Win32RunWindows.h"
#include "base/ScopeExit.h"
#include "scan/Progress.h"
#include "app/win32/Win32Questions.h"
#include "platform/Platform.h"

namespace {

using namespace vog;

// The dialogs and run windows of one owner, wired into the run view.
struct TRunWindowSet {
  win32::TWin32Dialogs Dialogs;
  win32::TWin32RunWindows Runs;
  win32::TWin32Preview Preview;
  win32::TWin32RunView View;
  TPreviewLook Look;

  TRunWindowSet(HINSTANCE instance, HWND owner, HMODULE iconLibrary, win32::TMainWindow& window)
      : Dialogs(instance, owner),
        Runs(instance, owner, iconLibrary),
        Preview(instance, owner),
        View(instance, owner, kDefaultCaption, Dialogs) {
    Preview.ShowFreeSpace = [this](HWND, double kilobytes, const std::vector<std::wstring>& drives) {
      Runs.ShowFreeSpace(kilobytes, drives);
    };
    View.Preview = [this](IBackupRunner& runner, TWindowPlace& place) {
      Look.Place = place;
      const bool go = Preview.ShowCopyPreview(runner.PreviewLists(), Look);
      place = Look.Place;
      return go;
    };
    View.Result = [this](IBackupRunner& runner, TDateTime elapsed, TAppData& settings) {
      const TFileInfoList copied = runner.CopiedFiles(), failed = runner.ErrorFiles(),
                          mirrored = runner.AllMirrorFiles();
      TRunResult result;
      result.Copied = &copied;
      result.Failed = &failed;
      result.Mirrored = &mirrored;
      result.Problems = &runner.Problems();
      result.Elapsed = elapsed;
      Runs.ShowResult(result, settings);
    };
    View.ErrorList = [this](const std::wstring&, TFileInfoList files) { Runs.ShowErrorList(files); };
    View.LastRun = [&window](const std::wstring&) { window.ShowLastRun(); };
  }
};

int RunProgram(HINSTANCE instance, int showCommand) {
  using namespace vog;
  InstallPlatform(CreateSystemPlatform());
  win32::TWin32MessagePump pump;
  InstallMessagePump(&pump);

  int exitCode = 0;
  {
    win32::TMainWindow window(instance);
    // Questions of a command-line run have no window to belong to.
    win32::TWin32Questions questions(nullptr, kDefaultCaption);
    InstallQuestions(&questions);
    TMainForm form(window, SplitCommandLine(GetCommandLineW()));
    form.RunnerFactory = CreateEngineRunner;
    // The windows of interactive runs: owned by nobody for a -BACKUP run, by the main
    // window once it exists.
    std::unique_ptr<TRunWindowSet> windows = std::make_unique<TRunWindowSet>(instance, nullptr, nullptr, window);
    form.InteractiveRun = [&](bool preview, bool showResult) {
      IProgressFactory* previous = InstallProgressFactory(&windows->Runs);
      TScopeExit restoreFactory([&] { InstallProgressFactory(previous); });
      const TInteractiveResult result = RunInteractiveBackup(form, window, windows->View, preview, showResult);
      // Only -BACKUP ends with the run's code; a person's runs leave the program's code 0.
      if (form.Requests.Backup) form.ExitCode = MoreSeriousExitCode(form.ExitCode, result.ExitCode);
    };
    form.RestoreRun = [&] {
      IProgressFactory* previous = InstallProgressFactory(&windows->Runs);
      TScopeExit restoreFactory([&] { InstallProgressFactory(previous); });
      RunRestore(form, window, windows->View);
    };
    form.PastVersionsRun = [&](const TBackupInfo& item) {
      win32::ShowPastVersionsWindow(instance, window.Handle(), item);
    };
    window.SetForm(&form);
    form.FormCreate();
    if (form.EndRequested || !window.Create()) {
      // A command-line action ended the program (or no window can be made, as on a
      // machine without a display): no message loop is needed; the settings are saved as
      // at the window's destruction.
      window.SetForm(nullptr);
      form.FormDestroy();
    } else {
      win32::TWin32Questions windowQuestions(window.Handle(), kDefaultCaption);
      InstallQuestions(&windowQuestions);
      windows = std::make_unique<TRunWindowSet>(instance, window.Handle(), window.IconLibrary(), window);
      form.Dialogs = &windows->Dialogs;
      form.FormShow();
      window.Show(showCommand);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.TranslateKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      form.Dialogs = nullptr;
      InstallQuestions(&questions);
    }
    exitCode = form.ExitCode;
    InstallQuestions(nullptr);
  }
  InstallMessagePump(nullptr);
  return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) { return RunProgram(instance, showCommand); }
