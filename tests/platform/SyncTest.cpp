#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace vog {
namespace {

// Two producers hand numbers one at a time through a one-slot mailbox to a consumer: every
// number arrives once, whatever the interleaving, and nobody waits forever.
TEST(SyncTest, HandsOverThroughOneSlotWithoutLossOrHang) {
  TMutex mutex;
  TCondition filled, emptied;
  bool full = false;
  int slot = 0;
  constexpr int kEach = 3000;
  auto produce = [&](int first) {
    for (int i = first; i < first + kEach; ++i) {
      std::unique_lock lock(mutex);
      emptied.wait(lock, [&] { return !full; });
      slot = i;
      full = true;
      filled.notify_one();
    }
  };
  std::thread a(produce, 0), b(produce, kEach);
  std::vector<int> seen(2 * kEach, 0);
  for (int n = 0; n < 2 * kEach; ++n) {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(filled.wait_for(lock, std::chrono::seconds(20), [&] { return full; }));
    ++seen[slot];
    full = false;
    emptied.notify_all();
  }
  a.join();
  b.join();
  EXPECT_EQ(std::vector<int>(2 * kEach, 1), seen);
}

TEST(SyncTest, WaitForGivesUpAfterItsTimeAndTryLockSeesAHolder) {
  TMutex mutex;
  TCondition never;
  std::unique_lock lock(mutex);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(never.wait_for(lock, std::chrono::milliseconds(30), [] { return false; }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
  bool taken = true;
  std::thread([&] { taken = mutex.try_lock(); }).join();
  EXPECT_FALSE(taken);
}

}  // namespace
}  // namespace vog
