#pragma once
// The file-list windows' state and behaviour, without the window system:
// - TFileListForm: a file list shown as a tree (FileTree.h), its context menu (open the
//   folder, copy a name, register a name) and the taking out of files and folders;
// - TCopyFileListForm: the preview of a run's copies ("コピーファイル一覧") with its size
//   labels, free space, mirroring list and font chooser;
// - TMirroringFileListForm: what mirroring will delete ("ミラーリングで削除するファイル").
//
// The forms never own the lists they are given. Taking a file out removes its record
// from the file list, which for the engine's views (TBackup::GetAllCopyFiles,
// GetAllMirrorFiles) frees it from the item's plan; taking a folder out also takes its
// destination folders out of the folder list (the folders the run creates, or mirroring
// removes), so the run copies and deletes exactly what is left.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/FileTree.h"
#include "app/WindowPlace.h"
#include "base/Text.h"
#include "scan/FileInfoList.h"

namespace vog {

class TBackupInfo;
class TSortedFolderList;

// Names registered from file nodes: the file name (sorted without regard to case, each
// once) with its item.
using TRegisteredNames = std::map<std::wstring, TBackupInfo*, TextLess>;

using TRecordsRemover = std::function<void(const std::vector<TFileInfo*>&)>;

// Where a window was last closed; a width or height of 0 means none.

inline constexpr std::wstring_view kFontSeparator = L"------------------------------------------";

class TFileListForm {
public:
  TFileListForm() = default;
  virtual ~TFileListForm() = default;
  TFileListForm(const TFileListForm&) = delete;
  TFileListForm& operator=(const TFileListForm&) = delete;

  std::wstring Caption = L"ファイル一覧";
  TRegisteredNames RegisteredTargets;
  TRegisteredNames RegisteredExcluded;
  std::wstring FontName;  // empty: the design font
  int32_t FontSize = 9;
  // Takes many records out of the file list at once (a folder of ten thousand files
  // must not cost ten thousand walks of the list). Unset: each record is removed from
  // the file list on its own.
  TRecordsRemover RemoveFiles;

  void SetFileList(TFileInfoList* list) { fileList_ = list; }
  void SetFolderList(TSortedFolderList* list) { folderList_ = list; }
  void SetTreeFont(std::wstring name) { FontName = std::move(name); }
  void SetTreeFontSize(int32_t size) { FontSize = size; }
  TFileInfoList* FileList() const noexcept { return fileList_; }

  // The showing: builds the tree of the file list.
  virtual void FormShow();
  const TFileTree& Tree() const noexcept { return tree_; }

  bool IsFileNode(int node) const { return node >= 0 && tree_.Node(node).Kind == TNodeKind::File; }
  // The folder to open for `node` in the shell; empty when there is none.
  std::wstring FolderToOpen(int node) const;
  // The node's text (file name, folder name or drive), for the clipboard.
  std::wstring NameOf(int node) const { return node >= 0 ? tree_.Node(node).Text : std::wstring(); }
  // Registers the file of a file node as a target name (`target`) or an excluded name.
  void RegisterFile(int node, bool target);

  // Whether this window can take entries out of the run.
  virtual bool CanExclude() const { return false; }
  // Takes `node` and everything below it out of the tree, the file list and the folder
  // list. False when nothing was done (no node, or a window that cannot exclude).
  bool Exclude(int node);

protected:
  // The folder-list entry that a folder or root node stands for; empty when none.
  virtual std::wstring FolderListPath(int node) const;
  virtual void AfterExclude() {}

  TFileInfoList* fileList_ = nullptr;
  TSortedFolderList* folderList_ = nullptr;
  TFileTree tree_;
};

// Takes `folder` and every entry below it (beginning with `folder` + "\") out of `list`.
void RemoveFolderEntries(TSortedFolderList& list, std::wstring_view folder);

class TMirroringFileListForm : public TFileListForm {
public:
  TMirroringFileListForm() { Caption = L"ミラーリングで削除するファイル"; }
  bool HideRegistration = false;
  void SetHideRegistration(bool hide) { HideRegistration = hide; }
  bool CanExclude() const override { return true; }

protected:
  // Mirroring entries are destination files already: a folder stands for itself.
  std::wstring FolderListPath(int node) const override;
};

class TCopyFileListForm : public TFileListForm {
public:
  TCopyFileListForm() { Caption = L"コピーファイル一覧"; }

  bool HideRegistration = false;
  bool FontChooserShown = false;
  TWindowPlace MirroringPlace;  // for this window's lifetime

  void SetMirroringList(TFileInfoList* list) { mirroringList_ = list; }
  void SetMirroringFolderList(TSortedFolderList* list) { mirroringFolderList_ = list; }
  // The bulk removal of the mirroring window (see RemoveFiles).
  TRecordsRemover RemoveMirroringFiles;
  void SetHideRegistration(bool hide) { HideRegistration = hide; }
  bool CanExclude() const override { return true; }

  // The mirroring bar is shown when mirroring will delete something.
  bool MirroringBarShown() const { return mirroringList_ && !mirroringList_->Empty(); }
  std::wstring FileSizeText() const;
  std::wstring MirroringSizeText() const;

  // The free-space question: the drives of the listed files' destinations (sorted, each
  // once) and the size of the copies in kilobytes.
  std::vector<std::wstring> DestinationDrives() const;
  double CopySizeKilobytes() const;

  // The mirroring window on this window's mirroring lists, font and registration flag.
  std::unique_ptr<TMirroringFileListForm> MakeMirroringForm() const;
  // After the mirroring window closed at `place`: its registered names join this
  // window's, and its place is remembered.
  void MirroringFormClosed(const TMirroringFileListForm& form, const TWindowPlace& place);

  // The font chooser: a double-click on the tool bar shows or hides it.
  void ToggleFontChooser() { FontChooserShown = !FontChooserShown; }
  // A change in the font boxes: true when the tree takes FontName and FontSize.
  bool ChooseFont(const std::wstring& name, const std::wstring& sizeText);
  static const std::vector<std::wstring>& FontSizes();

private:
  TFileInfoList* mirroringList_ = nullptr;
  TSortedFolderList* mirroringFolderList_ = nullptr;
};

}  // namespace vog
