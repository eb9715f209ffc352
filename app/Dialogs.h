#pragma once
// The small modal dialogs the main window opens, as the main form asks for them. The
// Windows program answers them with real dialogs (app/win32/Win32Dialogs); tests answer
// them from a script. Every call shows its dialog modally and returns when it is closed.
#include <string>

#include "model/BackupInfo.h"

namespace vog {

// What the version box shows besides its fixed texts; empty texts keep the defaults.
struct TAboutTexts {
  std::wstring Title;
  std::wstring Url;
};

class IDialogs {
public:
  virtual ~IDialogs() = default;
  // The backup start dialog: true on OK. `preview` holds the check box's state in and out;
  // the check box is shown only when `previewAvailable`.
  virtual bool AskBackupStart(bool previewAvailable, bool& preview) = 0;
  // The item title dialog: true on OK, `title` in and out.
  virtual bool EditTitle(std::wstring& title) = 0;
  // The item settings dialog on a copy of an item: true on OK with `item` changed; false
  // (Cancel) leaves `item` as it was. `isNew` opens it for a new item.
  virtual bool EditItem(TBackupInfo& item, bool isNew) = 0;
  // The version box.
  virtual void ShowAbout(const TAboutTexts& texts) = 0;
  // The shell's folder dialog: true and the chosen folder, false (Cancel) with `folder`
  // unchanged.
  virtual bool BrowseForFolder(const std::wstring& caption, std::wstring& folder) = 0;
};

}  // namespace vog
