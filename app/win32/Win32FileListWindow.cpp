#include "app/win32/Win32FileListWindow.h"

#include <shellapi.h>

#include <algorithm>

#include "app/SizeText.h"
#include "app/win32/PreviewIds.h"

namespace vog::win32 {

namespace {

constexpr UINT kShownMessage = WM_APP + 1;

// The image-list calls, looked up: the common controls load with the first window.
using TImageListCreate = HIMAGELIST(WINAPI*)(int, int, UINT, int, int);
using TImageListDestroy = BOOL(WINAPI*)(HIMAGELIST);
using TImageListReplaceIcon = int(WINAPI*)(HIMAGELIST, int, HICON);

void AddIcon(HIMAGELIST images, HICON icon) {
  static const auto replaceIcon = CommonControlsFunction<TImageListReplaceIcon>("ImageList_ReplaceIcon");
  if (replaceIcon) replaceIcon(images, -1, icon);
}

void AddShellIcon(HIMAGELIST images, const wchar_t* path, DWORD attributes, UINT flags, bool large) {
  SHFILEINFOW info{};
  flags |= SHGFI_ICON | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
  if (SHGetFileInfoW(path, attributes, &info, sizeof info, flags) && info.hIcon) {
    AddIcon(images, info.hIcon);
    DestroyIcon(info.hIcon);
  } else {
    // Keep the positions (0 drive, 1 folder, 2 file) even without the shell's icon.
    HICON fallback = LoadIconW(nullptr, IDI_APPLICATION);
    AddIcon(images, fallback);
  }
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ComboItemText(HWND combo, LRESULT index) {
  if (index == CB_ERR) return {};
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The control's own visibility (IsWindowVisible is false for all of them until the
// dialog itself shows).
bool Shown(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

void Move(HWND child, int x, int y, int width, int height) {
  SetWindowPos(child, nullptr, x, y, std::max(width, 0), std::max(height, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The keyboard's context-menu keys (the menu key, Shift+F10) on the tree: not every
// system's tree view turns them into WM_CONTEXTMENU, so they are caught here.
// The tree's own window procedure is kept in its GWLP_USERDATA. (The common controls'
// SetWindowSubclass looks its data up per message through a window property, which costs
// a round trip to the window server under Wine: a tenth of a millisecond on every item
// inserted.)
LRESULT CALLBACK TreeKeys(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(tree, GWLP_USERDATA));
  // The key state is asked only for F10, for the same reason.
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
  if ((down || up) && (wParam == VK_APPS || (wParam == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000) != 0))) {
    // The key-up would open the menu a second time on some systems.
    if (down) SendMessageW(GetParent(tree), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), -1);
    return 0;
  }
  return CallWindowProcW(original, tree, message, wParam, lParam);
}

}  // namespace

TFileListWindow::TFileListWindow(HINSTANCE instance, TFileListForm& form)
    : TModalDialog(instance, dynamic_cast<TCopyFileListForm*>(&form) ? IDD_COPYFILELIST : IDD_FILELIST),
      form_(form),
      copy_(dynamic_cast<TCopyFileListForm*>(&form)),
      instance_(instance) {
  LoadCommonControls();
}

TFileListWindow::~TFileListWindow() {
  static const auto destroy = CommonControlsFunction<TImageListDestroy>("ImageList_Destroy");
  if (images_ && destroy) destroy(images_);
  if (treeFont_) DeleteObject(treeFont_);
}

BOOL TFileListWindow::OnInit() {
  const HWND window = Handle();
  SetWindowTextW(window, form_.Caption.c_str());
  tree_ = Item(IDC_FL_TREE);
  SetWindowLongPtrW(tree_, GWLP_USERDATA, GetWindowLongPtrW(tree_, GWLP_WNDPROC));
  SetWindowLongPtrW(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeKeys));
  ApplyUiFont(window);
  const UINT dpi = DpiOf(window);
  const int iconSize = Scale(16, dpi);
  static const auto create = CommonControlsFunction<TImageListCreate>("ImageList_Create");
  images_ = create ? create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, 3, 0) : nullptr;
  const bool large = dpi >= 144;
  AddShellIcon(images_, L"C:\\", 0, 0, large);
  AddShellIcon(images_, L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES, large);
  AddShellIcon(images_, L"file", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, large);
  TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
  TreeView_SetIndent(tree_, Scale(19, dpi));

  if (Place.Known())
    SetWindowPos(window, nullptr, Place.Left, Place.Top, Place.Width, Place.Height, SWP_NOZORDER | SWP_NOACTIVATE);
  else
    CentreOnScreen(window);

  const HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  form_.FormShow();
  if (!form_.FontName.empty()) FontBoxChanged();
  FillTree();
  SetCursor(cursor);

  if (copy_) {
    const int show = copy_->MirroringBarShown() ? SW_SHOW : SW_HIDE;
    ShowWindow(Item(IDC_FL_MIRRORING), show);
    ShowWindow(Item(IDC_FL_MIRRORSIZE), show);
    ShowFontChooser(copy_->FontChooserShown);
  }
  UpdateLabels();
  Arrange();
  PostMessageW(window, kShownMessage, 0, 0);
  SetFocus(tree_);
  return FALSE;
}

// ---- the tree ------------------------------------------------------------------------

HTREEITEM TFileListWindow::InsertNode(int node, HTREEITEM parent) {
  const TTreeNode& model = form_.Tree().Node(node);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = const_cast<wchar_t*>(model.Text.c_str());
  insert.item.iImage = insert.item.iSelectedImage = model.Image();
  insert.item.cChildren = model.Children.empty() ? 0 : 1;
  insert.item.lParam = node;
  const HTREEITEM item = TreeView_InsertItem(tree_, &insert);
  items_[static_cast<size_t>(node)] = item;
  return item;
}

void TFileListWindow::Populate(int node) {
  const TFileTree& tree = form_.Tree();
  if (node >= 0) {
    if (populated_[static_cast<size_t>(node)] || !items_[static_cast<size_t>(node)]) return;
    populated_[static_cast<size_t>(node)] = true;
    for (int child : tree.Node(node).Children) InsertNode(child, items_[static_cast<size_t>(node)]);
  } else {
    for (int root : tree.Roots()) InsertNode(root, TVI_ROOT);
  }
}

void TFileListWindow::ExpandBelow(int top, bool expand) {
  // Items go in while their parents are still collapsed (no visible order to redo per
  // item); then folders open from the deepest up, so only the last opening lays out the
  // visible rows.
  const TFileTree& tree = form_.Tree();
  std::vector<int> order, pending{top};
  while (!pending.empty()) {
    const int node = pending.back();
    pending.pop_back();
    if (tree.Node(node).Kind == TNodeKind::File || tree.Node(node).Children.empty()) continue;
    if (expand) Populate(node);
    if (!items_[static_cast<size_t>(node)]) continue;
    order.push_back(node);
    for (int child : tree.Node(node).Children) pending.push_back(child);
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    TreeView_Expand(tree_, items_[static_cast<size_t>(*it)], expand ? TVE_EXPAND : TVE_COLLAPSE);
}

void TFileListWindow::FillTree() {
  const TFileTree& tree = form_.Tree();
  SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree_);
  items_.assign(static_cast<size_t>(tree.NodeCount()), nullptr);
  populated_.assign(static_cast<size_t>(tree.NodeCount()), false);
  Populate(-1);
  if (tree.ExpandAll()) {
    for (int root : tree.Roots()) ExpandBelow(root, true);
  } else if (!tree.Roots().empty()) {
    const int first = tree.Roots().front();
    Populate(first);
    TreeView_Expand(tree_, items_[static_cast<size_t>(first)], TVE_EXPAND);
  }
  SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
  if (const HTREEITEM first = TreeView_GetRoot(tree_)) {
    TreeView_SelectItem(tree_, first);
    TreeView_EnsureVisible(tree_, first);
  }
  InvalidateRect(tree_, nullptr, TRUE);
}

void TFileListWindow::ExpandNode(int node) {
  // Its parents first: a node's item exists once its parent was opened.
  std::vector<int> chain;
  for (int at = node; at >= 0; at = form_.Tree().Node(at).Parent) chain.push_back(at);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    Populate(*it);
    if (const HTREEITEM item = items_[static_cast<size_t>(*it)]) TreeView_Expand(tree_, item, TVE_EXPAND);
  }
}

int TFileListWindow::SelectedNode() const {
  const HTREEITEM item = TreeView_GetSelection(tree_);
  if (!item) return -1;
  TVITEMW data{};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  return TreeView_GetItem(tree_, &data) ? static_cast<int>(data.lParam) : -1;
}

bool TFileListWindow::ExcludeNode(int node) {
  if (node < 0 || node >= static_cast<int>(items_.size())) return false;
  const HTREEITEM item = items_[static_cast<size_t>(node)];
  if (!form_.Exclude(node)) return false;
  if (item) {
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteItem(tree_, item);
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
  }
  items_[static_cast<size_t>(node)] = nullptr;
  UpdateLabels();
  return true;
}

// ---- menu and commands ---------------------------------------------------------------

void TFileListWindow::ShowMenu(POINT screen, bool byMouse) {
  if (byMouse) {
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(tree_, &hit.pt);
    if (const HTREEITEM item = TreeView_HitTest(tree_, &hit)) TreeView_SelectItem(tree_, item);
  }
  const int node = SelectedNode();
  const auto* mirroring = dynamic_cast<const TMirroringFileListForm*>(&form_);
  const bool hideRegistration = (copy_ && copy_->HideRegistration) || (mirroring && mirroring->HideRegistration);
  HMENU menu = CreatePopupMenu();
  if (form_.CanExclude()) {
    AppendMenuW(menu, MF_STRING, IDM_FL_EXCLUDE, copy_ ? L"バックアップから除外(&D)\tDel" : L"削除から除外(&D)\tDel");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  }
  AppendMenuW(menu, MF_STRING, IDM_FL_OPENFOLDER, L"フォルダを開く(&O)");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_FL_EXPANDALL, L"ツリーをすべて展開する(&E)");
  AppendMenuW(menu, MF_STRING, IDM_FL_COLLAPSEALL, L"ツリーをすべて折りたたむ(&C)");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  if (!hideRegistration) {
    const UINT state = form_.IsFileNode(node) ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | state, IDM_FL_REGISTERTARGET, L"対象ファイル登録");
    AppendMenuW(menu, MF_STRING | state, IDM_FL_REGISTEREXCLUDED, L"除外ファイル登録");
  }
  AppendMenuW(menu, MF_STRING, IDM_FL_COPYNAME, L"ファイル名コピー");
  const int command = static_cast<int>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr));
  DestroyMenu(menu);
  if (command) OnCommand(command, 0);
}

