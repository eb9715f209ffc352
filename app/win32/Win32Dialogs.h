#pragma once
// The small dialogs of the main window as Windows dialogs from the resource script.
#include <windows.h>

#include "app/Dialogs.h"

namespace vog::win32 {

class TWin32Dialogs : public IDialogs {
public:
  // `owner` is the main window (may be null before it exists).
  TWin32Dialogs(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}

  bool AskBackupStart(bool previewAvailable, bool& preview) override;
  bool EditTitle(std::wstring& title) override;
  bool EditItem(TBackupInfo& item, bool isNew) override;
  void ShowAbout(const TAboutTexts& texts) override;
  bool BrowseForFolder(const std::wstring& caption, std::wstring& folder) override;

private:
  HINSTANCE instance_;
  HWND owner_;
};

}  // namespace vog::win32
