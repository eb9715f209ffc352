#pragma once
// A complete in-memory file system with Windows semantics, a manual clock and an
// environment, for deterministic tests of everything above the platform. Not a mock:
// names are case-insensitive and case-preserving, drive roots (C:\) and UNC shares
// (\\server\share) must be added before use, non-root listings start with "." and "..",
// read-only files refuse overwrite and delete with error 5, non-empty folders refuse
// removal with 145, and so on. Faults can be injected per path.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/Platform.h"
#include "platform/memory/MemoryDrives.h"
#include "platform/memory/MemoryPower.h"
#include "platform/memory/MemoryShell.h"

namespace vog {

enum class TFaultOp {
  List,        // FindFirst / Next on the folder `Path` (AfterEntries: fail after N entries)
  Open,        // OpenFile on `Path`
  Read,        // reading from `Path` (AfterBytes: fail once N bytes were read)
  Write,       // writing to `Path` (AfterBytes: fail once N bytes were written)
  Copy,        // CopyEntry from or to `Path` (AfterBytes: fail after N bytes copied)
  Remove,      // RemoveFile / RemoveFolder of `Path`
  Move,        // MoveEntry from or to `Path`
  MakeFolder,  // MakeFolder of `Path`
  Attributes,  // GetAttributes / SetAttributes / GetInfo / SetTimes of `Path`
  Times,       // setting times of `Path`, by path or through an open stream (SetTimes only)
  Security,    // SetDacl / GetDacl of `Path` (so the DACL copies from and onto it)
  Corrupt,     // data copied or written to `Path` arrives altered, and the call succeeds
  Any,         // every operation on `Path` (Corrupt excepted)
};

// A fault applies to `Path` and everything below it (a fault on "\\server\share" fails
// every path on that share). Faults are checked before the path is looked up, so they
// also fire for paths that do not exist. AfterEntries counts the entries a search hands
// out, "." and ".." included; a search shorter than that fails at its end instead of
// reporting err::NoMoreFiles. For List faults `Times` counts searches; for Read, Write
// and Copy faults it counts failures. A copy that fails or is cancelled deletes its
// target (see MemoryCopy.cpp). A Corrupt fault inverts the byte at offset AfterBytes (0
// when not set) of what a copy to `Path` or a stream writing it puts there, as a medium
// that fails silently would; its `Code` is not used, and `Times` counts altered files.
struct TFault {
  std::wstring Path;  // compared without regard to case; "" matches every path
  TFaultOp Op = TFaultOp::Any;
  uint32_t Code = err::AccessDenied;
  int64_t AfterBytes = -1;  // Read, Write, Copy: fail once this many bytes went through
  int AfterEntries = -1;    // List: FindFirst succeeds and Next fails after N entries
  int Times = -1;           // how many times the fault fires; -1 = always
};

class TMemoryFileSystem : public IFileSystem {
public:
  explicit TMemoryFileSystem(IClock& clock);
  ~TMemoryFileSystem() override;

  // --- building trees -------------------------------------------------------
  // A drive root ("C:") or a share ("\\server\share"); `capacity` bytes (-1: unlimited).
  // Adding an existing volume only sets its capacity. A volume's use is the sum of its
  // files' sizes; a write, copy or move that would pass the capacity fails with
  // err::DiskFull and changes nothing. Unlimited volumes report 1 TiB free.
  void AddVolume(const std::wstring& root, int64_t capacity = -1);
  void SetCapacity(const std::wstring& root, int64_t capacity);
  int64_t FreeSpace(const std::wstring& root);
  // Creates the folder and any missing parents (the volume must exist).
  uint32_t AddFolder(const std::wstring& path, uint32_t attributes = attr::Directory);
  // Creates or replaces a file, with missing parent folders (read-only or not, and
  // without regard to capacity: a test may fill a volume past it). A zero `lastWrite`
  // takes the clock's time.
  uint32_t AddFile(const std::wstring& path, const std::string& content, uint32_t attributes = attr::Archive,
                   TFileTime lastWrite = {});
  // The whole content of a file; false when there is no such file.
  bool ReadContent(const std::wstring& path, std::string& content);
  bool Exists(const std::wstring& path);
  // Every path under `root` (files and folders), relative to it, folders ending in "\",
  // sorted with CompareText, for comparing whole trees ({"a\", "a\x.txt", "b.txt"}).
  std::vector<std::wstring> ListTree(const std::wstring& root);

  // --- access-control lists --------------------------------------------------------
  // Every file and folder holds an opaque DACL text. A new entry takes the one of its
  // folder (as inheritance does on Windows), volume roots start with kDefaultDacl, a move
  // keeps the entry's own and a copy onto an existing file keeps the replaced file's. An
  // empty text stands for an entry without a DACL (a volume without security).
  static constexpr const wchar_t* kDefaultDacl = L"D:(A;OICI;FA;;;WD)";
  uint32_t SetDacl(const std::wstring& path, const std::wstring& dacl);
  uint32_t GetDacl(const std::wstring& path, std::wstring& dacl);

  // --- faults ----------------------------------------------------------------
  void InjectFault(const TFault& fault);
  void ClearFaults();
  // Called on the copying thread once a copy from `from` to `to` has opened both ends,
  // before any data moves, without the file system's lock (so a test can hold a copy there
  // until its cancel flag is set, or count copies in progress). Empty: none.
  using TCopyWatch =
      std::function<void(const std::wstring& from, const std::wstring& to, const std::atomic<bool>* cancel)>;
  void SetCopyWatch(TCopyWatch watch);
  // Whether the file system claims to answer its calls one at a time (as under Wine).
  bool OneCallAtATime = false;
  bool ServesCallsOneAtATime() const override { return OneCallAtATime; }

