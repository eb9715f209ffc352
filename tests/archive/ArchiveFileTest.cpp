// TArchiveFile on the memory platform, the same cases for LZH and ZIP: format choice,
// pack as update, case-insensitive replacement, delete, extraction, and that failures
// leave the old archive as it was.
#include <algorithm>

#include "base/Error.h"
#include "platform/Platform.h"
#include "services/archive/ArchiveStreams.h"
#include "tests/archive/ArchiveTestSupport.h"

namespace vog::test {
namespace {

TEST(ArchiveTypeTest, ExtensionPicksTheFormatIgnoringCase) {
  TArchiveType type;
  ASSERT_TRUE(ArchiveTypeOf(L"C:\\a\\Backup.lzh", type));
  EXPECT_EQ(type, TArchiveType::Lzh);
  ASSERT_TRUE(ArchiveTypeOf(L"C:\\a\\B.Zip", type));
  EXPECT_EQ(type, TArchiveType::Zip);
  EXPECT_FALSE(ArchiveTypeOf(L"C:\\a\\Backup.cab", type));
  EXPECT_FALSE(ArchiveTypeOf(L"C:\\a.zip\\Backup", type));
  EXPECT_FALSE(ArchiveTypeOf(L"C:\\a\\lzh", type));

  TArchiveFile archive;
  try {
    archive.SetFileName(L"C:\\a\\Backup.cab");
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"書庫の形式を判別できません。");
  }
}

// A file read whole before its turn may have grown or shrunk since it was listed: it is
// read to its end, or refused when it holds more than the limit.
TEST_F(ArchiveTest, ReadSmallFileReadsToTheEndOfAFileThatChanged) {
  struct Case {
    int64_t listed;
    size_t actual, limit;
    bool whole;
  } cases[] = {{10, 10, 100, true},   {10, 3, 100, true},    {10, 0, 100, true},     {10, 300000, 400000, true},
               {10, 101, 100, false}, {100, 100, 100, true}, {200, 150, 100, false}, {0, 600000, 600000, true}};
  std::vector<uint8_t> buffer;  // reused across the cases, as a worker thread does
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.listed << " " << c.actual << " " << c.limit);
    const std::string bytes = RandomBytes(c.actual, static_cast<uint32_t>(c.actual));
    Fs().AddFile(L"C:\\f.bin", bytes);
    std::unique_ptr<IFileStream> stream;
    ASSERT_EQ(Files().OpenFile(L"C:\\f.bin", TOpenMode::Read, share::Read, stream), 0u);
    size_t size = 0;
    EXPECT_EQ(archive::ReadSmallFile(*stream, c.listed, c.limit, buffer, size, L"C:\\f.bin"), c.whole);
    if (c.whole) {
      EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size)), bytes);
    }
  }
}

class ArchiveFormatTest : public ArchiveTest, public ::testing::WithParamInterface<const wchar_t*> {
protected:
  std::wstring Arc() { return std::wstring(L"C:\\Dest\\Backup") + GetParam(); }
  void SetUp() override {
    ArchiveTest::SetUp();
    Fs().AddFolder(L"C:\\Dest");
    Fs().AddFolder(L"C:\\Out");
  }
};

