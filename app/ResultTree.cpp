#include "app/ResultTree.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "base/Path.h"
#include "base/Text.h"

namespace vog {

namespace {

// The folder nodes made so far, by parent and text: each folder component is looked up
// once, however many siblings it has.
struct TChildKey {
  const TResultNode* Parent;
  std::wstring Text;
  bool operator==(const TChildKey&) const = default;
};
struct TChildHash {
  size_t operator()(const TChildKey& key) const noexcept {
    return std::hash<std::wstring>()(key.Text) ^ (std::hash<const void*>()(key.Parent) * 31);
  }
};
using TChildIndex = std::unordered_map<TChildKey, TResultNode*, TChildHash>;

TResultNode* ChildOf(TChildIndex& index, std::vector<std::unique_ptr<TResultNode>>& children, TResultNode* parent,
                   TTreeNodeKind kind, const std::wstring& text) {
  auto [at, added] = index.try_emplace(TChildKey{parent, text}, nullptr);
  if (!added) return at->second;
  auto node = std::make_unique<TResultNode>();
  node->Kind = kind;
  node->Text = text;
  node->Parent = parent;
  at->second = node.get();
  children.push_back(std::move(node));
  return at->second;
}

std::wstring FolderOf(const TFileInfo& record) {
  std::wstring path = record.FullPath();
  path.resize(path.size() - std::min(path.size(), record.FileName.size()));
  return path;
}

}  // namespace

void TResultTree::Build(const TFileInfoList& files) {
  roots_.clear();
  fileCount_ = files.Count();
  // The folder table: each folder once (letter case ignored), sorted, resolved to its node once.
  struct TLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return CompareText(a, b) < 0; }
  };
  std::map<std::wstring, TResultNode*, TLess> folders;
  TChildIndex index;
  for (const TFileInfo* record : files) folders.emplace(FolderOf(*record), nullptr);
  for (auto& [folder, node] : folders) {
    const std::wstring drive = PathRoot(folder);
    std::wstring rest = folder.substr(drive.size());
    while (!rest.empty() && rest.front() == L'\\') rest.erase(rest.begin());
    while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    TResultNode* current = ChildOf(index, roots_, nullptr, TTreeNodeKind::Root, drive);
    size_t start = 0;
    for (;;) {
      const size_t end = rest.find(L'\\', start);
      const std::wstring component = rest.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
      current = ChildOf(index, current->Children, current, TTreeNodeKind::Folder, component);
      if (end == std::wstring::npos) break;
      start = end + 1;
    }
    node = current;
  }
  for (const TFileInfo* record : files) {
    TResultNode* folder = folders.find(FolderOf(*record))->second;
    auto file = std::make_unique<TResultNode>();
    file->Kind = TTreeNodeKind::File;
    file->Text = record->FileName;
    file->Record = record;
    file->Parent = folder;
    folder->Children.push_back(std::move(file));
  }
}

std::wstring TResultTree::NodePath(const TResultNode& node) {
  std::vector<const std::wstring*> texts;
  for (const TResultNode* at = &node; at; at = at->Parent) texts.push_back(&at->Text);
  std::wstring path;
  for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
    if (it != texts.rbegin()) path += L'\\';
    path += **it;
  }
  return path;
}

}  // namespace vog
