// Drives, volumes, device requests, network connections and the registry of the Windows
// build.
#include <windows.h>
#include <winioctl.h>
#include <winnetwk.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include <vector>

#include "platform/Codes.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Handles.h"

namespace vog {

namespace {

using win32::Proc;
using win32::THandle;

std::wstring WithBackslash(std::wstring root) {
  if (root.empty() || root.back() != L'\\') root += L'\\';
  return root;
}

std::wstring VolumeDeviceName(wchar_t letter) { return std::wstring(L"\\\\.\\") + letter + L":"; }

class TWin32Volumes : public IVolumes {
public:
  uint32_t LogicalDrives(std::vector<std::wstring>& roots) override {
    wchar_t buffer[27 * 4 + 1] = {};
    const DWORD length = GetLogicalDriveStringsW(ARRAYSIZE(buffer) - 1, buffer);
    if (length == 0 || length >= ARRAYSIZE(buffer)) return length ? err::InvalidParameter : GetLastError();
    roots.clear();
    for (const wchar_t* p = buffer; *p; p += wcslen(p) + 1) roots.emplace_back(p);
    return 0;
  }

  TDriveType DriveType(const std::wstring& root) override {
    return static_cast<TDriveType>(GetDriveTypeW(WithBackslash(root).c_str()));
  }

  uint32_t VolumeLabel(const std::wstring& root, std::wstring& label) override {
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(WithBackslash(root).c_str(), name, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0))
      return GetLastError();
    label = name;
    return 0;
  }

  uint32_t DiskSpace(const std::wstring& path, uint64_t& total, uint64_t& freeToCaller) override {
    ULARGE_INTEGER available{}, size{}, free{};
    if (!GetDiskFreeSpaceExW(win32::ExtendedPathWhereNeeded(WithBackslash(path)).c_str(), &available, &size, &free))
      return GetLastError();
    total = size.QuadPart;
    freeToCaller = available.QuadPart;
    return 0;
  }
};

// The storage device number of an opened volume or disk; false when it cannot be read.
bool DeviceNumber(HANDLE device, STORAGE_DEVICE_NUMBER& number) {
  DWORD returned = 0;
  return DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &returned,
                         nullptr) != FALSE;
}

// The set-up and configuration manager functions, looked up by name once; all or nothing.
class TSetupApi {
public:
  using TGetClassDevs = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
  using TEnumInterfaces = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA);
  using TGetInterfaceDetail = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A,
                                            DWORD, PDWORD, PSP_DEVINFO_DATA);
  using TDestroyList = BOOL(WINAPI*)(HDEVINFO);
  using TGetParent = CONFIGRET(WINAPI*)(PDEVINST, DEVINST, ULONG);
  using TRequestEjectW = CONFIGRET(WINAPI*)(DEVINST, PPNP_VETO_TYPE, LPWSTR, ULONG, ULONG);

  TSetupApi() : module_(LoadLibraryW(L"SETUPAPI.dll")) {
    if (!module_) return;
    // Every one of these must be there, also those this program does not call today.
    static const char* const kNames[] = {"SetupDiGetClassDevsA",
                                         "SetupDiEnumDeviceInterfaces",
                                         "SetupDiGetDeviceInterfaceDetailA",
                                         "SetupDiDestroyDeviceInfoList",
                                         "SetupDiEnumDeviceInfo",
                                         "SetupDiGetDeviceRegistryPropertyA",
                                         "CM_Get_DevNode_Registry_PropertyA",
                                         "CM_Get_DevNode_Status",
                                         "CM_Request_Device_EjectA",
                                         "CM_Request_Device_EjectW",
                                         "CM_Get_Child",
                                         "CM_Get_Parent"};
    for (const char* name : kNames) {
      if (!GetProcAddress(module_.Get(), name)) {
        module_.Reset();
        return;
      }
    }
    const HMODULE m = module_.Get();
    GetClassDevs = Proc<TGetClassDevs>(m, "SetupDiGetClassDevsA");
    EnumInterfaces = Proc<TEnumInterfaces>(m, "SetupDiEnumDeviceInterfaces");
    GetInterfaceDetail = Proc<TGetInterfaceDetail>(m, "SetupDiGetDeviceInterfaceDetailA");
    DestroyList = Proc<TDestroyList>(m, "SetupDiDestroyDeviceInfoList");
    GetParent = Proc<TGetParent>(m, "CM_Get_Parent");
    RequestEjectW = Proc<TRequestEjectW>(m, "CM_Request_Device_EjectW");
  }
  bool Loaded() const { return module_.Valid(); }

  TGetClassDevs GetClassDevs = nullptr;
  TEnumInterfaces EnumInterfaces = nullptr;
  TGetInterfaceDetail GetInterfaceDetail = nullptr;
  TDestroyList DestroyList = nullptr;
  TGetParent GetParent = nullptr;
  TRequestEjectW RequestEjectW = nullptr;

