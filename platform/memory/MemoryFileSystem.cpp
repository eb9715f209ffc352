// The in-memory file system's operations on names: attributes, times, folders, delete
// and move. Streams are in MemoryStream.cpp, listings in MemoryFind.cpp, copies in
// MemoryCopy.cpp.
#include "platform/memory/MemoryTree.h"

namespace vog {

using memfs::TNode;
using memfs::TPath;
using memfs::TVolume;

namespace {

// Bits SetAttributes may change; the rest (directory, compressed, ...) belong to the system.
constexpr uint32_t kSettable = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive | attr::Temporary |
                               0x1000 /* offline */ | 0x2000 /* not content indexed */;

bool HasOpenFiles(const TNode& folder) {
  for (const auto& [name, child] : folder.Children)
    if (child->Folder ? HasOpenFiles(*child) : !child->Opens.empty()) return true;
  return false;
}

}  // namespace

uint32_t TMemoryFileSystem::GetAttributes(const std::wstring& path, uint32_t& attributes) {
  TFindData info;
  const uint32_t code = GetInfo(path, info);
  attributes = code ? attr::Invalid : info.Attr;
  return code;
}

uint32_t TMemoryFileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Attributes, p, node)) return code;
  node->Attr = (node->Attr & ~kSettable) | (attributes & kSettable);
  return 0;
}

uint32_t TMemoryFileSystem::GetInfo(const std::wstring& path, TFindData& info) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Attributes, p, node)) return code;
  info = node->Info();
  return 0;
}

uint32_t TMemoryFileSystem::SetTimes(const std::wstring& path, const TFileTime* creation, const TFileTime* lastAccess,
                                     const TFileTime* lastWrite) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Attributes, p, node)) return code;
  if (uint32_t code = impl_->CheckFault(TFaultOp::Times, p.Full())) return code;
  // Setting times needs only attribute access, which read-only files and the sharing
  // rules allow, as on Windows.
  if (creation) node->Creation = *creation;
  if (lastAccess) node->LastAccess = *lastAccess;
  if (lastWrite) node->LastWrite = *lastWrite;
  return 0;
}

uint32_t TMemoryFileSystem::SetDacl(const std::wstring& path, const std::wstring& dacl) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Security, p, node)) return code;
  node->Dacl = dacl;
  node->DaclSet = true;
  return 0;
}

uint32_t TMemoryFileSystem::GetDacl(const std::wstring& path, std::wstring& dacl) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Security, p, node)) return code;
  dacl = node->Dacl;
  return 0;
}

uint32_t TMemoryFileSystem::MakeFolder(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  if (uint32_t code = impl_->Enter(path, TFaultOp::MakeFolder, p)) return code;
  if (p.IsRoot()) {
    TVolume* volume = nullptr;
    if (uint32_t code = impl_->FindVolume(p, volume)) return code;
    return err::AlreadyExists;
  }
  std::shared_ptr<TNode> parent;
  if (uint32_t code = impl_->ResolveParent(p, parent)) return code;
  if (parent->Children.count(p.Name())) return err::AlreadyExists;
  impl_->Attach(*parent, impl_->NewNode(p.Name(), true, attr::Directory));
  return 0;
}

uint32_t TMemoryFileSystem::RemoveFolder(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Remove, p, node)) return code;
  if (p.IsRoot()) return err::AccessDenied;
  if (!node->Folder) return err::DirectoryInvalid;
  if (!node->Children.empty()) return err::DirNotEmpty;
  if (node->Attr & attr::ReadOnly) return err::AccessDenied;
  impl_->Detach(*node);
  return 0;
}

uint32_t TMemoryFileSystem::RemoveFile(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Enter(path, TFaultOp::Remove, p, node)) return code;
  if (node->Folder) return err::AccessDenied;
  if (node->Attr & attr::ReadOnly) return err::AccessDenied;
  if (impl_->BlocksDelete(*node)) return err::SharingViolation;
  // A file open with share-delete disappears from its folder at once; the open handles
  // keep working on the detached data (Windows would keep the name until the last close).
  impl_->Detach(*node);
  return 0;
}

