// The DOS time a record keeps (kept apart from FileInfo.cpp so that records can be used
// without the platform clock).
#include "scan/RecordTime.h"

#include <limits>

#include "platform/Platform.h"
#include "scan/FileInfo.h"

namespace vog {

namespace {

constexpr uint64_t kTicksPerDay = 864'000'000'000;
constexpr uint64_t kTicksPerMs = 10'000;
constexpr int64_t kPerTime = std::numeric_limits<int64_t>::min();

int64_t OffsetAt(IClock& clock, uint64_t utc) {
  return static_cast<int64_t>(clock.UtcToLocal(TFileTime{utc}).Value - utc);
}

}  // namespace

int32_t DosTimeOfLocalFileTime(TFileTime local) {
  int32_t dos = 0;
  if (TryFileTimeToDos(local, dos)) return dos;
  return local.Value < DosToFileTime(kFirstDosTime).Value ? kFirstDosTime : kLastDosTime;
}

int32_t DosTimeOfFileTime(TFileTime utc) { return DosTimeOfLocalFileTime(Clock().UtcToLocal(utc)); }

int32_t TDosTimeCache::DosTime(TFileTime utc) {
  const uint64_t day = utc.Value / kTicksPerDay;
  auto [at, added] = offsets_.try_emplace(day, kPerTime);
  if (added) {
    const uint64_t start = day * kTicksPerDay;
    int32_t dos = 0;
    if (TryFileTimeToDos(TFileTime{start}, dos)) {
      const int month = (dos >> 21) & 15, date = (dos >> 16) & 31;
      if (!(month == 12 && date == 31) && !(month == 1 && date == 1)) {
        IClock& clock = Clock();
        const int64_t first = OffsetAt(clock, start);
        if (OffsetAt(clock, start + kTicksPerDay - kTicksPerMs) == first) at->second = first;
      }
    }
  }
  if (at->second == kPerTime) return DosTimeOfFileTime(utc);
  return DosTimeOfLocalFileTime(TFileTime{utc.Value + static_cast<uint64_t>(at->second)});
}

}  // namespace vog
