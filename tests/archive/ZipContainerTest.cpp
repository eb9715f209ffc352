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
