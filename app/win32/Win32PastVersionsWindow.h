#pragma once
// The "過去のバージョン" window of one item (app/PastVersionsPresenter holds its rules).
#include <windows.h>

namespace vog {
class TBackupInfo;
}

namespace vog::win32 {

// Shows the window modally, owned by `owner`, for `item` (its DestFolder: the backup).
void ShowPastVersionsWindow(HINSTANCE instance, HWND owner, const TBackupInfo& item);

}  // namespace vog::win32
