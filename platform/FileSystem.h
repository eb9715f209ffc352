#pragma once
// The file system as the program sees it: Windows semantics and Windows error codes on
// every implementation. Every operation returns 0 or a Windows error code (see Codes.h);
// none throws for a failure of the file system. Paths are absolute, "\"-separated
// (the POSIX implementation also accepts "/"); names compare without regard to case
// where the implementation is Windows-like (memory, Win32).
//
// Implementations are safe to call from two threads at once (the source scan runs on a
// worker thread while the main thread reads the destination).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "platform/Codes.h"

namespace vog {

// One entry of a directory search, or the state of one file or folder.
struct TFindData {
  std::wstring Name;           // the name as stored, without any folder
  uint32_t Attr = 0;           // attribute bits (attr::...)
  int64_t Size = 0;            // bytes; 0 for folders
  TFileTime CreationTime{};    // UTC
  TFileTime LastAccessTime{};  // UTC
  TFileTime LastWriteTime{};   // UTC
};

// One entry of a names-only listing.
struct TNameEntry {
  std::wstring Name;
  bool Folder = false;  // a folder, or a link that leads to one
};

// Which folder a path names: two paths with the same identity reach the same folder (one of
// them through a link).
struct TFileIdentity {
  uint32_t VolumeSerial = 0;
  uint64_t FileIndex = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// An open directory search. The first entry comes from IFileSystem::FindFirst.
class IFindHandle {
public:
  virtual ~IFindHandle() = default;
  // 0 and the next entry; err::NoMoreFiles (18) at the end; or another error code.
  virtual uint32_t Next(TFindData& data) = 0;
};

enum class TOpenMode {
  Read,           // existing file, read access
  Write,          // create or truncate, write access
  ReadWrite,      // existing file, read and write access
  CreateNew,      // fails with err::FileExists when the file exists
  WriteExisting,  // existing file, write access, not truncated
};

namespace share {
inline constexpr uint32_t None = 0;
inline constexpr uint32_t Read = 1;
inline constexpr uint32_t Write = 2;
inline constexpr uint32_t Delete = 4;
inline constexpr uint32_t All = 7;
}  // namespace share

// An open file. Reads and writes may be short only at the end of the file (reads) or
// when an error is returned (writes).
class IFileStream {
public:
  virtual ~IFileStream() = default;
  virtual uint32_t Read(void* buffer, size_t size, size_t& done) = 0;
  virtual uint32_t Write(const void* buffer, size_t size, size_t& done) = 0;
  virtual uint32_t Seek(int64_t position) = 0;
  virtual int64_t Position() const = 0;
  virtual uint32_t GetSize(int64_t& size) = 0;
  // Cuts or extends the file to the current position.
  virtual uint32_t SetEndOfFile() = 0;
  // Null pointers leave a time unchanged. Times are UTC.
  virtual uint32_t SetTimes(const TFileTime* creation, const TFileTime* lastAccess, const TFileTime* lastWrite) = 0;
  virtual uint32_t GetTimes(TFileTime* creation, TFileTime* lastAccess, TFileTime* lastWrite) = 0;
  virtual uint32_t Flush() = 0;
};

// Called while a copy runs with the bytes copied so far and the file's size.
using TCopyProgress = std::function<void(int64_t copied, int64_t total)>;

class IFileSystem {
public:
  virtual ~IFileSystem() = default;

  // Starts a directory search: `pattern` is a folder path followed by "\" and a name or
  // wildcard mask (MS-DOS rules, as "*.*"). Non-root folders list "." and ".." first.
  // A missing folder gives err::PathNotFound, a missing name err::FileNotFound.
  virtual uint32_t FindFirst(const std::wstring& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first) = 0;

