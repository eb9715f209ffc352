#include "app/win32/Win32FileTree.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/win32/RunWindowIds.h"

namespace vog::win32 {

namespace {

// The system's small icons for a drive, a folder and a file, in the system image list.
struct TTreeIcons {
  HIMAGELIST List = nullptr;
  int Drive = 0, Folder = 0, File = 0;
};

const TTreeIcons& Icons() {
  static const TTreeIcons icons = [] {
    TTreeIcons made;
    SHFILEINFOW info{};
    const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;
    made.List = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    made.Drive = info.iIcon;
    if (SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof(info), flags)) made.Folder = info.iIcon;
    if (SHGetFileInfoW(L"file", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), flags)) made.File = info.iIcon;
    return made;
  }();
  return icons;
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const TResultNode& node, bool expand) {
  const TTreeIcons& icons = Icons();
  const int image = node.Kind == TTreeNodeKind::Root     ? icons.Drive
                    : node.Kind == TTreeNodeKind::Folder ? icons.Folder
                                                         : icons.File;
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
  // A folder shows its button before its children are inserted (they come when it opens).
  insert.item.cChildren = node.Children.empty() ? 0 : 1;
  insert.item.pszText = const_cast<wchar_t*>(node.Text.c_str());
  insert.item.lParam = reinterpret_cast<LPARAM>(&node);
  insert.item.iImage = insert.item.iSelectedImage = image;
  insert.item.stateMask = TVIS_EXPANDED;
  insert.item.state = expand && !node.Children.empty() ? TVIS_EXPANDED : 0;
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void InsertChildren(HWND tree, HTREEITEM parent, const TResultNode& node, bool expand) {
  for (const auto& child : node.Children) {
    const HTREEITEM item = Insert(tree, parent, *child, expand);
    InsertChildren(tree, item, *child, expand);
  }
}

const TResultNode* NodeOf(HWND tree, HTREEITEM item) {
  if (!item) return nullptr;
  TVITEMW data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return nullptr;
  return reinterpret_cast<const TResultNode*>(data.lParam);
}

// Inserts the children of a node whose item has none yet (one level, closed).
void EnsureChildren(HWND tree, HTREEITEM item) {
  const TResultNode* node = NodeOf(tree, item);
  if (!node || node->Children.empty() || TreeView_GetChild(tree, item)) return;
  for (const auto& child : node->Children) Insert(tree, item, *child, false);
}

void ExpandBranch(HWND tree, HTREEITEM item, UINT action) {
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    TreeView_Expand(tree, item, action);
    ExpandBranch(tree, TreeView_GetChild(tree, item), action);
  }
}

}  // namespace

void FillTree(HWND tree, const TResultTree& model) {
  const TTreeIcons& icons = Icons();
  if (icons.List) TreeView_SetImageList(tree, icons.List, TVSIL_NORMAL);
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree);
  // A list the tree shows whole is inserted at once, opened; a longer one opens only the
  // first drive, one level deep, and a folder's items are made when it is opened, so the
  // window opens at once however many files the list holds.
  const bool expandAll = model.ExpandAll();
  bool first = true;
  for (const auto& root : model.Roots()) {
    const HTREEITEM item = Insert(tree, TVI_ROOT, *root, expandAll || first);
    if (expandAll)
      InsertChildren(tree, item, *root, true);
    else if (first)
      EnsureChildren(tree, item);
    first = false;
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  if (const HTREEITEM top = TreeView_GetRoot(tree)) TreeView_SelectItem(tree, top);
}

bool HandleTreeNotify(const NMHDR& header) {
  if (header.code != TVN_ITEMEXPANDINGW) return false;
  const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
  if (change.action & TVE_EXPAND) EnsureChildren(header.hwndFrom, change.itemNew.hItem);
  return true;
}

const TResultNode* SelectedNode(HWND tree) { return NodeOf(tree, TreeView_GetSelection(tree)); }

const TResultNode* SelectNodeAtCursor(HWND tree) {
  TVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(tree, &hit.pt);
  const HTREEITEM item = TreeView_HitTest(tree, &hit);
  if (!item || !(hit.flags & TVHT_ONITEM)) return nullptr;
  TreeView_SelectItem(tree, item);
  return NodeOf(tree, item);
}

void ExpandAllItems(HWND tree, bool expand) {
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  ExpandBranch(tree, TreeView_GetRoot(tree), expand ? TVE_EXPAND : TVE_COLLAPSE);
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  if (expand) TreeView_EnsureVisible(tree, TreeView_GetRoot(tree));
  SetCursor(previous);
}

bool SelectFirstFile(HWND tree) {
  for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextVisible(tree, item)) {
    const TResultNode* node = NodeOf(tree, item);
    if (node && node->Kind == TTreeNodeKind::File) {
      TreeView_SelectItem(tree, item);
      TreeView_EnsureVisible(tree, item);
      return true;
    }
  }
  return false;
}

