#pragma once
// The run windows of the Windows program: the progress window (one per step of the work,
// made through the progress factory), the result window, the free-space dialog and the
// error-list dialog.
#include <windows.h>

#include "app/RunWindows.h"
#include "app/win32/Win32ResultWindow.h"

namespace vog::win32 {

class TWin32RunWindows : public IRunWindows {
public:
  // `owner` (may be null) owns every window; `iconLibrary` (may be null) holds the
  // progress animations of kind Resource.
  TWin32RunWindows(HINSTANCE instance, HWND owner, HMODULE iconLibrary = nullptr);

  std::unique_ptr<IProgress> CreateProgress() override;
  void ShowResult(const TRunResult& result, TAppData& settings) override;
  void ShowFreeSpace(double copyKilobytes, const std::vector<std::wstring>& drives) override;
  void ShowErrorList(const TFileInfoList& failed) override;

  // What the result window's mirroring button opens: by default the plain file-tree window
  // captioned "ミラーリングで削除したファイル"; the preview's mirroring list may replace it.
  TMirroringViewer MirroringViewer;

private:
  HINSTANCE instance_;
  HWND owner_;
  HMODULE iconLibrary_;
};

}  // namespace vog::win32
