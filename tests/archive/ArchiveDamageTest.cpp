// Bad input: entries that would escape the target folder, flipped and truncated bytes,
// and sizes that lie. Whatever the archive holds, extraction writes only whole, checked
// files under their names inside the target folder.
#include <algorithm>
#include <set>

#include "platform/Platform.h"
#include "tests/archive/ArchiveTestSupport.h"

namespace vog::test {
namespace {

class ArchiveDamageTest : public ArchiveTest {
protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    Fs().AddFolder(L"C:\\Dest");
  }

  // Every file under `root` holds one of `allowed` contents; no temporary file is left.
  void ExpectOnlyWholeFiles(const std::wstring& root, const std::set<std::string>& allowed) {
    for (const auto& relative : Fs().ListTree(root)) {
      const std::wstring path = root + L"\\" + relative;
      uint32_t attributes = 0;
      ASSERT_EQ(Files().GetAttributes(path, attributes), 0u);
      if (attributes & attr::Directory) continue;
      EXPECT_EQ(path.find(L"VogArc"), std::wstring::npos) << "temporary file left: " << WideToUtf8(path);
      std::string content;
      ASSERT_TRUE(Fs().ReadContent(path, content));
      EXPECT_TRUE(allowed.count(content)) << "partial or wrong file: " << WideToUtf8(path);
    }
  }