TEST_P(ArchiveFormatTest, PackListAndExtractRoundTrip) {
  ManualClock().SetLocalNow(45000.5);  // 2023-03-15 12:00 local
  Fs().AddFile(L"C:\\Src\\empty.txt", "");
  Fs().AddFile(L"C:\\Src\\text.txt", TextBytes(300000, 1));
  Fs().AddFile(L"C:\\Src\\sub\\deeper\\random.bin", RandomBytes(70000, 2));
  Fs().AddFile(L"C:\\Src\\日本語フォルダ\\表示ソフト.txt", "cp932 names with 0x5C trail bytes");
  Fs().AddFile(L"C:\\Src\\sub\\ro.txt", "read-only", attr::ReadOnly | attr::Archive);
  const std::vector<std::wstring> names = {L"empty.txt", L"text.txt", L"sub\\deeper\\random.bin",
                                           L"日本語フォルダ\\表示ソフト.txt", L"sub\\ro.txt"};
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", names), 0u) << WideToUtf8(last_);

  const auto entries = List(Arc());
  ASSERT_EQ(entries.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(entries[i].Path, names[i]);
    TFindData info;
    ASSERT_EQ(Files().GetInfo(L"C:\\Src\\" + names[i], info), 0u);
    EXPECT_EQ(entries[i].Size, static_cast<uint64_t>(info.Size));
    int32_t dos = 0;
    ASSERT_TRUE(TryFileTimeToDos(Clock().UtcToLocal(info.LastWriteTime), dos));
    EXPECT_EQ(entries[i].DosTime, dos) << WideToUtf8(names[i]);
  }
  EXPECT_LT(entries[1].PackedSize, entries[1].Size / 3) << "text compresses";
  EXPECT_LE(entries[2].PackedSize, entries[2].Size) << "random data is stored, not expanded";

  ASSERT_EQ(Extract(Arc(), L"C:\\Out"), 0u) << WideToUtf8(last_);
  for (const auto& name : names) {
    EXPECT_EQ(Content(L"C:\\Out\\" + name), Content(L"C:\\Src\\" + name)) << WideToUtf8(name);
    TFindData source, copy;
    ASSERT_EQ(Files().GetInfo(L"C:\\Src\\" + name, source), 0u);
    ASSERT_EQ(Files().GetInfo(L"C:\\Out\\" + name, copy), 0u);
    // Whole seconds survive (DOS times only keep two-second steps, level-2 LZH and ZIP's
    // extended time keep seconds; ours are whole seconds anyway).
    EXPECT_LE(source.LastWriteTime.Value - copy.LastWriteTime.Value, 20000000u);
  }
  uint32_t attributes = 0;
  ASSERT_EQ(Files().GetAttributes(L"C:\\Out\\sub\\ro.txt", attributes), 0u);
  EXPECT_TRUE(attributes & attr::ReadOnly);
  EXPECT_TRUE(TempFiles(L"C:\\").empty());
}

TEST_P(ArchiveFormatTest, PackReplacesSamePathIgnoringCaseAndKeepsOthers) {
  Fs().AddFile(L"C:\\Src\\Dir\\A.txt", "first a");
  Fs().AddFile(L"C:\\Src\\b.txt", "first b");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {L"Dir\\A.txt", L"b.txt"}), 0u) << WideToUtf8(last_);

  ManualClock().Advance(60000);
  Fs().AddFile(L"C:\\Src2\\dir\\a.TXT", "second a, longer than before");
  Fs().AddFile(L"C:\\Src2\\c.txt", "new c");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src2", {L"dir\\a.TXT", L"c.txt"}), 0u) << WideToUtf8(last_);

  const auto paths = Paths(Arc());
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_TRUE(SameText(paths[0], L"dir\\a.txt"));
  EXPECT_EQ(paths[1], L"b.txt");
  EXPECT_EQ(paths[2], L"c.txt");
  ASSERT_EQ(Extract(Arc(), L"C:\\Out"), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\Out\\Dir\\A.txt"), "second a, longer than before");
  EXPECT_EQ(Content(L"C:\\Out\\b.txt"), "first b");
  EXPECT_EQ(Content(L"C:\\Out\\c.txt"), "new c");
}

TEST_P(ArchiveFormatTest, WithoutAlwaysReplaceAnEntryAsNewAsTheFileIsKept) {
  Fs().AddFile(L"C:\\Src\\a.txt", "archived");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {L"a.txt"}), 0u);
  TFindData info;
  ASSERT_EQ(Files().GetInfo(L"C:\\Src\\a.txt", info), 0u);
  Fs().AddFile(L"C:\\Src\\a.txt", "same time, other data", attr::Archive, info.LastWriteTime);

  TArchiveFile archive;
  archive.SetFileName(Arc());
  archive.Options.KeepPaths = true;
  archive.Options.KeepAttributes = true;
  ASSERT_EQ(archive.Pack(L"C:\\Src", {L"a.txt"}), 0u);
  ASSERT_EQ(Extract(Arc(), L"C:\\Out"), 0u);
  EXPECT_EQ(Content(L"C:\\Out\\a.txt"), "archived");

  archive.Options.AlwaysReplace = true;
  ASSERT_EQ(archive.Pack(L"C:\\Src", {L"a.txt"}), 0u);
  ASSERT_EQ(Extract(Arc(), L"C:\\Out"), 0u);
  EXPECT_EQ(Content(L"C:\\Out\\a.txt"), "same time, other data");
}

