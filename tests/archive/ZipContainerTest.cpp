// The ZIP container: names in code page 932 or UTF-8 (flag bit 11), entries written with
// data descriptors, and ZIP64 for more than 65535 entries.
#include "platform/Platform.h"
#include "tests/archive/ArchiveTestSupport.h"

namespace vog::test {
namespace {

class ZipContainerTest : public ArchiveTest {
protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    Fs().AddFolder(L"C:\\Dest");
    Fs().AddFolder(L"C:\\Out");
  }
};

uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

TEST_F(ZipContainerTest, NamesAreAnsiOrFlaggedUtf8) {
  Fs().AddFile(L"C:\\Src\\日本語.txt", "ansi");
  Fs().AddFile(L"C:\\Src\\한국어.txt", "utf8");
  ASSERT_EQ(Pack(L"C:\\Dest\\n.zip", L"C:\\Src", {L"日本語.txt"}), 0u);
  ASSERT_EQ(Pack(L"C:\\Dest\\n.zip", L"C:\\Src", {L"한국어.txt"}), 0u);
  const std::string bytes = Content(L"C:\\Dest\\n.zip");
  const size_t first = bytes.find(std::string("PK\x03\x04", 4));
  const size_t second = bytes.find(std::string("PK\x03\x04", 4), first + 4);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(U16(bytes, first + 6) & 0x800, 0);
  EXPECT_EQ(bytes.substr(first + 30, U16(bytes, first + 26)), CodePage().WideToAnsi(L"日本語.txt"));
  EXPECT_EQ(U16(bytes, second + 6) & 0x800, 0x800);
  EXPECT_EQ(bytes.substr(second + 30, U16(bytes, second + 26)), WideToUtf8(L"한국어.txt"));
  EXPECT_EQ(Paths(L"C:\\Dest\\n.zip"), (std::vector<std::wstring>{L"日本語.txt", L"한국어.txt"}));
}

// Info-ZIP's Unicode path field: version 1, CRC-32 of `crcOf`, `utf8`.
std::string UnicodePath(const std::string& crcOf, const std::string& utf8) {
  std::string field;
  Put16(field, 0x7075);
  Put16(field, static_cast<unsigned>(5 + utf8.size()));
  field.push_back(1);
  Put32(field, ZipCrc(crcOf));
  return field + utf8;
}

TEST_F(ZipContainerTest, NonAsciiAnsiNamesCarryTheUnicodePathField) {
  Fs().AddFile(L"C:\\Src\\日本語\\ファイル.txt", "ansi and utf-8");
  Fs().AddFile(L"C:\\Src\\plain.txt", "ascii");
  ASSERT_EQ(Pack(L"C:\\Dest\\u.zip", L"C:\\Src", {L"日本語\\ファイル.txt", L"plain.txt"}), 0u) << WideToUtf8(last_);
  const std::string bytes = Content(L"C:\\Dest\\u.zip");
  const std::string ansi = CodePage().WideToAnsi(L"日本語/ファイル.txt");
  const std::string field = UnicodePath(ansi, WideToUtf8(L"日本語/ファイル.txt"));
  const size_t local = bytes.find(std::string("PK\x03\x04", 4));
  EXPECT_EQ(bytes.substr(local + 30, U16(bytes, local + 26)), ansi);
  EXPECT_EQ(bytes.substr(local + 30 + ansi.size(), U16(bytes, local + 28)), field) << "local header";
  const size_t central = bytes.find(std::string("PK\x01\x02", 4));
  EXPECT_EQ(U16(bytes, central + 8) & 0x800, 0) << "no UTF-8 flag: the stored name is code page 932";
  EXPECT_EQ(bytes.substr(central + 46 + ansi.size(), U16(bytes, central + 30)), field) << "central header";
  const size_t plain = bytes.find(std::string("PK\x01\x02", 4), central + 4);
  EXPECT_EQ(U16(bytes, plain + 30), 0) << "an ASCII name needs no field";
}

TEST_F(ZipContainerTest, AValidUnicodePathFieldWinsOverTheAnsiName) {
  const std::string ansi = CodePage().WideToAnsi(L"漢字.txt");
  Fs().AddFile(
      L"C:\\Dest\\p.zip",
      MakeZip({{ansi, "1", 0, 0x58210000, false, {}, false, UnicodePath(ansi, WideToUtf8(L"ユニ/ü.txt"))},
               {ansi + "2", "2", 0, 0x58210000, false, {}, false, UnicodePath("other", "wrong crc.txt")},
               {ansi + "3", "3", 0, 0x58210000, false, {}, false, UnicodePath(ansi + "3", "bad \xFF utf-8")}}));
  EXPECT_EQ(Paths(L"C:\\Dest\\p.zip"), (std::vector<std::wstring>{L"ユニ\\ü.txt", L"漢字.txt2", L"漢字.txt3"}));
}

TEST_F(ZipContainerTest, ReadsDescriptorsUtf8AndFolderEntries) {
  Fs().AddFile(L"C:\\Dest\\d.zip", MakeZip({{"dir/", ""},
                                            {"dir/streamed.txt", "written with a data descriptor", 0, 0x58210000, true},
                                            {WideToUtf8(L"dir/ünïcödé.txt"), "utf8 name", 0x800},
                                            {CodePage().WideToAnsi(L"dir/漢字.txt"), "ansi name"}}));
  const auto entries = List(L"C:\\Dest\\d.zip");
  ASSERT_EQ(entries.size(), 3u) << "folder entries are not listed";
  EXPECT_EQ(entries[0].Path, L"dir\\streamed.txt");
  EXPECT_EQ(entries[0].Size, 30u);
  EXPECT_EQ(entries[1].Path, L"dir\\ünïcödé.txt");
  EXPECT_EQ(entries[2].Path, L"dir\\漢字.txt");
  ASSERT_EQ(Extract(L"C:\\Dest\\d.zip", L"C:\\Out"), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\Out\\dir\\streamed.txt"), "written with a data descriptor");
  EXPECT_EQ(Content(L"C:\\Out\\dir\\ünïcödé.txt"), "utf8 name");
  EXPECT_EQ(Content(L"C:\\Out\\dir\\漢字.txt"), "ansi name");

  // Deleting keeps the other entries readable (their data is copied as it was).
  TArchiveFile archive;
  archive.SetFileName(L"C:\\Dest\\d.zip");
  ASSERT_EQ(archive.Delete(L"", {L"dir\\漢字.txt"}), 0u) << WideToUtf8(archive.LastMessage());
  Fs().AddFolder(L"C:\\Out2");
  ASSERT_EQ(Extract(L"C:\\Dest\\d.zip", L"C:\\Out2"), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\Out2\\dir\\streamed.txt"), "written with a data descriptor");
  EXPECT_FALSE(Fs().Exists(L"C:\\Out2\\dir\\漢字.txt"));
}

TEST_F(ZipContainerTest, MoreThan65535EntriesUseZip64) {
  std::vector<std::wstring> names;
  for (int i = 0; i < 65540; ++i) {
    names.push_back(L"f" + IntToText(i));
    Fs().AddFile(L"C:\\Src\\" + names.back(), "");
  }
  ASSERT_EQ(Pack(L"C:\\Dest\\many.zip", L"C:\\Src", names), 0u) << WideToUtf8(last_);
  const std::string bytes = Content(L"C:\\Dest\\many.zip");
  EXPECT_NE(bytes.find(std::string("PK\x06\x06", 4)), std::string::npos) << "ZIP64 end record";
  EXPECT_NE(bytes.find(std::string("PK\x06\x07", 4)), std::string::npos) << "ZIP64 locator";
  const auto entries = List(L"C:\\Dest\\many.zip");
  ASSERT_EQ(entries.size(), names.size());
  EXPECT_EQ(entries.back().Path, L"f65539");
}

}  // namespace
}  // namespace vog::test