  // The entries of `folder` (without "." and ".."), with only their names and whether each
  // is a folder: for callers that look at many names and the details of few. Replaces
  // `names`; 0, or the code FindFirst gives (an empty folder gives 0 and no names).
  // Windows' own search brings attributes, size and times with each name at no cost, so
  // the default lists through FindFirst; a system that needs a call per entry for them
  // (POSIX) lists the names alone.
  virtual uint32_t ListNames(const std::wstring& folder, std::vector<TNameEntry>& names) {
    names.clear();
    std::unique_ptr<IFindHandle> handle;
    TFindData entry;
    std::wstring pattern = folder;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    uint32_t code = FindFirst(pattern + L"*", handle, entry);
    if (code == err::FileNotFound) return err::Success;
    while (code == err::Success) {
      if (entry.Name != L"." && entry.Name != L"..") names.push_back({entry.Name, (entry.Attr & attr::Directory) != 0});
      code = handle->Next(entry);
    }
    return code == err::NoMoreFiles ? err::Success : code;
  }

  virtual uint32_t GetAttributes(const std::wstring& path, uint32_t& attributes) = 0;
  virtual uint32_t SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
  // Attributes, size and times of one file or folder (Name is the stored name).
  virtual uint32_t GetInfo(const std::wstring& path, TFindData& info) = 0;
  // The same without the stored name (Name is the last segment of `path` as given). A
  // system that needs a search for the stored name answers this with one call instead of
  // two; the archiver asks it for every file it packs.
  virtual uint32_t GetStatus(const std::wstring& path, TFindData& info) { return GetInfo(path, info); }
  // Sets times of a file or folder (folders are opened with backup semantics). Null
  // pointers leave a time unchanged.
  virtual uint32_t SetTimes(const std::wstring& path, const TFileTime* creation, const TFileTime* lastAccess,
                            const TFileTime* lastWrite) = 0;

  // The identity of the folder `path` leads to (links followed): Windows' volume serial
  // number and file index. err::NotSupported where the system gives none (the default).
  // The folder walk compares it with the folders above to stop at a loop that does not
  // show as a link.
  virtual uint32_t GetFolderIdentity(const std::wstring& path, TFileIdentity& identity) {
    (void)path, (void)identity;
    return err::NotSupported;
  }

  virtual uint32_t MakeFolder(const std::wstring& path) = 0;
  virtual uint32_t RemoveFolder(const std::wstring& path) = 0;  // empty folders only
  virtual uint32_t RemoveFile(const std::wstring& path) = 0;    // read-only files refuse with 5
  // Renames or moves a file or folder; with `replace`, an existing target file is replaced.
  virtual uint32_t MoveEntry(const std::wstring& from, const std::wstring& to, bool replace) = 0;
  // Copies a file with its attributes and last-write time. `failIfExists` refuses an
  // existing target (err::FileExists). `progress` (may be empty) is called as data is
  // copied; when `*cancel` becomes true the copy stops with err::RequestAborted (1235) and
  // the partial target is removed.
  virtual uint32_t CopyEntry(const std::wstring& from, const std::wstring& to, bool failIfExists,
                             const TCopyProgress& progress, const std::atomic<bool>* cancel) = 0;

  virtual uint32_t OpenFile(const std::wstring& path, TOpenMode mode, uint32_t shareMode,
                            std::unique_ptr<IFileStream>& stream) = 0;

  // The system's temporary folder and the program's own folder, each ending in "\"
  // (on POSIX, "/").
  virtual std::wstring TempFolder() = 0;
  virtual std::wstring ProgramFolder() = 0;
  // The full path of `path` as the system opens it: a relative path, or one relative to a
  // drive's current folder ("Z:data\x.vgd"), is joined to the current folder, and "." and
  // ".." are resolved. The file need not exist. 0 and `full`, or a Windows code. (Without
  // an override, for file systems of tests that only wrap paths they are given: `path`.)
  virtual uint32_t FullPath(const std::wstring& path, std::wstring& full) {
    full = path;
    return 0;
  }
  // True where one server answers every file call in turn (Windows programs under Wine):
  // workers copying at once then add only their hand-offs, so copies run on one thread.
  virtual bool ServesCallsOneAtATime() const { return false; }
};

}  // namespace vog