TEST_P(ArchiveFormatTest, WithoutKeepPathsOnlyFileNamesAreStored) {
  Fs().AddFile(L"C:\\Src\\sub\\a.txt", "a");
  TArchiveFile archive;
  archive.SetFileName(Arc());
  ASSERT_EQ(archive.Pack(L"C:\\Src", {L"sub\\a.txt"}), 0u);
  EXPECT_EQ(Paths(Arc()), std::vector<std::wstring>{L"a.txt"});
}

TEST_P(ArchiveFormatTest, DeleteRemovesMatchingEntriesOnly) {
  Fs().AddFile(L"C:\\Src\\keep.txt", "keep");
  Fs().AddFile(L"C:\\Src\\Sub\\Gone.txt", "gone");
  Fs().AddFile(L"C:\\Src\\z.txt", "z");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {L"keep.txt", L"Sub\\Gone.txt", L"z.txt"}), 0u);
  std::string before = Content(Arc());

  TArchiveFile archive;
  archive.SetFileName(Arc());
  archive.Options.KeepPaths = true;
  archive.Options.KeepAttributes = true;
  EXPECT_EQ(archive.Delete(L"C:\\Src", {L"sub/gone.TXT", L"missing.txt"}), err::FileNotFound);
  EXPECT_NE(archive.LastMessage().find(L"missing.txt"), std::wstring::npos);
  EXPECT_EQ(Content(Arc()), before) << "a name that is not there changes nothing without IgnoreMissing";

  archive.Options.IgnoreMissing = true;
  ASSERT_EQ(archive.Delete(L"C:\\Src", {L"sub/gone.TXT", L"missing.txt"}), 0u) << WideToUtf8(archive.LastMessage());
  EXPECT_EQ(Paths(Arc()), (std::vector<std::wstring>{L"keep.txt", L"z.txt"}));
  ASSERT_EQ(Extract(Arc(), L"C:\\Out"), 0u);
  EXPECT_EQ(Content(L"C:\\Out\\z.txt"), "z");
  EXPECT_FALSE(Fs().Exists(L"C:\\Out\\Sub\\Gone.txt"));

  ASSERT_EQ(archive.Delete(L"", {L"keep.txt", L"z.txt"}), 0u);
  EXPECT_TRUE(Paths(Arc()).empty());
  EXPECT_TRUE(TempFiles(L"C:\\").empty());
}

TEST_P(ArchiveFormatTest, ExtractListedEntriesOnly) {
  Fs().AddFile(L"C:\\Src\\a.txt", "a");
  Fs().AddFile(L"C:\\Src\\d\\b.txt", "b");
  Fs().AddFile(L"C:\\Src\\d\\c.txt", "c");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {L"a.txt", L"d\\b.txt", L"d\\c.txt"}), 0u);
  Fs().AddFile(L"C:\\Out\\d\\b.txt", "old b to be replaced", attr::ReadOnly);
  ASSERT_EQ(Extract(Arc(), L"C:\\Out", {L"D\\B.TXT"}), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\Out\\d\\b.txt"), "b");
  EXPECT_FALSE(Fs().Exists(L"C:\\Out\\a.txt"));
  EXPECT_FALSE(Fs().Exists(L"C:\\Out\\d\\c.txt"));

  EXPECT_EQ(Extract(Arc(), L"C:\\Out", {L"nothere.txt"}), err::FileNotFound);
  EXPECT_NE(last_.find(L"nothere.txt"), std::wstring::npos);
}

