#pragma once
// IPreview (app/Preview.h) with the program's copy-list window.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Preview.h"

namespace vog::win32 {

class TWin32Preview : public IPreview {
public:
  TWin32Preview(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}
  // The free-space dialog, when the program has one (else the window shows a message box).
  std::function<void(HWND owner, double kilobytes, const std::vector<std::wstring>& drives)> ShowFreeSpace;

  bool ShowCopyPreview(const TPreviewLists& lists, TPreviewLook& look) override;

private:
  HINSTANCE instance_;
  HWND owner_;
};

}  // namespace vog::win32
