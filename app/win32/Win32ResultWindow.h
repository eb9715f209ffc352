#pragma once
// The result window: the copied files as a tree with the elapsed time, count and size; the
// mirroring bar (the files mirroring deleted, opened in a viewer); below a splitter the
// error panel with the failed files (the reason of each on double-click or from the menu)
// and the run's other problems. Escape closes it, also from a tree.
#include <windows.h>

#include <functional>

#include "app/ResultPresenter.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

// Opens the files mirroring deleted (owner, list, the viewer's place for the result
// window's life). The run windows give the plain file-tree window; the preview's mirroring
// list can take its place.
using TMirroringViewer = std::function<void(HWND owner, const TFileInfoList& files, TWindowPlace& place)>;

class TWin32ResultWindow : public TModalDialog {
public:
  // `place` (when known) and `errorHeight` (pixels) are where the window opens.
  TWin32ResultWindow(HINSTANCE instance, TResultPresenter& presenter, TWindowPlace place, int32_t errorHeight,
                     TMirroringViewer viewer);

  // Where the window was when it closed, and its error panel's height.
  const TWindowPlace& Place() const { return place_; }
  int32_t ErrorHeight() const { return errorHeight_; }

protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
  void Layout();
  void FillFontChooser();
  // The trees take the chosen font (after a choice in either box).
  void ApplyTreeFont();
  void ShowFailureReason(const TResultNode* node);
  void ContextMenu(HWND tree, bool fromKeyboard);
  bool OverSplitter(POINT client) const;
  int Px(int designPixels) const;
  void ReleaseTreeFont();

  TResultPresenter& presenter_;
  TWindowPlace place_;
  int32_t errorHeight_;
  TMirroringViewer viewer_;
  RECT splitter_{};  // the band between the upper part and the error panel, client pixels
  UINT dpi_ = 96;  // the DPI the layout was last made for
  HFONT treeFont_ = nullptr;  // the chosen font of the trees, released with the window
  bool dragging_ = false;
  int dragOffset_ = 0;
};

}  // namespace vog::win32