private:
  win32::TLibrary module_;
};

const TSetupApi& SetupApi() {
  static const TSetupApi api;
  return api;
}

constexpr GUID kFloppyClass = {0x53F56311, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
constexpr GUID kDiskClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
constexpr GUID kCdRomClass = {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

// The device instance of the present device of `classGuid` whose storage device number
// is `number`; 0 when there is none.
DEVINST FindDevice(const TSetupApi& api, const GUID& classGuid, DWORD number) {
  HDEVINFO list = api.GetClassDevs(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) return 0;
  DEVINST found = 0;
  alignas(8) char detailBuffer[1024];
  for (DWORD index = 0; !found; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!api.EnumInterfaces(list, nullptr, &classGuid, index, &interfaceData)) break;
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detailBuffer);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    DWORD size = 0;
    if (!api.GetInterfaceDetail(list, &interfaceData, detail, sizeof detailBuffer, &size, &info)) continue;
    const THandle device(
        CreateFileA(detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device) continue;
    STORAGE_DEVICE_NUMBER deviceNumber{};
    if (DeviceNumber(device.Get(), deviceNumber) && deviceNumber.DeviceNumber == number) found = info.DevInst;
  }
  api.DestroyList(list);
  return found;
}

class TWin32Devices : public IDevices {
public:
  bool RemovalAvailable() override { return SetupApi().Loaded(); }

  uint32_t RequestRemoval(wchar_t letter) override {
    const TSetupApi& api = SetupApi();
    if (!api.Loaded()) return err::NotSupported;
    STORAGE_DEVICE_NUMBER number{};
    {
      const THandle volume(CreateFileW(VolumeDeviceName(letter).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
      if (!volume || !DeviceNumber(volume.Get(), number)) return GetLastError();
    }

    const std::wstring drive = std::wstring(1, letter) + L":";
    const UINT type = GetDriveTypeW((drive + L"\\").c_str());
    wchar_t dosName[MAX_PATH + 1] = {};
    if (!QueryDosDeviceW(drive.c_str(), dosName, MAX_PATH)) return GetLastError();
    const GUID* classGuid = nullptr;
    if (type == DRIVE_REMOVABLE)
      classGuid = wcsstr(dosName, L"\\Floppy") ? &kFloppyClass : &kDiskClass;
    else if (type == DRIVE_FIXED)
      classGuid = &kDiskClass;
    else if (type == DRIVE_CDROM)
      classGuid = &kCdRomClass;
    else
      return err::InvalidParameter;

    const DEVINST device = FindDevice(api, *classGuid, number.DeviceNumber);
    if (!device) return err::FileNotFound;
    DEVINST parent = 0;
    if (api.GetParent(&parent, device, 0) != CR_SUCCESS) return err::FileNotFound;
    for (int attempt = 0; attempt < 6; ++attempt) {
      if (api.RequestEjectW(parent, nullptr, nullptr, 0, 0) == CR_SUCCESS) return 0;
      Sleep(500);
    }
    return err::AccessDenied;
  }

  uint32_t EjectMedia(wchar_t letter) override {
    const THandle volume(CreateFileW(VolumeDeviceName(letter).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    if (!volume) return GetLastError();
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(volume.Get(), IOCTL_DISK_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned, nullptr);
    return ok ? 0 : GetLastError();
  }

  uint32_t SuppressErrorBoxes() override { return SetErrorMode(SEM_FAILCRITICALERRORS); }
  void RestoreErrorMode(uint32_t previous) override { SetErrorMode(previous); }
};

class TWin32Network : public INetwork {
public:
  uint32_t AddConnection(const std::wstring& remote, const std::wstring& localName, const std::wstring& user,
                         const std::wstring& password) override {
    NETRESOURCEW resource{};
    resource.dwType = RESOURCETYPE_DISK;
    std::wstring remoteName = remote, local = localName;
    resource.lpRemoteName = remoteName.data();
    resource.lpLocalName = local.empty() ? nullptr : local.data();
    resource.lpProvider = nullptr;
    return WNetAddConnection2W(&resource, password.empty() ? nullptr : password.c_str(),
                               user.empty() ? nullptr : user.c_str(), 0);
  }

  uint32_t CancelConnection(const std::wstring& name, bool force) override {
    return WNetCancelConnection2W(name.c_str(), 0, force ? TRUE : FALSE);
  }
};

HKEY RootKey(TRegistryRoot root) {
  switch (root) {
    case TRegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case TRegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case TRegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case TRegistryRoot::Users:
      return HKEY_USERS;
    case TRegistryRoot::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

class TWin32Registry : public IRegistry {
public:
  uint32_t ValueType(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type) override {
    win32::TRegKey handle;
    LONG code = RegOpenKeyExW(RootKey(root), key.c_str(), 0, KEY_READ, handle.Put());
    if (code != ERROR_SUCCESS) return static_cast<uint32_t>(code);
    DWORD t = 0;
    code = RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &t, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return static_cast<uint32_t>(code);
    type = t;
    return 0;
  }

  uint32_t ReadString(TRegistryRoot root, const std::wstring& key, const std::wstring& name,
                      std::wstring& value) override {
    win32::TRegKey handle;
    LONG code = RegOpenKeyExW(RootKey(root), key.c_str(), 0, KEY_READ, handle.Put());
    if (code != ERROR_SUCCESS) return static_cast<uint32_t>(code);
    std::vector<wchar_t> buffer;
    DWORD type = 0;
    // The value may grow between the two calls: ask again while it does.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD size = 0;
      code = RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size);
      if (code != ERROR_SUCCESS) break;
      if (type != REG_SZ && type != REG_EXPAND_SZ) {
        code = ERROR_INVALID_PARAMETER;
        break;
      }
      buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
      size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
      code =
          RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
      if (code != ERROR_MORE_DATA) {
        if (code == ERROR_SUCCESS) buffer.resize(size / sizeof(wchar_t));
        break;
      }
    }
    if (code != ERROR_SUCCESS) return static_cast<uint32_t>(code);
    // Stored strings need not end with their zero; they may also carry several.
    while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
    value.assign(buffer.begin(), buffer.end());
    return 0;
  }
};

}  // namespace

std::unique_ptr<IVolumes> CreateSystemVolumes() { return std::make_unique<TWin32Volumes>(); }
std::unique_ptr<IDevices> CreateSystemDevices() { return std::make_unique<TWin32Devices>(); }
std::unique_ptr<INetwork> CreateSystemNetwork() { return std::make_unique<TWin32Network>(); }
std::unique_ptr<IRegistry> CreateSystemRegistry() { return std::make_unique<TWin32Registry>(); }

}  // namespace vog
