// The LZH container: level 0 and 1 headers written by other programs, and the level-2
// headers the program writes (folders after 0xFF, UNIX time, header CRC, header sizes).
#include "platform/Platform.h"
#include "tests/archive/ArchiveTestSupport.h"

namespace vog::test {
namespace {

class LzhContainerTest : public ArchiveTest {
protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    Fs().AddFolder(L"C:\\Dest");
    Fs().AddFolder(L"C:\\Out");
  }
};

TEST_F(LzhContainerTest, Level0And1NamesAndDosTimes) {
  // "ソフト\表.txt" in code page 932: both ソ (83 5C) and 表 (95 5C) end in the byte of "\".
  const std::string sjisName = "\x83\x5C\x83\x74\x83\x67\\\x95\x5C.txt";
  const uint32_t dos = (44u << 25 | 2u << 21 | 29u << 16) | (13u << 11 | 14u << 5 | 15u);  // 2024-02-29 13:14:30
  for (int level : {0, 1}) {
    const std::wstring arc = L"C:\\Dest\\old" + IntToText(level) + L".lzh";
    Fs().AddFile(arc, MakeLzh01({{sjisName, "first", 0, dos}, {"dir/second.txt", "second", 0, dos}}, level));
    const auto entries = List(arc);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Path, L"ソフト\\表.txt");
    EXPECT_EQ(entries[1].Path, L"dir\\second.txt");
    EXPECT_EQ(entries[0].DosTime, static_cast<int32_t>(dos));
    EXPECT_EQ(entries[0].Size, 5u);
    EXPECT_EQ(entries[0].Method, L"-lh0-");

    const std::wstring out = L"C:\\Out\\" + IntToText(level);
    Fs().AddFolder(out);
    ASSERT_EQ(Extract(arc, out), 0u) << WideToUtf8(last_);
    EXPECT_EQ(Content(out + L"\\ソフト\\表.txt"), "first");
    TFindData info;
    ASSERT_EQ(Files().GetInfo(out + L"\\dir\\second.txt", info), 0u);
    EXPECT_EQ(info.LastWriteTime, Clock().LocalToUtc(DosToFileTime(static_cast<int32_t>(dos))));
  }
}

TEST_F(LzhContainerTest, Level0HeaderChecksumAndDataCrcAreChecked) {
  std::string arc = MakeLzh01({{"a.txt", "some data"}}, 0);
  std::string badSum = arc;
  badSum[1] = static_cast<char>(badSum[1] + 1);
  Fs().AddFile(L"C:\\Dest\\sum.lzh", badSum);
  TArchiveFile archive;
  archive.SetFileName(L"C:\\Dest\\sum.lzh");
  EXPECT_EQ(archive.Open(), err::FileCorrupt);
  EXPECT_NE(archive.LastMessage().find(L"チェックサム"), std::wstring::npos);

  std::string badData = arc;
  badData[badData.size() - 3] ^= 1;  // inside "some data"
  Fs().AddFile(L"C:\\Dest\\crc.lzh", badData);
  EXPECT_EQ(Extract(L"C:\\Dest\\crc.lzh", L"C:\\Out"), err::Crc);
  EXPECT_NE(last_.find(L"CRC"), std::wstring::npos);
  EXPECT_FALSE(Fs().Exists(L"C:\\Out\\a.txt"));
}

uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | static_cast<uint32_t>(U16(s, at + 2)) << 16; }

TEST_F(LzhContainerTest, Level2HeaderAsWritten) {
  ManualClock().SetLocalNow(45366.25);  // 2024-03-15 06:00 local, 2024-03-14 21:00 UTC
  Fs().AddFile(L"C:\\Src\\フォルダ\\sub\\名前.txt", TextBytes(5000, 4));
  ASSERT_EQ(Pack(L"C:\\Dest\\a.lzh", L"C:\\Src", {L"フォルダ\\sub\\名前.txt"}), 0u) << WideToUtf8(last_);
  const std::string bytes = Content(L"C:\\Dest\\a.lzh");
  ASSERT_GT(bytes.size(), 40u);
  EXPECT_EQ(bytes.substr(2, 5), "-lh5-");
  EXPECT_EQ(bytes[20], 2) << "level 2";
  EXPECT_EQ(bytes[23], 'M');
  EXPECT_EQ(U32(bytes, 11), 5000u);
  EXPECT_EQ(bytes.back(), '\0') << "end mark";
  // The UNIX time is UTC: 2024-03-14 21:00:00.
  EXPECT_EQ(U32(bytes, 15), 1710450000u);
  // The folder header: ANSI parts each followed by 0xFF.
  const std::string folder = CodePage().WideToAnsi(L"フォルダ") + "\xFF" + "sub" + "\xFF";
  EXPECT_NE(bytes.find(folder), std::string::npos);
  EXPECT_NE(bytes.find(CodePage().WideToAnsi(L"名前.txt")), std::string::npos);
  // Listed back as the file's local DOS time.
  const auto entries = List(L"C:\\Dest\\a.lzh");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].DosTime, static_cast<int32_t>((44u << 25 | 3u << 21 | 15u << 16) | (6u << 11)));

  // A flipped name byte fails the header CRC.
  std::string bad = bytes;
  bad[bytes.find("sub")] = 'S';
  Fs().AddFile(L"C:\\Dest\\bad.lzh", bad);
  TArchiveFile archive;
  archive.SetFileName(L"C:\\Dest\\bad.lzh");
  EXPECT_EQ(archive.Open(), err::FileCorrupt);
  EXPECT_NE(archive.LastMessage().find(L"ヘッダの CRC"), std::wstring::npos);
}

