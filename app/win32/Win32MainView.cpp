#include "app/win32/Win32MainView.h"

namespace vog::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VogratelMainWindow";
// The design client size of the main window.
constexpr int kClientWidth = 354;
constexpr int kClientHeight = 291;

}  // namespace

TMainWindow::TMainWindow(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &TMainWindow::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);

  RECT frame{0, 0, kClientWidth, kClientHeight};
  const DWORD style = WS_OVERLAPPEDWINDOW;
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  window_ = CreateWindowExW(0, kWindowClass, caption_.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                          16, 16, 298, 220, window_, nullptr, instance, nullptr);
  label_ =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 16, 256, 298, 20, window_, nullptr, instance, nullptr);
  const HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

TMainWindow::~TMainWindow() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

LRESULT CALLBACK TMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->window_ == window) return self->Handle(message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TMainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (!form_ || form_->FormCloseQuery()) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      StorePlace();
      if (form_) form_->FormDestroy();
      form_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void TMainWindow::Show(int showCommand) {
  if (form_) {
    const TMainLayout& layout = form_->Layout;
    RECT rect;
    GetWindowRect(window_, &rect);
    int width = layout.Width > 0 ? layout.Width : rect.right - rect.left;
    int height = layout.Height > 0 ? layout.Height : rect.bottom - rect.top;
    int left = layout.Left, top = layout.Top;
    if (layout.Centred) {
      left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
      top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const auto& row : form_->CheckList.Rows)
      SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.first.c_str()));
    SetWindowTextW(label_, form_->BackupTimeLabel.c_str());
    SetCaption(form_->Caption);
  }
  ShowWindow(window_, minimiseOnShow_ ? SW_SHOWMINIMIZED : showCommand);
  UpdateWindow(window_);
  shown_ = true;
}

void TMainWindow::StorePlace() {
  if (!form_ || !shown_) return;  // a window never shown keeps the stored place
  RECT rect;
  if (!GetWindowRect(window_, &rect)) return;
  form_->Layout.Centred = false;
  form_->Layout.Left = rect.left;
  form_->Layout.Top = rect.top;
}

void TMainWindow::ShowError(const std::wstring& message) {
  MessageBoxW(shown_ ? window_ : nullptr, message.c_str(), caption_.c_str(), MB_OK | MB_ICONERROR);
}

IMainView::TAnswer TMainWindow::Ask(const std::wstring& question) {
  switch (MessageBoxW(window_, question.c_str(), caption_.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      return TAnswer::Yes;
    case IDNO:
      return TAnswer::No;
    default:
      return TAnswer::Cancel;
  }
}

void TMainWindow::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  SetWindowTextW(window_, caption.c_str());
}

void TMainWindow::HideForQuietRun() { ShowWindow(window_, SW_HIDE); }

void TMainWindow::Minimise() {
  // Asked for on the command line, before the window is shown: it is then shown minimised.
  if (shown_)
    ShowWindow(window_, SW_MINIMIZE);
  else
    minimiseOnShow_ = true;
}

void TMainWindow::SetIdlePriority(bool idle) {
  SetPriorityClass(GetCurrentProcess(), idle ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
}

void TMainWindow::SetBusyCursor(bool busy) {
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy ? IDC_WAIT : IDC_ARROW)));
}

void TMainWindow::EnableRunButtons(bool) {
  // The run buttons come with the full main window; the list stays usable meanwhile.
}

void TWin32MessagePump::ProcessMessages() {
  const DWORD now = GetTickCount();
  if (now - lastPump_ < 10) return;
  lastPump_ = now;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TWin32MessagePump::Wait(unsigned milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

}  // namespace vog::win32
