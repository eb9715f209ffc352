// Windows behaviour of the in-memory file system beyond the shared contract: exact
// listing order, names, sharing, the copy's progress and the places where Wine differs
// from Windows (the memory platform is the reference there).
#include <gtest/gtest.h>

#include <atomic>

#include "base/Text.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog::test {
namespace {

class MemoryFs : public ::testing::Test {
protected:
  TManualClock clock;
  TMemoryFileSystem fs{clock};
  void SetUp() override { fs.AddVolume(L"C:"); }

  std::vector<std::wstring> List(const std::wstring& pattern, uint32_t* code = nullptr) {
    std::vector<std::wstring> names;
    std::unique_ptr<IFindHandle> h;
    TFindData d;
    const uint32_t first = fs.FindFirst(pattern, h, d);
    if (code) *code = first;
    if (first) return names;
    names.push_back(d.Name);
    while (h->Next(d) == 0) names.push_back(d.Name);
    return names;
  }
  std::string Content(const std::wstring& path) {
    std::string s;
    return fs.ReadContent(path, s) ? s : "<none>";
  }
};

using Names = std::vector<std::wstring>;

TEST_F(MemoryFs, ListingIsInNameOrderWithDotsOnlyBelowTheRoot) {
  // Names sort as NTFS sorts them: by their upper-cased units ("_" after the letters).
  fs.AddFile(L"C:\\d\\beta.txt", "");
  fs.AddFile(L"C:\\d\\Alpha.txt", "");
  fs.AddFile(L"C:\\d\\_under", "");
  fs.AddFolder(L"C:\\d\\Gamma");
  fs.AddFile(L"C:\\top.txt", "");
  EXPECT_EQ(List(L"C:\\d\\*"), (Names{L".", L"..", L"Alpha.txt", L"beta.txt", L"Gamma", L"_under"}));
  EXPECT_EQ(List(L"C:\\*"), (Names{L"d", L"top.txt"}));
  EXPECT_EQ(List(L"C:\\d\\*.txt"), (Names{L"Alpha.txt", L"beta.txt"}));
  // Search for one name, as a shell does to read one entry.
  EXPECT_EQ(List(L"C:\\d\\ALPHA.TXT"), (Names{L"Alpha.txt"}));
  EXPECT_EQ(List(L"C:\\d"), (Names{L"d"}));
  uint32_t code = 0;
  List(L"C:\\d\\", &code);
  EXPECT_EQ(code, err::FileNotFound);
  List(L"C:\\d\\beta.txt\\*", &code);
  EXPECT_EQ(code, err::PathNotFound);
  List(L"Q:\\*", &code);
  EXPECT_EQ(code, err::PathNotFound);
}

TEST_F(MemoryFs, DotEntriesDescribeTheFolderAndItsParent) {
  fs.AddFolder(L"C:\\p\\c");
  const TFileTime t{123456789};
  fs.SetTimes(L"C:\\p", nullptr, nullptr, &t);
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  ASSERT_EQ(fs.FindFirst(L"C:\\p\\c\\*", h, d), 0u);
  EXPECT_EQ(d.Name, L".");
  EXPECT_EQ(d.Attr, attr::Directory);
  ASSERT_EQ(h->Next(d), 0u);
  EXPECT_EQ(d.Name, L"..");
  EXPECT_EQ(d.LastWriteTime, t);
  EXPECT_EQ(h->Next(d), err::NoMoreFiles);
  EXPECT_EQ(h->Next(d), err::NoMoreFiles);
}

TEST_F(MemoryFs, PathsFollowWindowsNamingRules) {
  ASSERT_EQ(fs.AddFile(L"C:\\dir\\file.txt", "x"), 0u);
  uint32_t a = 0;
  EXPECT_EQ(fs.GetAttributes(L"C:\\dir\\", a), 0u);
  EXPECT_EQ(fs.GetAttributes(L"c:\\DIR\\FILE.TXT", a), 0u);
  EXPECT_EQ(fs.GetAttributes(L"C:\\dir\\file.txt\\", a), err::InvalidName);
  EXPECT_EQ(fs.GetAttributes(L"C:\\dir\\file.txt.", a), err::FileNotFound);  // the dot is part of the name
  EXPECT_EQ(fs.GetAttributes(L"C:\\dir\\.\\..\\dir\\file.txt", a), 0u);
  for (const wchar_t* bad : {L"C:\\a<b", L"C:\\a>b", L"C:\\a\"b", L"C:\\a|b\\c", L"C:\\a?", L"C:\\a*", L"C:\\a:b",
                             L"C:\\dir\\\\file.txt", L"dir\\file.txt", L"C:dir", L"C:\\a/b", L"C:\\a\x01"})
    EXPECT_EQ(fs.GetAttributes(bad, a), err::InvalidName) << WideToUtf8(bad);
  EXPECT_EQ(fs.MakeFolder(L"C:\\new\\"), 0u);
  EXPECT_EQ(fs.MakeFolder(L"C:\\"), err::AlreadyExists);
  EXPECT_EQ(fs.MakeFolder(L"C:\\dir\\file.txt\\sub"), err::PathNotFound);
  EXPECT_EQ(fs.RemoveFolder(L"C:\\dir\\file.txt"), err::DirectoryInvalid);
  EXPECT_EQ(fs.RemoveFile(L"C:\\dir"), err::AccessDenied);
  EXPECT_EQ(fs.RemoveFolder(L"C:\\"), err::AccessDenied);
  EXPECT_EQ(fs.GetAttributes(L"\\\\?\\C:\\dir\\file.txt", a), 0u);
}

TEST_F(MemoryFs, FullPathsStartAtTheCurrentFolder) {
  fs.SetCurrentFolder(L"C:\\work\\here");
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"D:\\x\\.\\y\\..\\z.vgd", L"D:\\x\\z.vgd"},
      {L"\\\\srv\\share\\a", L"\\\\srv\\share\\a"},
      {L"c:data\\x.vgd", L"C:\\work\\here\\data\\x.vgd"},
      {L"D:data", L"D:\\data"},  // a drive never visited starts at its root
      {L"data\\..\\..\\x.vgd", L"C:\\work\\x.vgd"},
      {L"\\top\\", L"C:\\top\\"},
      {L"..\\..\\..", L"C:\\"},
  };
  for (const auto& [path, expected] : cases) {
    std::wstring full;
    EXPECT_EQ(fs.FullPath(path, full), 0u);
    EXPECT_EQ(full, expected) << WideToUtf8(path);
  }
  std::wstring full;
  EXPECT_EQ(fs.FullPath(L"a|b", full), err::InvalidName);
}