uint32_t TMemoryFileSystem::MoveEntry(const std::wstring& from, const std::wstring& to, bool replace) {
  TPath src, dst;
  if (uint32_t code = memfs::ParsePath(from, src)) return code;
  if (uint32_t code = memfs::ParsePath(to, dst)) return code;
  std::lock_guard lock(impl_->Mutex);
  if (uint32_t code = impl_->CheckFault(TFaultOp::Move, src.Full())) return code;
  if (uint32_t code = impl_->CheckFault(TFaultOp::Move, dst.Full())) return code;
  std::shared_ptr<TNode> node;
  if (uint32_t code = impl_->Resolve(src, node)) return code;
  if (src.IsRoot()) return err::AccessDenied;
  if (dst.IsRoot()) return err::AccessDenied;
  std::shared_ptr<TNode> parent;
  if (uint32_t code = impl_->ResolveParent(dst, parent)) return code;
  const std::wstring name = dst.Name();

  std::shared_ptr<TNode> existing;
  if (auto it = parent->Children.find(name); it != parent->Children.end()) existing = it->second;
  if (existing == node) {
    // The same entry: only the letter case of its name changes.
    if (node->Name != name) {
      parent->Children.erase(node->Name);
      node->Name = name;
      parent->Children[name] = node;
    }
    return 0;
  }
  if (existing) {
    if (!replace) return err::AlreadyExists;
    if (existing->Folder || node->Folder) return err::AccessDenied;
    if (existing->Attr & attr::ReadOnly) return err::AccessDenied;
    if (impl_->BlocksDelete(*existing)) return err::SharingViolation;
  }
  if (node->Folder) {
    if (parent->Volume != node->Volume) return err::NotSameDevice;
    // Moving a folder into itself: Windows finds the folder in use.
    for (TNode* up = parent.get(); up; up = up->Parent)
      if (up == node.get()) return err::SharingViolation;
    // Windows refuses to move a folder while a file in it is open.
    if (HasOpenFiles(*node)) return err::AccessDenied;
  } else {
    if (impl_->BlocksDelete(*node)) return err::SharingViolation;
    if (parent->Volume != node->Volume) {
      const int64_t freed = existing ? existing->Size() : 0;
      if (!parent->Volume->Fits(node->Size() - freed)) return err::DiskFull;
    }
  }
  if (existing) impl_->Detach(*existing);
  impl_->Detach(*node);
  node->Name = name;
  impl_->Attach(*parent, node);
  return 0;
}

std::wstring TMemoryFileSystem::TempFolder() {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  if (memfs::ParsePath(impl_->TempFolder, p) == 0) impl_->MakeFolders(p, attr::Directory, nullptr);
  return impl_->TempFolder;
}

std::wstring TMemoryFileSystem::ProgramFolder() {
  std::lock_guard lock(impl_->Mutex);
  TPath p;
  if (memfs::ParsePath(impl_->ProgramFolder, p) == 0) impl_->MakeFolders(p, attr::Directory, nullptr);
  return impl_->ProgramFolder;
}

uint32_t TMemoryFileSystem::FullPath(const std::wstring& path, std::wstring& full) {
  std::wstring current;
  {
    std::lock_guard lock(impl_->Mutex);
    current = impl_->CurrentFolder;
  }
  if (current.empty() || current.back() != L'\\') current += L'\\';
  // One current folder for the machine: a drive-relative path on another drive starts at
  // that drive's root, as on Windows for a drive never visited.
  std::wstring absolute;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    absolute = path;
  } else if (path.size() >= 2 && path[1] == L':') {
    if (path.size() >= 3 && path[2] == L'\\')
      absolute = path;
    else if (CompareText(path.substr(0, 2), current.substr(0, 2)) == 0)
      absolute = current + path.substr(2);
    else
      absolute = path.substr(0, 2) + L"\\" + path.substr(2);
  } else if (!path.empty() && path[0] == L'\\') {
    absolute = current.substr(0, 2) + path;
  } else {
    absolute = current + path;
  }
  TPath parsed;
  if (const uint32_t code = memfs::ParsePath(absolute, parsed)) return code;
  full = parsed.Full();
  if (parsed.IsRoot() || parsed.TrailingSeparator) full += L'\\';
  return 0;
}

void TMemoryFileSystem::SetCurrentFolder(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  impl_->CurrentFolder = path;
}

void TMemoryFileSystem::SetTempFolder(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  impl_->TempFolder = path;
  if (impl_->TempFolder.empty() || impl_->TempFolder.back() != L'\\') impl_->TempFolder += L'\\';
}

void TMemoryFileSystem::SetProgramFolder(const std::wstring& path) {
  std::lock_guard lock(impl_->Mutex);
  impl_->ProgramFolder = path;
  if (impl_->ProgramFolder.empty() || impl_->ProgramFolder.back() != L'\\') impl_->ProgramFolder += L'\\';
}

}  // namespace vog
