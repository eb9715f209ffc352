#pragma once
// The trees of the result window: drives (X: or \\server\share), their folders and the
// files of a file list. Folders come before the files of their folder and are sorted
// without regard to case; files keep the order of the list. The files of a drive's root
// folder hang under a folder node with empty text, so that the drive node itself only
// ever holds folders.
#include <memory>
#include <string>
#include <vector>

#include "scan/FileInfoList.h"

namespace vog {

enum class TTreeNodeKind { Root, Folder, File };

struct TResultNode {
  TTreeNodeKind Kind = TTreeNodeKind::Folder;
  std::wstring Text;
  const TFileInfo* Record = nullptr;  // file nodes: the record shown (not owned)
  TResultNode* Parent = nullptr;
  std::vector<std::unique_ptr<TResultNode>> Children;
};

// A tree shows every file when the list is at most this long; a longer one opens only the
// first drive, one level deep.
inline constexpr int kExpandAllLimit = 20000;

class TResultTree {
public:
  // Builds the tree of `files` (the records are not owned and must outlive the tree).
  void Build(const TFileInfoList& files);
  const std::vector<std::unique_ptr<TResultNode>>& Roots() const { return roots_; }
  int FileCount() const { return fileCount_; }
  bool ExpandAll() const { return fileCount_ <= kExpandAllLimit; }

  // The texts of the node and its ancestors joined by "\" (C: + data + sub: C:\data\sub).
  static std::wstring NodePath(const TResultNode& node);

private:
  std::vector<std::unique_ptr<TResultNode>> roots_;
  int fileCount_ = 0;
};

}  // namespace vog
