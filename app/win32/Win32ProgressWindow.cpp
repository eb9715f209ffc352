#include "app/win32/Win32ProgressWindow.h"

#include <commctrl.h>

#include <string>

#include "app/win32/RunWindowIds.h"
#include "app/win32/WindowKit.h"
#include "scan/FileUtils.h"

namespace vog::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VogratelProgressWindow";

// The system's animations in shell32 by their resource ids.
int SystemAnimationId(TAnimationKind kind) {
  switch (kind) {
    case TAnimationKind::FindFolder:
      return 150;
    case TAnimationKind::CopyFile:
      return 161;
    case TAnimationKind::DeleteFile:
      return 164;
    default:
      return 0;
  }
}

// The progress window is not a dialog and the program's message loop is not its own, so a
// message hook gives it its keys: the buttons' accelerators (P pauses and resumes, S stops,
// with or without Alt) and Tab between the buttons; Space presses the focused button by
// itself. The hook only posts the command: the pause loop then runs in the window's own
// handler, never inside the hook.
constexpr UINT kMoveFocus = WM_APP + 1;
thread_local HHOOK g_keyHook = nullptr;
thread_local int g_windows = 0;

bool IsProgressWindow(HWND window) {
  wchar_t name[64] = {};
  return window && GetClassNameW(window, name, 64) && lstrcmpW(name, kWindowClass) == 0;
}

LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  const bool key = message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN;
  if (code == HC_ACTION && wParam == PM_REMOVE && (key || message->message == WM_SYSKEYUP)) {
    const HWND top = GetAncestor(message->hwnd, GA_ROOT);
    if (IsProgressWindow(top)) {
      const WPARAM vk = message->wParam;
      if (key && (vk == 'P' || vk == 'S')) {
        const int id = vk == 'P' ? IDC_PROGRESS_PAUSE : IDC_PROGRESS_STOP;
        if (IsWindowEnabled(GetDlgItem(top, id)))
          PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(top, id)));
        message->message = WM_NULL;
      } else if (key && vk == VK_TAB) {
        PostMessageW(top, kMoveFocus, GetKeyState(VK_SHIFT) < 0, 0);
        message->message = WM_NULL;
      } else if (vk == VK_MENU || vk == VK_F10) {
        message->message = WM_NULL;  // no menu to enter
      }
    }
  }
  return CallNextHookEx(g_keyHook, code, wParam, lParam);
}

void RegisterClassOnce(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (GetClassInfoExW(instance, kWindowClass, &windowClass)) return;
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
}

}  // namespace

TWin32ProgressWindow::TWin32ProgressWindow(HINSTANCE instance, HWND owner, HMODULE iconLibrary)
    : instance_(instance), owner_(owner), iconLibrary_(iconLibrary) {
  LoadCommonControls();
  RegisterClassOnce(instance, &TWin32ProgressWindow::WindowProc);
  // A dialog frame with a caption and no title-bar buttons: only stop ends the work.
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWindowClass, Caption().c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 423, 200, owner,
                            nullptr, instance, this);
  if (!window_) return;
  CreateControls();
  if (g_windows++ == 0) g_keyHook = SetWindowsHookExW(WH_GETMESSAGE, &KeyHook, nullptr, GetCurrentThreadId());
  if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                 taskbar_.PutVoid())) &&
      FAILED(taskbar_->HrInit()))
    taskbar_.Reset();
}

TWin32ProgressWindow::~TWin32ProgressWindow() {
  if (!window_) return;
  if (taskbar_ && TaskbarWindow() != window_) taskbar_->SetProgressState(TaskbarWindow(), TBPF_NOPROGRESS);
  if (--g_windows == 0 && g_keyHook) {
    UnhookWindowsHookEx(g_keyHook);
    g_keyHook = nullptr;
  }
  // The owner gets the activation back, not whatever window lies below.
  if (owner_ && GetActiveWindow() == window_) SetActiveWindow(owner_);
  DestroyWindow(window_);
}

