// Where Wine 8 differs from Windows in what the program relies on. Each case runs on real
// files through the Win32 platform (under Wine in the test run) and on the memory
// platform, which holds the Windows behaviour.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace vog {
namespace {

class WineDifferences : public ::testing::Test {
protected:
  void SetUp() override {
    static int counter = 0;
    root_ = real_->TempFolder() + L"vog-wine-" + IntToText(static_cast<int64_t>(clock_->NowUtc().Value % 1000000000)) +
            L"-" + IntToText(++counter) + L"\\";
    ASSERT_EQ(real_->MakeFolder(root_), 0u);
    mem_.AddVolume(L"C:");
    ASSERT_EQ(mem_.AddFolder(L"C:\\t"), 0u);
  }
  void TearDown() override {
    std::unique_ptr<IFindHandle> h;
    TFindData d;
    for (uint32_t code = real_->FindFirst(root_ + L"*", h, d); code == 0; code = h->Next(d)) {
      if (d.Attr & attr::Directory) continue;
      real_->SetAttributes(root_ + d.Name, attr::Archive);
      real_->RemoveFile(root_ + d.Name);
    }
    h.reset();
    real_->RemoveFolder(root_);
  }

  // Runs `check` on both file systems with the same root-relative layout.
  template <typename F>
  void OnBoth(F check) {
    {
      SCOPED_TRACE("Win32");
      check(*real_, root_, true);
    }
    SCOPED_TRACE("memory (Windows behaviour)");
    check(mem_, std::wstring(L"C:\\t\\"), false);
  }

  static uint32_t Put(IFileSystem& fs, const std::wstring& path, const std::string& content) {
    std::unique_ptr<IFileStream> s;
    if (const uint32_t code = fs.OpenFile(path, TOpenMode::Write, share::None, s)) return code;
    size_t done = 0;
    return s->Write(content.data(), content.size(), done);
  }

  static std::string Get(IFileSystem& fs, const std::wstring& path) {
    std::unique_ptr<IFileStream> s;
    if (fs.OpenFile(path, TOpenMode::Read, share::Read, s) != 0) return "<missing>";
    std::string out(1 << 20, '\0');
    size_t done = 0;
    s->Read(out.data(), out.size(), done);
    out.resize(done);
    return out;
  }

  std::unique_ptr<IFileSystem> real_ = CreateSystemFileSystem();
  std::unique_ptr<IClock> clock_ = CreateSystemClock();
  TManualClock memClock_;
  TMemoryFileSystem mem_{memClock_};
  std::wstring root_;
};

TEST_F(WineDifferences, CopyProgressAndCancelDuringTheCopy) {
  // Wine's CopyFileExW never calls the progress routine: no progress is shown and a cancel
  // acts only before the copy starts. Windows calls it after every chunk.
  const std::string big(3 << 20, 'b');
  OnBoth([&](IFileSystem& fs, const std::wstring& root, bool real) {
    ASSERT_EQ(Put(fs, root + L"big", big), 0u);
    std::vector<int64_t> seen;
    ASSERT_EQ(fs.CopyEntry(
                  root + L"big", root + L"copy", true,
                  [&](int64_t done, int64_t total) {
                    EXPECT_EQ(total, static_cast<int64_t>(big.size()));
                    seen.push_back(done);
                  },
                  nullptr),
              0u);
    TFindData info;
    ASSERT_EQ(fs.GetInfo(root + L"copy", info), 0u);
    EXPECT_EQ(info.Size, static_cast<int64_t>(big.size()));
    // A flag set beforehand stops the copy on every system.
    std::atomic<bool> cancel{true};
    EXPECT_EQ(fs.CopyEntry(root + L"big", root + L"never", false, {}, &cancel), err::RequestAborted);
    uint32_t a = 0;
    EXPECT_EQ(fs.GetAttributes(root + L"never", a), err::FileNotFound);
    if (real && win32::RunningUnderWine()) {
      EXPECT_TRUE(seen.empty()) << "Wine now calls the progress routine: the Wine notes need updating";
      return;
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), static_cast<int64_t>(big.size()));
    cancel = false;
    EXPECT_EQ(
        fs.CopyEntry(
            root + L"big", root + L"cancelled", false, [&](int64_t done, int64_t) { cancel = done > 0; }, &cancel),
        err::RequestAborted);
    EXPECT_EQ(fs.GetAttributes(root + L"cancelled", a), err::FileNotFound) << "a cancelled copy leaves no partial file";
  });
}

TEST_F(WineDifferences, ReadOnlyTargetsAreNotOverwritten) {
  // Wine (run as the superuser, as in the test run) writes through the read-only bit when
  // copying, replacing by a move or opening for writing; Windows refuses with 5. The Win32
  // platform checks the bit first, so the program sees Windows' answer on both.
  OnBoth([&](IFileSystem& fs, const std::wstring& root, bool) {
    ASSERT_EQ(Put(fs, root + L"src", "new"), 0u);
    ASSERT_EQ(Put(fs, root + L"ro", "old"), 0u);
    ASSERT_EQ(fs.SetAttributes(root + L"ro", attr::ReadOnly), 0u);
    EXPECT_EQ(fs.CopyEntry(root + L"src", root + L"ro", false, {}, nullptr), err::AccessDenied);
    EXPECT_EQ(fs.MoveEntry(root + L"src", root + L"ro", true), err::AccessDenied);
    std::unique_ptr<IFileStream> s;
    EXPECT_EQ(fs.OpenFile(root + L"ro", TOpenMode::Write, share::All, s), err::AccessDenied);
    EXPECT_EQ(fs.OpenFile(root + L"ro", TOpenMode::ReadWrite, share::All, s), err::AccessDenied);
    EXPECT_EQ(fs.RemoveFile(root + L"ro"), err::AccessDenied);
    EXPECT_EQ(Get(fs, root + L"ro"), "old");
    EXPECT_EQ(Get(fs, root + L"src"), "new");
  });
}

TEST_F(WineDifferences, CopyRefusesAHiddenTarget) {
  // CopyFileEx refuses to replace a hidden file (5) on Windows.
  OnBoth([&](IFileSystem& fs, const std::wstring& root, bool) {
    ASSERT_EQ(Put(fs, root + L"src", "new"), 0u);
    ASSERT_EQ(Put(fs, root + L"hidden", "old"), 0u);
    ASSERT_EQ(fs.SetAttributes(root + L"hidden", attr::Hidden), 0u);
    EXPECT_EQ(fs.CopyEntry(root + L"src", root + L"hidden", false, {}, nullptr), err::AccessDenied);
    EXPECT_EQ(Get(fs, root + L"hidden"), "old");
  });
}

TEST_F(WineDifferences, RenameThatOnlyChangesLetterCase) {
  // Wine reports success for a rename that only changes letter case but keeps the old
  // spelling; Windows takes the new one. The Win32 platform then renames in two steps.
  OnBoth([&](IFileSystem& fs, const std::wstring& root, bool) {
    ASSERT_EQ(Put(fs, root + L"report.txt", "r"), 0u);
    ASSERT_EQ(fs.MoveEntry(root + L"report.txt", root + L"Report.TXT", false), 0u);
    TFindData info;
    ASSERT_EQ(fs.GetInfo(root + L"report.txt", info), 0u);
    EXPECT_EQ(info.Name, L"Report.TXT");
    EXPECT_EQ(Get(fs, root + L"REPORT.txt"), "r");
  });
}

}  // namespace
}  // namespace vog