bool TFileListWindow::OnCommand(int id, int code) {
  switch (id) {
  case IDC_FL_EXCLUDE:
  case IDM_FL_EXCLUDE:
    ExcludeNode(SelectedNode());
    SetFocus(tree_);
    return true;
  case IDC_FL_FREESPACE:
    ShowFreeSpaceOf();
    return true;
  case IDC_FL_MIRRORING:
    ShowMirroringList();
    return true;
  case IDM_FL_OPENFOLDER:
    OpenFolder();
    return true;
  case IDM_FL_EXPANDALL:
  case IDM_FL_COLLAPSEALL: {
    const HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    for (int root : form_.Tree().Roots()) ExpandBelow(root, id == IDM_FL_EXPANDALL);
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    if (const HTREEITEM first = TreeView_GetRoot(tree_); first && id == IDM_FL_EXPANDALL)
      TreeView_Select(tree_, first, TVGN_FIRSTVISIBLE);
    InvalidateRect(tree_, nullptr, TRUE);
    SetCursor(cursor);
    return true;
  }
  case IDM_FL_REGISTERTARGET:
  case IDM_FL_REGISTEREXCLUDED:
    form_.RegisterFile(SelectedNode(), id == IDM_FL_REGISTERTARGET);
    return true;
  case IDM_FL_COPYNAME:
    CopyName();
    return true;
  case IDC_FL_FILESIZE:
    if (code == STN_DBLCLK && copy_) {
      copy_->ToggleFontChooser();
      ShowFontChooser(copy_->FontChooserShown);
    }
    return true;
  case IDC_FL_FONTNAME:
  case IDC_FL_FONTSIZE:
    if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) FontBoxChanged();
    return true;
  case IDOK:
  case IDCANCEL:
    RememberPlace();
    return false;  // the dialog ends with the id
  default:
    return false;
  }
}

