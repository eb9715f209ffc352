// Linux has no drive letters, registry, Windows network connections, device requests or
// Windows access-control lists: every call answers err::NotSupported.
#include "platform/Codes.h"
#include "platform/SystemPlatform.h"

namespace vog {

namespace {

class TPosixVolumes : public IVolumes {
public:
  uint32_t LogicalDrives(std::vector<std::wstring>&) override { return err::NotSupported; }
  TDriveType DriveType(const std::wstring&) override { return TDriveType::Unknown; }
  uint32_t VolumeLabel(const std::wstring&, std::wstring&) override { return err::NotSupported; }
  uint32_t DiskSpace(const std::wstring&, uint64_t&, uint64_t&) override { return err::NotSupported; }
};

class TPosixDevices : public IDevices {
public:
  bool RemovalAvailable() override { return false; }
  uint32_t RequestRemoval(wchar_t) override { return err::NotSupported; }
  uint32_t EjectMedia(wchar_t) override { return err::NotSupported; }
  uint32_t SuppressErrorBoxes() override { return 0; }
  void RestoreErrorMode(uint32_t) override {}
};

class TPosixNetwork : public INetwork {
public:
  uint32_t AddConnection(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) override {
    return err::NotSupported;
  }
  uint32_t CancelConnection(const std::wstring&, bool) override { return err::NotSupported; }
};

class TPosixRegistry : public IRegistry {
public:
  uint32_t ValueType(TRegistryRoot, const std::wstring&, const std::wstring&, uint32_t&) override {
    return err::NotSupported;
  }
  uint32_t ReadString(TRegistryRoot, const std::wstring&, const std::wstring&, std::wstring&) override {
    return err::NotSupported;
  }
};

class TPosixSecurity : public ISecurity {
public:
  uint32_t CurrentAccount(std::wstring&, std::wstring&) override { return err::NotSupported; }
  uint32_t CopyDacl(const std::wstring&, const std::wstring&) override { return err::NotSupported; }
};

}  // namespace

std::unique_ptr<IVolumes> CreateSystemVolumes() { return std::make_unique<TPosixVolumes>(); }
std::unique_ptr<IDevices> CreateSystemDevices() { return std::make_unique<TPosixDevices>(); }
std::unique_ptr<INetwork> CreateSystemNetwork() { return std::make_unique<TPosixNetwork>(); }
std::unique_ptr<IRegistry> CreateSystemRegistry() { return std::make_unique<TPosixRegistry>(); }
std::unique_ptr<ISecurity> CreateSystemSecurity() { return std::make_unique<TPosixSecurity>(); }

}  // namespace vog
