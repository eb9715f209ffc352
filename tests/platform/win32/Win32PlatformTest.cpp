// The Win32 platform against the real system (Wine in the test run): environment, clock,
// and the file-system behaviour the program relies on, in a fresh folder under the
// temporary folder. Where Wine differs from Windows the test says so.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace vog {
namespace {

TEST(Win32Environment, LongAndJapaneseValues) {
  auto env = CreateSystemEnvironment();
  // Longer than any first guess of a buffer; the system keeps up to 32767 characters.
  const std::wstring value = std::wstring(10000, L'x') + L"日本語\xD83D\xDE00";
  env->Set(L"VOG_TEST_ENV", value);
  std::wstring back;
  ASSERT_TRUE(env->Get(L"VOG_TEST_ENV", back));
  EXPECT_TRUE(back == value) << back.size();
  EXPECT_TRUE(env->Get(L"vog_test_env", back)) << "names ignore letter case on Windows";
  EXPECT_FALSE(env->Get(L"VOG_TEST_ENV_NOT_SET", back));
  env->Set(L"VOG_TEST_ENV", L"");
  ASSERT_TRUE(env->Get(L"VOG_TEST_ENV", back));
  EXPECT_EQ(back, L"");
}

TEST(Win32Clock, LocalAndUtcRoundTripKeepsTicks) {
  auto clock = CreateSystemClock();
  const TFileTime now = clock->NowUtc();
  EXPECT_GT(now.Value, 133170048000000000ULL);  // after 2023-01-01
  for (const uint64_t utc : {133497936001234567ULL, 133655184009999999ULL, now.Value}) {
    const TFileTime local = clock->UtcToLocal(TFileTime{utc});
    // Zone offsets are whole quarter hours.
    const int64_t offset = static_cast<int64_t>(local.Value) - static_cast<int64_t>(utc);
    EXPECT_EQ(offset % (15 * 60 * 10000000LL), 0) << offset;
    EXPECT_EQ(clock->LocalToUtc(local).Value, utc);
  }
  const uint64_t t1 = clock->TickCount();
  EXPECT_LE(t1, clock->TickCount());
}

class Win32Files : public ::testing::Test {
protected:
  void SetUp() override {
    // A fresh folder per test: names are never reused (see design notes on big trees).
    static int counter = 0;
    root_ = fs_->TempFolder() + L"vog-win32-" + IntToText(static_cast<int64_t>(clock_->NowUtc().Value % 1000000000)) +
            L"-" + IntToText(++counter) + L"\\";
    ASSERT_EQ(fs_->MakeFolder(root_), 0u);
  }
  void TearDown() override { RemoveTree(root_); }

  void RemoveTree(const std::wstring& folder) {
    std::unique_ptr<IFindHandle> h;
    TFindData d;
    for (uint32_t code = fs_->FindFirst(folder + L"*", h, d); code == 0; code = h->Next(d)) {
      if (d.Name == L"." || d.Name == L"..") continue;
      const std::wstring path = folder + d.Name;
      fs_->SetAttributes(path, d.Attr & ~attr::ReadOnly);
      if (d.Attr & attr::Directory)
        RemoveTree(path + L"\\");
      else
        fs_->RemoveFile(path);
    }
    h.reset();
    fs_->RemoveFolder(folder);
  }

  uint32_t Write(const std::wstring& name, const std::string& content) {
    std::unique_ptr<IFileStream> s;
    if (const uint32_t code = fs_->OpenFile(root_ + name, TOpenMode::Write, share::None, s)) return code;
    size_t done = 0;
    return s->Write(content.data(), content.size(), done);
  }

  std::string Read(const std::wstring& name) {
    std::unique_ptr<IFileStream> s;
    if (fs_->OpenFile(root_ + name, TOpenMode::Read, share::Read, s) != 0) return "<missing>";
    std::string content(1 << 16, '\0');
    size_t done = 0;
    s->Read(content.data(), content.size(), done);
    content.resize(done);
    return content;
  }

