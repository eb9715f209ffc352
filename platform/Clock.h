#pragma once
#include "base/DateTime.h"

namespace vog {

// The clock and the local time zone.
class IClock {
public:
  virtual ~IClock() = default;
  virtual TFileTime NowUtc() = 0;
  // UTC <-> local FILETIME with the rules in force at that moment.
  virtual TFileTime UtcToLocal(TFileTime utc) = 0;
  virtual TFileTime LocalToUtc(TFileTime local) = 0;
  // Milliseconds since some fixed start, for measuring durations.
  virtual uint64_t TickCount() = 0;
  // The local date-time now.
  TDateTime Now() { return FileTimeToDateTime(UtcToLocal(NowUtc())); }
};

}  // namespace vog
