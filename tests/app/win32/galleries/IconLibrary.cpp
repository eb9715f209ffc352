// Gallery: the icon library VogmeristIcon.dll (beside this program) as the program uses it:
// its icon 5 and its three progress animations (70 copy, 71 mirroring deletes, 72 check)
// playing in animation controls, in a window titled "アイコンライブラリ". Shows what is
// missing as text instead.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/win32/WindowKit.h"

namespace {

LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using namespace vog::win32;
  EnableDpiAwareness();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"VogmeristIcon.dll";
  const HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = GalleryProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"VogratelIconLibraryGallery";
  RegisterClassExW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"アイコンライブラリ",
                                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 10, 10,
                                      nullptr, nullptr, instance, nullptr);
  const UINT dpi = DpiOf(window);
  const auto s = [dpi](int value) { return Scale(value, dpi); };
  SetWindowPos(window, nullptr, 0, 0, s(420), s(200), SWP_NOMOVE | SWP_NOZORDER);
  const auto label = [&](const wchar_t* text, int x, int y) {
    CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, s(x), s(y), s(120), s(18), window, nullptr, instance,
                    nullptr);
  };
  if (!library) {
    label(L"VogmeristIcon.dll がありません", 16, 16);
  } else {
    const HICON icon = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(5), IMAGE_ICON, s(32), s(32), 0));
    const HWND picture = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, s(16), s(16), s(32),
                                         s(32), window, nullptr, instance, nullptr);
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    label(icon ? L"アイコン 5" : L"アイコン 5 がありません", 56, 24);
    const wchar_t* names[] = {L"70 コピー", L"71 ミラーリング", L"72 チェック"};
    for (int i = 0; i < 3; ++i) {
      const HWND animation = CreateWindowExW(0, ANIMATE_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT,
                                             s(16 + 130 * i), s(64), s(96), s(48), window, nullptr, instance, nullptr);
      const bool opened = SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(library),
                                       reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(70 + i))) != 0;
      if (opened) SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
      label(opened ? names[i] : L"開けません", 16 + 130 * i, 120);
    }
  }
  ApplyUiFont(window);
  CentreOnScreen(window);
  ShowWindow(window, showCommand);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (library) FreeLibrary(library);
  return 0;
}
