#include "app/win32/Win32ItemDialog.h"

#include <commctrl.h>

#include "app/win32/Win32FolderDialog.h"

namespace vog::win32 {

namespace {

constexpr const wchar_t* kCaption = L"バックアップ項目の設定";
constexpr const wchar_t* kPageNames[TItemDialog::kPageCount] = {L"対象", L"コピー", L"世代管理", L"圧縮・暗号化",
                                                                  L"接続"};

constexpr UINT kPlacePages = WM_APP + 1;

// The dialog whose pages the key filter turns (one modal dialog of this kind at a time).
thread_local TItemDialog* filtered = nullptr;

struct TFieldPlace {
  TItemField Field;
  int Page;  // -1: on the dialog itself
  int Id;
};

constexpr TFieldPlace kFieldPlaces[] = {
    {TItemField::Title, -1, IDC_ITEM_TITLE},
    {TItemField::SourceFolder, 0, IDC_ITEM_SOURCE},
    {TItemField::TargetFiles, 0, IDC_ITEM_TARGET_FILES},
    {TItemField::TargetDropFiles, 0, IDC_ITEM_DROP_FILES},
    {TItemField::ExcludeFolders, 0, IDC_ITEM_EXCLUDE_FOLDERS},
    {TItemField::HistoryCount, 2, IDC_ITEM_DAYS},
    {TItemField::HistoryFolderFormat, 2, IDC_ITEM_FORMAT},
    {TItemField::HistoryFolder, 2, IDC_ITEM_HISTORY_FOLDER},
    {TItemField::ArchiveName, 3, IDC_ITEM_ARCHIVE_NAME},
    {TItemField::CipherName, 3, IDC_ITEM_CIPHER},
    {TItemField::CipherKey, 3, IDC_ITEM_KEY},
    {TItemField::CipherKeyRepeat, 3, IDC_ITEM_KEY_REPEAT},
    {TItemField::NetUser, 4, IDC_ITEM_USER},
    {TItemField::NetPassword, 4, IDC_ITEM_PASSWORD},
    {TItemField::VolumeLabel, 4, IDC_ITEM_LABEL},
};

}  // namespace

TItemDialog::~TItemDialog() {
  if (filter_) UnhookWindowsHookEx(filter_);
  if (filtered == this) filtered = nullptr;
}

BOOL TItemDialog::OnInit() {
  const HWND tabs = Control(IDC_ITEM_TABS);
  for (int i = 0; i < kPageCount; ++i) {
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(kPageNames[i]);
    SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab));
  }
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(Handle(), GWLP_HINSTANCE));
  for (int i = 0; i < kPageCount; ++i)
    pages_[static_cast<size_t>(i)] = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ITEM_SOURCE + i), Handle(),
                                                        &TItemDialog::PageProc, reinterpret_cast<LPARAM>(this));
  PlacePages();
  for (int id : {IDC_ITEM_KEY, IDC_ITEM_KEY_REPEAT, IDC_ITEM_PASSWORD})
    SendMessageW(Control(id), EM_SETPASSWORDCHAR, L'*', 0);
  // Long name lists must stay editable past the edit's default of 32,767 characters.
  for (int id : {IDC_ITEM_TARGET_FILES, IDC_ITEM_DROP_FILES, IDC_ITEM_EXCLUDE_FOLDERS})
    SendMessageW(Control(id), EM_SETLIMITTEXT, 0, 0);
  Fill(settings_.Initial());
  ShowPage(page_);
  filtered = this;
  filter_ = SetWindowsHookExW(WH_MSGFILTER, &TItemDialog::KeyFilter, nullptr, GetCurrentThreadId());
  TCentredDialog::OnInit();
  SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(IDC_ITEM_TITLE)), TRUE);
  return FALSE;  // the focus is set
}

