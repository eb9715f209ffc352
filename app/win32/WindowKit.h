#pragma once
// What every window and dialog of the program shares: the scaling by the window's DPI
// (the process is per-monitor DPI aware), the system's UI font at that DPI, centring,
// and modal dialogs from the resource script with their object behind the handle.
#include <windows.h>

namespace vog::win32 {

// Makes the process per-monitor DPI aware (v2 where the system has it, else v1, else
// system aware). Called once before the first window is made.
void EnableDpiAwareness();
// The DPI of a window (the system's when the window is null or the system cannot say).
UINT DpiOf(HWND window);
// A length designed at 96 DPI, at `dpi`.
inline int Scale(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }
// The system's message font at `dpi` (on a Japanese system its Japanese UI font). The
// fonts live as long as the process; one per DPI.
HFONT UiFont(UINT dpi);
// Sets the UI font of the window's DPI on the window and on every child.
void ApplyUiFont(HWND window);
// Centres a window on the work area of its monitor.
void CentreOnScreen(HWND window);

// The common controls (version 6, by the program's manifest) are loaded with the first
// window, not at the program's start: loading them sets up the visual styles and, under
// Wine, starts the desktop process, work a run from the command line never needs. Every
// window and dialog calls this before it is made; the first call registers the classes of
// all the controls the program uses. Returns the library (null where it is missing).
HMODULE LoadCommonControls();
// A function of the common controls by name (null where missing); loads them first.
template <typename T>
T CommonControlsFunction(const char* name) {
  const HMODULE module = LoadCommonControls();
  return module ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A modal dialog made from a DIALOGEX template (with DS_SHELLFONT, in dialog units, so
// its layout scales with the font and the DPI). Derive, handle messages in
// `HandleMessage`, and call `Run`. The object is reachable from the handle for the
// dialog's life.
class TModalDialog {
public:
  TModalDialog(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId) {}
  virtual ~TModalDialog() = default;
  TModalDialog(const TModalDialog&) = delete;
  TModalDialog& operator=(const TModalDialog&) = delete;

  // Shows the dialog modally, owned by `owner` (may be null); the result is the id that
  // ended it (IDOK, IDCANCEL, ...) or -1 when it could not be made.
  INT_PTR Run(HWND owner);
  HWND Handle() const { return dialog_; }

protected:
  // WM_INITDIALOG: fill the controls. Return TRUE to let the system focus the first
  // control.
  virtual BOOL OnInit() { return TRUE; }
  // WM_COMMAND of a control; IDOK and IDCANCEL end the dialog unless handled here.
  virtual bool OnCommand(int id, int code) {
    (void)id;
    (void)code;
    return false;
  }
  // Any other message; return true when handled (the result in `result`).
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    (void)message;
    (void)wParam;
    (void)lParam;
    (void)result;
    return false;
  }
  void End(INT_PTR result) { EndDialog(dialog_, result); }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  int templateId_;
  HWND dialog_ = nullptr;
};

}  // namespace vog::win32
