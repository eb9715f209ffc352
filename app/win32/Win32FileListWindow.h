#pragma once
// The file-list windows on screen: a tree view over a file-list form (app/FileListForm.h),
// its context menu and keys; with a copy-list form also the tool bar, the labels, the
// mirroring bar, the font chooser and the OK and Cancel buttons.
//
// The tree view gets its nodes in one batch with repainting off, and the children of a
// folder only when the folder is first expanded, so a list of a hundred thousand files
// opens with a few hundred items in the view. Each model node keeps its view item (by
// node index), so taking a folder out deletes one view item, whatever lies below it.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/FileListForm.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

class TFileListWindow : public TModalDialog {
public:
  // A copy-list form gets the copy-list window; any other form the plain one.
  TFileListWindow(HINSTANCE instance, TFileListForm& form);
  ~TFileListWindow() override;

  // Where the window opens (when known) and, after Run, where it was closed.
  TWindowPlace Place;
  // Shows the free space of the destination drives; without it a message box does.
  std::function<void(HWND owner, double kilobytes, const std::vector<std::wstring>& drives)> ShowFreeSpace;
  // Runs once the window is shown with its tree drawn (measurements, scripted runs).
  std::function<void(TFileListWindow&)> OnShown;

  TFileListForm& Form() { return form_; }
  // Takes a node out as the Del key does; false when nothing was taken out.
  bool ExcludeNode(int node);
  // Opens a folder node as a click on its button does.
  void ExpandNode(int node);
  // Ends the window as its buttons do (IDOK, IDCANCEL).
  void Close(INT_PTR result) { End(result); }

protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
  void FillTree();
  // Inserts the children of `node` into the view once (TVI_ROOT for the roots).
  void Populate(int node);
  HTREEITEM InsertNode(int node, HTREEITEM parent);
  void ExpandBelow(int node, bool expand);
  int SelectedNode() const;
  void ShowMenu(POINT screen, bool byMouse);
  void Arrange();
  void UpdateLabels();
  void OpenFolder();
  void CopyName();
  void ShowMirroringList();
  void ShowFreeSpaceOf();
  void FillFontBoxes();
  void FontBoxChanged();
  void ShowFontChooser(bool shown);
  void RememberPlace();

  TFileListForm& form_;
  TCopyFileListForm* copy_ = nullptr;  // the same form when it is a copy list
  HINSTANCE instance_ = nullptr;
  HWND tree_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HFONT treeFont_ = nullptr;  // owned; null while the UI font is used
  std::vector<HTREEITEM> items_;  // view item of each model node (null until inserted)
  std::vector<bool> populated_;   // children inserted
};

}  // namespace vog::win32