TEST_F(MemoryFs, ReadOnlyFilesRefuseEveryOverwrite) {
  // Wine lets a copy overwrite a read-only file; Windows refuses with 5, as here.
  fs.AddFile(L"C:\\ro.txt", "old", attr::ReadOnly);
  fs.AddFile(L"C:\\src.txt", "new");
  EXPECT_EQ(fs.CopyEntry(L"C:\\src.txt", L"C:\\ro.txt", false, {}, nullptr), err::AccessDenied);
  EXPECT_EQ(fs.MoveEntry(L"C:\\src.txt", L"C:\\ro.txt", true), err::AccessDenied);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs.OpenFile(L"C:\\ro.txt", TOpenMode::WriteExisting, share::All, s), err::AccessDenied);
  EXPECT_EQ(Content(L"C:\\ro.txt"), "old");
  // A read-only file can still be read, renamed and have its times set.
  EXPECT_EQ(fs.OpenFile(L"C:\\ro.txt", TOpenMode::Read, share::Read, s), 0u);
  s.reset();
  const TFileTime t{42};
  EXPECT_EQ(fs.SetTimes(L"C:\\ro.txt", nullptr, nullptr, &t), 0u);
  EXPECT_EQ(fs.MoveEntry(L"C:\\ro.txt", L"C:\\ro2.txt", false), 0u);
  // CopyFileEx refuses a hidden target as well; a replacing move and an open for writing take it.
  fs.AddFile(L"C:\\hidden.txt", "old", attr::Hidden);
  EXPECT_EQ(fs.CopyEntry(L"C:\\src.txt", L"C:\\hidden.txt", false, {}, nullptr), err::AccessDenied);
  EXPECT_EQ(fs.OpenFile(L"C:\\hidden.txt", TOpenMode::Write, share::None, s), 0u);
  s.reset();
  uint32_t a = 0;
  ASSERT_EQ(fs.GetAttributes(L"C:\\hidden.txt", a), 0u);
  EXPECT_EQ(a, attr::Hidden | attr::Archive);
  EXPECT_EQ(fs.MoveEntry(L"C:\\src.txt", L"C:\\hidden.txt", true), 0u);
  // A read-only folder refuses removal too.
  fs.AddFolder(L"C:\\rof", attr::Directory | attr::ReadOnly);
  EXPECT_EQ(fs.RemoveFolder(L"C:\\rof"), err::AccessDenied);
}

