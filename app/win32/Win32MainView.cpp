#include "app/win32/Win32MainView.h"

#include <commctrl.h>
#include <dbt.h>
#include <windowsx.h>
#include <shellapi.h>

#include <vector>

#include "app/win32/MainWindowIds.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VogratelMainWindow";
// The design client size of the main window (at 96 DPI).
constexpr int kClientWidth = 354;
constexpr int kClientHeight = 291;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// A volume arrived: handled after the system's broadcast returned (wParam: device type,
// lParam: drive-letter mask), since the drive wait and the run take long.
constexpr UINT kDeviceArrivedMessage = WM_APP + 1;

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

void AddTooltip(HWND tooltip, HWND owner, HWND control, const wchar_t* text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

TMainWindow::~TMainWindow() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  if (iconLibrary_) FreeLibrary(iconLibrary_);
}

bool TMainWindow::Create() {
  LoadCommonControls();

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &TMainWindow::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_VOGRATEL));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);

  const HMENU menu = LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_MAINMENU));
  window_ = CreateWindowExW(WS_EX_ACCEPTFILES, kWindowClass, caption_.c_str(), kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr, menu, instance_, this);
  if (!window_) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  mainKeys_ = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_MAINACCEL));
  listKeys_ = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_LISTACCEL));
  CreateControls();
  LoadIconLibrary();
  DragAcceptFiles(window_, TRUE);
  return true;
}

void TMainWindow::CreateControls() {
  const auto make = [&](DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };
  // Creation order is the Tab order; a label's & key moves to the control after it.
  destLabel_ = make(0, L"STATIC", L"バックアップ先(&D)", SS_LEFT, IDC_DESTLABEL);
  destEdit_ = make(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, IDC_DESTEDIT);
  browse_ = make(0, L"BUTTON", L"...", WS_TABSTOP | BS_PUSHBUTTON, IDC_BROWSE);
  listLabel_ = make(0, L"STATIC", L"バックアップ項目(&L)", SS_LEFT, IDC_LISTLABEL);
  list_ = make(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
               WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS, IDC_ITEMLIST);
  timeLabel_ = make(0, L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, IDC_TIMELABEL);
  backup_ = make(0, L"BUTTON", L"バックアップ...", WS_TABSTOP | BS_PUSHBUTTON, IDC_BACKUP);
  restore_ = make(0, L"BUTTON", L"リストア...", WS_TABSTOP | BS_PUSHBUTTON, IDC_RESTORE);
  version_ = make(0, L"BUTTON", L"i", WS_TABSTOP | BS_PUSHBUTTON, IDC_VERSION);

  ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  ListView_InsertColumn(list_, 0, &column);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (tooltip_) {
    AddTooltip(tooltip_, window_, browse_, L"フォルダ選択");
    AddTooltip(tooltip_, window_, version_, L"バージョン情報");
  }
  ApplyUiFont(window_);
}

