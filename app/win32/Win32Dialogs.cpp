#include "app/win32/Win32Dialogs.h"

// The dialogs are being built; until then each one answers Cancel.
namespace vog::win32 {

bool TWin32Dialogs::AskBackupStart(bool, bool&) { return false; }
bool TWin32Dialogs::EditTitle(std::wstring&) { return false; }
bool TWin32Dialogs::EditItem(TBackupInfo&, bool) { return false; }
void TWin32Dialogs::ShowAbout(const TAboutTexts&) {}
bool TWin32Dialogs::BrowseForFolder(const std::wstring&, std::wstring&) { return false; }

}  // namespace vog::win32
