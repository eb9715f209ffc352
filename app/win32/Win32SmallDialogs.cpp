#include "app/win32/Win32SmallDialogs.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "app/win32/DialogIds.h"

namespace vog::win32 {

namespace {

constexpr const wchar_t* kCipherKeyCaption = L"暗号キー入力";

// A font derived from a window's font (bold or underlined), freed with the dialog.
struct TFontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using TOwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, TFontDeleter>;

TOwnedFont DerivedFont(HWND window, LONG weight) {
  LOGFONTW font{};
  const auto base = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (!GetObjectW(base ? base : UiFont(DpiOf(window)), sizeof(font), &font)) return nullptr;
  font.lfWeight = weight;
  return TOwnedFont(CreateFontIndirectW(&font));
}

// The width of `text` in the font of `control`.
int TextWidth(HWND control, const std::wstring& text) {
  const HDC dc = GetDC(control);
  if (!dc) return 0;
  const auto old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

// Places a label at the centring rule's left edge, exactly as wide as its text.
void CentreLabel(HWND dialog, HWND label, const std::wstring& text) {
  RECT client{}, place{};
  GetClientRect(dialog, &client);
  GetWindowRect(label, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  const int width = TextWidth(label, text);
  // A little room on the right for the link's focus frame; the centring uses the text's width.
  SetWindowPos(label, nullptr, CentredLeft(client.right - client.left, width), place.top,
               width + Scale(4, DpiOf(dialog)), place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void OpenAddress(HWND owner, const std::wstring& address) {
  if (!address.empty()) ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

class TInputBox : public TCentredDialog {
public:
  TInputBox(HINSTANCE instance, const std::wstring& caption, const std::wstring& prompt)
      : TCentredDialog(instance, IDD_INPUT_BOX), caption_(caption), prompt_(prompt) {}
  std::wstring Text;

protected:
  BOOL OnInit() override {
    SetWindowTextW(Handle(), caption_.c_str());
    SetDlgItemTextW(Handle(), IDC_INPUT_LABEL, prompt_.c_str());
    return TCentredDialog::OnInit();
  }
  bool OnCommand(int id, int) override {
    if (id == IDOK) Text = WindowText(Item(IDC_INPUT_EDIT));
    return false;
  }

private:
  std::wstring caption_, prompt_;
};

class TCipherKeyDialog : public TCentredDialog {
public:
  explicit TCipherKeyDialog(HINSTANCE instance) : TCentredDialog(instance, IDD_CIPHER_KEY), instance_(instance) {}
  std::string Key;

protected:
  BOOL OnInit() override {
    SendMessageW(Item(IDC_KEY_EDIT), EM_SETPASSWORDCHAR, L'*', 0);
    return TCentredDialog::OnInit();
  }
  bool OnCommand(int id, int code) override {
    TCipherKeyEntry entry;
    entry.Text = WindowText(Item(IDC_KEY_EDIT));
    if (id == IDC_KEY_CONFIRM && code == BN_CLICKED) {
      entry.TakeInputBox(InputBox(instance_, Handle(), L"暗号化キー", L"キー"));
      SetDlgItemTextW(Handle(), IDC_KEY_EDIT, entry.Text.c_str());
      SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_KEY_EDIT)), TRUE);
      return true;
    }
    if (id == IDOK) {
      const std::wstring refusal = entry.Accept(Key);
      if (refusal.empty()) return false;  // the dialog ends with OK
      MessageBoxW(Handle(), refusal.c_str(), kCipherKeyCaption, MB_OK | MB_ICONERROR);
      SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_KEY_EDIT)), TRUE);
      return true;
    }
    return false;
  }

private:
  HINSTANCE instance_;
};

class TBackupStartDialog : public TCentredDialog {
public:
  TBackupStartDialog(HINSTANCE instance, bool available, bool preview)
      : TCentredDialog(instance, IDD_BACKUP_START), Available(available), Preview(preview) {}
  bool Available, Preview;

protected:
  BOOL OnInit() override {
    CheckDlgButton(Handle(), IDC_START_PREVIEW, Available && Preview ? BST_CHECKED : BST_UNCHECKED);
    if (!Available) ShowWindow(Item(IDC_START_PREVIEW), SW_HIDE);
    return TCentredDialog::OnInit();
  }
  bool OnCommand(int id, int) override {
    if (id == IDOK) Preview = PreviewChosen(Available, IsDlgButtonChecked(Handle(), IDC_START_PREVIEW) == BST_CHECKED);
    return false;
  }
};

class TBackupSourceDialog : public TCentredDialog {
public:
  TBackupSourceDialog(HINSTANCE instance, std::wstring title)
      : TCentredDialog(instance, IDD_BACKUP_SOURCE), Title(std::move(title)) {}
  std::wstring Title;

protected:
  BOOL OnInit() override {
    SetDlgItemTextW(Handle(), IDC_SOURCE_TITLE, Title.c_str());
    return TCentredDialog::OnInit();
  }
  bool OnCommand(int id, int) override {
    if (id == IDOK) Title = WindowText(Item(IDC_SOURCE_TITLE));
    return false;
  }
};

class TAboutDialog : public TCentredDialog {
public:
  TAboutDialog(HINSTANCE instance, const TAboutTexts& texts)
      : TCentredDialog(instance, IDD_ABOUT),
        instance_(instance),
        title_(texts.Title.empty() ? kAboutTitle : texts.Title),
        url_(texts.Url.empty() ? kAboutUrl : texts.Url) {}

protected:
  BOOL OnInit() override {
    const UINT dpi = DpiOf(Handle());
    const int side = Scale(32, dpi);
    // The program's icon (resource 1); a build without one shows the system's.
    icon_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, 0)));
    const HICON icon = icon_ ? icon_.get() : LoadIconW(nullptr, IDI_APPLICATION);  // shared: never destroyed
    SendDlgItemMessageW(Handle(), IDC_ABOUT_IMAGE, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT image{};
    GetWindowRect(Item(IDC_ABOUT_IMAGE), &image);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&image), 2);
    SetWindowPos(Item(IDC_ABOUT_IMAGE), nullptr, CentredLeft(client.right, side), image.top, side, side,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    bold_ = DerivedFont(Item(IDC_ABOUT_TITLE), FW_BOLD);
    if (bold_) SendDlgItemMessageW(Handle(), IDC_ABOUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(bold_.get()), FALSE);
    SetDlgItemTextW(Handle(), IDC_ABOUT_TITLE, title_.c_str());
    SetDlgItemTextW(Handle(), IDC_ABOUT_LINE, kAboutLine);
    SetDlgItemTextW(Handle(), IDC_ABOUT_URL, (L"<a>" + url_ + L"</a>").c_str());
    CentreLabel(Handle(), Item(IDC_ABOUT_TITLE), title_);
    CentreLabel(Handle(), Item(IDC_ABOUT_URL), url_);
    TCentredDialog::OnInit();
    // OK, not the link (the first control that takes the focus), starts focused.
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDOK)), TRUE);
    return FALSE;
  }
  bool OnCommand(int id, int code) override {
    if (id == IDC_ABOUT_LINE && code == STN_CLICKED) {
      OpenAddress(Handle(), kAboutUrl);
      return true;
    }
    return false;
  }
  bool HandleMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) override {
    if (message != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_ABOUT_URL || (header->code != NM_CLICK && header->code != NM_RETURN)) return false;
    OpenAddress(Handle(), url_);
    result = 0;
    return true;
  }

