#pragma once
// The progress window: a small non-modal window with the animation, the state text, the
// bytes/speed/time-left line, the bar, and the stop and pause buttons, made in code so its
// layout can follow its animation's size. The behaviour is TProgressPresenter's; the window
// shows it and forwards the two buttons. The taskbar button shows the bar and the pause.
#include <windows.h>
#include <shobjidl.h>

#include "app/ProgressPresenter.h"
#include "platform/win32/Win32Handles.h"

namespace vog::win32 {

class TWin32ProgressWindow : public TProgressPresenter {
public:
  // `owner` may be null; `iconLibrary` (may be null) holds the animations of kind Resource.
  TWin32ProgressWindow(HINSTANCE instance, HWND owner, HMODULE iconLibrary);
  ~TWin32ProgressWindow() override;
  TWin32ProgressWindow(const TWin32ProgressWindow&) = delete;
  TWin32ProgressWindow& operator=(const TWin32ProgressWindow&) = delete;

  HWND Handle() const { return window_; }

  void SetCaption(std::wstring_view caption) override;
  void SetStateText(std::wstring_view text) override;
  void SetAnimation(const TProgressAnimation& animation) override;
  void SetStopEnabled(bool enabled) override;
  void Show() override;
  void Stop() override;

  // True when the animation could not be opened and the marquee bar stands in for it.
  bool ShowsMarquee() const { return marquee_ && IsWindowVisible(marquee_); }

protected:
  void PositionChanged() override;
  void PauseChanged() override;
  void DetailsChanged() override;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void OpenAnimation();
  void Layout();
  void ShowStateText();
  void ShowPauseButton();
  void ShowTaskbar();
  HWND TaskbarWindow() const;

  HINSTANCE instance_;
  HWND owner_;
  HMODULE iconLibrary_;
  HWND window_ = nullptr;
  HWND animate_ = nullptr, marquee_ = nullptr, state_ = nullptr, detail_ = nullptr, bar_ = nullptr;
  HWND stop_ = nullptr, pause_ = nullptr;
  int animationWidth_ = 272, animationHeight_ = 60;  // design pixels
  TComScope com_;
  TComPtr<ITaskbarList3> taskbar_;
};

}  // namespace vog::win32
