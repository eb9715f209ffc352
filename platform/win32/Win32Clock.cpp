// The system clock and the local time zone, with the rules in force at each moment
// (FileTimeToLocalFileTime would apply today's daylight-saving state to every date).
#include <windows.h>

#include "platform/SystemPlatform.h"

namespace vog {

namespace {

constexpr uint64_t kTicksPerMs = 10000;

FILETIME ToFt(TFileTime t) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t.Value & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(t.Value >> 32);
  return ft;
}

TFileTime FromFt(const FILETIME& ft) {
  return TFileTime{(static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime};
}

// SYSTEMTIME keeps milliseconds only; the ticks below a millisecond are carried over.
template <typename F>
TFileTime Convert(TFileTime in, F convert) {
  const FILETIME ft = ToFt(in);
  SYSTEMTIME from, to;
  if (!FileTimeToSystemTime(&ft, &from) || !convert(&from, &to)) return in;
  FILETIME out;
  if (!SystemTimeToFileTime(&to, &out)) return in;
  return TFileTime{FromFt(out).Value + in.Value % kTicksPerMs};
}

class TWin32Clock : public IClock {
public:
  TFileTime NowUtc() override {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return FromFt(ft);
  }

  TFileTime UtcToLocal(TFileTime utc) override {
    return Convert(utc, [](const SYSTEMTIME* u, SYSTEMTIME* l) {
      return SystemTimeToTzSpecificLocalTime(nullptr, u, l) != FALSE;
    });
  }

  TFileTime LocalToUtc(TFileTime local) override {
    return Convert(local, [](const SYSTEMTIME* l, SYSTEMTIME* u) {
      return TzSpecificLocalTimeToSystemTime(nullptr, l, u) != FALSE;
    });
  }

  uint64_t TickCount() override { return GetTickCount64(); }
};

}  // namespace

std::unique_ptr<IClock> CreateSystemClock() { return std::make_unique<TWin32Clock>(); }

}  // namespace vog
