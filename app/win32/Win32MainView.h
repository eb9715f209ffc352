#pragma once
// The main window of the Windows program: the destination box with its folder button, the
// check list of the items, the last-run time, the backup, restore and version buttons, a
// menu bar and the list's context menu. The window is made only when a person is going to
// see it (Create, after the command line): a command-line run never makes it, never loads
// the common controls or the icon library. Until then the object still answers what the
// main form asks of its view (error boxes without an owner, the caption kept for later).
//
// The window shows TMainForm's state and forwards every event to it; the rules are the
// form's. It is laid out in code at the design sizes (96 DPI) scaled by its DPI, and lays
// itself out again when the DPI changes.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/MainForm.h"
#include "scan/MessagePump.h"

namespace vog::win32 {

// The icon id of the icon library.
inline constexpr int kIconLibraryIcon = 5;
// The icon library's file name, beside the program.
inline constexpr const wchar_t* kIconLibraryName = L"VogmeristIcon.dll";

class TMainWindow : public IMainView {
public:
  explicit TMainWindow(HINSTANCE instance) : instance_(instance) {}
  ~TMainWindow() override;
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  // Makes the window (hidden) with its controls, loads the icon library and accepts drops;
  // false when no window can be made (no display).
  bool Create();
  HWND Handle() const { return window_; }
  // The icon library, or null (for the progress animations of interactive runs).
  HMODULE IconLibrary() const { return iconLibrary_; }
  // Binds the form whose events the window forwards.
  void SetForm(TMainForm* form) { form_ = form; }
  // Shows the window with the form's state (after the form's first showing).
  void Show(int showCommand);
  // Stores the window's place into the form's layout before it is destroyed.
  void StorePlace();
  // The window's keys (accelerators, Tab and the & keys of its labels): true when the
  // message was taken and must not be dispatched.
  bool TranslateKeys(MSG& message);
  // The last-run label from the form (after a run).
  void ShowLastRun();

  void ShowError(const std::wstring& message) override;
  TAnswer Ask(const std::wstring& question) override;
  bool Confirm(const std::wstring& question) override;
  void SetCaption(const std::wstring& caption) override;
  void HideForQuietRun() override;
  void Minimise() override;
  void SetIdlePriority(bool idle) override;
  void SetBusyCursor(bool busy) override;
  void EnableRunButtons(bool enabled) override;
  void ItemsChanged(int selected) override;
  void ShowIconPicture(const TPicture& picture) override;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void LoadIconLibrary();
  void SetIcons(HICON big, HICON little);
  // Places the controls for the client size and the window's DPI.
  void Layout();
  // The window's size for the form's layout at the window's DPI.
  SIZE WindowSize() const;
  void OnCommand(int id, int code);
  LRESULT OnNotify(const NMHDR& header);
  void OnDropFiles(HDROP drop);
  void OnDeviceChange(WPARAM event, LPARAM data);
  void ShowListMenu(LPARAM position);
  int Selected() const;
  void Select(int row);
  // The destination box from the form.
  void ShowDestination();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND destLabel_ = nullptr, destEdit_ = nullptr, browse_ = nullptr;
  HWND listLabel_ = nullptr, list_ = nullptr, timeLabel_ = nullptr;
  HWND backup_ = nullptr, restore_ = nullptr, version_ = nullptr, tooltip_ = nullptr;
  HACCEL mainKeys_ = nullptr, listKeys_ = nullptr;
  HMODULE iconLibrary_ = nullptr;
  HWND focus_ = nullptr;  // the control to focus when the window is active again
  HICON bigIcon_ = nullptr, smallIcon_ = nullptr;
  TMainForm* form_ = nullptr;
  bool shown_ = false;
  bool minimiseOnShow_ = false;
  bool filling_ = false;  // the window itself changes the list or the box: no events to the form
  std::wstring caption_ = kDefaultCaption;
};

// Lets pending window messages run while the engine works on the window's thread; looks
// at the queue at most every few milliseconds. A WM_QUIT met here is posted again for the
// main loop.
class TWin32MessagePump : public IMessagePump {
public:
  void ProcessMessages() override;
  void Wait(unsigned milliseconds) override;

private:
  DWORD lastPump_ = 0;
};

}  // namespace vog::win32
