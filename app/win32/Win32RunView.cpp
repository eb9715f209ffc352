#include "app/win32/Win32RunView.h"

#include "app/win32/RestoreIds.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

namespace {

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

class TRestoreStartDialog : public TModalDialog {
public:
  TRestoreStartDialog(HINSTANCE instance, IDialogs& dialogs, std::wstring caption)
      : TModalDialog(instance, IDD_RESTORE_START), dialogs_(dialogs), caption_(std::move(caption)) {}
  TRestoreChoice Choice;

protected:
  BOOL OnInit() override {
    CheckRadioButton(Handle(), IDC_RESTORE_ORIGINAL, IDC_RESTORE_OTHER, IDC_RESTORE_ORIGINAL);
    EnableOther(false);
    return TRUE;
  }
  bool OnCommand(int id, int code) override {
    switch (id) {
      case IDC_RESTORE_ORIGINAL:
      case IDC_RESTORE_OTHER:
        if (code == BN_CLICKED) EnableOther(id == IDC_RESTORE_OTHER);
        return true;
      case IDC_RESTORE_BROWSE: {
        std::wstring folder = TextOf(Item(IDC_RESTORE_FOLDER));
        if (dialogs_.BrowseForFolder(L"リストア先フォルダ選択", folder))
          SetWindowTextW(Item(IDC_RESTORE_FOLDER), folder.c_str());
        return true;
      }
      case IDOK: {
        const bool other = IsDlgButtonChecked(Handle(), IDC_RESTORE_OTHER) == BST_CHECKED;
        const std::wstring folder = other ? TextOf(Item(IDC_RESTORE_FOLDER)) : std::wstring();
        if (const std::wstring problem = RestoreChoiceProblem(other, folder); !problem.empty()) {
          MessageBoxW(Handle(), problem.c_str(), caption_.c_str(), MB_OK | MB_ICONERROR);
          SetFocus(Item(IDC_RESTORE_FOLDER));
          return true;
        }
        Choice = {true, folder};
        End(IDOK);
        return true;
      }
      default:
        return false;
    }
  }

private:
  void EnableOther(bool on) {
    EnableWindow(Item(IDC_RESTORE_FOLDER), on);
    EnableWindow(Item(IDC_RESTORE_BROWSE), on);
  }
  IDialogs& dialogs_;
  std::wstring caption_;
};

}  // namespace

bool TWin32RunView::ShowPreview(IBackupRunner& runner, TWindowPlace& place) {
  // Without a preview window nothing is shown and the run goes on, as without preview.
  return Preview ? Preview(runner, place) : true;
}

void TWin32RunView::ShowResult(IBackupRunner& runner, TDateTime elapsed, TAppData& settings) {
  if (Result) Result(runner, elapsed, settings);
}

void TWin32RunView::ShowInformation(const std::wstring& message) {
  MessageBoxW(owner_, message.c_str(), caption_.c_str(), MB_OK | MB_ICONINFORMATION);
}

void TWin32RunView::ShowLastRun(const std::wstring& label) {
  if (LastRun) LastRun(label);
}

TRestoreChoice TWin32RunView::AskRestoreStart() {
  TRestoreStartDialog dialog(instance_, dialogs_, caption_);
  if (dialog.Run(owner_) != IDOK) return {};
  return dialog.Choice;
}

bool TWin32RunView::ConfirmWarning(const std::wstring& message) {
  return MessageBoxW(owner_, message.c_str(), caption_.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
}

void TWin32RunView::ShowErrorList(const std::wstring& caption, TFileInfoList files) {
  if (ErrorList) ErrorList(caption, std::move(files));
}

}  // namespace vog::win32