void TMainWindow::LoadIconLibrary() {
  // Beside the program only, and as data: a library of the same name elsewhere on the
  // search path is never loaded, and no code of the library runs.
  iconLibrary_ = LoadLibraryExW((ProgramFolder() + kIconLibraryName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HINSTANCE source = iconLibrary_ && FindResourceW(iconLibrary_, MAKEINTRESOURCEW(kIconLibraryIcon), RT_GROUP_ICON)
                               ? iconLibrary_
                               : instance_;
  const int id = source == instance_ ? IDI_VOGRATEL : kIconLibraryIcon;
  const UINT dpi = DpiOf(window_);
  const auto icon = [&](int size) {
    return static_cast<HICON>(LoadImageW(source, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  };
  SetIcons(icon(Scale(32, dpi)), icon(Scale(16, dpi)));
}

void TMainWindow::SetIcons(HICON big, HICON little) {
  if (!big || !little) {
    if (big) DestroyIcon(big);
    if (little) DestroyIcon(little);
    return;
  }
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(little));
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  bigIcon_ = big;
  smallIcon_ = little;
}

void TMainWindow::ShowIconPicture(const TPicture& picture) {
  // An icon picture is an icon file: a directory of images, each found by its offset.
  const std::string& data = picture.Data;
  if (!window_ || picture.ClassName != "TIcon" || data.size() < 6) return;
  const auto number = [&](size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(data[at + static_cast<size_t>(i)]);
    return value;
  };
  const uint32_t count = number(4, 2);
  if (data.size() < 6 + 16 * static_cast<size_t>(count)) return;
  const UINT dpi = DpiOf(window_);
  const auto image = [&](int size) -> HICON {
    int best = -1, bestSide = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t entry = 6 + 16 * static_cast<size_t>(i);
      const int side = data[entry] ? static_cast<uint8_t>(data[entry]) : 256;
      const uint32_t length = number(entry + 8, 4), offset = number(entry + 12, 4);
      if (offset > data.size() || length > data.size() - offset || length == 0) continue;
      // The smallest image at least as large, else the largest.
      if (best < 0 || (side >= size && (bestSide < size || side < bestSide)) || (bestSide < size && side > bestSide)) {
        best = static_cast<int>(i);
        bestSide = side;
      }
    }
    if (best < 0) return nullptr;
    const size_t entry = 6 + 16 * static_cast<size_t>(best);
    auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(data.data() + number(entry + 12, 4)));
    return CreateIconFromResourceEx(bits, number(entry + 8, 4), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
  };
  SetIcons(image(Scale(32, dpi)), image(Scale(16, dpi)));
}

SIZE TMainWindow::WindowSize() const {
  const UINT dpi = DpiOf(window_);
  RECT frame{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, WS_EX_ACCEPTFILES);
  SIZE size{frame.right - frame.left, frame.bottom - frame.top};
  if (form_ && form_->Layout.Width > 0) size.cx = Scale(form_->Layout.Width, dpi);
  if (form_ && form_->Layout.Height > 0) size.cy = Scale(form_->Layout.Height, dpi);
  return size;
}

void TMainWindow::Layout() {
  if (!window_ || !list_) return;  // WM_SIZE comes once before the controls exist
  RECT client;
  GetClientRect(window_, &client);
  const UINT dpi = DpiOf(window_);
  const auto s = [dpi](int value) { return Scale(value, dpi); };
  const int width = client.right, height = client.bottom;
  // The edit and the list keep their distance to the right edge, the list and everything
  // below it their distance to the bottom, as at the design size.
  const int rightGap = s(kClientWidth - 16 - 298);
  const int bottom = height - s(kClientHeight - 256);
  TMainLayout layout;
  if (form_) layout = form_->Layout;
  HDWP places = BeginDeferWindowPos(9);
  const auto place = [&](HWND control, int x, int y, int w, int h) {
    if (places) places = DeferWindowPos(places, control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(destLabel_, s(16), s(8), width - s(32), s(16));
  place(destEdit_, s(16), s(26), width - s(16) - rightGap, s(23));
  place(browse_, width - s(36), s(25), s(25), s(25));
  place(listLabel_, s(16), s(58), width - s(32), s(16));
  place(list_, s(16), s(76), width - s(16) - rightGap, bottom - s(25) - s(76));
  place(timeLabel_, s(16), bottom - s(20), width - s(32), s(16));
  place(backup_, s(layout.BackupLeft), bottom, s(layout.BackupWidth), s(25));
  place(restore_, s(layout.RestoreLeft), bottom, s(layout.RestoreWidth), s(25));
  place(version_, width - s(36), bottom, s(25), s(25));
  if (places) EndDeferWindowPos(places);
  ShowWindow(backup_, layout.BackupVisible ? SW_SHOWNA : SW_HIDE);
  ShowWindow(restore_, layout.RestoreVisible ? SW_SHOWNA : SW_HIDE);
  RECT listClient;
  GetClientRect(list_, &listClient);
  ListView_SetColumnWidth(list_, 0, listClient.right);
}

LRESULT CALLBACK TMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    reinterpret_cast<TMainWindow*>(create->lpCreateParams)->window_ = window;
  }
  auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->window_ == window) return self->Handle(message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TMainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == list_) {
        ShowListMenu(lParam);
        return 0;
      }
      break;
    case WM_INITMENUPOPUP: {
      const HMENU menu = reinterpret_cast<HMENU>(wParam);
      const bool edit = form_ && form_->Data.AllowEdit && !form_->Busy;
      EnableMenuItem(menu, IDM_SAVE, MF_BYCOMMAND | (form_ && !form_->Busy ? MF_ENABLED : MF_GRAYED));
      const bool row = edit && Selected() >= 0;
      for (int id : {IDM_EDITITEM, IDM_RENAME, IDM_DELETE, IDM_MOVEUP, IDM_MOVEDOWN})
        EnableMenuItem(menu, id, MF_BYCOMMAND | (row ? MF_ENABLED : MF_GRAYED));
      EnableMenuItem(menu, IDM_NEWITEM, MF_BYCOMMAND | (edit ? MF_ENABLED : MF_GRAYED));
      EnableMenuItem(menu, IDM_PASTVERSIONS,
                     MF_BYCOMMAND | (form_ && !form_->Busy && Selected() >= 0 ? MF_ENABLED : MF_GRAYED));
      return 0;
    }
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_DEVICECHANGE:
      OnDeviceChange(wParam, lParam);
      return TRUE;
    case kDeviceArrivedMessage:
      if (form_) form_->DeviceChangeMessage(kDeviceArrival, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
      return 0;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyUiFont(window_);
      Layout();
      return 0;
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_NEXTDLGCTL: {
      // Tab and the labels' & keys (IsDialogMessage asks the window, as a dialog, to move
      // the focus; a window that is not a dialog must do it itself).
      const HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                         : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
      if (target) {
        SetFocus(target);
        if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back when the window is
      // active again (after a message box, say), so the list's keys go on working.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) focus_ = focus;
      } else {
        SetFocus(focus_ && IsWindow(focus_) ? focus_ : list_);
      }
      return 0;
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
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void TMainWindow::OnCommand(int id, int code) {
  if (!form_) return;
  switch (id) {
    case IDC_DESTEDIT:
      if (code == EN_CHANGE && !filling_) form_->DestinationText = TextOf(destEdit_);
      return;
    case IDC_BROWSE:
      form_->ChooseDestination();
      return;
    case IDC_BACKUP:
      form_->BackupStartButtonClick();
      return;
    case IDC_RESTORE:
      form_->RestoreBtnClick();
      return;
    case IDC_VERSION:
    case IDM_ABOUT:
      form_->VerBtnClick();
      return;
    case IDM_NEWITEM:
      form_->NewItem();
      return;
    case IDM_EDITITEM:
      form_->EditItemSettings(Selected());
      return;
    case IDM_RENAME:
      form_->RenameItem(Selected());
      return;
    case IDM_DELETE:
      form_->DeleteItem(Selected());
      return;
    case IDM_MOVEUP:
      form_->MoveItem(Selected(), -1);
      return;
    case IDM_MOVEDOWN:
      form_->MoveItem(Selected(), +1);
      return;
    case IDM_PASTVERSIONS:
      form_->PastVersionsClick(Selected());
      return;
    case IDM_SAVE:
      form_->SaveCommand();
      return;
    case IDM_EXIT:
      PostMessageW(window_, WM_CLOSE, 0, 0);
      return;
    default:
      return;  // Enter and Esc outside the list: the main window is no dialog to end
  }
}

LRESULT TMainWindow::OnNotify(const NMHDR& header) {
  if (header.hwndFrom != list_ || !form_) return 0;
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      // Space and clicks on the box change the mark; the form keeps the marks by position.
      if (filling_ || !(change.uChanged & LVIF_STATE) || change.iItem < 0 ||
          !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) || change.iItem >= form_->CheckList.Count())
        return 0;
      form_->CheckList.SetChecked(change.iItem, ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2);
      return 0;
    }
    case NM_DBLCLK:
      form_->RenameItem(Selected());
      return 0;
    default:
      return 0;
  }
}

void TMainWindow::OnDropFiles(HDROP drop) {
  std::vector<std::wstring> names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(4096, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
    if (!name.empty()) names.push_back(name);
  }
  DragFinish(drop);  // released whether or not the drop is taken
  if (form_) form_->DropFiles(names);
}

void TMainWindow::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL || !data) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header->dbch_devicetype != DBT_DEVTYP_VOLUME) return;
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data);
  // The system waits for this message to return: the drive wait and the run come later.
  PostMessageW(window_, kDeviceArrivedMessage, header->dbch_devicetype, static_cast<LPARAM>(volume->dbcv_unitmask));
}