  // --- IFileSystem -------------------------------------------------------------
  uint32_t FindFirst(const std::wstring& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first) override;
  uint32_t ListNames(const std::wstring& folder, std::vector<TNameEntry>& names) override;
  uint32_t GetAttributes(const std::wstring& path, uint32_t& attributes) override;
  uint32_t SetAttributes(const std::wstring& path, uint32_t attributes) override;
  uint32_t GetInfo(const std::wstring& path, TFindData& info) override;
  uint32_t SetTimes(const std::wstring& path, const TFileTime* creation, const TFileTime* lastAccess,
                    const TFileTime* lastWrite) override;
  uint32_t MakeFolder(const std::wstring& path) override;
  uint32_t RemoveFolder(const std::wstring& path) override;
  uint32_t RemoveFile(const std::wstring& path) override;
  uint32_t MoveEntry(const std::wstring& from, const std::wstring& to, bool replace) override;
  uint32_t CopyEntry(const std::wstring& from, const std::wstring& to, bool failIfExists, const TCopyProgress& progress,
                     const std::atomic<bool>* cancel) override;
  // Closes a stream already held in `stream` before opening. Streams and search handles
  // must not outlive the file system.
  uint32_t OpenFile(const std::wstring& path, TOpenMode mode, uint32_t shareMode,
                    std::unique_ptr<IFileStream>& stream) override;
  std::wstring TempFolder() override;
  std::wstring ProgramFolder() override;
  void SetTempFolder(const std::wstring& path);     // default C:\Temp\ (created on demand)
  void SetProgramFolder(const std::wstring& path);  // default C:\Program\ (created on demand)
  uint32_t FullPath(const std::wstring& path, std::wstring& full) override;
  void SetCurrentFolder(const std::wstring& path);  // default C:\ (relative paths start there)

  struct TImpl;

private:
  uint32_t ListNamesInto(const std::wstring& folder, std::vector<TNameEntry>& names);
  std::unique_ptr<TImpl> impl_;
};

// A clock that only moves when told to. Local time is UTC plus a fixed offset
// (Japan's +9 hours by default, no daylight saving).
class TManualClock : public IClock {
public:
  TManualClock();
  TFileTime NowUtc() override;
  TFileTime UtcToLocal(TFileTime utc) override;
  TFileTime LocalToUtc(TFileTime local) override;
  uint64_t TickCount() override;
  void SetNowUtc(TFileTime now);
  void SetLocalNow(TDateTime local);  // sets the UTC time from a local date-time
  void Advance(uint64_t milliseconds);
  void SetOffsetMinutes(int minutes);

private:
  std::mutex mutex_;
  uint64_t now_;  // FILETIME ticks, UTC
  int64_t offsetTicks_;
  uint64_t ticks_ = 0;
};

class TMemoryEnvironment : public IEnvironment {
public:
  bool Get(const std::wstring& name, std::wstring& value) override;
  void Set(const std::wstring& name, const std::wstring& value) override;

private:
  std::mutex mutex_;
  std::map<std::wstring, std::wstring, TextLess> values_;
};

// Security of the memory platform: the account is whatever the test sets (by default
// "User" of domain "VOGPC"; an error code makes the lookup fail), and a DACL copy moves the
// source's DACL text onto the target in `files`.
class TMemorySecurity : public ISecurity {
public:
  explicit TMemorySecurity(TMemoryFileSystem& files) : files_(files) {}
  void SetAccount(const std::wstring& user, const std::wstring& domain, uint32_t lookupError = 0);
  uint32_t CurrentAccount(std::wstring& user, std::wstring& domain) override;
  uint32_t CopyDacl(const std::wstring& source, const std::wstring& target) override;

private:
  TMemoryFileSystem& files_;
  std::mutex mutex_;
  std::wstring user_ = L"User", domain_ = L"VOGPC";
  uint32_t lookupError_ = 0;
};

// Named locks held in the platform object. A held lock keeps the state alive, so it may
// outlive the platform it came from.
class TMemoryLocks : public ILocks {
public:
  struct TState {
    mutable std::mutex Mutex;
    std::set<std::wstring> Held;
  };
  uint32_t TryLock(const std::wstring& name, std::unique_ptr<IHeldLock>& held) override;
  bool Held(const std::wstring& name) const;

private:
  std::shared_ptr<TState> state_ = std::make_shared<TState>();
};

struct TMemoryPlatform : TPlatform {
  TMemoryFileSystem* MemFiles = nullptr;   // owned by Files
  TManualClock* MemClock = nullptr;        // owned by Clock
  TMemoryEnvironment* MemEnv = nullptr;    // owned by Environment
  TMemoryShell* MemShell = nullptr;        // owned by Shell
  TMemoryVolumes* MemVolumes = nullptr;    // owned by Volumes
  TMemoryDevices* MemDevices = nullptr;    // owned by Devices
  TMemoryNetwork* MemNetwork = nullptr;    // owned by Network
  TMemoryRegistry* MemRegistry = nullptr;  // owned by Registry
  TMemorySecurity* MemSecurity = nullptr;  // owned by Security
  TMemoryPower* MemPower = nullptr;        // owned by Power
  TMemoryLocks* MemLocks = nullptr;        // owned by Locks
};

// A fresh memory platform with fixed drive C: (unlimited, no label), the clock at 2024-04-01 12:00 local,
// and the system's ANSI code page service (932 conversions are real on both builds).
std::unique_ptr<TMemoryPlatform> CreateMemoryPlatform();

// The operating system's code page service (iconv CP932 natively, Win32 in Windows).
std::unique_ptr<ICodePage> CreateSystemCodePage();

}  // namespace vog
