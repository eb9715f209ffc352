#include "platform/memory/MemoryTree.h"

#include <algorithm>

namespace vog::memfs {

TFindData TNode::Info() const {
  TFindData d;
  d.Name = Name;
  d.Attr = ReportedAttr();
  d.Size = Size();
  d.CreationTime = Creation;
  d.LastAccessTime = LastAccess;
  d.LastWriteTime = LastWrite;
  return d;
}

std::wstring TPath::Full() const {
  std::wstring s = Root;
  for (const auto& p : Parts) {
    s += L'\\';
    s += p;
  }
  return s;
}

bool ValidName(std::wstring_view name) {
  if (name.empty()) return false;
  for (wchar_t c : name) {
    if (static_cast<unsigned>(c) < 0x20) return false;
    switch (c) {
      case L'<':
      case L'>':
      case L':':
      case L'"':
      case L'/':
      case L'\\':
      case L'|':
      case L'?':
      case L'*':
        return false;
      default:
        break;
    }
  }
  return true;
}

namespace {

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

uint32_t ParsePath(std::wstring_view text, TPath& out) {
  out = TPath();
  bool verbatim = false;
  if (text.substr(0, 4) == L"\\\\?\\") {
    verbatim = true;
    text.remove_prefix(4);
    if (text.size() >= 4 && SameText(text.substr(0, 4), L"UNC\\")) {
      text.remove_prefix(4);
      std::wstring rebuilt = L"\\\\";
      rebuilt += text;
      return ParsePath(rebuilt, out);
    }
  }
  std::wstring_view rest;
  if (text.size() >= 2 && IsLetter(text[0]) && text[1] == L':') {
    out.Root = std::wstring(1, UpperUnit(text[0])) + L":";
    rest = text.substr(2);
    if (!rest.empty() && rest[0] != L'\\') return err::InvalidName;  // drive-relative
  } else if (!verbatim && text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') {
    std::wstring_view t = text.substr(2);
    const size_t s1 = t.find(L'\\');
    const std::wstring_view server = t.substr(0, s1);
    if (server.empty() || !ValidName(server)) return err::InvalidName;
    if (s1 == std::wstring_view::npos || s1 + 1 >= t.size()) return err::BadNetPath;
    std::wstring_view after = t.substr(s1 + 1);
    const size_t s2 = after.find(L'\\');
    const std::wstring_view shareName = after.substr(0, s2);
    if (shareName.empty()) return err::BadNetPath;
    if (!ValidName(shareName)) return err::InvalidName;
    out.Root = L"\\\\" + std::wstring(server) + L"\\" + std::wstring(shareName);
    rest = s2 == std::wstring_view::npos ? std::wstring_view() : after.substr(s2);
  } else {
    return err::InvalidName;
  }
  // `rest` is empty or starts with "\".
  if (rest.empty()) return 0;
  rest.remove_prefix(1);
  while (!rest.empty()) {
    const size_t sep = rest.find(L'\\');
    std::wstring_view part = rest.substr(0, sep);
    const bool last = sep == std::wstring_view::npos;
    if (part.empty()) {
      // Only one trailing separator is allowed ("C:\a\" but not "C:\a\\b").
      return err::InvalidName;
    }
    if (part == L".") {
    } else if (part == L"..") {
      if (!out.Parts.empty()) out.Parts.pop_back();
    } else {
      // Names keep trailing dots and spaces, as the Win32 platform hands every path to the
      // system in its "\\?\" form (see Win32Platform.h).
      if (!ValidName(part)) return err::InvalidName;
      out.Parts.emplace_back(part);
    }
    if (last) break;
    rest.remove_prefix(sep + 1);
    if (rest.empty()) out.TrailingSeparator = true;
  }
  return 0;
}

bool TFaultState::Fire() {
  if (!Active) return false;
  if (Fault.Times == 0) {
    Active = false;
    return false;
  }
  if (Fault.Times > 0 && --Fault.Times == 0) Active = false;
  return true;
}

}  // namespace vog::memfs

namespace vog {

using memfs::TNode;
using memfs::TPath;
using memfs::TVolume;

uint32_t TMemoryFileSystem::TImpl::FindVolume(const TPath& path, TVolume*& volume) {
  auto it = Volumes.find(path.Root);
  if (it != Volumes.end()) {
    volume = it->second.get();
    return 0;
  }
  if (path.Root.size() == 2) return err::PathNotFound;
  // A share: a known server without that share is a bad share name, else a bad path.
  const std::wstring server = path.Root.substr(0, path.Root.find(L'\\', 2) + 1);
  for (const auto& [root, v] : Volumes)
    if (StartsWithText(root, server)) return err::BadNetName;
  return err::BadNetPath;
}

uint32_t TMemoryFileSystem::TImpl::Resolve(const TPath& path, std::shared_ptr<TNode>& node) {
  TVolume* volume = nullptr;
  if (uint32_t code = FindVolume(path, volume)) return code;
  std::shared_ptr<TNode> cur = volume->RootNode;
  for (size_t i = 0; i < path.Parts.size(); ++i) {
    if (!cur->Folder) return err::PathNotFound;
    auto it = cur->Children.find(path.Parts[i]);
    if (it == cur->Children.end()) return i + 1 == path.Parts.size() ? err::FileNotFound : err::PathNotFound;
    cur = it->second;
  }
  // "C:\file.txt\" names a file as if it were a folder.
  if (path.TrailingSeparator && !cur->Folder) return err::InvalidName;
  node = std::move(cur);
  return 0;
}

uint32_t TMemoryFileSystem::TImpl::ResolveParent(const TPath& path, std::shared_ptr<TNode>& parent) {
  if (path.IsRoot()) return err::AccessDenied;
  TPath up = path;
  up.Parts.pop_back();
  up.TrailingSeparator = false;
  std::shared_ptr<TNode> node;
  uint32_t code = Resolve(up, node);
  if (code == err::FileNotFound) code = err::PathNotFound;
  if (code) return code;
  if (!node->Folder) return err::PathNotFound;
  parent = std::move(node);
  return 0;
}

uint32_t TMemoryFileSystem::TImpl::Lookup(const std::wstring& text, TPath& path, std::shared_ptr<TNode>& node) {
  if (uint32_t code = memfs::ParsePath(text, path)) return code;
  return Resolve(path, node);
}

uint32_t TMemoryFileSystem::TImpl::Enter(const std::wstring& text, TFaultOp op, TPath& path) {
  if (uint32_t code = memfs::ParsePath(text, path)) return code;
  return CheckFault(op, path.Full());
}

uint32_t TMemoryFileSystem::TImpl::Enter(const std::wstring& text, TFaultOp op, TPath& path,
                                         std::shared_ptr<TNode>& node) {
  if (uint32_t code = Enter(text, op, path)) return code;
  return Resolve(path, node);
}

std::shared_ptr<TNode> TMemoryFileSystem::TImpl::NewNode(const std::wstring& name, bool folder, uint32_t attributes) {
  auto node = std::make_shared<TNode>();
  node->Name = name;
  node->Folder = folder;
  node->Attr = folder ? (attributes | attr::Directory) : (attributes & ~attr::Directory);
  if (!folder) node->Data = std::make_shared<std::string>();
  const TFileTime now = Now();
  node->Creation = node->LastAccess = node->LastWrite = now;
  return node;
}

void TMemoryFileSystem::TImpl::Attach(TNode& parent, const std::shared_ptr<TNode>& node) {
  node->Parent = &parent;
  node->Volume = parent.Volume;
  if (!node->DaclSet) {
    node->Dacl = parent.Dacl;
    node->DaclSet = true;
  }
  node->Attached = true;
  parent.Children[node->Name] = node;
  parent.LastWrite = Now();  // a folder's last-write time follows changes of its entries
  if (!node->Folder) node->Volume->Used += node->Size();
}

void TMemoryFileSystem::TImpl::Detach(TNode& node) {
  if (!node.Attached) return;
  if (!node.Folder) node.Volume->Used -= node.Size();
  TNode* parent = node.Parent;
  node.Attached = false;
  node.Parent = nullptr;
  parent->LastWrite = Now();
  const std::wstring name = node.Name;  // erasing may free `node`
  parent->Children.erase(name);
}

uint32_t TMemoryFileSystem::TImpl::MakeFolders(const TPath& path, uint32_t attributes, std::shared_ptr<TNode>* made) {
  TVolume* volume = nullptr;
  if (uint32_t code = FindVolume(path, volume)) return code;
  std::shared_ptr<TNode> cur = volume->RootNode;
  for (size_t i = 0; i < path.Parts.size(); ++i) {
    auto it = cur->Children.find(path.Parts[i]);
    if (it != cur->Children.end()) {
      if (!it->second->Folder) return i + 1 == path.Parts.size() ? err::AlreadyExists : err::PathNotFound;
      cur = it->second;
      continue;
    }
    auto node = NewNode(path.Parts[i], true, i + 1 == path.Parts.size() ? attributes : attr::Directory);
    Attach(*cur, node);
    cur = node;
  }
  if (made) *made = cur;
  return 0;
}

uint32_t TMemoryFileSystem::TImpl::CheckFault(TFaultOp op, const std::wstring& pathKey) {
  for (auto& f : Faults) {
    if (!f->Active) continue;
    const TFault& fault = f->Fault;
    bool now = fault.Op == TFaultOp::Any;
    if (fault.Op == op) {
      switch (op) {
        case TFaultOp::List:
          now = fault.AfterEntries < 0;
          break;
        case TFaultOp::Copy:
          now = fault.AfterBytes < 0;
          break;
        case TFaultOp::Read:
        case TFaultOp::Write:
          now = false;
          break;  // these fail on the stream
        default:
          now = true;
          break;
      }
    }
    if (!now) continue;
    if (!f->Key.empty() && !SameText(pathKey, f->Key) && !StartsWithText(pathKey, f->Key + L"\\")) continue;
    if (f->Fire()) return fault.Code;
  }
  return 0;
}

std::shared_ptr<memfs::TFaultState> TMemoryFileSystem::TImpl::ArmFault(TFaultOp op, const std::wstring& pathKey) {
  for (auto& f : Faults) {
    if (!f->Active || f->Fault.Op != op) continue;
    if (op == TFaultOp::List && f->Fault.AfterEntries < 0) continue;
    if (op == TFaultOp::Copy && f->Fault.AfterBytes < 0) continue;
    if (!f->Key.empty() && !SameText(pathKey, f->Key) && !StartsWithText(pathKey, f->Key + L"\\")) continue;
    return f;
  }
  return nullptr;
}

bool TMemoryFileSystem::TImpl::ShareConflict(const TNode& node, uint32_t accessWanted, uint32_t shareWanted) {
  using namespace memfs;
  for (const auto& open : node.Opens) {
    if ((accessWanted & access::Read) && !(open.Share & share::Read)) return true;
    if ((accessWanted & access::Write) && !(open.Share & share::Write)) return true;
    if ((open.Access & access::Read) && !(shareWanted & share::Read)) return true;
    if ((open.Access & access::Write) && !(shareWanted & share::Write)) return true;
  }
  return false;
}

bool TMemoryFileSystem::TImpl::BlocksDelete(const TNode& node) {
  for (const auto& open : node.Opens)
    if (!(open.Share & share::Delete)) return true;
  return false;
}

// ---- TMemoryFileSystem: construction, building trees, faults ------------------

TMemoryFileSystem::TMemoryFileSystem(IClock& clock) : impl_(std::make_unique<TImpl>(clock)) {}
TMemoryFileSystem::~TMemoryFileSystem() = default;

void TMemoryFileSystem::AddVolume(const std::wstring& root, int64_t capacity) {
  TPath path;
  std::wstring text = root;
  if (text.empty() || text.back() != L'\\') text += L'\\';
  if (memfs::ParsePath(text, path) || !path.IsRoot()) return;
  std::lock_guard lock(impl_->Mutex);
  auto& slot = impl_->Volumes[path.Root];
  if (slot) {
    slot->Capacity = capacity;
    return;
  }
  slot = std::make_unique<TVolume>();
  slot->Root = path.Root;
  slot->Capacity = capacity;
  slot->RootNode = impl_->NewNode(L"", true, attr::Directory);
  slot->RootNode->Volume = slot.get();
  slot->RootNode->Dacl = kDefaultDacl;
  slot->RootNode->DaclSet = true;
  slot->RootNode->Attached = true;
}

void TMemoryFileSystem::SetCapacity(const std::wstring& root, int64_t capacity) {
  TPath path;
  if (memfs::ParsePath(root, path)) return;
  std::lock_guard lock(impl_->Mutex);
  auto it = impl_->Volumes.find(path.Root);
  if (it != impl_->Volumes.end()) it->second->Capacity = capacity;
}

int64_t TMemoryFileSystem::FreeSpace(const std::wstring& root) {
  TPath path;
  if (memfs::ParsePath(root, path)) return 0;
  std::lock_guard lock(impl_->Mutex);
  auto it = impl_->Volumes.find(path.Root);
  if (it == impl_->Volumes.end()) return 0;
  const TVolume& v = *it->second;
  // An unlimited volume reports one tebibyte more than it holds.
  if (v.Capacity < 0) return int64_t{1} << 40;
  return v.Capacity > v.Used ? v.Capacity - v.Used : 0;
}

uint32_t TMemoryFileSystem::AddFolder(const std::wstring& path, uint32_t attributes) {
  TPath p;
  if (uint32_t code = memfs::ParsePath(path, p)) return code;
  std::lock_guard lock(impl_->Mutex);
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->MakeFolders(p, attributes, &node)) return code;
  if (!p.IsRoot()) node->Attr = attributes | attr::Directory;
  return 0;
}

uint32_t TMemoryFileSystem::AddFile(const std::wstring& path, const std::string& content, uint32_t attributes,
                                    TFileTime lastWrite) {
  TPath p;
  if (uint32_t code = memfs::ParsePath(path, p)) return code;
  if (p.IsRoot() || p.TrailingSeparator) return err::InvalidName;
  std::lock_guard lock(impl_->Mutex);
  TPath up = p;
  up.Parts.pop_back();
  std::shared_ptr<TNode> parent;
  if (uint32_t code = impl_->MakeFolders(up, attr::Directory, &parent)) return code;
  auto it = parent->Children.find(p.Name());
  if (it != parent->Children.end()) {
    if (it->second->Folder) return err::AccessDenied;
    impl_->Detach(*it->second);
  }
  auto node = impl_->NewNode(p.Name(), false, attributes);
  *node->Data = content;
  if (lastWrite.Value != 0) node->LastWrite = lastWrite;
  impl_->Attach(*parent, node);
  return 0;
}

bool TMemoryFileSystem::ReadContent(const std::wstring& path, std::string& content) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (impl_->Lookup(path, p, node) || node->Folder) return false;
  content = *node->Data;
  return true;
}

