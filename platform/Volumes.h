#pragma once
// Drives and volumes: the logical drives, their types, labels and space; and the device
// requests for a drive (eject the medium, remove the device). Drive roots are "C:\"
// forms; a "C:" without the backslash is accepted too. Results are Windows error codes.
#include <cstdint>
#include <string>
#include <vector>

namespace vog {

// Windows' drive type numbers (GetDriveType).
enum class TDriveType : uint32_t {
  Unknown = 0,
  NoRootDir = 1,  // no such drive
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

class IVolumes {
public:
  virtual ~IVolumes() = default;
  // The logical drive roots ("C:\") in the system's order.
  virtual uint32_t LogicalDrives(std::vector<std::wstring>& roots) = 0;
  virtual TDriveType DriveType(const std::wstring& root) = 0;
  // The label of the volume at `root`; err::NotReady when a removable drive holds no
  // medium, err::PathNotFound when there is no such drive.
  virtual uint32_t VolumeLabel(const std::wstring& root, std::wstring& label) = 0;
  // Total bytes of the volume holding `path` and bytes free to the caller.
  virtual uint32_t DiskSpace(const std::wstring& path, uint64_t& total, uint64_t& freeToCaller) = 0;
};

class IDevices {
public:
  virtual ~IDevices() = default;
  // Whether the device functions (set-up and configuration manager) could all be loaded;
  // without them RequestRemoval does nothing and answers err::NotSupported.
  virtual bool RemovalAvailable() = 0;
  // Asks the system to remove the device that carries drive `letter` (A..Z): finds the
  // drive's storage device and requests ejection of its parent device node.
  virtual uint32_t RequestRemoval(wchar_t letter) = 0;
  // Sends the disk eject-media request to the volume of drive `letter`.
  virtual uint32_t EjectMedia(wchar_t letter) = 0;
  // Suppresses the system's critical-error boxes ("insert a disk") and returns the
  // previous error mode, which RestoreErrorMode puts back.
  virtual uint32_t SuppressErrorBoxes() = 0;
  virtual void RestoreErrorMode(uint32_t previous) = 0;
};

// Suppresses the critical-error boxes for the lifetime of the object.
class TQuietErrors {
public:
  explicit TQuietErrors(IDevices* devices) : devices_(devices) {
    if (devices_) previous_ = devices_->SuppressErrorBoxes();
  }
  ~TQuietErrors() {
    if (devices_) devices_->RestoreErrorMode(previous_);
  }
  TQuietErrors(const TQuietErrors&) = delete;
  TQuietErrors& operator=(const TQuietErrors&) = delete;

private:
  IDevices* devices_;
  uint32_t previous_ = 0;
};

}  // namespace vog
