#include "services/drives/Drives.h"

#include "base/Path.h"
#include "base/Text.h"
#include "platform/Codes.h"
#include "platform/Platform.h"

namespace vog {

namespace {

// The upper-case drive letter of "x", "x:" or "x:\..."; 0 when there is none.
wchar_t LetterOf(const std::wstring& drive) {
  if (drive.empty() || (drive.size() > 1 && drive[1] != L':')) return 0;
  const wchar_t c = UpperUnit(drive[0]);
  return c >= L'A' && c <= L'Z' ? c : 0;
}

bool FolderExists(const std::wstring& path) {
  uint32_t attributes = 0;
  return !path.empty() && Files().GetAttributes(AddBackslash(path), attributes) == 0 && (attributes & attr::Directory);
}

}  // namespace

bool GetDriveSpace(const std::wstring& path, double& total, double& freeToCaller) {
  IVolumes* volumes = Platform().Volumes.get();
  if (!volumes) return false;
  uint64_t t = 0, f = 0;
  TQuietErrors quiet(Platform().Devices.get());
  if (volumes->DiskSpace(AddBackslash(PathRoot(path)), t, f)) return false;
  total = static_cast<double>(t);
  freeToCaller = static_cast<double>(f);
  return true;
}

std::wstring GetVolumeLabel(const std::wstring& path) {
  IVolumes* volumes = Platform().Volumes.get();
  const std::wstring root = PathRoot(path);
  if (!volumes || root.empty()) return L"";
  std::wstring label;
  TQuietErrors quiet(Platform().Devices.get());
  return volumes->VolumeLabel(AddBackslash(root), label) ? L"" : label;
}

int ListDriveRoots(std::vector<std::wstring>& roots) {
  roots.clear();
  IVolumes* volumes = Platform().Volumes.get();
  if (!volumes || volumes->LogicalDrives(roots)) {
    roots.clear();
    return -1;
  }
  return static_cast<int>(roots.size());
}

bool IsDriveUsable(const std::wstring& root) {
  IVolumes* volumes = Platform().Volumes.get();
  if (!volumes) return true;
  const std::wstring r = AddBackslash(root);
  if (volumes->DriveType(r) != TDriveType::Removable) return true;
  std::wstring label;
  TQuietErrors quiet(Platform().Devices.get());
  return volumes->VolumeLabel(r, label) == 0;
}

bool ConnectShare(const std::wstring& path, const std::wstring& localName, const std::wstring& user,
                  const std::wstring& password) {
  const std::wstring root = PathRoot(path);
  if (FolderExists(root)) return true;
  INetwork* network = Platform().Network.get();
  if (!network || root.empty()) return false;
  const uint32_t code = network->AddConnection(root, localName, user, password);
  return code == 0 || code == err::AlreadyAssigned;
}

bool DisconnectShare(const std::wstring& path) {
  INetwork* network = Platform().Network.get();
  const std::wstring root = PathRoot(path);
  return network && !root.empty() && network->CancelConnection(root, true) == 0;
}

std::wstring GetShortcutTarget(const std::wstring& linkPath, uint32_t* code) {
  IShell* shell = Platform().Shell.get();
  std::wstring target;
  uint32_t result = shell ? shell->ShortcutTarget(linkPath, target) : err::NotSupported;
  // HRESULTs made from Win32 codes carry the code in their low word.
  if ((result & 0xFFFF0000u) == 0x80070000u) result &= 0xFFFF;
  if (code) *code = result;
  return result ? std::wstring() : target;
}

std::wstring FindShortcut(const std::wstring& folder, const std::wstring& filter, const std::wstring& name) {
  const std::wstring base = AddBackslash(folder);
  const std::wstring wanted = name + L".lnk";
  std::unique_ptr<IFindHandle> handle;
  TFindData data;
  if (Files().FindFirst(base + L"*", handle, data)) return L"";
  // Entries are taken in listing order; a subfolder is searched when it is met.
  do {
    if (data.Name == L"." || data.Name == L"..") continue;
    const std::wstring full = base + data.Name;
    if (data.Attr & attr::Directory) {
      std::wstring found = FindShortcut(full, filter, name);
      if (!found.empty()) return found;
    } else if (SameText(data.Name, wanted) &&
               (filter.empty() || UpperText(full).find(UpperText(filter)) != std::wstring::npos)) {
      return full;
    }
  } while (handle->Next(data) == 0);
  return L"";
}

std::wstring GetEnvironmentValue(const std::wstring& name) {
  IEnvironment* environment = Platform().Environment.get();
  std::wstring value;
  if (!environment || name.empty() || !environment->Get(name, value)) return L"";
  return value;
}

bool CopySummaryInformation(const std::wstring& source, const std::wstring& dest) {
  IShell* shell = Platform().Shell.get();
  return shell && shell->CopySummaryInformation(source, dest) == 0;
}

void RequestDeviceRemoval(const std::wstring& drive) {
  IDevices* devices = Platform().Devices.get();
  const wchar_t letter = LetterOf(drive.size() > 2 ? drive.substr(0, 2) : drive);
  if (!devices || !letter || !devices->RemovalAvailable()) return;
  devices->RequestRemoval(letter);
}

uint32_t EjectMedium(const std::wstring& drive) {
  IDevices* devices = Platform().Devices.get();
  if (!devices) return err::NotSupported;
  const wchar_t letter = LetterOf(drive);
  if (!letter) return err::InvalidDrive;
  TQuietErrors quiet(devices);
  return devices->EjectMedia(letter);
}

}  // namespace vog