INT_PTR CALLBACK TItemDialog::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  // The pages' controls report to the dialog, which holds the behaviour.
  if (message == WM_INITDIALOG) return FALSE;
  if (message == WM_COMMAND) {
    SendMessageW(GetParent(page), WM_COMMAND, wParam, lParam);
    return TRUE;
  }
  return FALSE;
}

LRESULT CALLBACK TItemDialog::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (code == MSGF_DIALOGBOX && filtered && message->message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 &&
      (message->wParam == VK_TAB || message->wParam == VK_NEXT || message->wParam == VK_PRIOR) &&
      (message->hwnd == filtered->Handle() || IsChild(filtered->Handle(), message->hwnd))) {
    const bool back = message->wParam == VK_PRIOR || (message->wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0);
    filtered->ShowPage((filtered->page_ + (back ? kPageCount - 1 : 1)) % kPageCount);
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TItemDialog::PlacePages() {
  const HWND tabs = Control(IDC_ITEM_TABS);
  RECT area{};
  GetWindowRect(tabs, &area);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  RECT margin{4, 4, 0, 0};
  MapDialogRect(Handle(), &margin);
  InflateRect(&area, -margin.left, -margin.top);
  // Each page follows the tab control in the Tab order, before OK and Cancel.
  for (HWND page : pages_)
    SetWindowPos(page, tabs, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
}

void TItemDialog::ShowPage(int page) {
  page_ = page;
  SendMessageW(Control(IDC_ITEM_TABS), TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  for (int i = 0; i < kPageCount; ++i) ShowWindow(pages_[static_cast<size_t>(i)], i == page ? SW_SHOW : SW_HIDE);
}

bool TItemDialog::HandleMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
  // On another monitor's DPI the system scales the dialog and its controls; the pages are
  // placed again in the tab control's new display area once that is done.
  if (message == WM_DPICHANGED) {
    PostMessageW(Handle(), kPlacePages, 0, 0);
    return false;
  }
  if (message == kPlacePages) {
    PlacePages();
    return true;
  }
  if (message != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->idFrom != IDC_ITEM_TABS || header->code != TCN_SELCHANGE) return false;
  ShowPage(static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
  result = 0;
  return true;
}

bool TItemDialog::OnCommand(int id, int code) {
  switch (id) {
    case IDOK:
      if (settings_.Ok(*this)) End(IDOK);
      return true;
    case IDC_ITEM_SOURCE_BROWSE:
      Browse(IDC_ITEM_SOURCE);
      return true;
    case IDC_ITEM_HISTORY_BROWSE:
      Browse(IDC_ITEM_HISTORY_FOLDER);
      return true;
    case IDC_ITEM_COPY_NEWER:
    case IDC_ITEM_COPY_ALL:
    case IDC_ITEM_KEEP_HISTORY:
    case IDC_ITEM_OWN_PLACE:
    case IDC_ITEM_ARCHIVE:
    case IDC_ITEM_ENCRYPT:
    case IDC_ITEM_LOGON:
    case IDC_ITEM_CHECK_LABEL:
      if (code == BN_CLICKED) UpdateEnabled();
      return true;
    default:
      return false;
  }
}

void TItemDialog::Browse(int editId) {
  std::wstring folder = Text(editId);
  if (BrowseForFolderDialog(Handle(), L"フォルダ選択", folder)) SetText(editId, folder);
}

HWND TItemDialog::Control(int id) const {
  if (HWND control = GetDlgItem(Handle(), id)) return control;
  for (HWND page : pages_)
    if (HWND control = page ? GetDlgItem(page, id) : nullptr) return control;
  return nullptr;
}

std::wstring TItemDialog::Text(int id) const { return WindowText(Control(id)); }
bool TItemDialog::Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TItemDialog::SetText(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
void TItemDialog::SetChecked(int id, bool checked) {
  SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TItemDialog::Fill(const TItemFields& f) {
  SetText(IDC_ITEM_TITLE, f.Title);
  SetText(IDC_ITEM_SOURCE, f.SourceFolder);
  SetChecked(IDC_ITEM_SUBFOLDERS, f.IncludeSubFolders);
  SetText(IDC_ITEM_TARGET_FILES, f.TargetFiles);
  SetText(IDC_ITEM_DROP_FILES, f.TargetDropFiles);
  SetText(IDC_ITEM_EXCLUDE_FOLDERS, f.ExcludeFolders);
  SetChecked(IDC_ITEM_COPY_NEW, f.CopyNew);
  SetChecked(IDC_ITEM_COPY_SIZE, f.CopySizeChanged);
  SetChecked(IDC_ITEM_COPY_NEWER, f.CopyNewer);
  SetChecked(IDC_ITEM_COPY_TIME, f.CopyTimeChanged);
  SetChecked(IDC_ITEM_COPY_ALL, f.CopyAll);
  SetChecked(IDC_ITEM_MIRRORING, f.Mirroring);
  SetChecked(IDC_ITEM_CONFIRM, f.ConfirmOverwrite);
  SetChecked(IDC_ITEM_TEMP_NAME, f.UseTempFile);
  SetChecked(IDC_ITEM_KEEP_HISTORY, f.KeepHistory);
  SetText(IDC_ITEM_DAYS, f.HistoryCount);
  SetText(IDC_ITEM_FORMAT, f.HistoryFolderFormat);
  SetChecked(IDC_ITEM_OWN_PLACE, f.UseHistoryFolder);
  SetText(IDC_ITEM_HISTORY_FOLDER, f.HistoryFolder);
  SetChecked(IDC_ITEM_DATABASE, f.UseHistoryDatabase);
  SetChecked(IDC_ITEM_ARCHIVE, f.Archive);
  SetText(IDC_ITEM_ARCHIVE_NAME, f.ArchiveName);
  SetChecked(IDC_ITEM_ENCRYPT, f.Encrypt);
  SetChecked(IDC_ITEM_DECRYPT, f.Decrypt);
  const HWND ciphers = Control(IDC_ITEM_CIPHER);
  for (const auto& name : CipherChoices(f.CipherName))
    SendMessageW(ciphers, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  const LRESULT at = SendMessageW(ciphers, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(f.CipherName.c_str()));
  SendMessageW(ciphers, CB_SETCURSEL, at == CB_ERR ? 0 : static_cast<WPARAM>(at), 0);
  SetText(IDC_ITEM_KEY, f.CipherKey);
  SetText(IDC_ITEM_KEY_REPEAT, f.CipherKeyRepeat);
  SetChecked(IDC_ITEM_LOGON, f.NetLogon);
  SetText(IDC_ITEM_USER, f.NetUser);
  SetText(IDC_ITEM_PASSWORD, f.NetPassword);
  SetChecked(IDC_ITEM_DISCONNECT, f.NetDisconnect);
  SetChecked(IDC_ITEM_CHECK_LABEL, f.CheckVolumeLabel);
  SetText(IDC_ITEM_LABEL, f.VolumeLabel);
  UpdateEnabled();
}

TItemFields TItemDialog::Read() {
  TItemFields f;
  f.Title = Text(IDC_ITEM_TITLE);
  f.SourceFolder = Text(IDC_ITEM_SOURCE);
  f.IncludeSubFolders = Checked(IDC_ITEM_SUBFOLDERS);
  f.TargetFiles = Text(IDC_ITEM_TARGET_FILES);
  f.TargetDropFiles = Text(IDC_ITEM_DROP_FILES);
  f.ExcludeFolders = Text(IDC_ITEM_EXCLUDE_FOLDERS);
  f.CopyNew = Checked(IDC_ITEM_COPY_NEW);
  f.CopySizeChanged = Checked(IDC_ITEM_COPY_SIZE);
  f.CopyNewer = Checked(IDC_ITEM_COPY_NEWER);
  f.CopyTimeChanged = Checked(IDC_ITEM_COPY_TIME);
  f.CopyAll = Checked(IDC_ITEM_COPY_ALL);
  f.Mirroring = Checked(IDC_ITEM_MIRRORING);
  f.ConfirmOverwrite = Checked(IDC_ITEM_CONFIRM);
  f.UseTempFile = Checked(IDC_ITEM_TEMP_NAME);
  f.KeepHistory = Checked(IDC_ITEM_KEEP_HISTORY);
  f.HistoryCount = Text(IDC_ITEM_DAYS);
  f.HistoryFolderFormat = Text(IDC_ITEM_FORMAT);
  f.UseHistoryFolder = Checked(IDC_ITEM_OWN_PLACE);
  f.HistoryFolder = Text(IDC_ITEM_HISTORY_FOLDER);
  f.UseHistoryDatabase = Checked(IDC_ITEM_DATABASE);
  f.Archive = Checked(IDC_ITEM_ARCHIVE);
  f.ArchiveName = Text(IDC_ITEM_ARCHIVE_NAME);
  f.Encrypt = Checked(IDC_ITEM_ENCRYPT);
  f.Decrypt = Checked(IDC_ITEM_DECRYPT);
  f.CipherName = Text(IDC_ITEM_CIPHER);
  f.CipherKey = Text(IDC_ITEM_KEY);
  f.CipherKeyRepeat = Text(IDC_ITEM_KEY_REPEAT);
  f.NetLogon = Checked(IDC_ITEM_LOGON);
  f.NetUser = Text(IDC_ITEM_USER);
  f.NetPassword = Text(IDC_ITEM_PASSWORD);
  f.NetDisconnect = Checked(IDC_ITEM_DISCONNECT);
  f.CheckVolumeLabel = Checked(IDC_ITEM_CHECK_LABEL);
  f.VolumeLabel = Text(IDC_ITEM_LABEL);
  return f;
}

void TItemDialog::UpdateEnabled() {
  const TItemEnabled on = EnabledParts(Read());
  const auto enable = [this](std::initializer_list<int> ids, bool value) {
    for (int id : ids) EnableWindow(Control(id), value);
  };
  enable({IDC_ITEM_COPY_TIME}, on.CopyTimeChanged);
  enable({IDC_ITEM_CONFIRM}, on.ConfirmOverwrite);
  enable({IDC_ITEM_DAYS_LABEL, IDC_ITEM_DAYS, IDC_ITEM_DAYS_UNIT, IDC_ITEM_FORMAT_LABEL, IDC_ITEM_FORMAT,
          IDC_ITEM_OWN_PLACE},
         on.HistoryOptions);
  enable({IDC_ITEM_HISTORY_FOLDER, IDC_ITEM_HISTORY_BROWSE}, on.HistoryFolder);
  enable({IDC_ITEM_ARCHIVE_NAME_LABEL, IDC_ITEM_ARCHIVE_NAME}, on.ArchiveName);
  enable({IDC_ITEM_DECRYPT, IDC_ITEM_CIPHER_LABEL, IDC_ITEM_CIPHER}, on.CipherOptions);
  enable({IDC_ITEM_DISCONNECT}, on.LogonOptions);
  enable({IDC_ITEM_LABEL_LABEL, IDC_ITEM_LABEL}, on.VolumeLabel);
}

void TItemDialog::ShowProblem(const std::wstring& message) {
  MessageBoxW(Handle(), message.c_str(), kCaption, MB_OK | MB_ICONERROR);
}

void TItemDialog::Focus(TItemField field) {
  for (const auto& place : kFieldPlaces) {
    if (place.Field != field) continue;
    if (place.Page >= 0) ShowPage(place.Page);
    const HWND control = Control(place.Id);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageW(control, EM_SETSEL, 0, -1);
    return;
  }
}

}  // namespace vog::win32
