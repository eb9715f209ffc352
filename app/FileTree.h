#pragma once
// TFileTree: a list of file records as a tree of drives, folders and files, the model
// behind every file-list window (the preview, the mirroring list, the result window).
//
// Building: the folders of the files go into a table sorted without regard to case
// (each folder once; the first file of a folder gives the folder's item); every folder of
// the table, in that order, is resolved once into its chain of nodes — a root node for
// its drive part ("X:" or "\\server\share"), then one node per path component — and
// then each file is appended below its folder's node, in the order of the list. Folder
// nodes therefore come before the files of their folder, folders in sorted order, files
// in list order. A file directly in a drive's root hangs under a folder node with empty
// text below the root node, so that root nodes only ever hold folders.
//
// Node look-ups scan the children of one node only; a file finds its node through the
// folder table, never by walking the tree. Nodes are kept in one vector and named by
// their index, which stays valid while the tree lives (a removed node keeps its slot).
//
// No window system here: views render the nodes (all at once or as folders expand).
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/Text.h"
#include "scan/FileInfoList.h"

namespace vog {

class TBackupInfo;

enum class TNodeKind { Root, Folder, File };

struct TTreeNode {
  TNodeKind Kind = TNodeKind::Folder;
  std::wstring Text;
  int Parent = -1;            // -1 for a root node
  std::vector<int> Children;  // folder nodes first, then file nodes
  TBackupInfo* Item = nullptr;  // roots and folders: the item of the folder that made them
  TFileInfo* File = nullptr;    // file nodes: the record shown (not owned)
  bool Removed = false;
  // The image of the node: 0 drive, 1 folder, 2 file.
  int Image() const noexcept { return static_cast<int>(Kind); }
};

class TFileTree {
public:
  // Above this many files a new tree shows only the first root's children; up to it the
  // whole tree is expanded (expanding a huge tree costs more than anyone reads).
  static constexpr int kFullExpansionLimit = 20000;

  // Builds the tree of `files` (replacing any earlier one). `step` runs before each
  // folder and each file (the window lets pending messages run there).
  void Build(const TFileInfoList& files, const std::function<void()>& step = {});

  const std::vector<int>& Roots() const noexcept { return roots_; }
  const TTreeNode& Node(int index) const { return nodes_.at(static_cast<size_t>(index)); }
  int NodeCount() const noexcept { return static_cast<int>(nodes_.size()); }
  // Whether the whole tree starts expanded (else only the first root, one level).
  bool ExpandAll() const noexcept { return expandAll_; }
  // Whether `node` starts expanded.
  bool StartsExpanded(int node) const;

  // The texts of the node and its ancestors joined by "\" from the root down.
  std::wstring NodePath(int node) const;
  // The node of a folder of the table ("C:\a\b\" as the folder part of a file's path), or -1.
  int FolderNode(std::wstring_view folder) const;
  // The folder part of a record's full path including the final "\".
  static std::wstring FolderOf(const TFileInfo& record);

  // Takes `node` and everything below it out of the tree; `visit` sees each removed node
  // first, parents before children (folders in order, then files), the node itself first.
  void Remove(int node, const std::function<void(int)>& visit = {});

private:
  int AddNode(TNodeKind kind, std::wstring text, int parent, TBackupInfo* item, TFileInfo* file);
  int ChildWithText(int parent, std::wstring_view text) const;
  int RootWithText(std::wstring_view text) const;
  int ResolveFolder(const std::wstring& folder, TBackupInfo* item);

  std::vector<TTreeNode> nodes_;
  std::vector<int> roots_;
  struct TFolderSlot {
    TBackupInfo* Item = nullptr;  // the item of the folder's first file
    int Node = -1;
  };
  // The folder table: folder part of a file's path -> its item and node.
  std::map<std::wstring, TFolderSlot, TextLess> folders_;
  bool expandAll_ = true;
};

// The drive part of a folder ("X:" or "\\server\share", "" when there is none) and the
// components of the rest (an empty rest gives one empty component).
void SplitFolder(std::wstring_view folder, std::wstring& drive, std::vector<std::wstring>& components);

}  // namespace vog
