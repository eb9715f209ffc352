#pragma once
// Base fixture: a fresh memory platform for every test, removed afterwards.
#include <gtest/gtest.h>

#include "platform/memory/MemoryPlatform.h"

namespace vog::test {

class MemoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto platform = CreateMemoryPlatform();
    mem_ = platform.get();
    previous_ = InstallPlatform(std::move(platform));
  }
  void TearDown() override { InstallPlatform(std::move(previous_)); }

  TMemoryFileSystem& Fs() { return *mem_->MemFiles; }
  TManualClock& ManualClock() { return *mem_->MemClock; }
  TMemoryPlatform& Mem() { return *mem_; }

private:
  TMemoryPlatform* mem_ = nullptr;
  std::unique_ptr<TPlatform> previous_;
};

// Installs a platform for the lifetime of the object (for tests that are not fixtures).
class ScopedPlatform {
public:
  explicit ScopedPlatform(std::unique_ptr<TPlatform> platform) : previous_(InstallPlatform(std::move(platform))) {}
  ~ScopedPlatform() { InstallPlatform(std::move(previous_)); }

private:
  std::unique_ptr<TPlatform> previous_;
};

}  // namespace vog::test