  // Writes `bytes` as the archive, lists and extracts it into a fresh folder.
  uint32_t TryArchive(const std::wstring& arc, const std::string& bytes, const std::wstring& out) {
    Fs().AddFile(arc, bytes);
    Fs().AddFolder(out);
    TArchiveFile archive;
    archive.SetFileName(arc);
    if (archive.Open() == 0) {
      TArchiveEntryInfo info;
      for (uint32_t r = archive.FindFirst(L"*.*", info); r == 0; r = archive.FindNext(info)) {}
    }
    return Extract(arc, out);
  }
};

TEST_F(ArchiveDamageTest, UnsafeZipEntriesAreRefusedAndNamed) {
  const std::vector<std::string> unsafe = {
      "../evil1.txt",    "..\\evil2.txt", "/evil3.txt", "C:/evil4.txt", "\\\\srv\\sh\\e5.txt",
      "ok/../../e6.txt", "a/. ./e7.txt",  "NUL.txt",    "sub/com1",     "a//e8.txt",
      "x:stream"};
  std::vector<TRawEntry> entries;
  for (const auto& name : unsafe) entries.push_back({name, "evil"});
  entries.push_back({"good/fine.txt", "fine"});
  Fs().AddFile(L"C:\\Dest\\bad.zip", MakeZip(entries));
  Fs().AddFolder(L"C:\\T\\Out");

  EXPECT_EQ(Extract(L"C:\\Dest\\bad.zip", L"C:\\T\\Out"), err::InvalidName);
  EXPECT_NE(last_.find(L"evil1.txt"), std::wstring::npos) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\T\\Out\\good\\fine.txt"), "fine");
  for (const auto& path : Fs().ListTree(L"C:\\"))
    EXPECT_EQ(WideToUtf8(path).find("evil"), std::string::npos) << WideToUtf8(path);
  // Naming an unsafe entry does not help either.
  EXPECT_EQ(Extract(L"C:\\Dest\\bad.zip", L"C:\\T\\Out", {L"../evil1.txt"}), err::InvalidName);
  EXPECT_FALSE(Fs().Exists(L"C:\\T\\evil1.txt"));
}

TEST_F(ArchiveDamageTest, ListingSkipsAndNamesWhatExtractionRefuses) {
  const std::vector<std::string> unsafe = {"../e1.txt",   "/e2.txt",     "C:e3.txt", "a\\..\\..\\e4.txt",
                                           "ctl\x01.txt", "sub/aux.txt", "x:stream", "\\\\srv\\e5.txt"};
  std::vector<TRawEntry> entries;
  for (const auto& name : unsafe) entries.push_back({name, "evil"});
  entries.push_back({"good\\fine.txt", "fine"});
  Fs().AddFile(L"C:\\Dest\\bad.zip", MakeZip(entries));
  Fs().AddFile(L"C:\\Dest\\bad.lzh", MakeLzh01(entries, 1));
  Fs().AddFolder(L"C:\\Out");
  for (const std::wstring arc : {L"C:\\Dest\\bad.zip", L"C:\\Dest\\bad.lzh"}) {
    TArchiveFile archive;
    archive.SetFileName(arc);
    ASSERT_EQ(archive.Open(), 0u) << WideToUtf8(archive.LastMessage());
    TArchiveEntryInfo info;
    std::vector<std::wstring> listed;
    for (uint32_t r = archive.FindFirst(L"*.*", info); r == 0; r = archive.FindNext(info)) listed.push_back(info.Path);
    EXPECT_EQ(listed, std::vector<std::wstring>{L"good\\fine.txt"}) << WideToUtf8(arc);
    ASSERT_EQ(archive.SkippedEntries().size(), unsafe.size()) << WideToUtf8(arc);
    for (size_t i = 0; i < unsafe.size(); ++i) {
      std::wstring name = Utf8ToWide(unsafe[i]);
      std::replace(name.begin(), name.end(), L'/', L'\\');
      const std::wstring& skipped = archive.SkippedEntries()[i];
      EXPECT_NE(skipped.find(name), std::wstring::npos) << WideToUtf8(skipped);
      // Extraction refuses the entry with the same words.
      TArchiveFile one;
      one.SetFileName(arc);
      EXPECT_EQ(one.Extract(L"C:\\Out", {name}), err::InvalidName) << WideToUtf8(name);
      EXPECT_NE(one.LastMessage().find(skipped), std::wstring::npos) << WideToUtf8(one.LastMessage());
    }
  }
  EXPECT_EQ(Fs().ListTree(L"C:\\Out"), std::vector<std::wstring>{});
}

TEST_F(ArchiveDamageTest, UnsafeLzhEntriesAreRefused) {
  for (int level : {0, 1}) {
    const std::wstring out = L"C:\\T" + IntToText(level) + L"\\Out";
    Fs().AddFile(
        L"C:\\Dest\\bad.lzh",
        MakeLzh01({{"..\\evil.txt", "evil"}, {"\\evil2.txt", "evil"}, {"d:evil3.txt", "evil"}, {"fine.txt", "fine"}},
                  level));
    Fs().AddFolder(out);
    EXPECT_EQ(Extract(L"C:\\Dest\\bad.lzh", out), err::InvalidName);
    EXPECT_NE(last_.find(L"evil.txt"), std::wstring::npos) << WideToUtf8(last_);
    EXPECT_EQ(Content(out + L"\\fine.txt"), "fine");
    for (const auto& path : Fs().ListTree(L"C:\\"))
      EXPECT_EQ(WideToUtf8(path).find("evil"), std::string::npos) << WideToUtf8(path);
  }
}

class ArchiveCorruptionTest : public ArchiveDamageTest, public ::testing::WithParamInterface<const wchar_t*> {
protected:
  std::string MakeSample(std::wstring& arc) {
    arc = std::wstring(L"C:\\Dest\\sample") + GetParam();
    Fs().AddFile(L"C:\\Src\\a.txt", TextBytes(3000, 7));
    Fs().AddFile(L"C:\\Src\\d\\b.bin", RandomBytes(200, 8));
    EXPECT_EQ(Pack(arc, L"C:\\Src", {L"a.txt", L"d\\b.bin"}), 0u) << WideToUtf8(last_);
    return Content(arc);
  }
};

TEST_P(ArchiveCorruptionTest, FlippedBytesNeverGiveAPartialFile) {
  std::wstring arc;
  const std::string good = MakeSample(arc);
  const std::set<std::string> allowed = {Content(L"C:\\Src\\a.txt"), Content(L"C:\\Src\\d\\b.bin")};
  int failures = 0;
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x5A);
    const std::wstring out = L"C:\\F" + IntToText(static_cast<int64_t>(i));
    if (TryArchive(arc, bad, out) != 0) {
      ++failures;
      EXPECT_FALSE(last_.empty());
    }
    ExpectOnlyWholeFiles(out, allowed);
    if (HasFailure()) {
      ADD_FAILURE() << "at byte " << i;
      return;
    }
  }
  EXPECT_GT(failures, static_cast<int>(good.size() / 2)) << "most damage is detected";
}