LRESULT CALLBACK TWin32ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWin32ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->window_ == window) return self->HandleMessage(message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32ProgressWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_PROGRESS_STOP) Stop();
      // The pause loop runs inside this click until resume or stop.
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_PROGRESS_PAUSE) TogglePause();
      return 0;
    case WM_CLOSE:
      return 0;  // the user cannot close it: stop ends the work
    case kMoveFocus:
      if (const HWND next = GetNextDlgTabItem(window_, GetFocus(), wParam != 0)) SetFocus(next);
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyUiFont(window_);
      Layout();
      return 0;
    }
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void TWin32ProgressWindow::CreateControls() {
  auto make = [&](DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 0, 0, 10, 10, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };
  animate_ = make(0, ANIMATE_CLASSW, L"", WS_VISIBLE | ACS_TRANSPARENT | ACS_AUTOPLAY, IDC_PROGRESS_ANIMATION);
  marquee_ = make(0, PROGRESS_CLASSW, L"", PBS_MARQUEE, IDC_PROGRESS_MARQUEE);
  state_ = make(0, L"STATIC", L"", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, IDC_PROGRESS_STATE);
  detail_ = make(0, L"STATIC", L"", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, IDC_PROGRESS_DETAIL);
  bar_ = make(0, PROGRESS_CLASSW, L"", WS_VISIBLE, IDC_PROGRESS_BAR);
  stop_ = make(0, L"BUTTON", L"中止(&S)", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_PROGRESS_STOP);
  pause_ = make(0, L"BUTTON", L"", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_PROGRESS_PAUSE);
  SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
  ShowPauseButton();
  ApplyUiFont(window_);
  OpenAnimation();
  Layout();
}

void TWin32ProgressWindow::OpenAnimation() {
  const TProgressAnimation& animation = Animation();
  BOOL opened = FALSE;
  SendMessageW(animate_, ACM_OPENW, 0, 0);  // closes the one playing
  if (animation.Kind == TAnimationKind::Resource && iconLibrary_) {
    opened = static_cast<BOOL>(SendMessageW(animate_, ACM_OPENW, reinterpret_cast<WPARAM>(iconLibrary_),
                                            reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(animation.ResourceId))));
  } else if (const int id = SystemAnimationId(animation.Kind)) {
    // The system's animations live in shell32; a system without them (Wine has none) gets
    // the marquee bar instead.
    if (const HMODULE shell = GetModuleHandleW(L"shell32.dll") ? GetModuleHandleW(L"shell32.dll")
                                                                 : LoadLibraryW(L"shell32.dll"))
      opened = static_cast<BOOL>(SendMessageW(animate_, ACM_OPENW, reinterpret_cast<WPARAM>(shell),
                                              reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(id))));
  }
  const UINT dpi = DpiOf(window_);
  if (opened) {
    // The control takes the size of the animation's frames.
    RECT frame;
    GetWindowRect(animate_, &frame);
    animationWidth_ = MulDiv(frame.right - frame.left, 96, static_cast<int>(dpi));
    animationHeight_ = MulDiv(frame.bottom - frame.top, 96, static_cast<int>(dpi));
  } else {
    animationWidth_ = 272;
    animationHeight_ = 60;
  }
  const bool busy = animation.Kind != TAnimationKind::None;
  ShowWindow(animate_, opened ? SW_SHOWNA : SW_HIDE);
  ShowWindow(marquee_, !opened && busy ? SW_SHOWNA : SW_HIDE);
  SendMessageW(marquee_, PBM_SETMARQUEE, !opened && busy, 40);
}

void TWin32ProgressWindow::Layout() {
  const UINT dpi = DpiOf(window_);
  const TProgressLayout l = LayoutFor(animationWidth_, animationHeight_);
  auto place = [dpi](HWND control, int left, int top, int width, int height, bool size = true) {
    SetWindowPos(control, nullptr, Scale(left, dpi), Scale(top, dpi), Scale(width, dpi), Scale(height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE | (size ? 0 : SWP_NOSIZE));
  };
  RECT frame{0, 0, Scale(l.WindowWidth, dpi), Scale(l.WindowHeight, dpi)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  place(animate_, l.AnimationLeft, l.AnimationTop, 0, 0, false);  // keeps the frames' size
  place(marquee_, l.AnimationLeft, l.AnimationTop + (l.AnimationHeight - 12) / 2, l.TextWidth, 12);
  place(state_, l.TextLeft, l.StateTop, l.TextWidth, 18);
  place(detail_, l.TextLeft, l.DetailTop, l.TextWidth, 18);
  place(bar_, l.TextLeft, l.BarTop, l.TextWidth, 16);
  place(stop_, l.StopLeft, l.ButtonTop, 76, 25);
  place(pause_, l.PauseLeft, l.ButtonTop, 76, 25);
  ShowStateText();
}

void TWin32ProgressWindow::ShowStateText() {
  if (!state_) return;
  const std::wstring& text = StateText();
  RECT client;
  GetClientRect(state_, &client);
  std::wstring shown = text;
  // A long path keeps its file name and loses folders from the front, so it fits.
  if (text.find(L'\\') != std::wstring::npos) {
    if (const HDC dc = GetDC(state_)) {
      const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(state_, WM_GETFONT, 0, 0)));
      shown = MinimizePath(
          text,
          [dc](std::wstring_view part) {
            SIZE size{};
            GetTextExtentPoint32W(dc, part.data(), static_cast<int>(part.size()), &size);
            return static_cast<int>(size.cx);
          },
          client.right - client.left);
      SelectObject(dc, previous);
      ReleaseDC(state_, dc);
    }
  }
  SetWindowTextW(state_, shown.c_str());
}

