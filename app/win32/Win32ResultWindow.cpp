#include "app/win32/Win32ResultWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "app/win32/RunWindowIds.h"
#include "app/win32/Win32FileTree.h"

namespace vog::win32 {

namespace {

constexpr wchar_t kErrorBoxCaption[] = L"エラー";

void Show(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE); }

int CALLBACK AddFontName(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
  // Vertical forms ("@...") are no choice for a tree.
  const HWND box = reinterpret_cast<HWND>(list);
  if (font->lfFaceName[0] != L'@' &&
      SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(font->lfFaceName)) ==
          CB_ERR)
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
  return 1;
}

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

TWin32ResultWindow::TWin32ResultWindow(HINSTANCE instance, TResultPresenter& presenter, TWindowPlace place,
                                       int32_t errorHeight, TMirroringViewer viewer)
    : TModalDialog(instance, IDD_RESULT),
      presenter_(presenter),
      place_(place),
      errorHeight_(errorHeight),
      viewer_(std::move(viewer)) {}

int TWin32ResultWindow::Px(int designPixels) const { return Scale(designPixels, DpiOf(Handle())); }

BOOL TWin32ResultWindow::OnInit() {
  dpi_ = DpiOf(Handle());
  SetWindowTextW(Handle(), TResultPresenter::kCaption);
  SetDlgItemTextW(Handle(), IDC_RESULT_SUCCESSSIZE, presenter_.SuccessLabel().c_str());
  SetDlgItemTextW(Handle(), IDC_RESULT_MIRRORSIZE, presenter_.MirroringLabel().c_str());
  SetDlgItemTextW(Handle(), IDC_RESULT_ERRORSIZE, presenter_.ErrorLabel().c_str());
  FillTree(Item(IDC_RESULT_TREE), presenter_.CopiedTree());
  FillTree(Item(IDC_RESULT_ERRORTREE), presenter_.FailedTree());
  // The first failed file is in view at once, however deep it lies.
  SelectFirstFile(Item(IDC_RESULT_ERRORTREE));
  FillListBox(Item(IDC_RESULT_PROBLEMS), presenter_.Problems());
  if (place_.Known()) {
    PlaceWindow(Handle(), place_);
  } else {
    errorHeight_ = Px(errorHeight_);  // the design height, at this window's DPI
    // The design size: room for a tree of some depth and the error panel.
    SetWindowPos(Handle(), nullptr, 0, 0, Px(640), Px(540), SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    CentreOnScreen(Handle());
  }
  FillFontChooser();
  Layout();
  SetFocus(Item(IDC_RESULT_TREE));
  return FALSE;  // the focus is set
}

void TWin32ResultWindow::FillFontChooser() {
  const HWND names = Item(IDC_RESULT_FONTNAME), sizes = Item(IDC_RESULT_FONTSIZE);
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  if (const HDC dc = GetDC(Handle())) {
    EnumFontFamiliesExW(dc, &wanted, &AddFontName, reinterpret_cast<LPARAM>(names), 0);
    ReleaseDC(Handle(), dc);
  }
  for (const std::wstring& size : TResultPresenter::FontSizes())
    SendMessageW(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size.c_str()));
  if (!presenter_.FontName.empty())
    SendMessageW(names, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(presenter_.FontName.c_str()));
  SetWindowTextW(sizes, std::to_wstring(presenter_.FontSize).c_str());
}

void TWin32ResultWindow::ReleaseTreeFont() {
  if (treeFont_) DeleteObject(treeFont_);
  treeFont_ = nullptr;
}

void TWin32ResultWindow::ApplyTreeFont() {
  if (!presenter_.ChooseFont(TextOf(Item(IDC_RESULT_FONTNAME)), TextOf(Item(IDC_RESULT_FONTSIZE)))) return;
  const HFONT font = CreateFontW(-MulDiv(presenter_.FontSize, static_cast<int>(DpiOf(Handle())), 72), 0, 0, 0,
                                 FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, presenter_.FontName.c_str());
  if (!font) return;
  // Both trees show the same font; the one they had goes once they no longer use it.
  for (const int id : {IDC_RESULT_TREE, IDC_RESULT_ERRORTREE})
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ReleaseTreeFont();
  treeFont_ = font;
}

