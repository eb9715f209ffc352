#pragma once
// The DOS times of many files' last-write times, with few questions to the platform clock.
#include <cstdint>
#include <unordered_map>

#include "base/DateTime.h"

namespace vog {

// Gives what DosTimeOfFileTime gives, for the many times one folder walk meets. Asking the
// clock for one time's local time can cost as much as listing the file, so the local time's
// offset from UTC is asked once per UTC day: at the day's first and last millisecond. When
// both ends agree the offset holds for the whole day, as a zone's offset changes at most
// once within a day. A day whose ends differ, a day outside 1980..2107, and the last and
// first days of a year (where the rules of two years meet; some zones' rules mark a year of
// daylight saving time by a change in its last millisecond) are converted time by time.
class TDosTimeCache {
public:
  int32_t DosTime(TFileTime utc);
  // Forgets the offsets (a zone may have changed since).
  void Clear() noexcept { offsets_.clear(); }

private:
  // UTC day (ticks / day) to the offset in ticks, or kPerTime.
  std::unordered_map<uint64_t, int64_t> offsets_;
};

}  // namespace vog
