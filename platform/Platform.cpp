#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace vog {

namespace {
std::unique_ptr<TPlatform>& Slot() {
  static std::unique_ptr<TPlatform> slot;
  return slot;
}
}  // namespace

TPlatform& Platform() {
  auto& slot = Slot();
  if (!slot) {
    std::fputs("vog: no platform installed\n", stderr);
    std::abort();
  }
  return *slot;
}

std::unique_ptr<TPlatform> InstallPlatform(std::unique_ptr<TPlatform> platform) {
  auto previous = std::move(Slot());
  Slot() = std::move(platform);
  return previous;
}

}  // namespace vog
