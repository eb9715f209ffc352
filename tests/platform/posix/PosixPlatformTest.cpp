// What only the POSIX platform does: errno mapping, "\" and "/" paths, hidden dot-names,
// read-only from the write bit, the process's own share modes, the local clock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "base/Text.h"
#include "platform/Platform.h"
#include "platform/SystemPlatform.h"
#include "platform/posix/PosixPlatform.h"

namespace vog {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the temporary folder, removed afterwards.
class PosixFiles : public ::testing::Test {
protected:
  void SetUp() override {
    char templ[] = "/tmp/vog-posix-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    root_ = templ;
    wroot_ = Utf8ToWide(root_) + L"/";
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(root_, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  void Write(const std::string& rel, const std::string& content) {
    std::ofstream(root_ + "/" + rel, std::ios::binary) << content;
  }
  std::wstring W(const std::wstring& rel) { return wroot_ + rel; }
  std::vector<std::wstring> List(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    std::unique_ptr<IFindHandle> h;
    TFindData d;
    uint32_t code = fs_->FindFirst(pattern, h, d);
    while (code == 0) {
      names.push_back(d.Name);
      code = h->Next(d);
    }
    EXPECT_EQ(code, err::NoMoreFiles);
    return names;
  }

  std::unique_ptr<IFileSystem> fs_ = CreateSystemFileSystem();
  std::string root_;
  std::wstring wroot_;
};

TEST(PosixErrno, MapsToWindowsCodes) {
  EXPECT_EQ(posix::MapErrno(EACCES), err::AccessDenied);
  EXPECT_EQ(posix::MapErrno(EPERM), err::AccessDenied);
  EXPECT_EQ(posix::MapErrno(EEXIST), err::FileExists);
  EXPECT_EQ(posix::MapErrno(ENOTEMPTY), err::DirNotEmpty);
  EXPECT_EQ(posix::MapErrno(ENOSPC), err::DiskFull);
  EXPECT_EQ(posix::MapErrno(EDQUOT), err::DiskFull);
  EXPECT_EQ(posix::MapErrno(EBUSY), err::SharingViolation);
  EXPECT_EQ(posix::MapErrno(ETXTBSY), err::SharingViolation);
  EXPECT_EQ(posix::MapErrno(EXDEV), err::NotSameDevice);
  EXPECT_EQ(posix::MapErrno(ENAMETOOLONG), err::FilenameExceedRange);
  EXPECT_EQ(posix::MapErrno(EROFS), err::WriteProtect);
  EXPECT_EQ(posix::MapErrno(ENOTDIR), err::PathNotFound);
  EXPECT_EQ(posix::MapErrno(EHOSTUNREACH), err::BadNetPath);
  EXPECT_EQ(posix::MapErrno(0), err::Success);
  EXPECT_NE(posix::MapErrno(EIO), err::Success);
}

TEST_F(PosixFiles, MissingFileOrFolderAreToldApart) {
  EXPECT_EQ(posix::MapErrno(ENOENT, root_ + "/nofile"), err::FileNotFound);
  EXPECT_EQ(posix::MapErrno(ENOENT, root_ + "/nodir/nofile"), err::PathNotFound);
  uint32_t a = 0;
  EXPECT_EQ(fs_->GetAttributes(W(L"nofile"), a), err::FileNotFound);
  EXPECT_EQ(fs_->GetAttributes(W(L"nodir\\nofile"), a), err::PathNotFound);
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  EXPECT_EQ(fs_->FindFirst(W(L"nodir\\*"), h, d), err::PathNotFound);
  EXPECT_EQ(fs_->FindFirst(W(L"*.none"), h, d), err::FileNotFound);
}

TEST_F(PosixFiles, BackslashAndSlashAreBothSeparators) {
  ASSERT_EQ(fs_->MakeFolder(W(L"sub")), 0u);
  ASSERT_EQ(fs_->MakeFolder(W(L"sub\\deeper")), 0u);
  Write("sub/deeper/a.txt", "abc");
  TFindData info;
  ASSERT_EQ(fs_->GetInfo(W(L"sub\\deeper/a.txt"), info), 0u);
  EXPECT_EQ(info.Name, L"a.txt");
  EXPECT_EQ(info.Size, 3);
  EXPECT_TRUE(fs::exists(root_ + "/sub/deeper/a.txt"));
}

TEST_F(PosixFiles, ListingHasDotsExceptAtTheRootAndMatchesMasksWithoutCase) {
  Write("One.TXT", "1");
  Write("two.txt", "2");
  Write("three.dat", "3");
  std::vector<std::wstring> all = List(W(L"*"));
  ASSERT_GE(all.size(), 5u);
  EXPECT_EQ(all[0], L".");
  EXPECT_EQ(all[1], L"..");
  EXPECT_EQ(std::set<std::wstring>(all.begin() + 2, all.end()),
            (std::set<std::wstring>{L"One.TXT", L"two.txt", L"three.dat"}));
  const std::vector<std::wstring> txt = List(W(L"*.txt"));
  EXPECT_EQ(std::set<std::wstring>(txt.begin(), txt.end()), (std::set<std::wstring>{L"One.TXT", L"two.txt"}));
  // A plain name is found in any letter case and returned as stored.
  EXPECT_EQ(List(W(L"ONE.txt")), std::vector<std::wstring>{L"One.TXT"});
  const std::vector<std::wstring> root = List(L"/*");
  EXPECT_TRUE(std::find(root.begin(), root.end(), L".") == root.end());
  EXPECT_TRUE(std::find(root.begin(), root.end(), L"tmp") != root.end());
}

TEST_F(PosixFiles, AttributesComeFromModeAndName) {
  Write(".hidden", "h");
  Write("plain", "p");
  uint32_t a = 0;
  ASSERT_EQ(fs_->GetAttributes(W(L".hidden"), a), 0u);
  EXPECT_EQ(a, attr::Hidden | attr::Archive);
  ASSERT_EQ(fs_->SetAttributes(W(L"plain"), attr::ReadOnly | attr::Archive), 0u);
  struct stat st;
  ASSERT_EQ(::stat((root_ + "/plain").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
  ASSERT_EQ(fs_->GetAttributes(W(L"plain"), a), 0u);
  EXPECT_EQ(a, attr::ReadOnly | attr::Archive);
  // Read-only refuses overwrite and delete, even for the superuser.
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs_->OpenFile(W(L"plain"), TOpenMode::Write, share::None, s), err::AccessDenied);
  EXPECT_EQ(fs_->RemoveFile(W(L"plain")), err::AccessDenied);
  ASSERT_EQ(fs_->SetAttributes(W(L"plain"), attr::Archive), 0u);
  EXPECT_EQ(fs_->RemoveFile(W(L"plain")), 0u);
  ASSERT_EQ(fs_->GetAttributes(wroot_, a), 0u);
  EXPECT_EQ(a & attr::Directory, attr::Directory);
}

TEST_F(PosixFiles, TimesComeFromStatAndCanBeSet) {
  Write("f", "x");
  const TFileTime when{133000000000000000ULL};  // 2022-06-17
  ASSERT_EQ(fs_->SetTimes(W(L"f"), nullptr, nullptr, &when), 0u);
  TFindData info;
  ASSERT_EQ(fs_->GetInfo(W(L"f"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, when);
  struct stat st;
  ASSERT_EQ(::stat((root_ + "/f").c_str(), &st), 0);
  EXPECT_EQ(posix::TimespecToFileTime(st.st_mtim), when);
  EXPECT_EQ(posix::FileTimeToTimespec(when).tv_sec, st.st_mtim.tv_sec);
}

TEST_F(PosixFiles, OpenFilesShareAsOnWindows) {
  Write("f", "data");
  std::unique_ptr<IFileStream> first, second;
  ASSERT_EQ(fs_->OpenFile(W(L"f"), TOpenMode::Read, share::Read, first), 0u);
  EXPECT_EQ(fs_->OpenFile(W(L"f"), TOpenMode::Read, share::Read, second), 0u);
  second.reset();
  EXPECT_EQ(fs_->OpenFile(W(L"f"), TOpenMode::ReadWrite, share::All, second), err::SharingViolation);
  // A refused Write open must not have cut the file.
  EXPECT_EQ(fs_->OpenFile(W(L"f"), TOpenMode::Write, share::All, second), err::SharingViolation);
  EXPECT_EQ(fs::file_size(root_ + "/f"), 4u);
  EXPECT_EQ(fs_->RemoveFile(W(L"f")), err::SharingViolation);
  EXPECT_EQ(fs_->MoveEntry(W(L"f"), W(L"g"), false), err::SharingViolation);
  first.reset();
  EXPECT_EQ(fs_->OpenFile(W(L"f"), TOpenMode::ReadWrite, share::None, second), 0u);
  second.reset();
  ASSERT_EQ(fs_->OpenFile(W(L"f"), TOpenMode::Read, share::Read | share::Delete, first), 0u);
  EXPECT_EQ(fs_->MoveEntry(W(L"f"), W(L"g"), false), 0u);
}

TEST_F(PosixFiles, FoldersAndSpecialFilesAreNotOpenedAsFiles) {
  ASSERT_EQ(fs_->MakeFolder(W(L"d")), 0u);
  EXPECT_EQ(fs_->MakeFolder(W(L"d")), err::AlreadyExists);
  EXPECT_EQ(fs_->MakeFolder(W(L"x\\y")), err::PathNotFound);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs_->OpenFile(W(L"d"), TOpenMode::Read, share::All, s), err::AccessDenied);
  ASSERT_EQ(::mkfifo((root_ + "/pipe").c_str(), 0666), 0);
  // Reading a pipe would wait forever.
  EXPECT_EQ(fs_->OpenFile(W(L"pipe"), TOpenMode::Read, share::All, s), err::AccessDenied);
  uint32_t a = 0;
  ASSERT_EQ(fs_->GetAttributes(W(L"pipe"), a), 0u);
  EXPECT_EQ(a & attr::System, attr::System);
  EXPECT_EQ(fs_->CopyEntry(W(L"pipe"), W(L"copy"), false, {}, nullptr), err::AccessDenied);
  EXPECT_EQ(fs_->RemoveFolder(W(L"pipe")), err::DirectoryInvalid);
}

TEST_F(PosixFiles, DanglingLinkIsListedAndRemovable) {
  ASSERT_EQ(::symlink((root_ + "/nowhere").c_str(), (root_ + "/link").c_str()), 0);
  const std::vector<std::wstring> names = List(W(L"*"));
  EXPECT_TRUE(std::find(names.begin(), names.end(), L"link") != names.end());
  EXPECT_EQ(fs_->RemoveFile(W(L"link")), 0u);
}

TEST_F(PosixFiles, CopyKeepsModeAndTimeAndCancelRemovesThePartialTarget) {
  std::string big(3 << 20, 'b');
  Write("big", big);
  const TFileTime when{132000000000000000ULL};
  ASSERT_EQ(fs_->SetTimes(W(L"big"), nullptr, nullptr, &when), 0u);
  ASSERT_EQ(fs_->SetAttributes(W(L"big"), attr::ReadOnly), 0u);
  std::vector<int64_t> seen;
  ASSERT_EQ(fs_->CopyEntry(
                W(L"big"), W(L"copy"), true,
                [&](int64_t done, int64_t total) {
                  EXPECT_EQ(total, static_cast<int64_t>(big.size()));
                  seen.push_back(done);
                },
                nullptr),
            0u);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.back(), static_cast<int64_t>(big.size()));
  TFindData info;
  ASSERT_EQ(fs_->GetInfo(W(L"copy"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, when);
  EXPECT_EQ(info.Attr & attr::ReadOnly, attr::ReadOnly);
  EXPECT_EQ(info.Size, static_cast<int64_t>(big.size()));

  std::atomic<bool> cancel{false};
  EXPECT_EQ(fs_->CopyEntry(
                W(L"big"), W(L"cancelled"), false,
                [&](int64_t done, int64_t) {
                  if (done > 0) cancel = true;
                },
                &cancel),
            err::RequestAborted);
  EXPECT_FALSE(fs::exists(root_ + "/cancelled"));
  // A copy onto itself would destroy the data.
  ASSERT_EQ(fs_->SetAttributes(W(L"big"), attr::Archive), 0u);
  EXPECT_EQ(fs_->CopyEntry(W(L"big"), W(L"big"), false, {}, nullptr), err::SharingViolation);
  EXPECT_EQ(fs::file_size(root_ + "/big"), big.size());
}

TEST_F(PosixFiles, MoveRefusesWhatWindowsRefuses) {
  Write("a", "A");
  Write("b", "B");
  ASSERT_EQ(fs_->MakeFolder(W(L"d")), 0u);
  EXPECT_EQ(fs_->MoveEntry(W(L"a"), W(L"b"), false), err::AlreadyExists);
  EXPECT_EQ(fs_->MoveEntry(W(L"a"), W(L"d"), true), err::AccessDenied);
  EXPECT_EQ(fs_->MoveEntry(W(L"d"), W(L"d\\inside"), false), err::SharingViolation);
  EXPECT_EQ(fs_->MoveEntry(W(L"nothing"), W(L"c"), false), err::FileNotFound);
  EXPECT_EQ(fs_->MoveEntry(W(L"a"), W(L"b"), true), 0u);
  std::ifstream in(root_ + "/b");
  std::string content;
  in >> content;
  EXPECT_EQ(content, "A");
}

TEST_F(PosixFiles, MoveAcrossFileSystemsCopiesFiles) {
  struct stat a, b;
  if (::stat("/dev/shm", &b) != 0 || ::stat(root_.c_str(), &a) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  Write("m", "moved");
  const std::wstring target = L"/dev/shm/vog-move-" + IntToText(::getpid());
  ASSERT_EQ(fs_->MoveEntry(W(L"m"), target, false), 0u);
  EXPECT_FALSE(fs::exists(root_ + "/m"));
  EXPECT_EQ(fs::file_size(WideToUtf8(target)), 5u);
  fs::remove(WideToUtf8(target));
  ASSERT_EQ(fs_->MakeFolder(W(L"dir")), 0u);
  EXPECT_EQ(fs_->MoveEntry(W(L"dir"), target, false), err::NotSameDevice);
}

TEST_F(PosixFiles, TempAndProgramFolders) {
  const std::wstring temp = fs_->TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'/');
  const std::wstring program = fs_->ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), L'/');
  EXPECT_TRUE(fs::exists(WideToUtf8(program) + "test_platform"));
}

TEST(PosixClock, LocalTimeFollowsTheZoneRules) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  auto clock = CreateSystemClock();
  // 2024-01-15 12:00:00.1234567 UTC is 13:00 in winter, 2024-07-15 is 14:00 in summer.
  const TFileTime winter{133497936000000000ULL};
  const TFileTime summer{133655184000000000ULL};
  const uint64_t hour = 36000000000ULL;
  EXPECT_EQ(clock->UtcToLocal(TFileTime{winter.Value + 1234567}).Value, winter.Value + hour + 1234567);
  EXPECT_EQ(clock->UtcToLocal(summer).Value, summer.Value + 2 * hour);
  EXPECT_EQ(clock->LocalToUtc(TFileTime{summer.Value + 2 * hour + 5}).Value, summer.Value + 5);
  EXPECT_EQ(clock->LocalToUtc(clock->UtcToLocal(winter)), winter);
  if (old)
    ::setenv("TZ", saved.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
  const uint64_t t1 = clock->TickCount();
  const uint64_t t2 = clock->TickCount();
  EXPECT_LE(t1, t2);
  const TFileTime now = clock->NowUtc();
  EXPECT_GT(now.Value, 133170048000000000ULL);  // 2023-01-01
}

TEST(PosixEnvironment, LongAndNonAsciiValues) {
  auto env = CreateSystemEnvironment();
  const std::wstring value = std::wstring(10000, L'x') + L"日本語\xD83D\xDE00";
  env->Set(L"VOG_TEST_ENV", value);
  std::wstring back;
  ASSERT_TRUE(env->Get(L"VOG_TEST_ENV", back));
  EXPECT_TRUE(back == value) << back.size();
  EXPECT_FALSE(env->Get(L"VOG_TEST_ENV_NOT_SET", back));
  env->Set(L"VOG_TEST_ENV", L"");
  ASSERT_TRUE(env->Get(L"VOG_TEST_ENV", back));
  EXPECT_EQ(back, L"");
}

TEST(PosixPlatform, SystemPlatformHasEveryService) {
  auto platform = CreateSystemPlatform();
  EXPECT_TRUE(platform->Files && platform->CodePage && platform->Clock && platform->Environment);
  // Linux has no Windows access-control lists: a run copies none.
  ASSERT_TRUE(platform->Security);
  std::wstring user, domain;
  EXPECT_EQ(platform->Security->CurrentAccount(user, domain), err::NotSupported);
  EXPECT_EQ(platform->Security->CopyDacl(L"/tmp", L"/tmp"), err::NotSupported);
}

}  // namespace
}  // namespace vog
