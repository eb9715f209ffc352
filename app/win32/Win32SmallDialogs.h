#pragma once
// The four small dialogs of the main window and the cipher key's input box, over the
// templates of Dialogs.rc. Each is made by its caller, shown modally and freed; each is
// centred on the screen.
#include <windows.h>

#include <string>

#include "app/Dialogs.h"
#include "app/SmallDialogs.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

// The text of a window or control.
std::wstring WindowText(HWND window);

// "暗号キー入力": the key in a masked edit; "確認入力" shows it typed in a visible box.
// true and the key (ANSI byte text, possibly empty) on OK.
bool AskCipherKeyDialog(HINSTANCE instance, HWND owner, std::string& key);
// "暗号化キー": the plain input box; the text on OK, "" when cancelled.
std::wstring InputBox(HINSTANCE instance, HWND owner, const std::wstring& caption, const std::wstring& prompt);
// "バックアップ": true on OK; the preview check only when `previewAvailable`.
bool AskBackupStartDialog(HINSTANCE instance, HWND owner, bool previewAvailable, bool& preview);
// "バックアップ元設定": true on OK with the edited title.
bool EditTitleDialog(HINSTANCE instance, HWND owner, std::wstring& title);
// "バージョン情報".
void ShowAboutDialog(HINSTANCE instance, HWND owner, const TAboutTexts& texts);

// The version box's defaults.
inline constexpr const wchar_t* kAboutTitle = L"Vogratel";
inline constexpr const wchar_t* kAboutLine = L"フォルダのバックアップとミラーリング";
inline constexpr const wchar_t* kAboutUrl = L"https://vogratel.example/";

// A dialog that is centred on the screen when it opens.
class TCentredDialog : public TModalDialog {
public:
  using TModalDialog::TModalDialog;

protected:
  BOOL OnInit() override {
    CentreOnScreen(Handle());
    return TRUE;
  }
};

}  // namespace vog::win32