void TWin32ResultWindow::Layout() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  const int margin = Px(6), row = Px(20), gap = Px(4), splitter = Px(6);
  const bool mirroring = presenter_.ShowsMirroringBar();
  const bool panel = presenter_.ShowsErrorPanel();
  const bool failed = presenter_.ShowsFailedFiles();
  const bool problems = !presenter_.Problems().empty();
  const int inner = width - 2 * margin;
  auto place = [&](int id, int left, int top, int w, int h) {
    SetWindowPos(Item(id), nullptr, left, top, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  };

  place(IDC_RESULT_COPYLABEL, margin, margin + Px(3), Px(110), row - Px(3));
  // The font chooser, when shown, stands at the right end of the top bar, after the sizes.
  const bool chooser = presenter_.FontChooserShown;
  const int chooserWidth = chooser ? Px(244) : 0;
  const int chooserLeft = margin + inner - Px(236);
  place(IDC_RESULT_FONTNAME, chooserLeft, margin - Px(2), Px(180), Px(300));
  place(IDC_RESULT_FONTSIZE, chooserLeft + Px(184), margin - Px(2), Px(52), Px(300));
  place(IDC_RESULT_SUCCESSSIZE, margin + Px(110), margin + Px(3), inner - Px(110) - chooserWidth, row - Px(3));
  Show(Item(IDC_RESULT_FONTNAME), chooser);
  Show(Item(IDC_RESULT_FONTSIZE), chooser);
  int bottom = height - margin;
  // The error panel keeps its height while there is room; the tree always keeps some.
  if (panel) {
    const int minimum = Px(60);
    errorHeight_ = std::clamp(errorHeight_, minimum, std::max(minimum, height - Px(150)));
    const int top = bottom - errorHeight_;
    splitter_ = {0, top - splitter, width, top};
    int y = top;
    int problemHeight = 0;
    // Beside failed files the problems get a few lines; alone they take the panel.
    if (problems) problemHeight = failed ? std::min(Px(56), (errorHeight_ - 2 * row) / 2) : errorHeight_ - row;
    if (failed) {
      place(IDC_RESULT_ERRORLABEL, margin, y + Px(3), Px(110), row - Px(3));
      place(IDC_RESULT_ERRORSIZE, margin + Px(110), y + Px(3), inner - Px(110), row - Px(3));
      y += row;
      const int treeHeight = bottom - y - (problems ? row + problemHeight : 0);
      place(IDC_RESULT_ERRORTREE, margin, y, inner, treeHeight);
      y += treeHeight;
    }
    if (problems) {
      place(IDC_RESULT_PROBLEMLABEL, margin, y + Px(3), inner, row - Px(3));
      place(IDC_RESULT_PROBLEMS, margin, y + row, inner, bottom - y - row);
    }
    bottom = splitter_.top;
  } else {
    splitter_ = {};
  }
  if (mirroring) {
    const int barTop = bottom - Px(26);
    place(IDC_RESULT_MIRRORBUTTON, margin, barTop, Px(170), Px(24));
    place(IDC_RESULT_MIRRORSIZE, margin + Px(178), barTop + Px(5), inner - Px(178), row - Px(3));
    bottom = barTop - gap;
  }
  place(IDC_RESULT_TREE, margin, margin + row, inner, bottom - margin - row);

  Show(Item(IDC_RESULT_MIRRORBUTTON), mirroring);
  Show(Item(IDC_RESULT_MIRRORSIZE), mirroring);
  for (const int id : {IDC_RESULT_ERRORLABEL, IDC_RESULT_ERRORSIZE, IDC_RESULT_ERRORTREE}) Show(Item(id), panel && failed);
  for (const int id : {IDC_RESULT_PROBLEMLABEL, IDC_RESULT_PROBLEMS}) Show(Item(id), panel && problems);
  // A right-aligned label that only changed its width keeps its old picture otherwise.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TWin32ResultWindow::ShowFailureReason(const TResultNode* node) {
  if (!node) return;
  const std::wstring reason = presenter_.FailureReason(*node);
  if (reason.empty()) return;
  MessageBoxW(Handle(), reason.c_str(), kErrorBoxCaption, MB_OK | MB_ICONERROR);
}

