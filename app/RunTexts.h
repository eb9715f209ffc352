#pragma once
// The texts the run windows show besides sizes and counts (app/SizeText.h): the elapsed
// time of a run, the copy speed and the time left.
#include <cstdint>
#include <string>

#include "app/SizeText.h"
#include "base/DateTime.h"

namespace vog {

// The elapsed time of a run as hh:nn:ss with the hours in full (a run of 25 hours reads
// 25:00:00, not 01:00:00); a negative or unreadable value reads 00:00:00.
std::wstring ElapsedText(TDateTime elapsedDays);
// The speed: the size per second in its unit ("4.20 MB/秒").
std::wstring RateText(double bytesPerSecond);
// The time left, rounded up to whole seconds, as a person says it: "約 45 秒",
// "約 3 分 05 秒", "約 2 時間 10 分".
std::wstring TimeLeftText(double seconds);

}  // namespace vog