void TFileListWindow::OpenFolder() {
  const std::wstring folder = form_.FolderToOpen(SelectedNode());
  if (!folder.empty()) ShellExecuteW(Handle(), L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TFileListWindow::CopyName() {
  const std::wstring text = form_.NameOf(SelectedNode());
  if (!OpenClipboard(Handle())) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* at = GlobalLock(memory)) {
      CopyMemory(at, text.c_str(), bytes);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

void TFileListWindow::ShowMirroringList() {
  if (!copy_) return;
  std::unique_ptr<TMirroringFileListForm> mirroring = copy_->MakeMirroringForm();
  TFileListWindow window(instance_, *mirroring);
  window.Place = copy_->MirroringPlace;
  window.Run(Handle());
  copy_->MirroringFormClosed(*mirroring, window.Place);
  UpdateLabels();
}

void TFileListWindow::ShowFreeSpaceOf() {
  if (!copy_) return;
  const std::vector<std::wstring> drives = copy_->DestinationDrives();
  const double kilobytes = copy_->CopySizeKilobytes();
  if (ShowFreeSpace) {
    ShowFreeSpace(Handle(), kilobytes, drives);
    return;
  }
  std::wstring text = L"コピーファイル容量：" + FormatThousands(kilobytes, 0) + L" KB\n";
  for (const std::wstring& drive : drives) {
    ULARGE_INTEGER available{};
    // A drive that does not answer is left out.
    if (GetDiskFreeSpaceExW((drive + L"\\").c_str(), &available, nullptr, nullptr))
      text += L"\n" + drive + L"\t" + FormatThousands(static_cast<double>(available.QuadPart / 1024), 0) + L" KB";
  }
  MessageBoxW(Handle(), text.c_str(), L"空き容量", MB_OK | MB_ICONINFORMATION);
}

// ---- labels, layout, fonts -----------------------------------------------------------

void TFileListWindow::UpdateLabels() {
  if (copy_) {
    SetDlgItemTextW(Handle(), IDC_FL_FILESIZE, copy_->FileSizeText().c_str());
    SetDlgItemTextW(Handle(), IDC_FL_MIRRORSIZE, copy_->MirroringSizeText().c_str());
  } else if (const TFileInfoList* list = form_.FileList()) {
    SetDlgItemTextW(Handle(), IDC_FL_MIRRORSIZE, CountAndSizeText(list->Count(), list->TotalSize()).c_str());
  }
}

void TFileListWindow::Arrange() {
  const HWND window = Handle();
  RECT units{4, 14, 0, 0};  // margin, bar height
  MapDialogRect(window, &units);
  const int margin = units.left, bar = units.top;
  RECT client{};
  GetClientRect(window, &client);
  const int width = client.right, height = client.bottom;

  // Bottom row: the buttons at the right, a label at the left.
  int bottom = height - margin;
  int right = width - margin;
  for (const int id : {IDCANCEL, IDOK}) {
    const HWND button = Item(id);
    if (!button) continue;
    const RECT r = ChildRect(window, button);
    const int w = r.right - r.left, h = r.bottom - r.top;
    Move(button, right - w, bottom - h, w, h);
    right -= w + margin;
  }
  const HWND cancel = Item(IDCANCEL);
  const int buttonHeight = cancel ? ChildRect(window, cancel).bottom - ChildRect(window, cancel).top : bar;
  bottom -= buttonHeight + margin;

  int top = margin;
  if (copy_) {
    // Top bar: the tool buttons, the font boxes when shown, the size label in the rest.
    int x = margin;
    for (const int id : {IDC_FL_FREESPACE, IDC_FL_EXCLUDE, IDC_FL_FONTSEPARATOR, IDC_FL_FONTNAME, IDC_FL_FONTSIZE}) {
      const HWND control = Item(id);
      if (!Shown(control)) continue;
      const RECT r = ChildRect(window, control);
      const int w = r.right - r.left;
      Move(control, x, top, w, id == IDC_FL_FONTNAME || id == IDC_FL_FONTSIZE ? Scale(200, DpiOf(window)) : bar);
      x += w + margin;
    }
    Move(Item(IDC_FL_FILESIZE), x, top + margin / 2, width - margin - x, bar - margin / 2);
    top += bar + margin;
    if (copy_->MirroringBarShown()) {
      const HWND button = Item(IDC_FL_MIRRORING);
      const RECT r = ChildRect(window, button);
      const int w = r.right - r.left;
      Move(button, margin, bottom - bar, w, bar);
      Move(Item(IDC_FL_MIRRORSIZE), margin * 2 + w, bottom - bar + margin / 2, width - 3 * margin - w, bar - margin / 2);
      bottom -= bar + margin;
    }
  } else {
    Move(Item(IDC_FL_MIRRORSIZE), margin, height - margin - buttonHeight + margin / 2, right - margin, bar);
  }
  Move(tree_, margin, top, width - 2 * margin, bottom - top + margin / 2);
}

void TFileListWindow::FillFontBoxes() {
  const HWND names = Item(IDC_FL_FONTNAME);
  if (!names || SendMessageW(names, CB_GETCOUNT, 0, 0) > 0) return;
  // The fonts that hold Japanese characters, as the tree's names are Japanese (a font
  // without them shows boxes where no font linking stands in); any font when none does.
  const HDC screen = GetDC(nullptr);
  for (const BYTE charSet : {static_cast<BYTE>(SHIFTJIS_CHARSET), static_cast<BYTE>(DEFAULT_CHARSET)}) {
    LOGFONTW wanted{};
    wanted.lfCharSet = charSet;
    EnumFontFamiliesExW(
        screen, &wanted,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM combo) -> int {
          const HWND box = reinterpret_cast<HWND>(combo);
          if (font->lfFaceName[0] != L'@' &&
              SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(font->lfFaceName)) == CB_ERR)
            SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
          return 1;
        },
        reinterpret_cast<LPARAM>(names), 0);
    if (SendMessageW(names, CB_GETCOUNT, 0, 0) > 0) break;
  }
  ReleaseDC(nullptr, screen);
  const LRESULT found = SendMessageW(names, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(form_.FontName.c_str()));
  SendMessageW(names, CB_SETCURSEL, form_.FontName.empty() ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(found), 0);
  const HWND sizes = Item(IDC_FL_FONTSIZE);
  for (const std::wstring& size : TCopyFileListForm::FontSizes())
    SendMessageW(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size.c_str()));
  SetWindowTextW(sizes, std::to_wstring(form_.FontSize).c_str());
}

