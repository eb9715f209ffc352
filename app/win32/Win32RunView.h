#pragma once
// The windows of the interactive run and the restore besides the main window's boxes: the
// preview, result and error-list windows (given as functions by the program's entry, which
// makes them), the information and warning boxes, and the restore's first question with
// the choice of where to restore to.
#include <windows.h>

#include <functional>

#include "app/Dialogs.h"
#include "app/InteractiveRun.h"

namespace vog::win32 {

class TWin32RunView : public IRunView {
public:
  TWin32RunView(HINSTANCE instance, HWND owner, std::wstring caption, IDialogs& dialogs)
      : instance_(instance), owner_(owner), caption_(std::move(caption)), dialogs_(dialogs) {}

  std::function<bool(IBackupRunner&, TWindowPlace&)> Preview;
  std::function<void(IBackupRunner&, TDateTime, TAppData&)> Result;
  std::function<void(const std::wstring&, TFileInfoList)> ErrorList;
  std::function<void(const std::wstring&)> LastRun;

  bool ShowPreview(IBackupRunner& runner, TWindowPlace& place) override;
  void ShowResult(IBackupRunner& runner, TDateTime elapsed, TAppData& settings) override;
  void ShowInformation(const std::wstring& message) override;
  void ShowLastRun(const std::wstring& label) override;
  TRestoreChoice AskRestoreStart() override;
  bool ConfirmWarning(const std::wstring& message) override;
  void ShowErrorList(const std::wstring& caption, TFileInfoList files) override;

private:
  HINSTANCE instance_;
  HWND owner_;
  std::wstring caption_;
  IDialogs& dialogs_;
};

}  // namespace vog::win32
