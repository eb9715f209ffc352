#pragma once
// The shell's folder dialog.
#include <windows.h>

#include <string>

namespace vog::win32 {

// The shell's folder dialog owned by `owner` (the active window when null), `caption` as
// its title, the desktop as its root, starting at `folder` when that is an existing
// folder. True and the chosen folder on OK; false (Cancel) with `folder` unchanged. The
// owner is disabled and the system's critical-error boxes (an empty floppy or card
// drive) are held back while it is open.
bool BrowseForFolderDialog(HWND owner, const std::wstring& caption, std::wstring& folder);

}  // namespace vog::win32