TEST_F(MemoryFs, CopyReportsProgressInChunksAndHonoursCancel) {
  // Wine never calls the progress routine; Windows does, as here.
  fs.AddFile(L"C:\\big.bin", std::string(200'000, 'b'));
  std::vector<int64_t> seen;
  ASSERT_EQ(fs.CopyEntry(
                L"C:\\big.bin", L"C:\\copy.bin", false,
                [&](int64_t c, int64_t t) {
                  EXPECT_EQ(t, 200'000);
                  seen.push_back(c);
                },
                nullptr),
            0u);
  EXPECT_EQ(seen, (std::vector<int64_t>{0, 65536, 131072, 196608, 200'000}));

  // Cancelled from the progress routine: the target, even one that stood there before, is gone.
  std::atomic<bool> cancel{false};
  EXPECT_EQ(fs.CopyEntry(
                L"C:\\big.bin", L"C:\\copy.bin", false,
                [&](int64_t c, int64_t) {
                  if (c >= 65536) cancel = true;
                },
                &cancel),
            err::RequestAborted);
  EXPECT_FALSE(fs.Exists(L"C:\\copy.bin"));
  // Cancelled before it starts: nothing happens at all.
  EXPECT_EQ(fs.CopyEntry(L"C:\\big.bin", L"C:\\copy2.bin", false, {}, &cancel), err::RequestAborted);
  EXPECT_FALSE(fs.Exists(L"C:\\copy2.bin"));

  fs.AddFolder(L"C:\\folder");
  EXPECT_EQ(fs.CopyEntry(L"C:\\folder", L"C:\\folder2", false, {}, nullptr), err::AccessDenied);
  EXPECT_EQ(fs.CopyEntry(L"C:\\big.bin", L"C:\\BIG.bin", false, {}, nullptr), err::SharingViolation);
  EXPECT_EQ(fs.CopyEntry(L"C:\\big.bin", L"C:\\folder", false, {}, nullptr), err::AccessDenied);
}

TEST_F(MemoryFs, CopiesAreIndependentOfTheirSource) {
  fs.AddFile(L"C:\\a.txt", "original");
  ASSERT_EQ(fs.CopyEntry(L"C:\\a.txt", L"C:\\b.txt", false, {}, nullptr), 0u);
  std::unique_ptr<IFileStream> s;
  size_t done = 0;
  ASSERT_EQ(fs.OpenFile(L"C:\\a.txt", TOpenMode::WriteExisting, share::None, s), 0u);
  ASSERT_EQ(s->Write("O", 1, done), 0u);
  s.reset();
  ASSERT_EQ(fs.OpenFile(L"C:\\b.txt", TOpenMode::ReadWrite, share::None, s), 0u);
  ASSERT_EQ(s->Seek(8), 0u);
  ASSERT_EQ(s->Write("!", 1, done), 0u);
  s.reset();
  EXPECT_EQ(Content(L"C:\\a.txt"), "Original");
  EXPECT_EQ(Content(L"C:\\b.txt"), "original!");
}

TEST_F(MemoryFs, SharingModesDecideWhoMayOpen) {
  fs.AddFile(L"C:\\f.txt", "data");
  std::unique_ptr<IFileStream> reader, other;
  ASSERT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, reader), 0u);
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, other), 0u);
  other.reset();
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::WriteExisting, share::All, other), err::SharingViolation);
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Write, share::All, other), err::SharingViolation);
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::None, other), err::SharingViolation);
  EXPECT_EQ(fs.RemoveFile(L"C:\\f.txt"), err::SharingViolation);
  EXPECT_EQ(fs.MoveEntry(L"C:\\f.txt", L"C:\\g.txt", false), err::SharingViolation);
  reader.reset();

  // A writer that shares reading lets readers in, but not a copy (which refuses writers).
  std::unique_ptr<IFileStream> writer;
  ASSERT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::WriteExisting, share::Read | share::Write, writer), 0u);
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read | share::Write, other), 0u);
  other.reset();
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, other), err::SharingViolation);
  EXPECT_EQ(fs.CopyEntry(L"C:\\f.txt", L"C:\\c.txt", false, {}, nullptr), err::SharingViolation);
  writer.reset();

  // Share-delete lets the file go while it is open; the handle still reads it.
  ASSERT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read | share::Delete, reader), 0u);
  EXPECT_EQ(fs.RemoveFile(L"C:\\f.txt"), 0u);
  EXPECT_FALSE(fs.Exists(L"C:\\f.txt"));
  char buf[8];
  size_t done = 0;
  EXPECT_EQ(reader->Read(buf, sizeof buf, done), 0u);
  EXPECT_EQ(std::string(buf, done), "data");
}

