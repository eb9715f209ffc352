#pragma once
// Internals shared by the POSIX file system's parts (not for use outside platform/posix/).
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace vog::posix {

// Windows' sharing rules between the open files of this process. Linux has no share
// modes, so each open registers here what it accesses and what it lets others do; an
// open that conflicts fails with err::SharingViolation as on Windows. Other processes
// are not seen.
namespace access {
inline constexpr uint32_t Read = share::Read;
inline constexpr uint32_t Write = share::Write;
inline constexpr uint32_t Delete = share::Delete;
}  // namespace access

class TShareTable {
public:
  static TShareTable& Instance();
  // Registers an open of the file (dev, ino); 0 and a token, or err::SharingViolation.
  uint32_t Acquire(dev_t dev, ino_t ino, uint32_t accessBits, uint32_t shareMode, uint64_t& token);
  void Release(uint64_t token);
  // Whether every open of the file lets others delete or rename it.
  bool DeleteAllowed(dev_t dev, ino_t ino);

private:
  struct TImpl;
  TShareTable();
  std::unique_ptr<TImpl> impl_;
};

// An open file; owns `fd` and the share-table token.
std::unique_ptr<IFileStream> MakeFileStream(int fd, uint64_t token);

// What the file system needs to know of one entry.
struct TEntryStat {
  mode_t Mode = 0;
  int64_t Size = 0;
  dev_t Dev = 0;
  ino_t Ino = 0;
  TFileTime Creation{}, LastAccess{}, LastWrite{};  // creation falls back to last write
};

// Follows symbolic links, falling back to the link itself when it dangles; 0 or errno.
int StatEntry(const std::string& path, TEntryStat& st);
// The entry itself, never following a final symbolic link; 0 or errno.
int StatLink(const std::string& path, TEntryStat& st);
// Attributes, size and times of an entry called `name`.
void FillFindData(const std::string& name, const TEntryStat& st, TFindData& data);
uint32_t AttributesOf(const std::string& name, const TEntryStat& st);
// The last component of a path ("/" for the root).
std::string LastComponent(const std::string& path);

// Starts a directory search (see IFileSystem::FindFirst).
uint32_t FindFirstEntry(const std::string& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first);

// The names in a folder with their folder bit, from the directory alone: an entry is
// looked at only when the directory does not say what it is (a link, or a file system
// without entry types). See IFileSystem::ListNames.
uint32_t ListNameEntries(const std::string& folder, std::vector<TNameEntry>& names);

}  // namespace vog::posix
