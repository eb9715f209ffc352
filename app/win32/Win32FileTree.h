#pragma once
// The tree controls of the run windows: filling a tree view from a TResultTree in one
// batch, the node under the mouse or selected, the context menu's common commands (open
// the folder, expand or collapse all, copy the name), and the plain file-tree window that
// shows one list (the mirroring viewer).
#include <windows.h>

#include <string>
#include <vector>

#include "app/ResultTree.h"
#include "app/RunWindows.h"
#include "app/win32/WindowKit.h"

namespace vog::win32 {

// Fills `tree` without repainting between nodes; each item's lParam is its TResultNode.
void FillTree(HWND tree, const TResultTree& model);
// The tree's notices its parent passes on: a folder being opened gets its items. True when
// handled (the result is then FALSE).
bool HandleTreeNotify(const NMHDR& header);
// The selected node, or null.
const TResultNode* SelectedNode(HWND tree);
// Selects the node under the mouse (a right click) and returns it, or null over an empty spot.
const TResultNode* SelectNodeAtCursor(HWND tree);
void ExpandAllItems(HWND tree, bool expand);
// Selects the first file the tree shows (scrolled into view); false when it shows none.
bool SelectFirstFile(HWND tree);
// The folder a node stands for, opened with the shell's "open" verb.
void OpenNodeFolder(HWND owner, const TResultNode& node);
// Fills a list box with `rows`, wide enough to scroll to the end of the longest.
void FillListBox(HWND list, const std::vector<std::wstring>& rows);
// Puts `text` on the clipboard.
void CopyTextToClipboard(HWND owner, const std::wstring& text);
// Shows context menu `menuId` (its first popup) at the mouse or, from the keyboard, at the
// selected item; the entries that need a file are enabled only for a file node. The chosen
// command, or 0.
int TrackTreeMenu(HWND owner, HWND tree, int menuId, const TResultNode* node, bool fromKeyboard);
// Handles the common commands on `node`; false for a command it does not know.
bool RunTreeCommand(HWND owner, HWND tree, int command, const TResultNode* node);

// A window with one file tree: caption, list and the place it opens at (kept when closed).
class TWin32FileTreeDialog : public TModalDialog {
public:
  TWin32FileTreeDialog(HINSTANCE instance, std::wstring caption, const TFileInfoList& files, TWindowPlace& place);

protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
  std::wstring caption_;
  TResultTree tree_;
  TWindowPlace& place_;
};

// The window's place on the screen, and placing a window there.
TWindowPlace PlaceOf(HWND window);
void PlaceWindow(HWND window, const TWindowPlace& place);

}  // namespace vog::win32
