// The tree of a file list: the folder table, the nodes of each folder, the files below.
#include "app/FileTree.h"

#include <algorithm>

#include "base/Path.h"
#include "scan/FileInfo.h"

namespace vog {

void SplitFolder(std::wstring_view folder, std::wstring& drive, std::vector<std::wstring>& components) {
  drive = PathRoot(folder);
  std::wstring_view rest = folder.substr(drive.size());
  if (!drive.empty())
    while (!rest.empty() && rest.front() == L'\\') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
  components.clear();
  size_t start = 0;
  for (;;) {
    const size_t end = rest.find(L'\\', start);
    components.emplace_back(rest.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
}

std::wstring TFileTree::FolderOf(const TFileInfo& record) {
  std::wstring folder = record.RootFolder();
  const std::wstring& sub = record.SubFolder();
  if (!sub.empty()) {
    folder += sub;
    folder += L'\\';
  }
  return folder;
}

int TFileTree::AddNode(TNodeKind kind, std::wstring text, int parent, TBackupInfo* item, TFileInfo* file) {
  const int index = NodeCount();
  TTreeNode& node = nodes_.emplace_back();
  node.Kind = kind;
  node.Text = std::move(text);
  node.Parent = parent;
  node.Item = item;
  node.File = file;
  if (parent < 0)
    roots_.push_back(index);
  else
    nodes_[static_cast<size_t>(parent)].Children.push_back(index);
  return index;
}

int TFileTree::ChildWithText(int parent, std::wstring_view text) const {
  // Only folder nodes exist while folders are resolved, so the siblings are few.
  for (int child : nodes_[static_cast<size_t>(parent)].Children)
    if (nodes_[static_cast<size_t>(child)].Text == text) return child;
  return -1;
}

int TFileTree::RootWithText(std::wstring_view text) const {
  for (int root : roots_)
    if (nodes_[static_cast<size_t>(root)].Text == text) return root;
  return -1;
}

int TFileTree::ResolveFolder(const std::wstring& folder, TBackupInfo* item) {
  std::wstring drive;
  std::vector<std::wstring> components;
  SplitFolder(folder, drive, components);
  int node = RootWithText(drive);
  if (node < 0) node = AddNode(TNodeKind::Root, std::move(drive), -1, item, nullptr);
  for (std::wstring& component : components) {
    const int child = ChildWithText(node, component);
    node = child >= 0 ? child : AddNode(TNodeKind::Folder, std::move(component), node, item, nullptr);
  }
  return node;
}

void TFileTree::Build(const TFileInfoList& files, const std::function<void()>& step) {
  nodes_.clear();
  roots_.clear();
  folders_.clear();
  nodes_.reserve(static_cast<size_t>(files.Count()) + 64);

  // The folder table. The records of one folder share their folder texts, so the text
  // is made once per run of them rather than once per file.
  std::vector<TFolderSlot*> slotOfFile;
  slotOfFile.reserve(static_cast<size_t>(files.Count()));
  const std::wstring* lastRoot = nullptr;
  const std::wstring* lastSub = nullptr;
  TFolderSlot* lastSlot = nullptr;
  for (TFileInfo* record : files) {
    const std::wstring* root = record->SharedRootFolder().get();
    const std::wstring* sub = record->SharedSubFolder().get();
    if (!lastSlot || root != lastRoot || sub != lastSub || !root) {
      auto* backupRecord = dynamic_cast<TBackupFileInfo*>(record);
      lastSlot = &folders_.try_emplace(FolderOf(*record), TFolderSlot{backupRecord ? backupRecord->BackupInfo : nullptr})
                      .first->second;
      lastRoot = root;
      lastSub = sub;
    }
    slotOfFile.push_back(lastSlot);
  }

  for (auto& [folder, slot] : folders_) {
    if (step) step();
    slot.Node = ResolveFolder(folder, slot.Item);
  }

  for (int i = 0; i < files.Count(); ++i) {
    if (step) step();
    TFileInfo* record = files[i];
    AddNode(TNodeKind::File, record->FileName, slotOfFile[static_cast<size_t>(i)]->Node, nullptr, record);
  }
  expandAll_ = files.Count() <= kFullExpansionLimit;
}

bool TFileTree::StartsExpanded(int node) const {
  if (expandAll_) return true;
  return !roots_.empty() && node == roots_.front();
}

std::wstring TFileTree::NodePath(int node) const {
  std::vector<const std::wstring*> texts;
  for (int at = node; at >= 0; at = nodes_[static_cast<size_t>(at)].Parent)
    texts.push_back(&nodes_[static_cast<size_t>(at)].Text);
  std::wstring path;
  for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
    if (it != texts.rbegin()) path += L'\\';
    path += **it;
  }
  return path;
}

int TFileTree::FolderNode(std::wstring_view folder) const {
  const auto it = folders_.find(folder);
  if (it == folders_.end() || it->second.Node < 0 || nodes_[static_cast<size_t>(it->second.Node)].Removed) return -1;
  return it->second.Node;
}

void TFileTree::Remove(int node, const std::function<void(int)>& visit) {
  TTreeNode& top = nodes_.at(static_cast<size_t>(node));
  if (top.Removed) return;
  std::vector<int>& siblings = top.Parent < 0 ? roots_ : nodes_[static_cast<size_t>(top.Parent)].Children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  std::vector<int> pending{node};
  while (!pending.empty()) {
    const int at = pending.back();
    pending.pop_back();
    TTreeNode& current = nodes_[static_cast<size_t>(at)];
    current.Removed = true;
    if (visit) visit(at);
    // Children are taken in their order: pushed in reverse onto the stack.
    for (auto it = current.Children.rbegin(); it != current.Children.rend(); ++it) pending.push_back(*it);
    current.Children.clear();
  }
}

}  // namespace vog
