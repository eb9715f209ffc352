// Named locks, the same suite on the memory platform and on the system's own (a named
// mutex under Wine, flock natively): one holder at a time, the same process included,
// free again once the holder is gone, and names outside the rule refused.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "base/Text.h"
#include "platform/Codes.h"
#include "platform/SystemPlatform.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog::test {
namespace {

using TLocksFactory = std::function<std::unique_ptr<ILocks>()>;

class LocksContract : public ::testing::TestWithParam<std::pair<std::string, TLocksFactory>> {
protected:
  // A name no other test run uses, also when test programs run side by side.
  static std::wstring FreshName() {
    static std::atomic<int> counter{0};
    return L"vog-test-" + IntToText(static_cast<int64_t>(CreateSystemClock()->NowUtc().Value % 1000000000000)) + L"-" +
           IntToText(++counter);
  }
};

TEST_P(LocksContract, OneHolderAtATime) {
  const std::unique_ptr<ILocks> locks = GetParam().second();
  const std::wstring name = FreshName();
  std::unique_ptr<IHeldLock> first, second, other;
  ASSERT_EQ(locks->TryLock(name, first), err::Success);
  ASSERT_TRUE(first);
  EXPECT_EQ(locks->TryLock(name, second), err::AlreadyExists);
  EXPECT_FALSE(second);
  EXPECT_EQ(locks->TryLock(name + L"-2", other), err::Success);  // another name is free
  first.reset();
  EXPECT_EQ(locks->TryLock(name, second), err::Success);
}

TEST_P(LocksContract, NamesOutsideTheRuleAreRefused) {
  const std::unique_ptr<ILocks> locks = GetParam().second();
  for (const std::wstring& name : {std::wstring(), std::wstring(L"a\\b"), std::wstring(L"a b"), std::wstring(L"名前"),
                                   std::wstring(kMaxLockName + 1, L'x')}) {
    std::unique_ptr<IHeldLock> held;
    EXPECT_EQ(locks->TryLock(name, held), err::InvalidName) << WideToUtf8(name);
    EXPECT_FALSE(held);
  }
}

INSTANTIATE_TEST_SUITE_P(
    All, LocksContract,
    ::testing::Values(std::make_pair(std::string("Memory"),
                                     TLocksFactory([] { return std::unique_ptr<ILocks>(new TMemoryLocks()); })),
                      std::make_pair(std::string("System"), TLocksFactory([] { return CreateSystemLocks(); }))),
    [](const auto& info) { return info.param.first; });

}  // namespace
}  // namespace vog::test
