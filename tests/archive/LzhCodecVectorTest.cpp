// Streams made by another archiver, and damaged streams.

#include "archive/LzhCodecTestArchive.h"
#include "archive/LzhCodecTestData.h"
#include "services/archive/LzhCodec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

namespace vog::lzh {
namespace {

using namespace vog::test::lzh;

std::vector<uint8_t> ReadTestFile(const std::string& name) {
  const char* root = std::getenv("VOG_TEST_DATA");
  std::ifstream in(std::string(root ? root : "tests/data") + "/lzh/" + name, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TMethod MethodOf(const std::string& id) {
  if (id == "-lh5-") return TMethod::Lh5;
  if (id == "-lh6-") return TMethod::Lh6;
  if (id == "-lh7-") return TMethod::Lh7;
  return TMethod::Lh0;
}

TDecodeStatus DecodeBytes(TMethod method, const std::vector<uint8_t>& packed, uint64_t packedSize,
                          uint64_t originalSize, std::vector<uint8_t>& out, uint16_t& crc) {
  size_t pos = 0;
  return Decode(method, packedSize, originalSize, VectorReader(packed, pos), VectorWriter(out), crc);
}

std::vector<uint8_t> RunsData() {
  std::vector<uint8_t> data(100000, 'x');
  for (int i = 0; i < 5000; ++i)
    for (char c = '0'; c <= '9'; ++c) data.push_back(uint8_t(c));
  return data;
}

TEST(LzhCodecVectorTest, DecodesArchivesMadeByAnotherArchiver) {
  const auto mixed = MixedData(60000, 8);
  const struct {
    const char* File;
    const char* Method;
    std::vector<uint8_t> Expected;
  } cases[] = {
      {"lh5-level0.lzh", "-lh5-", mixed},
      {"lh6-level1.lzh", "-lh6-", mixed},
      {"lh7-level2.lzh", "-lh7-", mixed},
      {"runs-lh5.lzh", "-lh5-", RunsData()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const auto archive = ReadTestFile(c.File);
    ASSERT_FALSE(archive.empty());
    const auto entry = FirstEntry(archive);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->Method, c.Method);
    ASSERT_EQ(entry->OriginalSize, c.Expected.size());
    std::vector<uint8_t> out;
    uint16_t crc = 0;
    ASSERT_EQ(DecodeBytes(MethodOf(entry->Method), entry->Packed, entry->Packed.size(), entry->OriginalSize, out, crc),
              TDecodeStatus::Ok);
    EXPECT_TRUE(out == c.Expected);
    EXPECT_EQ(crc, entry->Crc);
  }
}

TEST(LzhCodecVectorTest, CutStreamsReportTruncated) {
  const auto data = MixedData(40000, 3);
  for (TMethod method : {TMethod::Lh0, TMethod::Lh5, TMethod::Lh7}) {
    std::vector<uint8_t> packed;
    size_t pos = 0;
    Encode(method, VectorReader(data, pos), VectorWriter(packed));
    for (size_t cut = 0; cut < packed.size(); cut += 1 + cut / 3) {
      SCOPED_TRACE("cut at " + std::to_string(cut));
      std::vector<uint8_t> out;
      uint16_t crc = 0;
      // The packed size says where the stream ends (stored data must be as long as it) ...
      EXPECT_EQ(DecodeBytes(method, packed, cut, data.size(), out, crc),
                method == TMethod::Lh0 ? TDecodeStatus::Corrupt : TDecodeStatus::Truncated);
      // ... or the input runs dry before it.
      const std::vector<uint8_t> head(packed.begin(), packed.begin() + cut);
      out.clear();
      EXPECT_EQ(DecodeBytes(method, head, packed.size(), data.size(), out, crc), TDecodeStatus::Truncated);
      EXPECT_LE(out.size(), data.size());
    }
    // The last byte holds the final bits: without it the stream is cut.
    std::vector<uint8_t> out;
    uint16_t crc = 0;
    EXPECT_NE(DecodeBytes(method, packed, packed.size() - 1, data.size(), out, crc), TDecodeStatus::Ok);
  }
}

TEST(LzhCodecVectorTest, DamagedStreamsNeverPassUnnoticed) {
  const auto data = MixedData(30000, 5);
  std::mt19937 rng(77);
  for (TMethod method : {TMethod::Lh5, TMethod::Lh6, TMethod::Lh7}) {
    std::vector<uint8_t> packed;
    size_t pos = 0;
    const uint16_t expectedCrc = Encode(method, VectorReader(data, pos), VectorWriter(packed)).Crc;
    for (int trial = 0; trial < 300; ++trial) {
      auto damaged = packed;
      const int flips = 1 + trial % 4;
      for (int k = 0; k < flips; ++k)
        damaged[rng() % (trial < 100 ? std::min<size_t>(64, damaged.size()) : damaged.size())] ^=
            uint8_t(1u << (rng() % 8));
      std::vector<uint8_t> out;
      uint16_t crc = 0;
      const TDecodeStatus status = DecodeBytes(method, damaged, damaged.size(), data.size(), out, crc);
      EXPECT_LE(out.size(), data.size());
      if (status == TDecodeStatus::Ok) {
        EXPECT_EQ(out.size(), data.size());
        EXPECT_TRUE(out == data || crc != expectedCrc) << "trial " << trial;
      }
    }
  }
}

TEST(LzhCodecVectorTest, ForgedTablesAreCorrupt) {
  // Block of one code; a temp table of 19 lengths of 1 over-subscribes the code space.
  std::vector<uint8_t> forged = {0x00, 0x01, uint8_t(19 << 3)};
  for (int i = 0; i < 20; ++i) forged.push_back(0x24);  // 001 001 00 ... lengths of 1
  std::vector<uint8_t> out;
  uint16_t crc = 0;
  EXPECT_EQ(DecodeBytes(TMethod::Lh5, forged, forged.size(), 10, out, crc), TDecodeStatus::Corrupt);

  // A one-symbol temp table naming symbol 25 (beyond the 19 the table has).
  forged = {0x00, 0x01, 0x06, 0x40, 0, 0, 0, 0, 0, 0};
  out.clear();
  EXPECT_EQ(DecodeBytes(TMethod::Lh5, forged, forged.size(), 10, out, crc), TDecodeStatus::Corrupt);

  // Stored data whose sizes disagree.
  const std::vector<uint8_t> stored(10, 'a');
  EXPECT_EQ(DecodeBytes(TMethod::Lh0, stored, 10, 11, out, crc), TDecodeStatus::Corrupt);
}

TEST(LzhCodecVectorTest, ReadsNoMoreThanThePackedSize) {
  const auto data = MixedData(50000, 12);
  std::vector<uint8_t> packed;
  size_t pos = 0;
  Encode(TMethod::Lh6, VectorReader(data, pos), VectorWriter(packed));
  // Whatever follows the stream (the next entry of an archive) stays unread.
  auto followed = packed;
  followed.resize(packed.size() + 1000, 0xEE);
  pos = 0;
  std::vector<uint8_t> out;
  uint16_t crc = 0;
  EXPECT_EQ(Decode(TMethod::Lh6, packed.size(), data.size(), VectorReader(followed, pos, 100), VectorWriter(out), crc),
            TDecodeStatus::Ok);
  EXPECT_EQ(pos, packed.size());
  EXPECT_TRUE(out == data);
}

}  // namespace
}  // namespace vog::lzh