TEST_P(ArchiveFormatTest, AFailedPackLeavesTheOldArchiveAndNoTemporaryFile) {
  Fs().AddFile(L"C:\\Src\\a.txt", "a");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {L"a.txt"}), 0u);
  const std::string before = Content(Arc());

  // A file that is missing, then one that cannot be read half-way.
  EXPECT_EQ(Pack(Arc(), L"C:\\Src", {L"a.txt", L"missing.txt"}), err::FileNotFound);
  EXPECT_NE(last_.find(L"missing.txt"), std::wstring::npos);
  Fs().AddFile(L"C:\\Src\\big.bin", RandomBytes(3 << 20, 3));
  Fs().AddFile(L"C:\\Src\\c.txt", "c");
  Fs().InjectFault({L"C:\\Src\\big.bin", TFaultOp::Read, err::ReadFault, 1 << 20});
  // Read ahead of its turn or not, the file's failure is the pack's.
  EXPECT_EQ(Pack(Arc(), L"C:\\Src", {L"c.txt", L"big.bin", L"a.txt"}), err::ReadFault);
  EXPECT_NE(last_.find(L"big.bin"), std::wstring::npos);
  Fs().ClearFaults();
  EXPECT_EQ(Content(Arc()), before);
  EXPECT_TRUE(TempFiles(L"C:\\").empty());

  // A full disk while the new archive is written.
  Fs().AddVolume(L"D:", 1 << 20);
  Fs().AddFile(L"D:\\Backup" + std::wstring(GetParam()), before);
  EXPECT_EQ(Pack(L"D:\\Backup" + std::wstring(GetParam()), L"C:\\Src", {L"big.bin"}), err::DiskFull)
      << WideToUtf8(last_);
  EXPECT_EQ(Content(L"D:\\Backup" + std::wstring(GetParam())), before);
  EXPECT_TRUE(TempFiles(L"D:\\").empty());
}

// The tap sees the archive as it ends up, also where the writer went back over bytes it
// had written out already (a large entry stored after all, its header patched).
TEST_P(ArchiveFormatTest, ATapReceivesTheNewArchiveWholeAndEndOnlyWhenThePackWroteIt) {
  struct TTap : IPackTap {
    std::string Bytes;
    int Ends = 0;
    void Put(const uint8_t* data, size_t size) override { Bytes.append(reinterpret_cast<const char*>(data), size); }
    void End() override { ++Ends; }
  };
  Fs().AddFile(L"C:\\Src\\a.txt", TextBytes(5000, 1));
  Fs().AddFile(L"C:\\Src\\b.txt", "b");
  Fs().AddFile(L"C:\\Src\\big.bin", RandomBytes(3 << 20, 2));
  const struct {
    const char* what;
    std::vector<std::wstring> names;
    uint32_t code;
    int ends;
  } cases[] = {
      {"a new archive", {L"a.txt", L"b.txt"}, 0, 1},
      {"entries copied, replaced, and a large one read ahead", {L"b.txt", L"big.bin"}, 0, 1},
      {"a large file alone, compressed then stored", {L"big.bin"}, 0, 1},
      {"a failed pack", {L"a.txt", L"missing.txt"}, err::FileNotFound, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TTap tap;
    ASSERT_EQ(Pack(Arc(), L"C:\\Src", c.names, &tap), c.code) << WideToUtf8(last_);
    EXPECT_EQ(tap.Ends, c.ends);
    if (c.ends) {
      EXPECT_TRUE(tap.Bytes == Content(Arc()));
    }
  }
}

// ZIP takes what the caller's listing found (not asking the system for each file again);
// LZH, which keeps exact file times, asks. A file gone since the listing is left out, and
// when every file went no archive is made.
TEST_P(ArchiveFormatTest, APackWithTheListingTakesTimeAndAttributesFromItForZip) {
  const bool zip = std::wstring(GetParam()) == L".ZIP";
  Fs().AddFile(L"C:\\Src\\a.txt", "a");
  Fs().AddFile(L"C:\\Src\\b.txt", "b");
  TFindData a;
  ASSERT_EQ(Files().GetInfo(L"C:\\Src\\a.txt", a), 0u);
  const int32_t listedTime = 0x58210000;  // 2024-01-01 00:00:00, not the file's time
  TArchiveFile archive;
  archive.SetFileName(Arc());
  archive.Options.KeepPaths = archive.Options.KeepAttributes = archive.Options.LeaveOutUnreadable = true;
  ASSERT_EQ(archive.Pack(L"C:\\Src", {L"a.txt", L"gone.txt"},
                         {{1, attr::Hidden | attr::Archive, listedTime}, {1, attr::Archive, listedTime}}),
            0u);
  ASSERT_EQ(archive.LeftOut().size(), 1u);
  EXPECT_EQ(archive.LeftOut()[0].Name + L" " + std::to_wstring(archive.LeftOut()[0].Code), L"gone.txt 2");
  const auto entries = List(Arc());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].DosTime == listedTime, zip);
  EXPECT_EQ((entries[0].Attr & attr::Hidden) != 0, zip);

  const std::wstring other = L"C:\\Dest\\Other" + std::wstring(GetParam());
  archive.SetFileName(other);
  EXPECT_EQ(archive.Pack(L"C:\\Src", {L"gone.txt"}, {{1, attr::Archive, listedTime}}), 0u);
  EXPECT_FALSE(Fs().Exists(other));
  EXPECT_TRUE(TempFiles(L"C:\\").empty());
}

