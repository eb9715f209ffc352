#include "app/win32/Win32Dialogs.h"

#include "app/win32/Win32FolderDialog.h"
#include "app/win32/Win32ItemDialog.h"
#include "app/win32/Win32SmallDialogs.h"

namespace vog::win32 {

bool TWin32Dialogs::AskBackupStart(bool previewAvailable, bool& preview) {
  return AskBackupStartDialog(instance_, owner_, previewAvailable, preview);
}

bool TWin32Dialogs::EditTitle(std::wstring& title) { return EditTitleDialog(instance_, owner_, title); }

bool TWin32Dialogs::EditItem(TBackupInfo& item, bool) {
  // A new item comes in fresh from the caller, so the dialog is the same for both.
  TItemDialog dialog(instance_, item);
  return dialog.Run(owner_) == IDOK;
}

void TWin32Dialogs::ShowAbout(const TAboutTexts& texts) { ShowAboutDialog(instance_, owner_, texts); }

bool TWin32Dialogs::BrowseForFolder(const std::wstring& caption, std::wstring& folder) {
  return BrowseForFolderDialog(owner_, caption, folder);
}

}  // namespace vog::win32
