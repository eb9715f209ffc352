// The codec against independent LHA tools: lhasa extracts what the encoder writes, and the
// decoder reads what jlha writes.

#include "archive/LzhCodecTestArchive.h"
#include "archive/LzhCodecTestData.h"
#include "services/archive/LzhCodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vog::lzh {
namespace {

using namespace vog::test::lzh;
namespace fs = std::filesystem;

bool HasTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class LzhCodecOracleTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("vog-lzh-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }

  fs::path Dir;
};

TEST_F(LzhCodecOracleTest, LhasaExtractsWhatTheEncoderWrites) {
  if (!HasTool("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  std::vector<uint8_t> pattern;
  for (int i = 0; i < 600000; ++i) pattern.push_back(uint8_t(i % 251 < 200 ? 'a' + i % 7 : i * 13));
  const struct {
    const char* Name;
    std::vector<uint8_t> Data;
  } inputs[] = {
      {"one", {0x41}},
      {"three", {1, 2, 3}},
      {"mixed", MixedData(1024 * 1024 + 11, 31)},
      {"random", RandomBytes(200000, 32)},
      {"pattern", pattern},
      // More than one block of 65535 maximal matches (tried with one method only).
      {"zeros", std::vector<uint8_t>(17 * 1024 * 1024 + 5, 0)},
  };
  for (TMethod method : {TMethod::Lh5, TMethod::Lh6, TMethod::Lh7}) {
    for (const auto& input : inputs) {
      if (method != TMethod::Lh5 && input.Data.size() > 16 * 1024 * 1024) continue;
      SCOPED_TRACE(std::string(MethodId(method)) + " " + input.Name);
      std::vector<uint8_t> packed;
      size_t pos = 0;
      const TEncodeResult result = Encode(method, VectorReader(input.Data, pos), VectorWriter(packed));
      const fs::path archive = Dir / "test.lzh";
      WriteFile(archive, SingleEntryArchive(method, "entry.bin", packed, input.Data.size(), result.Crc));
      const fs::path extracted = Dir / "out.bin";
      const std::string command = "lhasa pq '" + archive.string() + "' > '" + extracted.string() + "' 2>/dev/null";
      EXPECT_EQ(std::system(command.c_str()), 0);
      EXPECT_TRUE(ReadFile(extracted) == input.Data);
    }
  }
}

TEST_F(LzhCodecOracleTest, DecodesWhatJlhaWrites) {
  if (!HasTool("jlha")) GTEST_SKIP() << "jlha is not installed";
  const auto mixed = MixedData(2 * 1024 * 1024 + 77, 41);
  WriteFile(Dir / "mixed.bin", mixed);
  const struct {
    const char* Options;
    TMethod Method;
  } cases[] = {{"a0o5", TMethod::Lh5}, {"a1o6", TMethod::Lh6}, {"a2o7", TMethod::Lh7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Options);
    const fs::path archive = Dir / (std::string(c.Options) + ".lzh");
    const std::string command =
        "cd '" + Dir.string() + "' && jlha " + c.Options + " '" + archive.string() + "' mixed.bin >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto entry = FirstEntry(ReadFile(archive));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->Method, MethodId(c.Method));
    ASSERT_EQ(entry->OriginalSize, mixed.size());
    std::vector<uint8_t> out;
    size_t pos = 0;
    uint16_t crc = 0;
    ASSERT_EQ(Decode(c.Method, entry->Packed.size(), entry->OriginalSize, VectorReader(entry->Packed, pos),
                     VectorWriter(out), crc),
              TDecodeStatus::Ok);
    EXPECT_TRUE(out == mixed);
    EXPECT_EQ(crc, entry->Crc);
  }
}

}  // namespace
}  // namespace vog::lzh