void TMainWindow::ShowListMenu(LPARAM position) {
  POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (position == -1) {  // from the keyboard: below the selected row
    RECT row{};
    const int selected = Selected();
    if (selected < 0 || !ListView_GetItemRect(list_, selected, &row, LVIR_LABEL)) GetClientRect(list_, &row);
    at = {row.left, row.bottom};
    ClientToScreen(list_, &at);
  }
  const HMENU menu = LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_LISTMENU));
  if (!menu) return;
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
  DestroyMenu(menu);
}

int TMainWindow::Selected() const { return list_ ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1; }

void TMainWindow::Select(int row) {
  const int count = ListView_GetItemCount(list_);
  if (count == 0) return;
  if (row >= count) row = count - 1;
  if (row < 0) return;
  ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, row, FALSE);
}

void TMainWindow::ShowDestination() {
  if (!form_ || TextOf(destEdit_) == form_->DestinationText) return;
  filling_ = true;
  SetWindowTextW(destEdit_, form_->DestinationText.c_str());
  filling_ = false;
}

void TMainWindow::ItemsChanged(int selected) {
  if (!list_ || !form_) return;
  if (selected < 0) selected = Selected();
  filling_ = true;
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  int row = 0;
  for (const auto& [title, checked] : form_->CheckList.Rows) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(title.c_str());
    ListView_InsertItem(list_, &item);
    ListView_SetCheckState(list_, row, checked);
    ++row;
  }
  Select(selected);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  filling_ = false;
  ShowDestination();
  SetWindowTextW(timeLabel_, form_->BackupTimeLabel.c_str());
}

