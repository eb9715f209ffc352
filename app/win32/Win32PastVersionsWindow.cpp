#include "app/win32/Win32PastVersionsWindow.h"

#include <commctrl.h>

#include <memory>
#include <thread>

#include "app/PastVersionsPresenter.h"
#include "app/win32/PastVersionsIds.h"
#include "app/win32/Win32FolderDialog.h"
#include "app/win32/Win32SmallDialogs.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

namespace {

// Posted by the loading thread when the backup has been read.
constexpr UINT kLoadedMessage = WM_APP + 1;

SYSTEMTIME SystemTimeOf(TDateTime day) {
  TDateParts parts;
  TryDecodeDateTime(day, parts);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(parts.Year);
  time.wMonth = static_cast<WORD>(parts.Month);
  time.wDay = static_cast<WORD>(parts.Day);
  return time;
}

// The day picker: the days something changed, or any date in the date control.
class TDayDialog : public TModalDialog {
public:
  TDayDialog(HINSTANCE instance, const std::vector<TDateTime>& days, TDateTime& day)
      : TModalDialog(instance, IDD_PV_DAY), days_(days), day_(day) {}

protected:
  BOOL OnInit() override {
    for (TDateTime day : days_) {
      const std::wstring text = FormatDateTime(L"yyyy/mm/dd", day);
      SendDlgItemMessageW(Handle(), IDC_PV_DAYS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (!days_.empty()) {
      SendDlgItemMessageW(Handle(), IDC_PV_DAYS, LB_SETCURSEL, 0, 0);
      Picked();
    }
    return TRUE;
  }
  bool OnCommand(int id, int code) override {
    if (id == IDC_PV_DAYS && code == LBN_SELCHANGE) {
      Picked();
      return true;
    }
    if (id == IDOK) {
      SYSTEMTIME time{};
      SendDlgItemMessageW(Handle(), IDC_PV_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
      if (!TryEncodeDateTime(time.wYear, time.wMonth, time.wDay, 0, 0, 0, 0, day_)) return true;
      End(IDOK);
      return true;
    }
    return false;
  }

private:
  void Picked() {
    const LRESULT index = SendDlgItemMessageW(Handle(), IDC_PV_DAYS, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= days_.size()) return;
    SYSTEMTIME time = SystemTimeOf(days_[static_cast<size_t>(index)]);
    SendDlgItemMessageW(Handle(), IDC_PV_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
  }

  const std::vector<TDateTime>& days_;
  TDateTime& day_;
};

class TPastVersionsWindow : public TModalDialog, public IPastVersionsView {
public:
  TPastVersionsWindow(HINSTANCE instance, const TBackupInfo& item)
      : TModalDialog(instance, IDD_PASTVERSIONS), instance_(instance), presenter_(*this, item) {}
  ~TPastVersionsWindow() override {
    if (loader_.joinable()) loader_.join();
  }

  // --- IPastVersionsView ---------------------------------------------------------
  void SetCaption(const std::wstring& caption) override { SetWindowTextW(Handle(), caption.c_str()); }
  void ShowTree() override {
    const HWND tree = Item(IDC_PV_TREE);
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree);
    if (!presenter_.Nodes().empty()) {
      // The item's own level is shown open; deeper folders get their rows when opened, so a
      // backup of any size shows at once.
      const HTREEITEM root = Insert(TVI_ROOT, 0);
      InsertChildren(root);
      TreeView_Expand(tree, root, TVE_EXPAND);
      filling_ = true;
      TreeView_SelectItem(tree, root);
      filling_ = false;
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
  }
  void ShowVersions(const std::vector<TVersionRow>& rows) override {
    const HWND list = Item(IDC_PV_LIST);
    filling_ = true;
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < rows.size(); ++i) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<wchar_t*>(rows[i].Date.c_str());
      ListView_InsertItem(list, &item);
      ListView_SetItemText(list, static_cast<int>(i), 1, const_cast<wchar_t*>(rows[i].Size.c_str()));
      ListView_SetItemText(list, static_cast<int>(i), 2, const_cast<wchar_t*>(rows[i].LastWrite.c_str()));
    }
    if (!rows.empty()) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    filling_ = false;
  }
  void ShowStatus(const std::wstring& text) override { SetDlgItemTextW(Handle(), IDC_PV_STATUS, text.c_str()); }
  void EnableActions(bool version, bool asOf) override {
    EnableWindow(Item(IDC_PV_ORIGINAL), version);
    EnableWindow(Item(IDC_PV_FOLDER), version);
    EnableWindow(Item(IDC_PV_ASOF), asOf);
  }
  void SetBusy(bool busy) override {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  }
  bool Confirm(const std::wstring& question) override {
    return MessageBoxW(Handle(), question.c_str(), kPastVersionsCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
  }
  void ShowError(const std::wstring& message) override {
    MessageBoxW(Handle(), message.c_str(), kPastVersionsCaption, MB_OK | MB_ICONERROR);
  }
  void ShowInfo(const std::wstring& message) override {
    MessageBoxW(Handle(), message.c_str(), kPastVersionsCaption, MB_OK | MB_ICONINFORMATION);
  }
  bool BrowseForFolder(const std::wstring& caption, std::wstring& folder) override {
    return BrowseForFolderDialog(Handle(), caption, folder);
  }
  bool ChooseDay(const std::vector<TDateTime>& days, TDateTime& day) override {
    TDayDialog dialog(instance_, days, day);
    return dialog.Run(Handle()) == IDOK;
  }
  bool AskCipherKey(std::string& key) override { return AskCipherKeyDialog(instance_, Handle(), key); }

protected:
  BOOL OnInit() override {
    const UINT dpi = DpiOf(Handle());
    const HWND list = Item(IDC_PV_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const struct {
      const wchar_t* Text;
      int Width;
      int Format;
    } columns[] = {{L"日付", 90, LVCFMT_LEFT}, {L"サイズ", 90, LVCFMT_RIGHT}, {L"更新日時", 160, LVCFMT_LEFT}};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.pszText = const_cast<wchar_t*>(columns[i].Text);
      column.cx = Scale(columns[i].Width, dpi);
      column.fmt = columns[i].Format;
      ListView_InsertColumn(list, i, &column);
    }
    if (presenter_.Open()) {
      // Read on a worker thread: the window stays live (and shows it is reading) meanwhile.
      const HWND window = Handle();
      loader_ = std::thread([this, window] {
        std::unique_ptr<TPastVersions> versions;
        try {
          versions = presenter_.LoadVersions();
        } catch (...) {
          versions.reset();
        }
        loaded_ = std::move(versions);
        PostMessageW(window, kLoadedMessage, 0, 0);
      });
    }
    SetFocus(Item(IDC_PV_TREE));
    return FALSE;
  }

  bool OnCommand(int id, int code) override {
    (void)code;
    switch (id) {
      case IDC_PV_ORIGINAL:
        presenter_.RestoreToOriginal();
        return true;
      case IDC_PV_FOLDER:
        presenter_.RestoreToFolder();
        return true;
      case IDC_PV_ASOF:
        presenter_.RestoreAsOf();
        return true;
      case IDOK:
        return true;  // Enter restores nothing: each restore is a button of its own
      default:
        return false;
    }
  }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
    (void)wParam;
    switch (message) {
      case kLoadedMessage:
        if (loader_.joinable()) loader_.join();
        if (loaded_) presenter_.Loaded(std::move(loaded_));
        else SetBusy(false);
        result = 0;
        return true;
      case WM_SETCURSOR:
        if (!busy_) return false;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, TRUE);
        result = TRUE;
        return true;
      case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      default:
        return false;
    }
  }

private:
  HTREEITEM Insert(HTREEITEM parent, int index) {
    const TVersionNode& node = presenter_.Nodes()[static_cast<size_t>(index)];
    const std::wstring text = node.Deleted ? node.Name + kDeletedMark : node.Name;
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.cChildren = node.Children.empty() ? 0 : 1;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = index;
    return TreeView_InsertItem(Item(IDC_PV_TREE), &insert);
  }
  int IndexOf(HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!item || !TreeView_GetItem(Item(IDC_PV_TREE), &data)) return -1;
    return static_cast<int>(data.lParam);
  }
  void InsertChildren(HTREEITEM item) {
    const int index = IndexOf(item);
    if (index < 0 || TreeView_GetChild(Item(IDC_PV_TREE), item)) return;
    for (int child : presenter_.Nodes()[static_cast<size_t>(index)].Children) Insert(item, child);
  }

  bool OnNotify(const NMHDR& header) {
    if (filling_) return false;
    if (header.idFrom == IDC_PV_TREE && header.code == TVN_ITEMEXPANDINGW) {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (change.action & TVE_EXPAND) InsertChildren(change.itemNew.hItem);
      return false;
    }
    if (header.idFrom == IDC_PV_TREE && header.code == TVN_SELCHANGEDW) {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      presenter_.Select(IndexOf(change.itemNew.hItem));
      return false;
    }
    if (header.idFrom == IDC_PV_LIST && header.code == LVN_ITEMCHANGED) {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
        presenter_.SelectVersion(ListView_GetNextItem(header.hwndFrom, -1, LVNI_SELECTED));
      return false;
    }
    return false;
  }

  HINSTANCE instance_;
  TPastVersionsPresenter presenter_;
  std::thread loader_;
  std::unique_ptr<TPastVersions> loaded_;  // handed over by the loader before it posts
  bool filling_ = false;
  bool busy_ = false;
};

}  // namespace

void ShowPastVersionsWindow(HINSTANCE instance, HWND owner, const TBackupInfo& item) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);
  TPastVersionsWindow window(instance, item);
  window.Run(owner);
}

}  // namespace vog::win32
