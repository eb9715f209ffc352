#include "platform/SystemPlatform.h"

#include "platform/Platform.h"

namespace vog {

std::unique_ptr<TPlatform> CreateSystemPlatform() {
  auto platform = std::make_unique<TPlatform>();
  platform->Files = CreateSystemFileSystem();
  platform->CodePage = CreateSystemCodePage();
  platform->Clock = CreateSystemClock();
  platform->Environment = CreateSystemEnvironment();
  platform->Shell = CreateSystemShell();
  platform->Volumes = CreateSystemVolumes();
  platform->Devices = CreateSystemDevices();
  platform->Network = CreateSystemNetwork();
  platform->Registry = CreateSystemRegistry();
  platform->Security = CreateSystemSecurity();
  platform->Power = CreateSystemPower();
  platform->Locks = CreateSystemLocks();
  return platform;
}

}  // namespace vog
