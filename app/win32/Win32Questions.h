#pragma once
// The questions of long work as Windows message boxes, modal to the main window. The
// overwrite question's four buttons (Yes, No, No to all, Yes to all) come from a task
// dialog; where the system has none, a Yes/No/Cancel box stands in and Cancel answers
// None, which every caller maps to its default.
#include <windows.h>

#include <string>

#include "scan/Questions.h"

namespace vog::win32 {

// Captions of the overwrite question's buttons.
inline constexpr const wchar_t* kNoToAllCaption = L"すべていいえ(&O)";
inline constexpr const wchar_t* kYesToAllCaption = L"すべてはい(&A)";

class TWin32Questions : public IQuestions {
public:
  // `owner` may be null (a hidden or absent main window); `caption` titles every box.
  TWin32Questions(HWND owner, std::wstring caption) : owner_(owner), caption_(std::move(caption)) {}

  TAnswer Ask(TQuestionKind kind, std::wstring_view message, TQuestionButtons buttons) override;
  // The cipher key dialog ("暗号キー入力"), from the program's resources.
  bool AskCipherKey(std::string& key) override;

private:
  TAnswer AskFourButtons(TQuestionKind kind, const std::wstring& message);
  HWND Owner() const;

  HWND owner_;
  std::wstring caption_;
};

}  // namespace vog::win32
