// Security of the Windows build: the account the program runs as, and copies of
// discretionary access-control lists.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace vog::win32 {

namespace {

// Reads the security descriptor of `path` with its DACL only into `buffer`, growing it.
DWORD ReadDaclDescriptor(const std::wstring& path, std::vector<BYTE>& buffer) {
  for (;;) {
    DWORD needed = 0;
    if (GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), static_cast<DWORD>(buffer.size()),
                         &needed))
      return ERROR_SUCCESS;
    const DWORD code = GetLastError();
    if (code != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return code;
    buffer.resize(needed);
  }
}

class TWin32Security : public ISecurity {
public:
  uint32_t CurrentAccount(std::wstring& user, std::wstring& domain) override {
    DWORD size = 0;
    GetUserNameW(nullptr, &size);
    if (size == 0) return GetLastError();
    std::wstring name(size, L'\0');
    if (!GetUserNameW(name.data(), &size)) return GetLastError();
    name.resize(size > 0 ? size - 1 : 0);  // the count includes the terminating zero
    DWORD sidSize = 0, domainSize = 0;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, name.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return GetLastError();
    std::vector<BYTE> sid(std::max<DWORD>(sidSize, 1));
    std::wstring domainName(std::max<DWORD>(domainSize, 1), L'\0');
    if (!LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sidSize, domainName.data(), &domainSize, &use))
      return GetLastError();
    domainName.resize(domainSize);  // now without the terminating zero
    user = name;
    domain = domainName;
    return ERROR_SUCCESS;
  }

  uint32_t CopyDacl(const std::wstring& source, const std::wstring& target) override {
    // One buffer of each kind per thread: a run copies lists for every file it writes.
    thread_local std::vector<BYTE> descriptor(4096);
    thread_local std::vector<DWORD> fresh;  // DWORD elements keep the list aligned
    if (const DWORD code = ReadDaclDescriptor(ExtendedPath(source), descriptor)) return code;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted)) return GetLastError();
    if (!present || !dacl) return ERROR_NO_SECURITY_ON_OBJECT;
    ACL_SIZE_INFORMATION size{};
    if (!GetAclInformation(dacl, &size, sizeof size, AclSizeInformation)) return GetLastError();

    // The fresh list takes the source list's revision (2, or 4 when it holds object
    // entries), so that every entry fits it.
    const DWORD revision = std::max<DWORD>(dacl->AclRevision, ACL_REVISION);
    const DWORD bytes = std::max<DWORD>(size.AclBytesInUse, sizeof(ACL));
    fresh.assign((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    const PACL list = reinterpret_cast<PACL>(fresh.data());
    if (!InitializeAcl(list, static_cast<DWORD>(fresh.size() * sizeof(DWORD)), revision)) return GetLastError();
    for (DWORD i = 0; i < size.AceCount; ++i) {
      void* ace = nullptr;
      if (!GetAce(dacl, i, &ace)) return GetLastError();
      if (!AddAce(list, revision, MAXDWORD, ace, static_cast<const ACE_HEADER*>(ace)->AceSize)) return GetLastError();
    }
    SECURITY_DESCRIPTOR written;
    if (!InitializeSecurityDescriptor(&written, SECURITY_DESCRIPTOR_REVISION)) return GetLastError();
    if (!SetSecurityDescriptorDacl(&written, TRUE, list, FALSE)) return GetLastError();
    if (!SetFileSecurityW(ExtendedPath(target).c_str(), DACL_SECURITY_INFORMATION, &written)) return GetLastError();
    return ERROR_SUCCESS;
  }
};

}  // namespace

}  // namespace vog::win32

namespace vog {

std::unique_ptr<ISecurity> CreateSystemSecurity() { return std::make_unique<win32::TWin32Security>(); }

}  // namespace vog