private:
  struct TIconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
  };
  HINSTANCE instance_;
  std::wstring title_, url_;
  TOwnedFont bold_;
  std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter> icon_;
};

}  // namespace

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring InputBox(HINSTANCE instance, HWND owner, const std::wstring& caption, const std::wstring& prompt) {
  TInputBox box(instance, caption, prompt);
  return box.Run(owner) == IDOK ? box.Text : std::wstring();
}

bool AskCipherKeyDialog(HINSTANCE instance, HWND owner, std::string& key) {
  TCipherKeyDialog dialog(instance);
  if (dialog.Run(owner) != IDOK) return false;
  key = dialog.Key;
  return true;
}

bool AskBackupStartDialog(HINSTANCE instance, HWND owner, bool previewAvailable, bool& preview) {
  TBackupStartDialog dialog(instance, previewAvailable, preview);
  if (dialog.Run(owner) != IDOK) return false;
  preview = dialog.Preview;
  return true;
}

bool EditTitleDialog(HINSTANCE instance, HWND owner, std::wstring& title) {
  TBackupSourceDialog dialog(instance, title);
  if (dialog.Run(owner) != IDOK) return false;
  title = dialog.Title;
  return true;
}

void ShowAboutDialog(HINSTANCE instance, HWND owner, const TAboutTexts& texts) {
  TAboutDialog dialog(instance, texts);
  dialog.Run(owner);
}

}  // namespace vog::win32
