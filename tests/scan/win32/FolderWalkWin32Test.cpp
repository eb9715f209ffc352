// The folder walk on real files under Windows (Wine in the tests).
#include <chrono>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "scan/SystemWalkCases.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class Win32Walk : public test::SystemWalkTest {
protected:
  void SetUp() override {
    platform_ = std::make_unique<test::ScopedPlatform>(CreateSystemPlatform());
    // A fresh name each time: big deletes followed by creates are slow on this disk.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = Files().TempFolder() + L"vogwalk" + IntToText(stamp);
    ASSERT_EQ(Files().MakeFolder(root_), err::Success);
  }
  void TearDown() override {
    SystemWalkTest::TearDown();
    DeleteFolderTree(root_);
    platform_.reset();
  }

  std::unique_ptr<test::ScopedPlatform> platform_;
};

VOG_SYSTEM_WALK_CASES(Win32Walk)

TEST_F(Win32Walk, HiddenAndSystemFilesAreListed) {
  MakeFile(L"h.sys", "x");
  ASSERT_EQ(Files().SetAttributes(root_ + L"\\h.sys", attr::Hidden | attr::System | attr::Archive), err::Success);
  TThreadFolderInfo thread(root_, &folders_, &item_, &files_, true);
  ASSERT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);
  ASSERT_EQ(files_.Count(), 1);
  EXPECT_EQ(files_[0]->Attr & (attr::Hidden | attr::System), attr::Hidden | attr::System);
}

TEST_F(Win32Walk, ActualCasePathOnRealFiles) {
  MakeFolder(L"MixedCase");
  MakeFile(L"MixedCase\\File.TXT", "");
  EXPECT_EQ(ActualCasePath(UpperText(root_) + L"\\mixedcase\\file.txt"),
            ActualCasePath(root_) + L"\\MixedCase\\File.TXT");
}

TEST_F(Win32Walk, SpecialFoldersResolve) {
  std::wstring path;
  ASSERT_TRUE(SpecialFolderPath(csidl::Windows, path));
  uint32_t attributes = 0;
  EXPECT_EQ(Files().GetAttributes(path, attributes), err::Success) << WideToUtf8(path);
  EXPECT_NE(attributes & attr::Directory, 0u);
  EXPECT_FALSE(Platform().Shell->ErrorMessage(err::AccessDenied).empty());
}

}  // namespace
}  // namespace vog
