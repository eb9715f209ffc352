// File operations of TCipherManager on the memory platform: replacing a destination with
// the source's date and attributes, coding in place, and failures that name the file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "services/cipher/CipherManager.h"
#include "tests/support/MemoryFixture.h"

namespace vog {
namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

class CipherFileTest : public test::MemoryTest {
protected:
  void SetUp() override {
    MemoryTest::SetUp();
    manager_.SetMode(TCipherMode::cmCBC);
    manager_.SetKeyText("file key");
  }
  std::string Expected(const std::string& plain) {
    std::string out(plain.size(), '\0');
    manager_.EncipherBuffer(plain.data(), out.data(), plain.size());
    return out;
  }
  std::string Content(const std::wstring& path) {
    std::string content;
    EXPECT_TRUE(Fs().ReadContent(path, content)) << WideToUtf8(path);
    return content;
  }
  TFindData Info(const std::wstring& path) {
    TFindData info;
    EXPECT_EQ(Fs().GetInfo(path, info), 0u);
    return info;
  }

  TCipherManager manager_;
  const TFileTime sourceTime_{133000000000000000ull};
};

TEST_F(CipherFileTest, DestinationReplacedAndGivenTheSourcesDateAndAttributes) {
  auto plain = RandomBytes(150001, 1);
  Fs().AddFile(L"C:\\src\\data.bin", plain, attr::Archive | attr::Hidden, sourceTime_);
  Fs().AddFile(L"C:\\dst\\data.bin", std::string(300000, 'x'));  // longer: must be cut
  ManualClock().Advance(3600 * 1000);
  manager_.EncipherFile(std::wstring(L"C:\\src\\data.bin"), std::wstring(L"C:\\dst\\data.bin"));
  EXPECT_EQ(Content(L"C:\\dst\\data.bin"), Expected(plain));
  auto info = Info(L"C:\\dst\\data.bin");
  EXPECT_EQ(info.LastWriteTime, sourceTime_);
  EXPECT_EQ(info.Attr, attr::Archive | attr::Hidden);
  EXPECT_EQ(Content(L"C:\\src\\data.bin"), plain);

  manager_.DecipherFile(std::wstring(L"C:\\dst\\data.bin"), std::wstring(L"C:\\dst\\back.bin"));
  EXPECT_EQ(Content(L"C:\\dst\\back.bin"), plain);
}

TEST_F(CipherFileTest, SamePathInAnyCaseOrBlankDestinationCodesInPlace) {
  for (size_t size : {0u, 7u, 65536u, 65537u, 200000u}) {
    auto plain = RandomBytes(size, static_cast<unsigned>(size));
    Fs().AddFile(L"C:\\f\\File.dat", plain, attr::Archive, sourceTime_);
    manager_.EncipherFile(std::wstring(L"C:\\f\\File.dat"), std::wstring(L"c:\\F\\FILE.DAT"));
    EXPECT_EQ(Content(L"C:\\f\\File.dat"), Expected(plain)) << size;
    EXPECT_EQ(Info(L"C:\\f\\File.dat").Attr, attr::Archive);
    manager_.DecipherFile(std::wstring(L"C:\\f\\File.dat"), std::wstring());
    EXPECT_EQ(Content(L"C:\\f\\File.dat"), plain) << size;
    EXPECT_EQ(Fs().ListTree(L"C:\\f").size(), 1u);  // nothing else was made
  }
}

TEST_F(CipherFileTest, AnsiPathsAreConvertedThroughTheCodePage) {
  auto plain = RandomBytes(1000, 2);
  Fs().AddFile(L"C:\\\u30c7\u30fc\u30bf\\a.txt", plain);
  // "データ" in code page 932.
  std::string folder = "C:\\\x83\x66\x81\x5b\x83\x5e\\";
  manager_.EncipherFile(folder + "a.txt", folder + "b.txt");
  EXPECT_EQ(Content(L"C:\\\u30c7\u30fc\u30bf\\b.txt"), Expected(plain));
}

TEST_F(CipherFileTest, MissingSourceNamesTheFileAndCreatesNothing) {
  try {
    manager_.EncipherFile(std::wstring(L"C:\\nothere.txt"), std::wstring(L"C:\\out.txt"));
    FAIL() << "no error";
  } catch (const EFileOpenError& e) {
    EXPECT_EQ(e.Code(), err::FileNotFound);
    EXPECT_NE(e.Message().find(L"C:\\nothere.txt"), std::wstring::npos);
  }
  EXPECT_FALSE(Fs().Exists(L"C:\\out.txt"));
}

TEST_F(CipherFileTest, DestinationThatCannotBeCreatedIsACreateError) {
  Fs().AddFile(L"C:\\in.txt", "plain text");
  Fs().AddFile(L"C:\\locked.txt", "old", attr::ReadOnly);
  try {
    manager_.EncipherFile(std::wstring(L"C:\\in.txt"), std::wstring(L"C:\\locked.txt"));
    FAIL() << "no error";
  } catch (const EFileCreateError& e) {
    EXPECT_EQ(e.Code(), err::AccessDenied);
    EXPECT_NE(e.Message().find(L"C:\\locked.txt"), std::wstring::npos);
  }
  EXPECT_EQ(Content(L"C:\\locked.txt"), "old");
}

TEST_F(CipherFileTest, ReadAndWriteFaultsLeaveTheDestinationAsFarAsWritten) {
  auto plain = RandomBytes(200000, 3);
  Fs().AddFile(L"C:\\in.bin", plain);
  Fs().InjectFault({L"C:\\in.bin", TFaultOp::Read, err::NetworkBusy, 70000});
  std::vector<std::pair<int64_t, int64_t>> events;
  manager_.OnProgress = [&](TCipherManager&, int64_t done, int64_t total) { events.push_back({done, total}); };
  try {
    manager_.EncipherFile(std::wstring(L"C:\\in.bin"), std::wstring(L"C:\\out.bin"));
    FAIL() << "no error";
  } catch (const EFileReadError& e) {
    EXPECT_EQ(e.Message(), L"File Read Error");
    EXPECT_EQ(e.Code(), err::NetworkBusy);
  }
  EXPECT_EQ(Content(L"C:\\out.bin"), Expected(plain).substr(0, 65536));
  EXPECT_EQ(events.back(), std::make_pair(int64_t(0), int64_t(0)));

  Fs().ClearFaults();
  Fs().InjectFault({L"C:\\out2.bin", TFaultOp::Write, err::DiskFull, 100000});
  try {
    manager_.EncipherFile(std::wstring(L"C:\\in.bin"), std::wstring(L"C:\\out2.bin"));
    FAIL() << "no error";
  } catch (const EFileWriteError& e) {
    EXPECT_EQ(e.Message(), L"File Write Error");
    EXPECT_EQ(e.Code(), err::DiskFull);
  }
  EXPECT_EQ(events.back(), std::make_pair(int64_t(0), int64_t(0)));
}

TEST_F(CipherFileTest, WithoutAKeyNothingIsOpenedOrTruncated) {
  TCipherManager fresh;
  Fs().AddFile(L"C:\\in.txt", "abc");
  Fs().AddFile(L"C:\\out.txt", "keep me");
  EXPECT_THROW(fresh.EncipherFile(std::wstring(L"C:\\in.txt"), std::wstring(L"C:\\out.txt")), ECipherError);
  EXPECT_EQ(Content(L"C:\\out.txt"), "keep me");
}

}  // namespace
}  // namespace vog
