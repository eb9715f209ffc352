// Directory searches of the in-memory file system. A search takes a snapshot of the
// matching entries when it starts, so changes made meanwhile (by this thread or another)
// never invalidate it, as Windows' own searches are not disturbed by them.
#include <vector>

#include "base/Wildcard.h"
#include "platform/memory/MemoryTree.h"

namespace vog {

using memfs::TNode;
using memfs::TPath;

namespace {

class TMemoryFind final : public IFindHandle {
public:
  TMemoryFind(std::vector<TFindData> entries, int failAfter, uint32_t failCode)
      : entries_(std::move(entries)), failAfter_(failAfter), failCode_(failCode) {}

  uint32_t Next(TFindData& data) override {
    // An injected failure comes after its count of entries, or instead of the end.
    if (failAfter_ >= 0 && (next_ >= static_cast<size_t>(failAfter_) || next_ >= entries_.size())) return failCode_;
    if (next_ >= entries_.size()) return err::NoMoreFiles;
    data = entries_[next_++];
    return 0;
  }

private:
  std::vector<TFindData> entries_;
  size_t next_ = 1;  // the first entry went out with FindFirst
  int failAfter_;
  uint32_t failCode_;
};

}  // namespace

uint32_t TMemoryFileSystem::FindFirst(const std::wstring& pattern, std::unique_ptr<IFindHandle>& handle,
                                      TFindData& first) {
  handle.reset();
  const size_t sep = pattern.rfind(L'\\');
  if (sep == std::wstring::npos) return err::InvalidName;
  const std::wstring mask = pattern.substr(sep + 1);
  TPath folder;
  if (uint32_t code = memfs::ParsePath(std::wstring_view(pattern).substr(0, sep), folder)) {
    // "\\server\share\*" parses as a share root with a missing share when cut at the
    // last separator only if the share itself is missing.
    return code;
  }
  if (mask.empty()) return err::FileNotFound;

  std::lock_guard lock(impl_->Mutex);
  const std::wstring key = folder.Full();
  if (uint32_t code = impl_->CheckFault(TFaultOp::List, key)) return code;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Resolve(folder, node)) return code == err::FileNotFound ? err::PathNotFound : code;
  if (!node->Folder) return err::PathNotFound;

  std::vector<TFindData> entries;
  if (!folder.IsRoot()) {
    // Every folder but a root lists itself and its parent first, as NTFS does, when the
    // mask takes them ("*" and "*.*" do).
    if (MatchMask(L".", mask)) {
      TFindData self = node->Info();
      self.Name = L".";
      entries.push_back(std::move(self));
    }
    if (MatchMask(L"..", mask)) {
      TFindData up = node->Parent->Info();
      up.Name = L"..";
      entries.push_back(std::move(up));
    }
  }
  for (const auto& [name, child] : node->Children)
    if (MatchMask(child->Name, mask)) entries.push_back(child->Info());
  if (entries.empty()) return err::FileNotFound;

  int failAfter = -1;
  uint32_t failCode = 0;
  if (auto fault = impl_->ArmFault(TFaultOp::List, key); fault && fault->Fire()) {
    failAfter = fault->Fault.AfterEntries;
    failCode = fault->Fault.Code;
    if (failAfter <= 0) return failCode;
  }
  first = entries.front();
  handle = std::make_unique<TMemoryFind>(std::move(entries), failAfter, failCode);
  return 0;
}

// The names straight from the tree, without the snapshot of every entry's details a
// search takes. A listing fault fails the whole call.
uint32_t TMemoryFileSystem::ListNames(const std::wstring& folder, std::vector<TNameEntry>& names) {
  const uint32_t code = ListNamesInto(folder, names);
  if (code != 0) names.clear();
  return code;
}

uint32_t TMemoryFileSystem::ListNamesInto(const std::wstring& folder, std::vector<TNameEntry>& names) {
  TPath path;
  if (uint32_t code = memfs::ParsePath(folder, path)) return code;
  std::lock_guard lock(impl_->Mutex);
  const std::wstring key = path.Full();
  if (uint32_t code = impl_->CheckFault(TFaultOp::List, key)) return code;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Resolve(path, node)) return code == err::FileNotFound ? err::PathNotFound : code;
  if (!node->Folder) return err::PathNotFound;
  if (auto fault = impl_->ArmFault(TFaultOp::List, key); fault && fault->Fire()) return fault->Fault.Code;
  // The entries of a vector listed into again keep their strings' room.
  names.resize(node->Children.size());
  size_t at = 0;
  for (const auto& [name, child] : node->Children) {
    names[at].Name.assign(child->Name);
    names[at++].Folder = child->Folder;
  }
  return 0;
}

}  // namespace vog
