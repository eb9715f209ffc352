#pragma once
// The one process-wide platform object. The program installs the Win32 platform at
// start-up; each test installs a fresh memory platform; native tools install POSIX.
// The program's own classes reach the operating system only through Platform().
//
// Services that a later part of the program needs (volumes and drives, network, shell,
// registry, power, devices, security) are added as further members in the same way:
// an interface header here, one implementation in each of win32/, memory/ and posix/
// (POSIX answers err::NotSupported where Linux has no such thing).
#include <memory>

#include "base/CodePage.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Locks.h"
#include "platform/Network.h"
#include "platform/Power.h"
#include "platform/Registry.h"
#include "platform/Security.h"
#include "platform/Shell.h"
#include "platform/Volumes.h"

namespace vog {

struct TPlatform {
  std::unique_ptr<IFileSystem> Files;
  std::unique_ptr<ICodePage> CodePage;
  std::unique_ptr<IClock> Clock;
  std::unique_ptr<IEnvironment> Environment;
  std::unique_ptr<IShell> Shell;      // may be null: no special folders then
  std::unique_ptr<IVolumes> Volumes;  // may be null, as may the three below
  std::unique_ptr<IDevices> Devices;
  std::unique_ptr<INetwork> Network;
  std::unique_ptr<IRegistry> Registry;
  std::unique_ptr<ISecurity> Security;  // may be null: access lists are not copied then
  std::unique_ptr<IPower> Power;        // may be null: every power action then fails
  std::unique_ptr<ILocks> Locks;        // may be null: no lock is then ever taken

  virtual ~TPlatform() = default;
};

// The installed platform. Using it before InstallPlatform is a programming error.
TPlatform& Platform();
// Installs `platform` and returns the previous one (may be null).
std::unique_ptr<TPlatform> InstallPlatform(std::unique_ptr<TPlatform> platform);
// The operating system's own platform: Win32 in the Windows build, POSIX natively.
std::unique_ptr<TPlatform> CreateSystemPlatform();

// Shorthands.
inline IFileSystem& Files() { return *Platform().Files; }
inline ICodePage& CodePage() { return *Platform().CodePage; }
inline IClock& Clock() { return *Platform().Clock; }

}  // namespace vog