void TMainWindow::ShowLastRun() {
  if (form_ && timeLabel_) SetWindowTextW(timeLabel_, form_->BackupTimeLabel.c_str());
}

bool TMainWindow::TranslateKeys(MSG& message) {
  if (!window_) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  if (mainKeys_ && TranslateAcceleratorW(window_, mainKeys_, &message)) return true;
  if (listKeys_ && GetFocus() == list_ && TranslateAcceleratorW(window_, listKeys_, &message)) return true;
  return IsDialogMessageW(window_, &message) != FALSE;
}

void TMainWindow::Show(int showCommand) {
  if (!window_) return;
  if (form_) {
    const SIZE size = WindowSize();
    SetWindowPos(window_, nullptr, form_->Layout.Left, form_->Layout.Top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (form_->Layout.Centred) CentreOnScreen(window_);
    SetCaption(form_->Caption);
    ItemsChanged(0);
    Layout();
  }
  ShowWindow(window_, minimiseOnShow_ ? SW_SHOWMINIMIZED : showCommand);
  UpdateWindow(window_);
  SetFocus(list_);
  shown_ = true;
}

void TMainWindow::StorePlace() {
  if (!form_ || !shown_) return;  // a window never shown keeps the stored place
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(window_, &placement)) return;
  // The normal place, also when the window is minimised at the end.
  form_->Layout.Centred = false;
  form_->Layout.Left = placement.rcNormalPosition.left;
  form_->Layout.Top = placement.rcNormalPosition.top;
}

void TMainWindow::ShowError(const std::wstring& message) {
  MessageBoxW(shown_ ? window_ : nullptr, message.c_str(), caption_.c_str(), MB_OK | MB_ICONERROR);
}

IMainView::TAnswer TMainWindow::Ask(const std::wstring& question) {
  switch (MessageBoxW(shown_ ? window_ : nullptr, question.c_str(), caption_.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      return TAnswer::Yes;
    case IDNO:
      return TAnswer::No;
    default:
      return TAnswer::Cancel;
  }
}

bool TMainWindow::Confirm(const std::wstring& question) {
  return MessageBoxW(shown_ ? window_ : nullptr, question.c_str(), caption_.c_str(), MB_OKCANCEL | MB_ICONQUESTION) ==
         IDOK;
}

void TMainWindow::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (window_) SetWindowTextW(window_, caption.c_str());
}

void TMainWindow::HideForQuietRun() {
  if (window_) ShowWindow(window_, SW_HIDE);
}

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
  // A process shows a cursor only over a window of its own: before the window exists (a
  // run from the command line) there is nothing to show, and loading a system cursor
  // would set up the desktop for nothing.
  if (!window_) return;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy ? IDC_WAIT : IDC_ARROW)));
}

void TMainWindow::EnableRunButtons(bool enabled) {
  if (backup_) EnableWindow(backup_, enabled);
  if (restore_) EnableWindow(restore_, enabled);
}

namespace {

// The window library is loaded on first use. Until then (a run from the command line that
// has shown nothing) the thread has no message queue, so there is nothing to pump, and
// pumping would load the library and its fonts for nothing.
// Asked at most four times a second: under Wine a module not yet loaded is looked for on
// disk.
bool WindowLibraryLoaded(DWORD now) {
  static bool loaded = false;
  static DWORD asked = 0;
  static bool everAsked = false;
  if (!loaded && (!everAsked || now - asked >= 250)) {
    loaded = GetModuleHandleW(L"user32.dll") != nullptr;
    asked = now;
    everAsked = true;
  }
  return loaded;
}

}  // namespace

void TWin32MessagePump::ProcessMessages() {
  const DWORD now = GetTickCount();
  if (now - lastPump_ < 10) return;
  lastPump_ = now;
  if (!WindowLibraryLoaded(now)) return;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    // Tab, Enter, Esc and the & keys of a window shown during the work (the progress
    // window) act as in a dialog.
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TWin32MessagePump::Wait(unsigned milliseconds) {
  if (!WindowLibraryLoaded(GetTickCount())) {
    Sleep(milliseconds);
    return;
  }
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

}  // namespace vog::win32