TEST_P(ArchiveCorruptionTest, TruncatedArchivesFailCleanly) {
  std::wstring arc;
  const std::string good = MakeSample(arc);
  const std::set<std::string> allowed = {Content(L"C:\\Src\\a.txt"), Content(L"C:\\Src\\d\\b.bin")};
  for (size_t length = 0; length < good.size(); length += (length < 64 ? 1 : 7)) {
    const std::wstring out = L"C:\\T" + IntToText(static_cast<int64_t>(length));
    const uint32_t code = TryArchive(arc, good.substr(0, length), out);
    // An LZH cut where a header would start reads as shorter archive: nothing, the first
    // entry, or every entry without the end mark.
    const bool lzh = std::wstring(GetParam()) == L".lzh";
    const size_t second = lzh ? (static_cast<uint8_t>(good[0]) | static_cast<uint8_t>(good[1]) << 8) +
                                    (static_cast<uint8_t>(good[7]) | static_cast<uint8_t>(good[8]) << 8)
                              : 0;
    if (!(lzh && (length == 0 || length == second || length == good.size() - 1))) {
      EXPECT_NE(code, 0u) << length;
    }
    ExpectOnlyWholeFiles(out, allowed);
    if (HasFailure()) return;
  }
}

TEST_P(ArchiveCorruptionTest, SizesThatLieAreDetected) {
  std::wstring arc;
  const std::string good = MakeSample(arc);
  const bool lzh = std::wstring(GetParam()) == L".lzh";
  // The first entry's original size, made one larger and one smaller; for LZH the header
  // CRC is made to match again so that only the data can tell.
  for (int delta : {1, -1, 1000000}) {
    std::string bad = good;
    size_t at = 0;
    if (lzh) {
      at = 11;
    } else {
      at = bad.find(std::string("PK\x01\x02", 4)) + 24;
    }
    uint32_t size = static_cast<uint8_t>(bad[at]) | static_cast<uint8_t>(bad[at + 1]) << 8 |
                    static_cast<uint8_t>(bad[at + 2]) << 16 |
                    static_cast<uint32_t>(static_cast<uint8_t>(bad[at + 3])) << 24;
    size = static_cast<uint32_t>(static_cast<int64_t>(size) + delta);
    for (int k = 0; k < 4; ++k) bad[at + k] = static_cast<char>((size >> (8 * k)) & 0xFF);
    if (lzh) {
      const size_t headerSize = static_cast<uint8_t>(bad[0]) | static_cast<uint8_t>(bad[1]) << 8;
      bad[27] = bad[28] = 0;  // the header CRC follows the first extended header's type
      const uint16_t crc = lzh::Crc16(0, bad.data(), headerSize);
      bad[27] = static_cast<char>(crc & 0xFF);
      bad[28] = static_cast<char>(crc >> 8);
    }
    const std::wstring out = L"C:\\L" + IntToText(delta + 10);
    EXPECT_NE(TryArchive(arc, bad, out), 0u) << delta;
    EXPECT_NE(last_.find(L"a.txt"), std::wstring::npos) << WideToUtf8(last_);
    EXPECT_FALSE(Fs().Exists(out + L"\\a.txt"));
    EXPECT_EQ(Content(out + L"\\d\\b.bin"), Content(L"C:\\Src\\d\\b.bin")) << "the sound entry is still extracted";
    ExpectOnlyWholeFiles(out, {Content(L"C:\\Src\\d\\b.bin")});
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ArchiveCorruptionTest, ::testing::Values(L".lzh", L".zip"),
                         [](const auto& info) { return std::wstring(info.param) == L".lzh" ? "Lzh" : "Zip"; });

}  // namespace
}  // namespace vog::test
