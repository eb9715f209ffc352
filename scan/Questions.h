#pragma once
// The questions long work asks the user: a message box with a fixed set of buttons.
//
// The engine reaches the user only through this interface, like the message pump: the
// program installs its Win32 message boxes at start-up, tests install a scripted one
// (tests/support/ScriptedUi.h), and without either every question answers
// TAnswer::None, which each caller maps to its own default.
#include <string>
#include <string_view>

namespace vog {

enum class TAnswer { None, Yes, No, NoToAll, YesToAll, Cancel };

enum class TQuestionKind {
  Warning,      // a warning box
  Confirmation  // a confirmation box
};

// Which buttons the box offers, in this order.
enum class TQuestionButtons {
  YesNo,
  YesNoCancel,
  YesNoNoToAllYesToAll,  // the overwrite question: Yes, No, No to all, Yes to all
};

class IQuestions {
public:
  virtual ~IQuestions() = default;
  // Shows the box (modal to the main window) and returns the button pressed; closing
  // the box without a button gives TAnswer::None.
  virtual TAnswer Ask(TQuestionKind kind, std::wstring_view message, TQuestionButtons buttons) = 0;
  // The cipher key dialog: true and the entered key (ANSI text) when confirmed with OK;
  // false when cancelled, and by default where no dialog is installed.
  virtual bool AskCipherKey(std::string& key) {
    (void)key;
    return false;
  }
};

// The installed questions, or ones that answer TAnswer::None when none is installed.
IQuestions& Questions();
// Installs `questions` (not owned; null restores the default) and returns the previous one.
IQuestions* InstallQuestions(IQuestions* questions);

}  // namespace vog
