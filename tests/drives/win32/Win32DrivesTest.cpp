// The drive services over the Win32 platform (Wine in the test run). The label, shortcut
// and environment services are tested through the path macros that use them
// (tests/macros/win32/); what Wine cannot show is tested on the memory platform
// (tests/drives/DrivesTest.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "services/drives/Drives.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

TEST(Win32Drives, ListedWithTypesAndSpace) {
  test::ScopedPlatform scoped(CreateSystemPlatform());
  std::vector<std::wstring> roots;
  ASSERT_GT(ListDriveRoots(roots), 0);
  bool hasC = false;
  for (const auto& r : roots) hasC = hasC || SameText(r, L"C:\\");
  EXPECT_TRUE(hasC);
  EXPECT_EQ(Platform().Volumes->DriveType(L"C:\\"), TDriveType::Fixed);
  EXPECT_TRUE(IsDriveUsable(L"C:\\"));
  double total = 0, free = 0;
  ASSERT_TRUE(GetDriveSpace(Files().TempFolder() + L"x.txt", total, free));
  EXPECT_GT(total, 0);
  EXPECT_LE(free, total);
}

}  // namespace
}  // namespace vog
