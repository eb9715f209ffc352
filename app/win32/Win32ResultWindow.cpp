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
  Layout();
  SetFocus(Item(IDC_RESULT_TREE));
  return FALSE;  // the focus is set
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
  place(IDC_RESULT_SUCCESSSIZE, margin + Px(110), margin + Px(3), inner - Px(110), row - Px(3));
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
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TWin32ResultWindow::ShowFailureReason(const TTreeNode* node) {
  if (!node) return;
  const std::wstring reason = presenter_.FailureReason(*node);
  if (reason.empty()) return;
  MessageBoxW(Handle(), reason.c_str(), kErrorBoxCaption, MB_OK | MB_ICONERROR);
}

void TWin32ResultWindow::ContextMenu(HWND tree, bool fromKeyboard) {
  const bool errors = tree == Item(IDC_RESULT_ERRORTREE);
  const TTreeNode* node = fromKeyboard ? SelectedNode(tree) : SelectNodeAtCursor(tree);
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