bool TMemoryFileSystem::Exists(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  return impl_->Lookup(path, p, node) == 0;
}

namespace {
void CollectTree(const TNode& folder, const std::wstring& prefix, std::vector<std::wstring>& out) {
  for (const auto& [name, child] : folder.Children) {
    if (child->Folder) {
      out.push_back(prefix + child->Name + L"\\");
      CollectTree(*child, prefix + child->Name + L"\\", out);
    } else {
      out.push_back(prefix + child->Name);
    }
  }
}
}  // namespace

std::vector<std::wstring> TMemoryFileSystem::ListTree(const std::wstring& root) {
  std::vector<std::wstring> out;
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (impl_->Lookup(root, p, node) || !node->Folder) return out;
  CollectTree(*node, L"", out);
  std::sort(out.begin(), out.end(), TextLess());
  return out;
}

void TMemoryFileSystem::InjectFault(const TFault& fault) {
  auto state = std::make_shared<memfs::TFaultState>();
  state->Fault = fault;
  if (!fault.Path.empty()) {
    TPath p;
    state->Key = memfs::ParsePath(fault.Path, p) == 0 ? p.Full() : fault.Path;
  }
  std::lock_guard lock(impl_->Mutex);
  impl_->Faults.push_back(std::move(state));
}

void TMemoryFileSystem::ClearFaults() {
  std::lock_guard lock(impl_->Mutex);
  for (auto& f : impl_->Faults) f->Active = false;
  impl_->Faults.clear();
}

void TMemoryFileSystem::SetCopyWatch(TCopyWatch watch) {
  std::lock_guard lock(impl_->Mutex);
  impl_->CopyWatch = std::move(watch);
}

}  // namespace vog
