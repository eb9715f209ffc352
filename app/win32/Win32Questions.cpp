#include "app/win32/Win32Questions.h"

#include <commctrl.h>

#include "app/win32/Win32SmallDialogs.h"

namespace vog::win32 {

namespace {

// Button identifiers of the task dialog beyond IDYES and IDNO.
constexpr int kNoToAllId = 1001;
constexpr int kYesToAllId = 1002;

TAnswer FromId(int id) {
  switch (id) {
    case IDYES:
      return TAnswer::Yes;
    case IDNO:
      return TAnswer::No;
    case IDCANCEL:
      return TAnswer::Cancel;
    case kNoToAllId:
      return TAnswer::NoToAll;
    case kYesToAllId:
      return TAnswer::YesToAll;
    default:
      return TAnswer::None;
  }
}

using TTaskDialogIndirect = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// TaskDialogIndirect exists only in version 6 of the common controls; it is looked up so
// that the program still starts where it is missing.
TTaskDialogIndirect TaskDialogFunction() {
  HMODULE module = GetModuleHandleW(L"comctl32.dll");
  if (!module) module = LoadLibraryW(L"comctl32.dll");
  return module ? reinterpret_cast<TTaskDialogIndirect>(
                      reinterpret_cast<void*>(GetProcAddress(module, "TaskDialogIndirect")))
                : nullptr;
}

}  // namespace

HWND TWin32Questions::Owner() const { return owner_ && IsWindowVisible(owner_) ? owner_ : nullptr; }

TAnswer TWin32Questions::Ask(TQuestionKind kind, std::wstring_view message, TQuestionButtons buttons) {
  const std::wstring text(message);
  if (buttons == TQuestionButtons::YesNoNoToAllYesToAll) return AskFourButtons(kind, text);
  UINT style = kind == TQuestionKind::Warning ? MB_ICONWARNING : MB_ICONQUESTION;
  style |= buttons == TQuestionButtons::YesNo ? MB_YESNO : MB_YESNOCANCEL;
  // A box without an owner still comes to the front of the desktop.
  if (!Owner()) style |= MB_TOPMOST | MB_SETFOREGROUND;
  return FromId(MessageBoxW(Owner(), text.c_str(), caption_.c_str(), style));
}

bool TWin32Questions::AskCipherKey(std::string& key) {
  // The dialog's template is linked into the program itself.
  return AskCipherKeyDialog(GetModuleHandleW(nullptr), Owner(), key);
}

TAnswer TWin32Questions::AskFourButtons(TQuestionKind kind, const std::wstring& message) {
  const TTaskDialogIndirect taskDialog = TaskDialogFunction();
  if (!taskDialog) {
    const UINT icon = kind == TQuestionKind::Warning ? MB_ICONWARNING : MB_ICONQUESTION;
    const TAnswer answer = FromId(MessageBoxW(Owner(), message.c_str(), caption_.c_str(), MB_YESNOCANCEL | icon));
    return answer == TAnswer::Cancel ? TAnswer::None : answer;
  }
  // All four are the dialog's own buttons, so they keep this order.
  const TASKDIALOG_BUTTON buttons[] = {
      {IDYES, L"はい(&Y)"}, {IDNO, L"いいえ(&N)"}, {kNoToAllId, kNoToAllCaption}, {kYesToAllId, kYesToAllCaption}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = Owner();
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = caption_.c_str();
  config.pszMainIcon = kind == TQuestionKind::Warning ? TD_WARNING_ICON : TD_INFORMATION_ICON;
  config.pszContent = message.c_str();
  config.cButtons = sizeof(buttons) / sizeof(buttons[0]);
  config.pButtons = buttons;
  config.nDefaultButton = IDYES;
  int pressed = 0;
  if (FAILED(taskDialog(&config, &pressed, nullptr, nullptr)) || pressed == IDCANCEL) return TAnswer::None;
  return FromId(pressed);
}

}  // namespace vog::win32
