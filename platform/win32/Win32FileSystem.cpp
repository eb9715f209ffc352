// The Win32 file system: each operation is the one Win32 call that does it, so the
// program sees exactly what Windows says (error codes included). Every path goes to the
// system in its ExtendedPath form (see Win32Platform.h): paths longer than MAX_PATH work,
// and names ending in a dot or a space are not cut; the layers above never see the prefix.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Platform.h"

namespace vog::win32 {

namespace {

// Attributes, size and times from a search result or an attribute query (the two
// structures share these fields).
template <class Data>
void FillInfo(const Data& d, TFindData& data) {
  data.Attr = d.dwFileAttributes;
  data.Size = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? 0
                  : static_cast<int64_t>((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
  data.CreationTime = FromFt(d.ftCreationTime);
  data.LastAccessTime = FromFt(d.ftLastAccessTime);
  data.LastWriteTime = FromFt(d.ftLastWriteTime);
}

// A search that asks for no short (8.3) names, which nothing here uses and Windows lists
// faster without. A listing (`listing`) also asks for large batches of entries per system
// call. (Wine 8 takes both flags and works as before.)
HANDLE FindFirstBasic(const std::wstring& path, WIN32_FIND_DATAW& fd, bool listing) {
  return FindFirstFileExW(path.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                          listing ? FIND_FIRST_EX_LARGE_FETCH : 0);
}

void FromFindData(const WIN32_FIND_DATAW& fd, TFindData& data) {
  data.Name = fd.cFileName;
  FillInfo(fd, data);
}

class TWin32FindHandle : public IFindHandle {
public:
  explicit TWin32FindHandle(TSearchHandle handle) : handle_(std::move(handle)) {}

  uint32_t Next(TFindData& data) override {
    WIN32_FIND_DATAW fd;
    if (!FindNextFileW(handle_.Get(), &fd)) return GetLastError();
    FromFindData(fd, data);
    return ERROR_SUCCESS;
  }

private:
  TSearchHandle handle_;
};

struct TCopyContext {
  const TCopyProgress* Progress;
  const std::atomic<bool>* Cancel;
};

// Called by CopyFileExW after each chunk (never under Wine 8, which copies without
// calling it; a cancel there only acts before the copy starts).
DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                   DWORD, HANDLE, HANDLE, LPVOID data) {
  const auto* context = static_cast<const TCopyContext*>(data);
  if (context->Cancel && context->Cancel->load()) return PROGRESS_CANCEL;
  if (*context->Progress) (*context->Progress)(transferred.QuadPart, total.QuadPart);
  if (context->Cancel && context->Cancel->load()) return PROGRESS_CANCEL;
  return PROGRESS_CONTINUE;
}

// Whether `path` is an existing read-only file. Windows refuses to write to one by itself;
// Wine keeps read-only as the Unix write bit, which the superuser (as in a container
// running the tests) writes through, so the program checks first and behaves the same.
bool IsReadOnlyFile(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// CopyFileEx refuses to replace a read-only or hidden file (5) on Windows; Wine copies
// over both, so the program checks first.
bool CopyRefusesTarget(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
         (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

// Whether two system paths (ExtendedPath forms) name the same entry, spelled with different
// letter case.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The stored name of an entry (its letter case), or "" when it cannot be found.
std::wstring StoredName(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  const TSearchHandle search(FindFirstBasic(path, fd, false));
  return search ? std::wstring(fd.cFileName) : std::wstring();
}

std::wstring LastName(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 1 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  const size_t slash = p.find_last_of(L"\\/");
  return slash == std::wstring::npos ? p : p.substr(slash + 1);
}

std::wstring WithSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

class TWin32FileSystem : public IFileSystem {
public:
  bool ServesCallsOneAtATime() const override {
    // Wine's ntdll names itself; measured there, 2 to 8 copying threads were 1.2-1.35x
    // slower than one, while its bare CopyFileExW loop gained nothing from threads.
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
  }

  uint32_t FindFirst(const std::wstring& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first) override {
    handle.reset();
    WIN32_FIND_DATAW fd;
    TSearchHandle search(FindFirstBasic(ExtendedPath(pattern), fd, true));
    if (!search) return GetLastError();
    FromFindData(fd, first);
    handle = std::make_unique<TWin32FindHandle>(std::move(search));
    return ERROR_SUCCESS;
  }

  uint32_t GetAttributes(const std::wstring& path, uint32_t& attributes) override {
    const DWORD a = GetFileAttributesW(ExtendedPath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return GetLastError();
    attributes = a;
    return ERROR_SUCCESS;
  }

  uint32_t SetAttributes(const std::wstring& path, uint32_t attributes) override {
    return SetFileAttributesW(ExtendedPath(path).c_str(), attributes) ? ERROR_SUCCESS : GetLastError();
  }

  uint32_t GetStatus(const std::wstring& path, TFindData& info) override {
    WIN32_FILE_ATTRIBUTE_DATA fa;
    if (!GetFileAttributesExW(ExtendedPath(path).c_str(), GetFileExInfoStandard, &fa)) return GetLastError();
    FillInfo(fa, info);
    info.Name = LastName(path);
    return ERROR_SUCCESS;
  }

  uint32_t GetInfo(const std::wstring& path, TFindData& info) override {
    const std::wstring p = ExtendedPath(path);
    WIN32_FILE_ATTRIBUTE_DATA fa;
    if (!GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &fa)) return GetLastError();
    FillInfo(fa, info);
    // The name as stored (its letter case) comes from a search; a root has none.
    WIN32_FIND_DATAW fd;
    const TSearchHandle search(path.find_first_of(L"*?") == std::wstring::npos ? FindFirstBasic(p, fd, false)
                                                                               : INVALID_HANDLE_VALUE);
    if (search) {
      info.Name = fd.cFileName;
    } else {
      info.Name = LastName(path);
    }
    return ERROR_SUCCESS;
  }

  uint32_t SetTimes(const std::wstring& path, const TFileTime* creation, const TFileTime* lastAccess,
                    const TFileTime* lastWrite) override {
    // Backup semantics open folders too; write-attributes access works on read-only files.
    const THandle h(CreateFileW(ExtendedPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return GetLastError();
    FILETIME c, a, w;
    if (creation) c = ToFt(*creation);
    if (lastAccess) a = ToFt(*lastAccess);
    if (lastWrite) w = ToFt(*lastWrite);
    const BOOL ok = SetFileTime(h.Get(), creation ? &c : nullptr, lastAccess ? &a : nullptr, lastWrite ? &w : nullptr);
    return ok ? ERROR_SUCCESS : GetLastError();
  }

  uint32_t GetFolderIdentity(const std::wstring& path, TFileIdentity& identity) override {
    // Backup semantics open a folder; no access right is needed to read its file index.
    const THandle h(CreateFileW(ExtendedPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return GetLastError();
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.Get(), &info)) return GetLastError();
    identity.VolumeSerial = info.dwVolumeSerialNumber;
    identity.FileIndex = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return ERROR_SUCCESS;
  }

  uint32_t MakeFolder(const std::wstring& path) override {
    return CreateDirectoryW(ExtendedPath(path).c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
  }

  uint32_t RemoveFolder(const std::wstring& path) override {
    return RemoveDirectoryW(ExtendedPath(path).c_str()) ? ERROR_SUCCESS : GetLastError();
  }

  uint32_t RemoveFile(const std::wstring& path) override {
    return DeleteFileW(ExtendedPath(path).c_str()) ? ERROR_SUCCESS : GetLastError();
  }

  uint32_t MoveEntry(const std::wstring& fromPath, const std::wstring& toPath, bool replace) override {
    const std::wstring from = ExtendedPath(fromPath), to = ExtendedPath(toPath);
    const DWORD flags = MOVEFILE_COPY_ALLOWED | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    const bool caseOnly = SameIgnoringCase(from, to);
    if (replace && !caseOnly && IsReadOnlyFile(to)) return ERROR_ACCESS_DENIED;  // see IsReadOnlyFile
    if (!MoveFileExW(from.c_str(), to.c_str(), flags)) return GetLastError();
    if (caseOnly && from != to) {
      // A rename that only changes letter case: Windows takes the new spelling, Wine
      // reports success and keeps the old one. Then the name goes through a temporary one.
      const std::wstring wanted = LastName(to);
      if (StoredName(to) != wanted) {
        const std::wstring temp = to + L".vog-rename";
        if (!MoveFileExW(to.c_str(), temp.c_str(), 0)) return GetLastError();
        if (!MoveFileExW(temp.c_str(), to.c_str(), 0)) {
          const DWORD code = GetLastError();
          MoveFileExW(temp.c_str(), from.c_str(), 0);
          return code;
        }
      }
    }
    return ERROR_SUCCESS;
  }

  uint32_t CopyEntry(const std::wstring& fromPath, const std::wstring& toPath, bool failIfExists,
                     const TCopyProgress& progress, const std::atomic<bool>* cancel) override {
    const std::wstring from = ExtendedPath(fromPath), to = ExtendedPath(toPath);
    if (cancel && cancel->load()) return ERROR_REQUEST_ABORTED;
    if (!failIfExists && CopyRefusesTarget(to)) return ERROR_ACCESS_DENIED;
    TCopyContext context{&progress, cancel};
    const BOOL ok = CopyFileExW(from.c_str(), to.c_str(), CopyProgressRoutine, &context, nullptr,
                                failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0);
    return ok ? ERROR_SUCCESS : GetLastError();
  }

  uint32_t OpenFile(const std::wstring& filePath, TOpenMode mode, uint32_t shareMode,
                    std::unique_ptr<IFileStream>& stream) override {
    stream.reset();
    const std::wstring path = ExtendedPath(filePath);
    DWORD accessMask = 0, disposition = 0, flags = FILE_ATTRIBUTE_NORMAL;
    switch (mode) {
      case TOpenMode::Read:
        accessMask = GENERIC_READ;
        disposition = OPEN_EXISTING;
        break;
      case TOpenMode::Write: {
        accessMask = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        // CREATE_ALWAYS refuses (5) to replace a hidden or system file unless the new
        // attributes keep those bits; the file stays hidden as before.
        const DWORD existing = GetFileAttributesW(path.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY))
          flags = (existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) | FILE_ATTRIBUTE_ARCHIVE;
        break;
      }
      case TOpenMode::ReadWrite:
        accessMask = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_EXISTING;
        break;
      case TOpenMode::CreateNew:
        accessMask = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
      case TOpenMode::WriteExisting:
        accessMask = GENERIC_WRITE;
        disposition = OPEN_EXISTING;
        break;
    }
    if ((accessMask & GENERIC_WRITE) && disposition != CREATE_NEW && IsReadOnlyFile(path)) return ERROR_ACCESS_DENIED;
    // share:: bits are FILE_SHARE_READ, FILE_SHARE_WRITE and FILE_SHARE_DELETE.
    THandle h(CreateFileW(path.c_str(), accessMask, shareMode & 7, nullptr, disposition, flags, nullptr));
    if (!h) return GetLastError();
    stream = MakeFileStream(std::move(h));
    return ERROR_SUCCESS;
  }

  std::wstring TempFolder() override {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
      const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
      if (n == 0) return L"C:\\Windows\\Temp\\";
      if (n < buffer.size()) return WithSlash(WithoutExtendedPrefix(buffer.substr(0, n)));
      buffer.resize(n + 1);
    }
  }

  uint32_t FullPath(const std::wstring& path, std::wstring& full) override {
    // GetFullPathNameW knows each drive's current folder ("Z:data\x" is relative to it).
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
      if (n == 0) return GetLastError();
      if (n < buffer.size()) {
        full.assign(buffer.data(), n);
        return 0;
      }
      buffer.resize(n + 1);
    }
  }

  std::wstring ProgramFolder() override {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return L".\\";
      if (n < buffer.size()) {
        const std::wstring exe = WithoutExtendedPrefix(std::wstring(buffer.data(), n));
        return exe.substr(0, exe.find_last_of(L"\\/") + 1);
      }
      buffer.resize(buffer.size() * 2);
    }
  }
};

}  // namespace

}  // namespace vog::win32

namespace vog {

std::unique_ptr<IFileSystem> CreateSystemFileSystem() { return std::make_unique<win32::TWin32FileSystem>(); }

}  // namespace vog
