#pragma once
// Internals of the in-memory file system: the tree of nodes, the volumes, path parsing
// and the fault table. Only the files of platform/memory/ include this.
//
// Locking: every public operation takes TImpl::Mutex for its whole length, except that a
// copy releases it while its progress routine runs. Nodes are shared_ptr so that an open
// stream or a running copy keeps a file alive after it was removed from the tree.
// File content is a shared_ptr<std::string> shared copy-on-write: a copy of a file shares
// the source's bytes, and the first write to either side clones them.
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memory/MemoryPlatform.h"

namespace vog::memfs {

namespace access {
inline constexpr uint32_t Read = 1;
inline constexpr uint32_t Write = 2;
}  // namespace access

// One open handle on a file, for the sharing rules.
struct TOpenRecord {
  uint32_t Access = 0;
  uint32_t Share = 0;
};

struct TVolume;

struct TNode {
  std::wstring Name;
  bool Folder = false;
  uint32_t Attr = 0;  // stored bits; attr::Directory for folders
  TFileTime Creation{}, LastAccess{}, LastWrite{};
  std::shared_ptr<std::string> Data;  // files only, never null for a file
  std::wstring Dacl;                  // opaque; taken from the folder on first Attach
  bool DaclSet = false;
  std::map<std::wstring, std::shared_ptr<TNode>, TextLess> Children;
  TNode* Parent = nullptr;  // valid while Attached
  TVolume* Volume = nullptr;
  bool Attached = false;
  std::list<TOpenRecord> Opens;

  int64_t Size() const { return Folder ? 0 : static_cast<int64_t>(Data->size()); }
  uint32_t ReportedAttr() const { return (!Folder && Attr == 0) ? attr::Normal : Attr; }
  TFindData Info() const;
};

struct TVolume {
  std::wstring Root;      // "C:" or "\\server\share"
  int64_t Capacity = -1;  // bytes, -1 unlimited
  int64_t Used = 0;       // bytes of attached files
  std::shared_ptr<TNode> RootNode;
  // Whether `bytes` more fit.
  bool Fits(int64_t bytes) const { return Capacity < 0 || bytes <= 0 || Used + bytes <= Capacity; }
};

// A parsed absolute path.
struct TPath {
  std::wstring Root;                // "C:" or "\\server\share"
  std::vector<std::wstring> Parts;  // components below the root, "." and ".." resolved
  bool TrailingSeparator = false;
  bool IsRoot() const { return Parts.empty(); }
  std::wstring Full() const;  // "C:\a\b", or "C:" for the root itself
  std::wstring Name() const { return Parts.empty() ? std::wstring() : Parts.back(); }
};

// Parses an absolute path: "C:\...", "\\server\share\...", optionally behind "\\?\".
// 0 or err::InvalidName (bad characters, empty components, relative paths) or
// err::BadNetPath (a server without a share).
uint32_t ParsePath(std::wstring_view text, TPath& out);
// Whether `name` is a valid file name (no <>:"/\|?* nor control characters).
bool ValidName(std::wstring_view name);

struct TFaultState {
  TFault Fault;
  std::wstring Key;  // the fault's path, parsed and rebuilt ("" for every path)
  bool Active = true;
  // Consumes one firing; false when the fault has run out.
  bool Fire();
};

}  // namespace vog::memfs

namespace vog {

struct TMemoryFileSystem::TImpl {
  explicit TImpl(IClock& clock) : Clock(clock) {}

  IClock& Clock;
  std::mutex Mutex;
  std::map<std::wstring, std::unique_ptr<memfs::TVolume>, TextLess> Volumes;
  std::vector<std::shared_ptr<memfs::TFaultState>> Faults;
  TMemoryFileSystem::TCopyWatch CopyWatch;
  std::wstring TempFolder = L"C:\\Temp\\";
  std::wstring ProgramFolder = L"C:\\Program\\";
  std::wstring CurrentFolder = L"C:\\";

  TFileTime Now() { return Clock.NowUtc(); }

  // --- lookups (Mutex held) ---
  // The volume of `path`: 0, or err::PathNotFound for a missing drive, err::BadNetPath /
  // err::BadNetName for a missing share.
  uint32_t FindVolume(const memfs::TPath& path, memfs::TVolume*& volume);
  // The node at `path`: err::FileNotFound when only the last part is missing,
  // err::PathNotFound when a folder on the way is missing or is a file.
  uint32_t Resolve(const memfs::TPath& path, std::shared_ptr<memfs::TNode>& node);
  // The folder that holds `path` (which must not be a root).
  uint32_t ResolveParent(const memfs::TPath& path, std::shared_ptr<memfs::TNode>& parent);
  // Parses and resolves in one step.
  uint32_t Lookup(const std::wstring& text, memfs::TPath& path, std::shared_ptr<memfs::TNode>& node);
  // How one operation on one path begins: parses `text`, then answers a fault planned for
  // `op` on it; the second form also resolves the node.
  uint32_t Enter(const std::wstring& text, TFaultOp op, memfs::TPath& path);
  uint32_t Enter(const std::wstring& text, TFaultOp op, memfs::TPath& path, std::shared_ptr<memfs::TNode>& node);

  // --- tree changes (Mutex held) ---
  std::shared_ptr<memfs::TNode> NewNode(const std::wstring& name, bool folder, uint32_t attributes);
  void Attach(memfs::TNode& parent, const std::shared_ptr<memfs::TNode>& node);
  void Detach(memfs::TNode& node);
  // Creates the folder and its missing parents (the volume must exist).
  uint32_t MakeFolders(const memfs::TPath& path, uint32_t attributes, std::shared_ptr<memfs::TNode>* made);

  // --- faults (Mutex held) ---
  // The code of a fault that fails `op` on `path` at once, or 0 (the firing is counted).
  uint32_t CheckFault(TFaultOp op, const std::wstring& pathKey);
  // A fault of `op` on `path` that fails later (after bytes or entries), or null.
  std::shared_ptr<memfs::TFaultState> ArmFault(TFaultOp op, const std::wstring& pathKey);

  // --- sharing (Mutex held) ---
  static bool ShareConflict(const memfs::TNode& node, uint32_t accessWanted, uint32_t shareWanted);
  static bool BlocksDelete(const memfs::TNode& node);  // an open handle without share::Delete
};

}  // namespace vog
