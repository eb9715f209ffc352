// The program's question boxes under Windows: each button pressed gives its answer. A
// helper thread waits for the box (found by its caption) and presses the button as a user
// would. VOG_HOLD_BOX_MS keeps each box up that long first, for a screenshot.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "app/win32/Win32Questions.h"

namespace vog::test {
namespace {

constexpr const wchar_t* kCaption = L"質問のテスト";

// Presses button `id` of the first box titled kCaption; `taskDialog` boxes take the task
// dialog's own message, message boxes a click.
std::thread PressWhenShown(int id, bool taskDialog) {
  return std::thread([id, taskDialog] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
      box = FindWindowW(nullptr, kCaption);
      if (!box) Sleep(20);
    }
    if (!box) return;
    if (const char* hold = std::getenv("VOG_HOLD_BOX_MS")) Sleep(static_cast<DWORD>(std::atoi(hold)));
    if (taskDialog)
      PostMessageW(box, TDM_CLICK_BUTTON, static_cast<WPARAM>(id), 0);
    else
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  });
}

TEST(Win32Questions, EachButtonGivesItsAnswer) {
  struct Case {
    TQuestionButtons buttons;
    int pressed;
    TAnswer expected;
  } cases[] = {
      {TQuestionButtons::YesNo, IDNO, TAnswer::No},
      {TQuestionButtons::YesNo, IDYES, TAnswer::Yes},
      {TQuestionButtons::YesNoCancel, IDCANCEL, TAnswer::Cancel},
      {TQuestionButtons::YesNoNoToAllYesToAll, 1001, TAnswer::NoToAll},
      {TQuestionButtons::YesNoNoToAllYesToAll, 1002, TAnswer::YesToAll},
      {TQuestionButtons::YesNoNoToAllYesToAll, IDNO, TAnswer::No},
  };
  win32::TWin32Questions questions(nullptr, kCaption);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pressed);
    const bool taskDialog = c.buttons == TQuestionButtons::YesNoNoToAllYesToAll;
    std::thread press = PressWhenShown(c.pressed, taskDialog);
    const TAnswer answer = questions.Ask(TQuestionKind::Warning,
                                         L"「文書」のミラーリングはバックアップ先の 40 個のファイルのうち 40 個を"
                                         L"削除します。\r\n削除してもよろしいですか？",
                                         c.buttons);
    press.join();
    EXPECT_EQ(answer, c.expected);
  }
}

}  // namespace
}  // namespace vog::test