void TWin32ProgressWindow::ShowPauseButton() {
  // Both captions take the same accelerator, so one key pauses and resumes.
  SetWindowTextW(pause_, (PauseButtonCaption() + L"(&P)").c_str());
}

HWND TWin32ProgressWindow::TaskbarWindow() const {
  // The taskbar button belongs to the program's main window when there is one.
  const HWND root = owner_ ? GetAncestor(owner_, GA_ROOTOWNER) : nullptr;
  return root && IsWindowVisible(root) ? root : window_;
}

void TWin32ProgressWindow::ShowTaskbar() {
  if (!taskbar_ || !IsWindowVisible(window_)) return;
  const HWND button = TaskbarWindow();
  switch (TaskbarState()) {
    case TTaskbarState::Indeterminate:
      taskbar_->SetProgressState(button, TBPF_INDETERMINATE);
      return;
    case TTaskbarState::Paused:
      taskbar_->SetProgressState(button, TBPF_PAUSED);
      break;
    case TTaskbarState::Normal:
      taskbar_->SetProgressState(button, StopRequested() ? TBPF_ERROR : TBPF_NORMAL);
      break;
    case TTaskbarState::None:
      taskbar_->SetProgressState(button, TBPF_NOPROGRESS);
      return;
  }
  taskbar_->SetProgressValue(button, static_cast<ULONGLONG>(Position()), 100);
}

void TWin32ProgressWindow::SetCaption(std::wstring_view caption) {
  TProgressPresenter::SetCaption(caption);
  if (window_) SetWindowTextW(window_, Caption().c_str());
}

void TWin32ProgressWindow::SetStateText(std::wstring_view text) {
  TProgressPresenter::SetStateText(text);
  ShowStateText();
}

void TWin32ProgressWindow::SetAnimation(const TProgressAnimation& animation) {
  const bool changed = !(animation == Animation());
  TProgressPresenter::SetAnimation(animation);
  if (window_ && changed) {
    OpenAnimation();
    Layout();
  }
}

void TWin32ProgressWindow::SetStopEnabled(bool enabled) {
  TProgressPresenter::SetStopEnabled(enabled);
  if (stop_) EnableWindow(stop_, enabled && !StopRequested());
}

void TWin32ProgressWindow::Show() {
  const bool first = !Shown();
  TProgressPresenter::Show();
  if (!window_) return;
  if (first) {
    Layout();
    CentreOnScreen(window_);
    ShowWindow(window_, SW_SHOW);
    SetFocus(StopEnabled() ? stop_ : pause_);
  }
  UpdateWindow(window_);
  ShowTaskbar();
}

void TWin32ProgressWindow::Stop() {
  TProgressPresenter::Stop();
  if (!window_) return;
  // Pressed once is enough: the work ends at its next check.
  if (GetFocus() == stop_) SetFocus(pause_);
  EnableWindow(stop_, FALSE);
  ShowTaskbar();
}

void TWin32ProgressWindow::PositionChanged() {
  if (bar_) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(Position()), 0);
  ShowTaskbar();
}

void TWin32ProgressWindow::PauseChanged() {
  TProgressPresenter::PauseChanged();
  if (!window_) return;
  ShowPauseButton();
  // The bar turns to the paused colour while the work waits.
  SendMessageW(bar_, PBM_SETSTATE, Paused() ? PBST_PAUSED : PBST_NORMAL, 0);
  // The activity indicator rests while the work waits.
  if (IsWindowVisible(animate_))
    SendMessageW(animate_, Paused() ? ACM_STOP : ACM_PLAY, Paused() ? 0 : static_cast<WPARAM>(-1),
                 Paused() ? 0 : MAKELONG(0, 0xFFFF));
  if (IsWindowVisible(marquee_)) SendMessageW(marquee_, PBM_SETMARQUEE, !Paused(), 40);
  ShowTaskbar();
}

void TWin32ProgressWindow::DetailsChanged() {
  if (detail_) SetWindowTextW(detail_, DetailText().c_str());
}

}  // namespace vog::win32
