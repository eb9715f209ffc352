#pragma once
// The operating system's own services: Win32 in the Windows build, POSIX natively.
// Each factory returns a new object; the objects are independent of one another and of
// the installed platform, and are safe to call from two threads at once.
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
#include "platform/Volumes.h"

namespace vog {

struct TPlatform;

// The ANSI code page service (Win32 MultiByteToWideChar with CP_ACP; natively iconv CP932).
std::unique_ptr<ICodePage> CreateSystemCodePage();
std::unique_ptr<IFileSystem> CreateSystemFileSystem();
std::unique_ptr<IClock> CreateSystemClock();
std::unique_ptr<IEnvironment> CreateSystemEnvironment();
// Drives and volumes, device requests, network connections and the registry (natively
// each answers err::NotSupported).
std::unique_ptr<IVolumes> CreateSystemVolumes();
std::unique_ptr<IDevices> CreateSystemDevices();
std::unique_ptr<INetwork> CreateSystemNetwork();
std::unique_ptr<IRegistry> CreateSystemRegistry();
// The account and access-control lists (natively err::NotSupported).
std::unique_ptr<ISecurity> CreateSystemSecurity();
// Power actions (natively every request answers err::NotSupported).
std::unique_ptr<IPower> CreateSystemPower();
// Named locks: a named mutex in Win32, an flock on a file in the temporary folder natively.
std::unique_ptr<ILocks> CreateSystemLocks();
// All of the above in one platform object (also declared in platform/Platform.h).
std::unique_ptr<TPlatform> CreateSystemPlatform();

}  // namespace vog
