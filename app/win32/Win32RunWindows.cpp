#include "app/win32/Win32RunWindows.h"

#include <commctrl.h>

#include <algorithm>

#include "app/ResultPresenter.h"
#include "app/win32/RunWindowIds.h"
#include "app/win32/Win32FileTree.h"
#include "app/win32/Win32ProgressWindow.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

namespace {

class TFreeSpaceDialog : public TModalDialog {
public:
  TFreeSpaceDialog(HINSTANCE instance, const TFreeSpacePresenter& presenter)
      : TModalDialog(instance, IDD_FREESPACE), presenter_(presenter) {}

protected:
  BOOL OnInit() override {
    SetDlgItemTextW(Handle(), IDC_FREESPACE_LABEL, presenter_.CopyLabel().c_str());
    const HWND list = Item(IDC_FREESPACE_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const UINT dpi = DpiOf(Handle());
    // The columns share the list's width as 160 to 120 do.
    RECT client;
    GetClientRect(list, &client);
    const int driveWidth = std::max<int>(Scale(60, dpi), (client.right - GetSystemMetrics(SM_CXVSCROLL)) * 4 / 7);
    const struct {
      const wchar_t* Text;
      int Width;
      int Format;
    } columns[] = {{L"ドライブ", driveWidth, LVCFMT_LEFT},
                   {L"空き容量", client.right - GetSystemMetrics(SM_CXVSCROLL) - driveWidth, LVCFMT_RIGHT}};
    for (int i = 0; i < 2; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.pszText = const_cast<wchar_t*>(columns[i].Text);
      column.cx = columns[i].Width;
      column.fmt = columns[i].Format;
      ListView_InsertColumn(list, i, &column);
    }
    int row = 0;
    for (const TFreeSpacePresenter::TRow& entry : presenter_.Rows()) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<wchar_t*>(entry.Drive.c_str());
      ListView_InsertItem(list, &item);
      ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(entry.Free.c_str()));
      ++row;
    }
    return TRUE;
  }

private:
  const TFreeSpacePresenter& presenter_;
};

class TErrorListDialog : public TModalDialog {
public:
  TErrorListDialog(HINSTANCE instance, std::vector<std::wstring> rows)
      : TModalDialog(instance, IDD_ERRORLIST), rows_(std::move(rows)) {}

protected:
  BOOL OnInit() override {
    FillListBox(Item(IDC_ERRORLIST_LIST), rows_);
    return TRUE;
  }

private:
  std::vector<std::wstring> rows_;
};

}  // namespace

TWin32RunWindows::TWin32RunWindows(HINSTANCE instance, HWND owner, HMODULE iconLibrary)
    : instance_(instance), owner_(owner), iconLibrary_(iconLibrary) {
  MirroringViewer = [instance](HWND viewerOwner, const TFileInfoList& files, TWindowPlace& place) {
    TWin32FileTreeDialog viewer(instance, TResultPresenter::kMirroringCaption, files, place);
    viewer.Run(viewerOwner);
  };
}

std::unique_ptr<IProgress> TWin32RunWindows::CreateProgress() {
  return std::make_unique<TWin32ProgressWindow>(instance_, owner_, iconLibrary_);
}

void TWin32RunWindows::ShowResult(const TRunResult& result, TAppData& settings) {
  TResultPresenter presenter(result);
  TWin32ResultWindow window(instance_, presenter, TResultPresenter::StoredPlace(settings),
                            TResultPresenter::StoredErrorHeight(settings), MirroringViewer);
  if (window.Run(owner_) < 0) return;  // not made: the stored place stays
  TResultPresenter::StorePlace(settings, window.Place(), window.ErrorHeight());
}

void TWin32RunWindows::ShowFreeSpace(double copyKilobytes, const std::vector<std::wstring>& drives) {
  const TFreeSpacePresenter presenter(copyKilobytes, drives);
  TFreeSpaceDialog(instance_, presenter).Run(owner_);
}

void TWin32RunWindows::ShowErrorList(const TFileInfoList& failed) {
  TErrorListDialog(instance_, ErrorListRows(failed)).Run(owner_);
}

}  // namespace vog::win32
