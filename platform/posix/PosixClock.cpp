// The system clock and the local time zone through the C library (TZ and the zone files),
// with the rules in force at each moment, daylight saving included.
#include <ctime>

#include "platform/SystemPlatform.h"
#include "platform/posix/PosixPlatform.h"

namespace vog {

namespace {

constexpr int64_t kTicksPerSecond = 10000000LL;

// Splits a FILETIME into whole seconds since 1970 and the ticks left over, rounding down.
void Split(TFileTime t, time_t& seconds, int64_t& rest) {
  const timespec ts = posix::FileTimeToTimespec(t);
  seconds = ts.tv_sec;
  rest = ts.tv_nsec / 100;
}

TFileTime Join(int64_t seconds, int64_t rest) {
  return posix::TimespecToFileTime(timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 100)});
}

class TPosixClock : public IClock {
public:
  TFileTime NowUtc() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return posix::TimespecToFileTime(ts);
  }

  TFileTime UtcToLocal(TFileTime utc) override {
    time_t seconds;
    int64_t rest;
    Split(utc, seconds, rest);
    tm local{};
    if (!localtime_r(&seconds, &local)) return utc;
    // The local wall-clock reading, written down as if it were UTC.
    return Join(static_cast<int64_t>(timegm(&local)), rest);
  }

  TFileTime LocalToUtc(TFileTime local) override {
    time_t seconds;
    int64_t rest;
    Split(local, seconds, rest);
    tm parts{};
    if (!gmtime_r(&seconds, &parts)) return local;
    parts.tm_isdst = -1;  // let the zone rules decide whether daylight saving applies
    const time_t utc = mktime(&parts);
    return Join(static_cast<int64_t>(utc), rest);
  }

  uint64_t TickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec / 1000000);
  }
};

}  // namespace

std::unique_ptr<IClock> CreateSystemClock() { return std::make_unique<TPosixClock>(); }

}  // namespace vog
