// The folder walk on real files of the native build.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "scan/SystemWalkCases.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class PosixWalk : public test::SystemWalkTest {
protected:
  void SetUp() override {
    platform_ = std::make_unique<test::ScopedPlatform>(CreateSystemPlatform());
    char folder[] = "/tmp/vog-walk-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    native_ = folder;
    root_ = Utf8ToWide(native_);
  }
  void TearDown() override {
    SystemWalkTest::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(native_, ec);
    platform_.reset();
  }

  std::string native_;
  std::unique_ptr<test::ScopedPlatform> platform_;
};

VOG_SYSTEM_WALK_CASES(PosixWalk)

TEST_F(PosixWalk, DotNamesAreListedAsHiddenFiles) {
  MakeFile(L".profile", "x");
  TThreadFolderInfo thread(root_, &folders_, &item_, &files_, true);
  ASSERT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);
  ASSERT_EQ(files_.Count(), 1);
  EXPECT_NE(files_[0]->Attr & attr::Hidden, 0u);
}

TEST_F(PosixWalk, AFolderThatIsOneAboveItIsNotEnteredAgain) {
  // The POSIX listing shows a link to a folder as a folder: the identity check (on request)
  // is what stops the loop here.
  MakeTree();
  ASSERT_EQ(::symlink("..", (native_ + "/sub/deeper/up").c_str()), 0);
  TFolderWalk walk;
  walk.RootFolder = root_;
  walk.Files = &files_;
  walk.CheckIdentities = true;
  walk.Run();
  EXPECT_EQ(files_.Count(), 4);
  ASSERT_EQ(walk.Gaps.size(), 1u);
  EXPECT_EQ(walk.Gaps[0].RelativePath, L"sub\\deeper\\up");
  EXPECT_TRUE(walk.Gaps[0].Link);
}

}  // namespace
}  // namespace vog