TEST_P(ArchiveFormatTest, WorkFolderOnAnotherVolume) {
  Fs().AddVolume(L"W:");
  Fs().AddFolder(L"W:\\Work");
  Fs().AddFile(L"C:\\Src\\a.txt", "a");
  Fs().AddFile(L"C:\\Src\\b.txt", "b");
  TArchiveFile archive;
  archive.SetFileName(Arc());
  archive.Options.KeepPaths = true;
  archive.Options.KeepAttributes = true;
  archive.Options.AlwaysReplace = true;
  archive.Options.WorkFolder = L"W:\\Work";
  ASSERT_EQ(archive.Pack(L"C:\\Src", {L"a.txt", L"b.txt"}), 0u) << WideToUtf8(archive.LastMessage());
  ASSERT_EQ(archive.Delete(L"C:\\Src", {L"a.txt"}), 0u) << WideToUtf8(archive.LastMessage());
  EXPECT_EQ(Paths(Arc()), std::vector<std::wstring>{L"b.txt"});
  EXPECT_TRUE(TempFiles(L"C:\\").empty());
  EXPECT_TRUE(TempFiles(L"W:\\").empty());
}

TEST_P(ArchiveFormatTest, NamesWithoutAnAnsiFormSurvive) {
  // Hangul and an emoji have no code page 932 form.
  const std::wstring name = L"한국어\\\xD83D\xDE00 file.txt";
  Fs().AddFile(L"C:\\Src\\" + name, "unicode");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {name}), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Paths(Arc()), std::vector<std::wstring>{name});
  ASSERT_EQ(Extract(Arc(), L"C:\\Out"), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\Out\\" + name), "unicode");
}

TEST_P(ArchiveFormatTest, ListingAMissingOrForeignFileFails) {
  TArchiveFile archive;
  archive.SetFileName(Arc());
  EXPECT_EQ(archive.Open(), err::FileNotFound);
  TArchiveEntryInfo info;
  EXPECT_NE(archive.FindFirst(L"*.*", info), 0u);
  Fs().AddFile(Arc(), "this is plain text, not an archive at all");
  EXPECT_EQ(archive.Open(), err::FileCorrupt);
  EXPECT_NE(archive.LastMessage().find(L"壊れています"), std::wstring::npos);
}

TEST_P(ArchiveFormatTest, FindFirstMatchesThePattern) {
  Fs().AddFile(L"C:\\Src\\a.txt", "a");
  Fs().AddFile(L"C:\\Src\\b.doc", "b");
  Fs().AddFile(L"C:\\Src\\s\\c.txt", "c");
  ASSERT_EQ(Pack(Arc(), L"C:\\Src", {L"a.txt", L"b.doc", L"s\\c.txt"}), 0u);
  TArchiveFile archive;
  archive.SetFileName(Arc());
  ASSERT_EQ(archive.Open(), 0u);
  TArchiveEntryInfo info;
  std::vector<std::wstring> found;
  for (uint32_t r = archive.FindFirst(L"*.txt", info); r == 0; r = archive.FindNext(info)) found.push_back(info.Path);
  EXPECT_EQ(found, (std::vector<std::wstring>{L"a.txt", L"s\\c.txt"}));
  EXPECT_EQ(archive.FindNext(info), err::NoMoreFiles);
}

INSTANTIATE_TEST_SUITE_P(Formats, ArchiveFormatTest, ::testing::Values(L".lzh", L".ZIP"),
                         [](const auto& info) { return std::wstring(info.param) == L".lzh" ? "Lzh" : "Zip"; });

}  // namespace
}  // namespace vog::test