// The Windows time header's data: creation, last-write, last-access.
std::string WinTimes(uint64_t creation, uint64_t write, uint64_t access) {
  std::string data;
  for (uint64_t v : {creation, write, access}) {
    Put32(data, static_cast<uint32_t>(v));
    Put32(data, static_cast<uint32_t>(v >> 32));
  }
  return data;
}

constexpr uint64_t kCreated = 133000000001234567ull, kWritten = 133100000007654321ull,
                   kAccessed = 133200000005555555ull;

TEST_F(LzhContainerTest, Level1WindowsTimeAnd64BitSizes) {
  // Sizes only in the 64-bit header, which at level 1 counts the extended headers too.
  Fs().AddFile(L"C:\\Dest\\l1.lzh", MakeLzh01({{"t.txt",
                                                "timed data",
                                                0,
                                                0x58210000,
                                                false,
                                                {std::string(1, '\x41') + WinTimes(kCreated, kWritten, kAccessed)},
                                                true},
                                               {"next.txt", "next"}},
                                              1));
  const auto entries = List(L"C:\\Dest\\l1.lzh");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Size, 10u);
  EXPECT_EQ(entries[0].PackedSize, 10u);
  ASSERT_EQ(Extract(L"C:\\Dest\\l1.lzh", L"C:\\Out"), 0u) << WideToUtf8(last_);
  EXPECT_EQ(Content(L"C:\\Out\\t.txt"), "timed data");
  EXPECT_EQ(Content(L"C:\\Out\\next.txt"), "next");
  TFindData info;
  ASSERT_EQ(Files().GetInfo(L"C:\\Out\\t.txt", info), 0u);
  EXPECT_EQ(info.LastWriteTime.Value, kWritten) << "the middle one of the three times";
}

TEST_F(LzhContainerTest, PackedEntriesCarryAllThreeWindowsTimes) {
  Fs().AddFile(L"C:\\Src\\a.txt", "three times");
  const TFileTime created{kCreated}, written{kWritten}, accessed{kAccessed};
  ASSERT_EQ(Files().SetTimes(L"C:\\Src\\a.txt", &created, &accessed, &written), 0u);
  ASSERT_EQ(Pack(L"C:\\Dest\\t.lzh", L"C:\\Src", {L"a.txt"}), 0u) << WideToUtf8(last_);
  EXPECT_NE(Content(L"C:\\Dest\\t.lzh").find(WinTimes(kCreated, kWritten, kAccessed)), std::string::npos);
  ASSERT_EQ(Extract(L"C:\\Dest\\t.lzh", L"C:\\Out"), 0u) << WideToUtf8(last_);
  TFindData info;
  ASSERT_EQ(Files().GetInfo(L"C:\\Out\\a.txt", info), 0u);
  EXPECT_EQ(info.LastWriteTime.Value, kWritten) << "to the 100 ns, so not from the UNIX time";
}

TEST_F(LzhContainerTest, HeaderSizeNeverEndsInAZeroByte) {
  // Names of 210..225 characters take a level-2 header across 256 bytes.
  std::vector<std::wstring> names;
  for (int length = 210; length <= 225; ++length) {
    std::wstring name(static_cast<size_t>(length - 4), L'n');
    name += L".txt";
    name[0] = static_cast<wchar_t>(L'A' + (length - 210));
    Fs().AddFile(L"C:\\Src\\" + name, "x");
    names.push_back(name);
  }
  ASSERT_EQ(Pack(L"C:\\Dest\\long.lzh", L"C:\\Src", names), 0u) << WideToUtf8(last_);
  const std::string bytes = Content(L"C:\\Dest\\long.lzh");
  size_t at = 0;
  int headers = 0;
  while (at < bytes.size() && bytes[at] != 0) {
    const uint16_t size = U16(bytes, at);
    EXPECT_NE(size & 0xFF, 0) << "header " << headers;
    at += size + U32(bytes, at + 7);
    ++headers;
  }
  EXPECT_EQ(headers, static_cast<int>(names.size()));
  EXPECT_EQ(Paths(L"C:\\Dest\\long.lzh"), names);
}

TEST_F(LzhContainerTest, LevelsMixedInOneArchiveAreKeptOnUpdate) {
  // An archive from another program with a level-0 entry: updating another entry keeps
  // the old header byte for byte.
  const std::string old = MakeLzh01({{"old.txt", "old data"}}, 0);
  Fs().AddFile(L"C:\\Dest\\mix.lzh", old);
  Fs().AddFile(L"C:\\Src\\new.txt", "new data");
  ASSERT_EQ(Pack(L"C:\\Dest\\mix.lzh", L"C:\\Src", {L"new.txt"}), 0u) << WideToUtf8(last_);
  const std::string bytes = Content(L"C:\\Dest\\mix.lzh");
  EXPECT_EQ(bytes.substr(0, old.size() - 1), old.substr(0, old.size() - 1));
  EXPECT_EQ(Paths(L"C:\\Dest\\mix.lzh"), (std::vector<std::wstring>{L"old.txt", L"new.txt"}));
  ASSERT_EQ(Extract(L"C:\\Dest\\mix.lzh", L"C:\\Out"), 0u);
  EXPECT_EQ(Content(L"C:\\Out\\old.txt"), "old data");
  EXPECT_EQ(Content(L"C:\\Out\\new.txt"), "new data");
}

}  // namespace
}  // namespace vog::test
