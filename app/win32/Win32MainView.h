#pragma once
// The main window of the Windows program: a top-level window that stays hidden for a
// command-line run and otherwise shows the item list and the last-run time. It carries
// out what TMainForm asks of its view (error boxes, questions, caption, priority).
#include <windows.h>

#include <string>

#include "app/MainForm.h"
#include "scan/MessagePump.h"

namespace vog::win32 {

class TMainWindow : public IMainView {
public:
  // Registers the window class and creates the window, hidden.
  explicit TMainWindow(HINSTANCE instance);
  ~TMainWindow() override;
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  HWND Handle() const { return window_; }
  // Binds the form whose events the window forwards (close, destroy).
  void SetForm(TMainForm* form) { form_ = form; }
  // Shows the window with the form's state (after the form's first showing).
  void Show(int showCommand);
  // Stores the window's place into the form's layout before it is destroyed.
  void StorePlace();

  void ShowError(const std::wstring& message) override;
  TAnswer Ask(const std::wstring& question) override;
  void SetCaption(const std::wstring& caption) override;
  void HideForQuietRun() override;
  void Minimise() override;
  void SetIdlePriority(bool idle) override;
  void SetBusyCursor(bool busy) override;
  void EnableRunButtons(bool enabled) override;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HWND list_ = nullptr;
  HWND label_ = nullptr;
  TMainForm* form_ = nullptr;
  bool shown_ = false;
  bool minimiseOnShow_ = false;
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
