#pragma once
// Drives, devices, network shares and registry of the memory platform. Each drive A: to Z:
// has a type, a label and a medium present or not; its space is the memory file system's
// volume of the same root. Shares need the credentials they were set up with; connecting
// one adds its volume to the file system. Device requests are recorded for tests to see.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "base/Text.h"
#include "platform/Network.h"
#include "platform/Registry.h"
#include "platform/Volumes.h"

namespace vog {

class TMemoryFileSystem;

class TMemoryVolumes : public IVolumes {
public:
  explicit TMemoryVolumes(TMemoryFileSystem& files) : files_(files) {}

  // Adds (or redefines) drive `letter` and its file-system volume (`capacity` bytes, -1
  // unlimited). A drive without a medium has no label and no space.
  void AddDrive(wchar_t letter, TDriveType type, const std::wstring& label = L"", bool mediaPresent = true,
                int64_t capacity = -1);
  void SetMedia(wchar_t letter, bool present);
  void SetLabel(wchar_t letter, const std::wstring& label);
  bool MediaPresent(wchar_t letter);
  bool HasDrive(wchar_t letter);
  // Fails LogicalDrives with `code` (0 to stop).
  void FailListing(uint32_t code);

  uint32_t LogicalDrives(std::vector<std::wstring>& roots) override;
  TDriveType DriveType(const std::wstring& root) override;
  uint32_t VolumeLabel(const std::wstring& root, std::wstring& label) override;
  uint32_t DiskSpace(const std::wstring& path, uint64_t& total, uint64_t& freeToCaller) override;

private:
  struct TDrive {
    TDriveType Type = TDriveType::Fixed;
    std::wstring Label;
    bool MediaPresent = true;
    int64_t Capacity = -1;
  };
  TMemoryFileSystem& files_;
  std::mutex mutex_;
  std::map<wchar_t, TDrive> drives_;
  uint32_t listingFault_ = 0;
};

class TMemoryDevices : public IDevices {
public:
  explicit TMemoryDevices(TMemoryVolumes& volumes) : volumes_(volumes) {}

  void SetRemovalAvailable(bool available);
  // Requests made so far, by drive letter (upper case), in order.
  std::vector<wchar_t> Removals();
  std::vector<wchar_t> Ejects();
  // The current error mode and how many times the boxes were suppressed.
  uint32_t ErrorMode();
  int SuppressCount();

  bool RemovalAvailable() override;
  uint32_t RequestRemoval(wchar_t letter) override;
  // Removable and CD drives lose their medium; a fixed drive refuses with error 1.
  uint32_t EjectMedia(wchar_t letter) override;
  uint32_t SuppressErrorBoxes() override;
  void RestoreErrorMode(uint32_t previous) override;

private:
  TMemoryVolumes& volumes_;
  std::mutex mutex_;
  bool removalAvailable_ = true;
  std::vector<wchar_t> removals_, ejects_;
  uint32_t errorMode_ = 0;
  int suppressCount_ = 0;
};

class TMemoryNetwork : public INetwork {
public:
  TMemoryNetwork(TMemoryFileSystem& files, TMemoryVolumes& volumes) : files_(files), volumes_(volumes) {}

  // A share reachable with `user` and `password` (an empty user takes any credentials).
  void AddShare(const std::wstring& remote, const std::wstring& user = L"", const std::wstring& password = L"");
  bool Connected(const std::wstring& remote);
  int Calls();  // AddConnection and CancelConnection calls so far

  uint32_t AddConnection(const std::wstring& remote, const std::wstring& localName, const std::wstring& user,
                         const std::wstring& password) override;
  // Forgets the connection; the share's files stay in the file system.
  uint32_t CancelConnection(const std::wstring& name, bool force) override;

private:
  struct TShare {
    std::wstring User, Password;
    bool Connected = false;
  };
  TMemoryFileSystem& files_;
  TMemoryVolumes& volumes_;
  std::mutex mutex_;
  std::map<std::wstring, TShare, TextLess> shares_;
  int calls_ = 0;
};

class TMemoryRegistry : public IRegistry {
public:
  void SetString(TRegistryRoot root, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                 uint32_t type = regtype::Sz);
  // A value of a type that is not text (REG_DWORD, REG_BINARY ...).
  void SetOther(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t type);
  // Reading the value fails with `code` although its type can be read.
  void FailRead(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t code);

  uint32_t ValueType(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type) override;
  uint32_t ReadString(TRegistryRoot root, const std::wstring& key, const std::wstring& name,
                      std::wstring& value) override;

private:
  struct TValue {
    uint32_t Type = regtype::Sz;
    std::wstring Text;
    uint32_t ReadFault = 0;
  };
  TValue* Find(TRegistryRoot root, const std::wstring& key, const std::wstring& name);
  std::mutex mutex_;
  // (root, upper-cased key path) -> values by name
  std::map<std::pair<int, std::wstring>, std::map<std::wstring, TValue, TextLess>> keys_;
};

}  // namespace vog