void TFileListWindow::ShowFontChooser(bool shown) {
  if (shown) FillFontBoxes();
  for (const int id : {IDC_FL_FONTSEPARATOR, IDC_FL_FONTNAME, IDC_FL_FONTSIZE})
    ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
  Arrange();
}

void TFileListWindow::FontBoxChanged() {
  bool apply = !form_.FontName.empty();
  if (copy_ && Shown(Item(IDC_FL_FONTNAME))) {
    const HWND names = Item(IDC_FL_FONTNAME), sizes = Item(IDC_FL_FONTSIZE);
    const std::wstring name = ComboItemText(names, SendMessageW(names, CB_GETCURSEL, 0, 0));
    // While a size is picked from the list the box does not show it yet.
    const LRESULT picked = SendMessageW(sizes, CB_GETCURSEL, 0, 0);
    const std::wstring size = GetFocus() == sizes || picked == CB_ERR ? WindowText(sizes) : ComboItemText(sizes, picked);
    apply = copy_->ChooseFont(name, size.empty() ? ComboItemText(sizes, picked) : size);
  }
  if (!apply) return;
  const HFONT font = CreateFontW(-MulDiv(form_.FontSize, static_cast<int>(DpiOf(Handle())), 72), 0, 0, 0, FW_NORMAL,
                                 FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH, form_.FontName.c_str());
  if (!font) return;
  SendMessageW(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (treeFont_) DeleteObject(treeFont_);
  treeFont_ = font;
}

void TFileListWindow::RememberPlace() {
  RECT rect{};
  if (GetWindowRect(Handle(), &rect))
    Place = TWindowPlace{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

bool TFileListWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
  case kShownMessage:
    // A modal dialog shows itself once its queue is first empty; this message can come
    // before that, so the window is shown and drawn here.
    if (!IsWindowVisible(Handle())) ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
    if (OnShown) OnShown(*this);
    return true;
  case WM_SIZE:
    Arrange();
    return true;
  case WM_GETMINMAXINFO: {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    const UINT dpi = DpiOf(Handle());
    info->ptMinTrackSize.x = Scale(copy_ ? 520 : 300, dpi);
    info->ptMinTrackSize.y = Scale(240, dpi);
    return true;
  }
  case WM_DPICHANGED: {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    ApplyUiFont(Handle());
    if (treeFont_) FontBoxChanged();
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  case WM_CONTEXTMENU: {
    if (reinterpret_cast<HWND>(wParam) != tree_) return false;
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const bool byKeyboard = lParam == -1 || (at.x == -1 && at.y == -1);
    if (byKeyboard) {
      // From the keyboard: below the selected node.
      RECT rect{};
      const HTREEITEM item = TreeView_GetSelection(tree_);
      if (item && TreeView_GetItemRect(tree_, item, &rect, TRUE)) {
        at = POINT{rect.left, rect.bottom};
      } else {
        at = POINT{0, 0};
      }
      ClientToScreen(tree_, &at);
    }
    ShowMenu(at, !byKeyboard);
    return true;
  }
  case WM_NOTIFY: {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->hwndFrom != tree_) return false;
    switch (header->code) {
    case TVN_ITEMEXPANDINGW: {
      const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lParam);
      if (change->action & TVE_EXPAND) Populate(static_cast<int>(change->itemNew.lParam));
      return false;
    }
    case TVN_KEYDOWN:
      if (reinterpret_cast<const NMTVKEYDOWN*>(lParam)->wVKey == VK_DELETE) ExcludeNode(SelectedNode());
      return false;
    case NM_RCLICK: {
      POINT at{};
      GetCursorPos(&at);
      ShowMenu(at, true);
      result = TRUE;
      return true;
    }
    case NM_DBLCLK:
      // A file opens its folder; a folder keeps opening and closing in the tree.
      if (form_.IsFileNode(SelectedNode())) OpenFolder();
      return false;
    default:
      return false;
    }
  }
  default:
    return false;
  }
}

}  // namespace vog::win32
