#include "app/win32/WindowKit.h"

#include <commctrl.h>

#include <map>

namespace vog::win32 {

namespace {

template <typename T>
T SystemFunction(const char* module, const char* name) {
  const HMODULE handle = GetModuleHandleA(module);
  return handle ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

}  // namespace

void EnableDpiAwareness() {
  // Looked up by name: older systems lack the newer calls, and the program still runs there.
  using TSetContext = BOOL(WINAPI*)(HANDLE);
  if (auto setContext = SystemFunction<TSetContext>("user32.dll", "SetProcessDpiAwarenessContext")) {
    if (setContext(reinterpret_cast<HANDLE>(-4)) || setContext(reinterpret_cast<HANDLE>(-3))) return;
  }
  using TSetAware = BOOL(WINAPI*)();
  if (auto setAware = SystemFunction<TSetAware>("user32.dll", "SetProcessDPIAware")) setAware();
}

UINT DpiOf(HWND window) {
  using TForWindow = UINT(WINAPI*)(HWND);
  using TForSystem = UINT(WINAPI*)();
  static const auto forWindow = SystemFunction<TForWindow>("user32.dll", "GetDpiForWindow");
  static const auto forSystem = SystemFunction<TForSystem>("user32.dll", "GetDpiForSystem");
  if (window && forWindow) {
    if (const UINT dpi = forWindow(window)) return dpi;
  }
  if (forSystem) {
    if (const UINT dpi = forSystem()) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

HFONT UiFont(UINT dpi) {
  static std::map<UINT, HFONT> fonts;  // one per DPI for the process's life
  if (auto found = fonts.find(dpi); found != fonts.end()) return found->second;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  using TForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = SystemFunction<TForDpi>("user32.dll", "SystemParametersInfoForDpi");
  bool have = forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi);
  if (!have && SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    // The system's metrics are at the system's DPI: bring the height to this one.
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(DpiOf(nullptr)));
    have = true;
  }
  HFONT font = have ? CreateFontIndirectW(&metrics.lfMessageFont) : nullptr;
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts.emplace(dpi, font);
  return font;
}

void ApplyUiFont(HWND window) {
  const HFONT font = UiFont(DpiOf(window));
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(
      window,
      [](HWND child, LPARAM font) -> BOOL {
        SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(font));
}

void CentreOnScreen(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HMODULE LoadCommonControls() {
  static const HMODULE module = [] {
    const HMODULE library = LoadLibraryW(L"comctl32.dll");
    using TInit = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init =
        library ? reinterpret_cast<TInit>(reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")))
                : nullptr;
    if (init) {
      const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
      init(&controls);
    }
    return library;
  }();
  return module;
}

INT_PTR TModalDialog::Run(HWND owner) {
  LoadCommonControls();
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, &TModalDialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK TModalDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<TModalDialog*>(lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    self->dialog_ = dialog;
    return self->OnInit();
  }
  auto* self = reinterpret_cast<TModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = 0;
  if (self->HandleMessage(message, wParam, lParam, result)) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    if (self->OnCommand(id, HIWORD(wParam))) return TRUE;
    if (id == IDOK || id == IDCANCEL) {
      self->End(id);
      return TRUE;
    }
  }
  if (message == WM_NCDESTROY) self->dialog_ = nullptr;
  return FALSE;
}

}  // namespace vog::win32