  std::unique_ptr<IFileSystem> fs_ = CreateSystemFileSystem();
  std::unique_ptr<IClock> clock_ = CreateSystemClock();
  std::wstring root_;
};

TEST_F(Win32Files, ListingAndErrorCodes) {
  ASSERT_EQ(Write(L"Data.TXT", "abc"), 0u);
  ASSERT_EQ(fs_->MakeFolder(root_ + L"sub"), 0u);
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  std::vector<std::wstring> names;
  uint32_t code = fs_->FindFirst(root_ + L"*", h, d);
  for (; code == 0; code = h->Next(d)) names.push_back(d.Name);
  EXPECT_EQ(code, err::NoMoreFiles);
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], L".");
  EXPECT_EQ(names[1], L"..");
  ASSERT_EQ(fs_->FindFirst(root_ + L"data.txt", h, d), 0u);
  EXPECT_EQ(d.Name, L"Data.TXT");
  EXPECT_EQ(d.Size, 3);
  EXPECT_EQ(fs_->FindFirst(root_ + L"missing\\*", h, d), err::PathNotFound);
  EXPECT_EQ(fs_->FindFirst(root_ + L"*.none", h, d), err::FileNotFound);
  uint32_t a = 0;
  EXPECT_EQ(fs_->GetAttributes(root_ + L"missing", a), err::FileNotFound);
  EXPECT_EQ(fs_->GetAttributes(root_ + L"missing\\x", a), err::PathNotFound);
  EXPECT_EQ(fs_->MakeFolder(root_ + L"sub"), err::AlreadyExists);
  ASSERT_EQ(Write(L"sub\\f", "x"), 0u);
  EXPECT_EQ(fs_->RemoveFolder(root_ + L"sub"), err::DirNotEmpty);
  TFindData info;
  ASSERT_EQ(fs_->GetInfo(root_ + L"DATA.txt", info), 0u);
  EXPECT_EQ(info.Name, L"Data.TXT");
}

TEST_F(Win32Files, ReadOnlyFilesRefuseDeleteAndOverwrite) {
  ASSERT_EQ(Write(L"ro", "old"), 0u);
  ASSERT_EQ(fs_->SetAttributes(root_ + L"ro", attr::ReadOnly), 0u);
  EXPECT_EQ(fs_->RemoveFile(root_ + L"ro"), err::AccessDenied);
  EXPECT_EQ(Write(L"ro", "new"), err::AccessDenied);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs_->OpenFile(root_ + L"ro", TOpenMode::WriteExisting, share::All, s), err::AccessDenied);
  EXPECT_EQ(fs_->OpenFile(root_ + L"ro", TOpenMode::Read, share::All, s), 0u);
  s.reset();
  EXPECT_EQ(Read(L"ro"), "old");
}

TEST_F(Win32Files, SharingAndMoving) {
  ASSERT_EQ(Write(L"f", "data"), 0u);
  std::unique_ptr<IFileStream> first, second;
  ASSERT_EQ(fs_->OpenFile(root_ + L"f", TOpenMode::Read, share::Read, first), 0u);
  EXPECT_EQ(fs_->OpenFile(root_ + L"f", TOpenMode::Read, share::Read, second), 0u);
  EXPECT_EQ(fs_->OpenFile(root_ + L"f", TOpenMode::ReadWrite, share::All, second), err::SharingViolation);
  EXPECT_EQ(fs_->RemoveFile(root_ + L"f"), err::SharingViolation);
  first.reset();
  second.reset();
  ASSERT_EQ(Write(L"g", "other"), 0u);
  EXPECT_EQ(fs_->MoveEntry(root_ + L"f", root_ + L"g", false), err::AlreadyExists);
  EXPECT_EQ(fs_->MoveEntry(root_ + L"f", root_ + L"g", true), 0u);
  EXPECT_EQ(Read(L"g"), "data");
  EXPECT_EQ(fs_->OpenFile(root_ + L"g", TOpenMode::CreateNew, share::None, first), err::FileExists);
}

TEST_F(Win32Files, HiddenFileCanBeRewrittenAndTimesSet) {
  ASSERT_EQ(Write(L"h", "1"), 0u);
  ASSERT_EQ(fs_->SetAttributes(root_ + L"h", attr::Hidden), 0u);
  // CREATE_ALWAYS alone would refuse a hidden file.
  ASSERT_EQ(Write(L"h", "22"), 0u);
  TFindData info;
  ASSERT_EQ(fs_->GetInfo(root_ + L"h", info), 0u);
  EXPECT_EQ(info.Size, 2);
  EXPECT_NE(info.Attr & attr::Hidden, 0u);
  const TFileTime when{133000000000000000ULL};
  ASSERT_EQ(fs_->SetTimes(root_ + L"h", nullptr, nullptr, &when), 0u);
  ASSERT_EQ(fs_->GetInfo(root_ + L"h", info), 0u);
  EXPECT_EQ(info.LastWriteTime, when);
}

TEST_F(Win32Files, TempAndProgramFolders) {
  EXPECT_EQ(fs_->TempFolder().back(), L'\\');
  const std::wstring program = fs_->ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), L'\\');
  uint32_t a = 0;
  EXPECT_EQ(fs_->GetAttributes(program + L"test_platform.exe", a), 0u);
}

}  // namespace
}  // namespace vog
