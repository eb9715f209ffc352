#include "platform/memory/MemoryPlatform.h"

namespace vog {

namespace {
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kTicksPerMinute = 60 * 10'000'000LL;
// 2024-04-01 03:00 UTC, which is 12:00 in Japan: seconds from 1601 to 1970, then to that day.
constexpr uint64_t kStart = (11'644'473'600ULL + 1'711'929'600ULL + 3 * 3600ULL) * kTicksPerSecond;
}  // namespace

TManualClock::TManualClock() : now_(kStart), offsetTicks_(9 * 60 * kTicksPerMinute) {}

TFileTime TManualClock::NowUtc() {
  std::lock_guard lock(mutex_);
  return TFileTime{now_};
}

TFileTime TManualClock::UtcToLocal(TFileTime utc) {
  std::lock_guard lock(mutex_);
  return TFileTime{static_cast<uint64_t>(static_cast<int64_t>(utc.Value) + offsetTicks_)};
}

TFileTime TManualClock::LocalToUtc(TFileTime local) {
  std::lock_guard lock(mutex_);
  return TFileTime{static_cast<uint64_t>(static_cast<int64_t>(local.Value) - offsetTicks_)};
}

uint64_t TManualClock::TickCount() {
  std::lock_guard lock(mutex_);
  return ticks_;
}

void TManualClock::SetNowUtc(TFileTime now) {
  std::lock_guard lock(mutex_);
  now_ = now.Value;
}

void TManualClock::SetLocalNow(TDateTime local) {
  const TFileTime localTime = DateTimeToFileTime(local);
  std::lock_guard lock(mutex_);
  now_ = static_cast<uint64_t>(static_cast<int64_t>(localTime.Value) - offsetTicks_);
}

void TManualClock::Advance(uint64_t milliseconds) {
  std::lock_guard lock(mutex_);
  now_ += milliseconds * 10'000;
  ticks_ += milliseconds;
}

void TManualClock::SetOffsetMinutes(int minutes) {
  std::lock_guard lock(mutex_);
  offsetTicks_ = static_cast<int64_t>(minutes) * kTicksPerMinute;
}

}  // namespace vog