void OpenNodeFolder(HWND owner, const TResultNode& node) {
  std::wstring folder = node.Kind == TTreeNodeKind::File && node.Record ? node.Record->FolderPath()
                                                                        : TResultTree::NodePath(node);
  if (folder.empty()) return;
  if (folder.back() != L'\\' && node.Kind == TTreeNodeKind::Root) folder += L'\\';
  // The shell reports its own failures.
  ShellExecuteW(owner, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void FillListBox(HWND list, const std::vector<std::wstring>& rows) {
  int widest = 0;
  const HDC dc = GetDC(list);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  for (const std::wstring& row : rows) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, row.c_str(), static_cast<int>(row.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, previous);
  ReleaseDC(list, dc);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + Scale(8, DpiOf(list))), 0);
}

void CopyTextToClipboard(HWND owner, const std::wstring& text) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* target = GlobalLock(memory)) {
      memcpy(target, text.c_str(), bytes);
      GlobalUnlock(memory);
      // The clipboard owns the memory once it took it.
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

int TrackTreeMenu(HWND owner, HWND tree, int menuId, const TResultNode* node, bool fromKeyboard) {
  const HMENU menu = LoadMenuW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                               MAKEINTRESOURCEW(menuId));
  if (!menu) return 0;
  const HMENU popup = GetSubMenu(menu, 0);
  const bool file = node && node->Kind == TTreeNodeKind::File;
  for (const int id : {IDC_MENU_REGISTERTARGET, IDC_MENU_REGISTEREXCLUDED, IDC_MENU_SHOWERROR})
    EnableMenuItem(popup, static_cast<UINT>(id), MF_BYCOMMAND | (file ? MF_ENABLED : MF_GRAYED));
  for (const int id : {IDC_MENU_OPENFOLDER, IDC_MENU_COPYNAME})
    EnableMenuItem(popup, static_cast<UINT>(id), MF_BYCOMMAND | (node ? MF_ENABLED : MF_GRAYED));
  POINT at;
  GetCursorPos(&at);
  RECT item;
  if (fromKeyboard && TreeView_GetItemRect(tree, TreeView_GetSelection(tree), &item, TRUE)) {
    at = {item.left, item.bottom};
    ClientToScreen(tree, &at);
  }
  const int command = static_cast<int>(
      TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
  DestroyMenu(menu);
  return command;
}

bool RunTreeCommand(HWND owner, HWND tree, int command, const TResultNode* node) {
  switch (command) {
    case IDC_MENU_OPENFOLDER:
      if (node) OpenNodeFolder(owner, *node);
      return true;
    case IDC_MENU_EXPANDALL:
      ExpandAllItems(tree, true);
      return true;
    case IDC_MENU_COLLAPSEALL:
      ExpandAllItems(tree, false);
      return true;
    case IDC_MENU_COPYNAME:
      if (node) CopyTextToClipboard(owner, node->Text);
      return true;
    default:
      return false;
  }
}

TWindowPlace PlaceOf(HWND window) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  RECT rect{};
  // The normal place, also when the window was closed maximised.
  if (GetWindowPlacement(window, &placement))
    rect = placement.rcNormalPosition;
  else
    GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void PlaceWindow(HWND window, const TWindowPlace& place) {
  if (!place.Known()) return;
  SetWindowPos(window, nullptr, place.Left, place.Top, place.Width, place.Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

TWin32FileTreeDialog::TWin32FileTreeDialog(HINSTANCE instance, std::wstring caption, const TFileInfoList& files,
                                           TWindowPlace& place)
    : TModalDialog(instance, IDD_FILETREE), caption_(std::move(caption)), place_(place) {
  tree_.Build(files);
}

BOOL TWin32FileTreeDialog::OnInit() {
  SetWindowTextW(Handle(), caption_.c_str());
  FillTree(Item(IDC_FILETREE_TREE), tree_);
  PlaceWindow(Handle(), place_);
  RECT client;
  GetClientRect(Handle(), &client);
  MoveWindow(Item(IDC_FILETREE_TREE), 0, 0, client.right, client.bottom, FALSE);
  return TRUE;
}

bool TWin32FileTreeDialog::OnCommand(int id, int) {
  if (id == IDOK || id == IDCANCEL) place_ = PlaceOf(Handle());
  return false;
}

bool TWin32FileTreeDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  const HWND tree = Item(IDC_FILETREE_TREE);
  if (message == WM_SIZE) {
    MoveWindow(tree, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return true;
  }
  if (message == WM_NOTIFY && HandleTreeNotify(*reinterpret_cast<const NMHDR*>(lParam))) {
    result = FALSE;  // the folder opens
    return true;
  }
  if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == tree) {
    const bool keyboard = GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1;
    const TResultNode* node = keyboard ? SelectedNode(tree) : SelectNodeAtCursor(tree);
    RunTreeCommand(Handle(), tree, TrackTreeMenu(Handle(), tree, IDM_RESULT_TREE, node, keyboard), node);
    return true;
  }
  return false;
}

}  // namespace vog::win32
