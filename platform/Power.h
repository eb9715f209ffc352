#pragma once
// Power management: the system version, the shutdown privilege, ending the Windows
// session (power off, reboot) and suspending or hibernating the machine. Results are 0 or
// a Windows error code; the power-profile queries answer false when the system cannot say.
//
// The Win32 implementation loads the power-profile library and its functions by name, so
// the program still starts where they are missing. The memory platform records every
// request instead of carrying it out; POSIX answers err::NotSupported.
#include <cstdint>

namespace vog {

struct TOsVersion {
  bool NtLine = true;  // false for the Windows 9x line
  int Major = 0;
  int Minor = 0;
};

enum class TExitKind { PowerOff, Reboot };

class IPower {
public:
  virtual ~IPower() = default;
  // The system's version, as the system reports it (not as a manifest makes it appear).
  virtual TOsVersion OsVersion() = 0;
  // Enables "SeShutdownPrivilege" in the process token.
  virtual uint32_t EnableShutdownPrivilege() = 0;
  // Ends the session without forcing applications to close (power off also switches the
  // power off).
  virtual uint32_t ExitSession(TExitKind kind) = 0;
  // Whether the power profile allows suspending / hibernating; false when the power-profile
  // library or its function is missing.
  virtual bool SuspendAllowed() = 0;
  virtual bool HibernateAllowed() = 0;
  // Suspends (`suspend` true) or hibernates the machine, not forced.
  virtual uint32_t SetPowerState(bool suspend) = 0;
};

}  // namespace vog