TEST_F(MemoryFs, HandlesOnlyDoWhatTheyWereOpenedFor) {
  fs.AddFile(L"C:\\f.txt", "data");
  std::unique_ptr<IFileStream> s;
  size_t done = 0;
  char buf[4];
  ASSERT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, s), 0u);
  EXPECT_EQ(s->Write("x", 1, done), err::AccessDenied);
  EXPECT_EQ(s->SetEndOfFile(), err::AccessDenied);
  const TFileTime t{1};
  EXPECT_EQ(s->SetTimes(nullptr, nullptr, &t), err::AccessDenied);
  ASSERT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::WriteExisting, share::None, s), 0u);
  EXPECT_EQ(s->Read(buf, 4, done), err::AccessDenied);
  EXPECT_EQ(s->Seek(-1), err::InvalidParameter);
  EXPECT_EQ(fs.OpenFile(L"C:\\", TOpenMode::Read, share::Read, s), err::AccessDenied);
  fs.AddFolder(L"C:\\dir");
  EXPECT_EQ(fs.OpenFile(L"C:\\dir", TOpenMode::Write, share::Read, s), err::AccessDenied);
}

TEST_F(MemoryFs, TimesComeFromTheClock) {
  const TFileTime start = clock.NowUtc();
  fs.AddFolder(L"C:\\d");
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(fs.OpenFile(L"C:\\d\\f.txt", TOpenMode::Write, share::None, s), 0u);
  TFindData info;
  ASSERT_EQ(fs.GetInfo(L"C:\\d\\f.txt", info), 0u);
  EXPECT_EQ(info.CreationTime, start);
  EXPECT_EQ(info.LastWriteTime, start);
  EXPECT_EQ(info.Attr, attr::Archive);
  clock.Advance(5000);
  size_t done = 0;
  ASSERT_EQ(s->Write("x", 1, done), 0u);
  ASSERT_EQ(fs.GetInfo(L"C:\\d\\f.txt", info), 0u);
  EXPECT_EQ(info.CreationTime, start);
  EXPECT_EQ(info.LastWriteTime.Value, start.Value + 5000 * 10'000);
  // A time set through the handle stays, whatever is written afterwards.
  const TFileTime fixed{start.Value - 1};
  ASSERT_EQ(s->SetTimes(nullptr, nullptr, &fixed), 0u);
  clock.Advance(1000);
  ASSERT_EQ(s->Write("y", 1, done), 0u);
  s.reset();
  ASSERT_EQ(fs.GetInfo(L"C:\\d\\f.txt", info), 0u);
  EXPECT_EQ(info.LastWriteTime, fixed);
  // Adding an entry to a folder changes the folder's last-write time.
  clock.Advance(1000);
  fs.AddFile(L"C:\\d\\g.txt", "");
  ASSERT_EQ(fs.GetInfo(L"C:\\d", info), 0u);
  EXPECT_EQ(info.LastWriteTime, clock.NowUtc());
  // Replacing a file's content keeps its creation time.
  ASSERT_EQ(fs.OpenFile(L"C:\\d\\f.txt", TOpenMode::Write, share::None, s), 0u);
  s.reset();
  ASSERT_EQ(fs.GetInfo(L"C:\\d\\f.txt", info), 0u);
  EXPECT_EQ(info.CreationTime, start);
  EXPECT_EQ(info.Size, 0);
}

TEST_F(MemoryFs, MovesFollowWindowsRules) {
  fs.AddFile(L"C:\\a\\f.txt", "f");
  fs.AddFolder(L"C:\\b");
  EXPECT_EQ(fs.MoveEntry(L"C:\\a", L"C:\\a\\inner", false), err::SharingViolation);
  EXPECT_EQ(fs.MoveEntry(L"C:\\a", L"C:\\b", false), err::AlreadyExists);
  EXPECT_EQ(fs.MoveEntry(L"C:\\a", L"C:\\b", true), err::AccessDenied);
  EXPECT_EQ(fs.MoveEntry(L"C:\\a\\f.txt", L"C:\\b", true), err::AccessDenied);
  EXPECT_EQ(fs.MoveEntry(L"C:\\", L"C:\\x", false), err::AccessDenied);
  fs.AddVolume(L"D:");
  EXPECT_EQ(fs.MoveEntry(L"C:\\a", L"D:\\a", false), err::NotSameDevice);
  EXPECT_EQ(fs.MoveEntry(L"C:\\a\\f.txt", L"D:\\f.txt", false), 0u);
  EXPECT_EQ(Content(L"D:\\f.txt"), "f");
  fs.AddFile(L"C:\\a\\deep\\open.txt", "o");
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(fs.OpenFile(L"C:\\a\\deep\\open.txt", TOpenMode::Read, share::All, s), 0u);
  EXPECT_EQ(fs.MoveEntry(L"C:\\a", L"C:\\b\\a", false), err::AccessDenied);
  s.reset();
  EXPECT_EQ(fs.MoveEntry(L"C:\\a", L"C:\\b\\a", false), 0u);
  EXPECT_TRUE(fs.Exists(L"C:\\b\\a"));
}

TEST_F(MemoryFs, ListTreeGivesRelativeSortedPaths) {
  fs.AddFile(L"C:\\r\\b.txt", "");
  fs.AddFile(L"C:\\r\\a b\\x.txt", "");
  fs.AddFolder(L"C:\\r\\a\\empty");
  EXPECT_EQ(fs.ListTree(L"C:\\r"), (Names{L"a b\\", L"a b\\x.txt", L"a\\", L"a\\empty\\", L"b.txt"}));
  EXPECT_TRUE(fs.ListTree(L"C:\\missing").empty());
}

TEST_F(MemoryFs, LargeFilesGrowWithoutQuadraticCopying) {
  // 64 MiB written in 1 MiB pieces, then copied: linear work, shared bytes for the copy.
  const std::string piece(1 << 20, 'z');
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(fs.OpenFile(L"C:\\large.bin", TOpenMode::Write, share::None, s), 0u);
  for (int i = 0; i < 64; ++i) {
    size_t done = 0;
    ASSERT_EQ(s->Write(piece.data(), piece.size(), done), 0u);
  }
  s.reset();
  ASSERT_EQ(fs.CopyEntry(L"C:\\large.bin", L"C:\\large2.bin", false, {}, nullptr), 0u);
  TFindData info;
  ASSERT_EQ(fs.GetInfo(L"C:\\large2.bin", info), 0u);
  EXPECT_EQ(info.Size, 64 << 20);
}

TEST(ManualClock, StartsAtNoonInJapanAndMovesOnlyWhenTold) {
  TManualClock clock;
  // 2024-04-01 03:00 UTC.
  EXPECT_EQ(clock.NowUtc().Value, 133'564'140'000'000'000ULL);
  EXPECT_EQ(clock.UtcToLocal(clock.NowUtc()).Value - clock.NowUtc().Value, 9ULL * 3600 * 10'000'000);
  EXPECT_EQ(clock.LocalToUtc(clock.UtcToLocal(TFileTime{777})).Value, 777u);
  EXPECT_EQ(clock.NowUtc(), clock.NowUtc());
  clock.Advance(1500);
  EXPECT_EQ(clock.TickCount(), 1500u);
  EXPECT_EQ(clock.NowUtc().Value, 133'564'140'000'000'000ULL + 15'000'000);
  clock.SetOffsetMinutes(-300);
  EXPECT_EQ(clock.NowUtc().Value - clock.UtcToLocal(clock.NowUtc()).Value, 5ULL * 3600 * 10'000'000);
  clock.SetNowUtc(TFileTime{5});
  EXPECT_EQ(clock.NowUtc().Value, 5u);
}

TEST(ManualClock, LocalDateTimesFollowTheOffset) {
  TManualClock clock;
  const TDateParts start = DecodeDateTime(clock.Now());
  EXPECT_EQ(start.Year, 2024);
  EXPECT_EQ(start.Month, 4);
  EXPECT_EQ(start.Day, 1);
  EXPECT_EQ(start.Hour, 12);
  EXPECT_EQ(start.Minute, 0);
  TDateTime evening = 0;
  ASSERT_TRUE(TryEncodeDateTime(2025, 1, 2, 23, 30, 0, 0, evening));
  clock.SetLocalNow(evening);
  EXPECT_EQ(DecodeDateTime(clock.Now()).Hour, 23);
  const TDateParts utc = DecodeDateTime(FileTimeToDateTime(clock.NowUtc()));
  EXPECT_EQ(utc.Day, 2);
  EXPECT_EQ(utc.Hour, 14);
  EXPECT_EQ(utc.Minute, 30);
}

TEST(MemoryEnvironment, NamesIgnoreCase) {
  TMemoryEnvironment env;
  std::wstring value;
  EXPECT_FALSE(env.Get(L"TEMP", value));
  env.Set(L"Temp", L"C:\\Temp");
  ASSERT_TRUE(env.Get(L"TEMP", value));
  EXPECT_EQ(value, L"C:\\Temp");
  env.Set(L"temp", L"D:\\T");
  ASSERT_TRUE(env.Get(L"Temp", value));
  EXPECT_EQ(value, L"D:\\T");
}

TEST(MemoryPlatform, ComesWithDriveCAndEveryService) {
  auto p = CreateMemoryPlatform();
  ASSERT_TRUE(p->Files && p->Clock && p->CodePage && p->Environment);
  EXPECT_EQ(p->MemFiles, p->Files.get());
  EXPECT_EQ(p->MemFiles->MakeFolder(L"C:\\x"), 0u);
  EXPECT_EQ(p->MemFiles->MakeFolder(L"D:\\x"), err::PathNotFound);
  EXPECT_EQ(p->MemFiles->TempFolder(), L"C:\\Temp\\");
  EXPECT_TRUE(p->MemFiles->Exists(L"C:\\Temp"));
  p->MemFiles->SetProgramFolder(L"C:\\Prog");
  EXPECT_EQ(p->MemFiles->ProgramFolder(), L"C:\\Prog\\");
  EXPECT_TRUE(p->MemFiles->Exists(L"C:\\Prog"));
}

}  // namespace
}  // namespace vog::test