void TWin32ResultWindow::ContextMenu(HWND tree, bool fromKeyboard) {
  const bool errors = tree == Item(IDC_RESULT_ERRORTREE);
  const TResultNode* node = fromKeyboard ? SelectedNode(tree) : SelectNodeAtCursor(tree);
  const int command =
      TrackTreeMenu(Handle(), tree, errors ? IDM_RESULT_ERRORTREE : IDM_RESULT_TREE, node, fromKeyboard);
  if (command == IDC_MENU_SHOWERROR) {
    ShowFailureReason(node);
  } else if (command == IDC_MENU_REGISTERTARGET || command == IDC_MENU_REGISTEREXCLUDED) {
    if (node) presenter_.Register(*node, command == IDC_MENU_REGISTEREXCLUDED);
  } else {
    RunTreeCommand(Handle(), tree, command, node);
  }
}

bool TWin32ResultWindow::OverSplitter(POINT client) const {
  return splitter_.bottom > splitter_.top && PtInRect(&splitter_, client);
}

bool TWin32ResultWindow::OnCommand(int id, int code) {
  if (id == IDOK && GetFocus() == Item(IDC_RESULT_ERRORTREE)) {
    // Enter on a failed file tells why it failed rather than closing the window.
    ShowFailureReason(SelectedNode(Item(IDC_RESULT_ERRORTREE)));
    return true;
  }
  if (id == IDOK || id == IDCANCEL) {
    place_ = PlaceOf(Handle());
    return false;  // closes
  }
  if (id == IDC_RESULT_SUCCESSSIZE && code == STN_DBLCLK) {
    presenter_.FontChooserShown = !presenter_.FontChooserShown;
    Layout();
    return true;
  }
  if ((id == IDC_RESULT_FONTNAME && code == CBN_SELCHANGE) ||
      (id == IDC_RESULT_FONTSIZE && (code == CBN_EDITCHANGE || code == CBN_SELCHANGE))) {
    // A choice from the size list is not yet the box's text: take it from the list.
    if (id == IDC_RESULT_FONTSIZE && code == CBN_SELCHANGE) {
      const HWND sizes = Item(IDC_RESULT_FONTSIZE);
      const LRESULT chosen = SendMessageW(sizes, CB_GETCURSEL, 0, 0);
      if (chosen != CB_ERR) SetWindowTextW(sizes, TResultPresenter::FontSizes()[static_cast<size_t>(chosen)].c_str());
    }
    ApplyTreeFont();
    return true;
  }
  if (id == IDC_RESULT_MIRRORBUTTON && code == BN_CLICKED) {
    if (viewer_ && presenter_.MirroredList()) viewer_(Handle(), *presenter_.MirroredList(), presenter_.MirroringPlace);
    return true;
  }
  return false;
}

bool TWin32ResultWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return true;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      // The panel keeps its share of the window on the new monitor.
      errorHeight_ = MulDiv(errorHeight_, HIWORD(wParam), static_cast<int>(dpi_));
      dpi_ = HIWORD(wParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyUiFont(Handle());
      Layout();
      return true;
    }
    case WM_DESTROY:
      ReleaseTreeFont();  // the trees go with the window
      return false;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {Px(320), Px(260)};
      return true;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (HandleTreeNotify(*header)) {
        result = FALSE;  // the folder opens
        return true;
      }
      if (header->idFrom == IDC_RESULT_ERRORTREE && header->code == NM_DBLCLK) {
        ShowFailureReason(SelectNodeAtCursor(header->hwndFrom));
        result = TRUE;
        return true;
      }
      return false;
    }
    case WM_CONTEXTMENU: {
      const HWND from = reinterpret_cast<HWND>(wParam);
      if (from != Item(IDC_RESULT_TREE) && from != Item(IDC_RESULT_ERRORTREE)) return false;
      ContextMenu(from, GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1);
      return true;
    }
    case WM_SETCURSOR: {
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(Handle(), &at);
      if (reinterpret_cast<HWND>(wParam) != Handle() || (!OverSplitter(at) && !dragging_)) return false;
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZENS)));
      result = TRUE;
      return true;
    }
    case WM_LBUTTONDOWN: {
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (!OverSplitter(at)) return false;
      dragging_ = true;
      dragOffset_ = at.y - splitter_.bottom;
      SetCapture(Handle());
      return true;
    }
    case WM_MOUSEMOVE:
      if (!dragging_) return false;
      {
        RECT client;
        GetClientRect(Handle(), &client);
        errorHeight_ = client.bottom - Px(6) - (GET_Y_LPARAM(lParam) - dragOffset_);
        Layout();
      }
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (!dragging_) return false;
      dragging_ = false;
      if (message == WM_LBUTTONUP) ReleaseCapture();
      return true;
    default:
      return false;
  }
}

}  // namespace vog::win32
