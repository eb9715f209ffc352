#include "app/win32/Win32FolderDialog.h"

#include <shlobj.h>

#include <memory>

#include "app/SmallDialogs.h"
#include "platform/win32/Win32Handles.h"

namespace vog::win32 {

namespace {

// The selection can only be set once the dialog says it is ready.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  const auto* start = reinterpret_cast<const std::wstring*>(data);
  if (message == BFFM_INITIALIZED && start && !start->empty())
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start->c_str()));
  return 0;
}

struct TIdListDeleter {
  void operator()(ITEMIDLIST_ABSOLUTE* list) const { CoTaskMemFree(list); }
};

}  // namespace

bool BrowseForFolderDialog(HWND owner, const std::wstring& caption, std::wstring& folder) {
  const std::wstring start = FolderDialogStart(folder);
  // The new dialog style (with its edit box and its "new folder" button) needs COM in
  // this thread.
  TComScope com;
  BROWSEINFOW info{};
  info.hwndOwner = owner ? owner : GetActiveWindow();
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&start);
  const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  std::unique_ptr<ITEMIDLIST_ABSOLUTE, TIdListDeleter> chosen(SHBrowseForFolderW(&info));
  SetErrorMode(errorMode);
  if (!chosen) return false;
  // Room for a long path: a folder deeper than MAX_PATH is still a folder.
  std::wstring path(32768, L'\0');
  if (!SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT))
    return false;
  path.resize(wcslen(path.c_str()));
  if (path.empty()) return false;
  folder = std::move(path);
  return true;
}

}  // namespace vog::win32
