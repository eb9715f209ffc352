#include "archive/LzhCodecTestData.h"
#include "services/archive/LzhCodec.h"

#include <gtest/gtest.h>

namespace vog::lzh {
namespace {

using namespace vog::test::lzh;

struct TPacked {
  std::vector<uint8_t> Bytes;
  TEncodeResult Result;
};

TPacked Pack(TMethod method, const std::vector<uint8_t>& data, size_t chunk = SIZE_MAX) {
  TPacked packed;
  size_t pos = 0;
  packed.Result = Encode(method, VectorReader(data, pos, chunk), VectorWriter(packed.Bytes));
  return packed;
}

TDecodeStatus Unpack(TMethod method, const std::vector<uint8_t>& packed, uint64_t originalSize,
                     std::vector<uint8_t>& out, uint16_t& crc, size_t chunk = SIZE_MAX) {
  size_t pos = 0;
  return Decode(method, packed.size(), originalSize, VectorReader(packed, pos, chunk), VectorWriter(out), crc);
}

const char* Name(TMethod method) {
  switch (method) {
    case TMethod::Lh0:
      return "lh0";
    case TMethod::Lh5:
      return "lh5";
    case TMethod::Lh6:
      return "lh6";
    case TMethod::Lh7:
      return "lh7";
  }
  return "?";
}

void ExpectRoundTrip(TMethod method, const std::vector<uint8_t>& data, const std::string& what) {
  SCOPED_TRACE(std::string(Name(method)) + " " + what + " size " + std::to_string(data.size()));
  const TPacked packed = Pack(method, data);
  EXPECT_FALSE(packed.Result.Aborted);
  EXPECT_EQ(packed.Result.OriginalSize, data.size());
  EXPECT_EQ(packed.Result.PackedSize, packed.Bytes.size());
  EXPECT_EQ(packed.Result.Crc, Crc16(0, data.data(), data.size()));
  std::vector<uint8_t> out;
  uint16_t crc = 1;
  ASSERT_EQ(Unpack(method, packed.Bytes, data.size(), out, crc), TDecodeStatus::Ok);
  ASSERT_EQ(out.size(), data.size());
  EXPECT_TRUE(out == data);
  EXPECT_EQ(crc, packed.Result.Crc);
}

constexpr TMethod AllMethods[] = {TMethod::Lh0, TMethod::Lh5, TMethod::Lh6, TMethod::Lh7};
constexpr TMethod HuffmanMethods[] = {TMethod::Lh5, TMethod::Lh6, TMethod::Lh7};

TEST(LzhCodecTest, Crc16MatchesTheKnownCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(Crc16(0, text, 9), 0xBB3D);
  // Chunked computation continues the same CRC, across the 8-byte fast path.
  const auto data = RandomBytes(1000, 1);
  uint16_t crc = 0;
  for (size_t i = 0; i < data.size(); i += 7) crc = Crc16(crc, data.data() + i, std::min<size_t>(7, data.size() - i));
  EXPECT_EQ(crc, Crc16(0, data.data(), data.size()));
}

TEST(LzhCodecTest, TinyInputsRoundTrip) {
  for (TMethod method : AllMethods) {
    for (size_t size : {0, 1, 2, 3, 4, 5, 17}) {
      ExpectRoundTrip(method, RandomBytes(size, uint32_t(size)), "random");
      ExpectRoundTrip(method, std::vector<uint8_t>(size, 'a'), "same byte");
    }
  }
}

TEST(LzhCodecTest, EmptyInputPacksToNothing) {
  const TPacked packed = Pack(TMethod::Lh5, {});
  EXPECT_TRUE(packed.Bytes.empty());
  EXPECT_EQ(packed.Result.Crc, 0);
}

TEST(LzhCodecTest, TypicalDataRoundTripsAndCompresses) {
  for (TMethod method : HuffmanMethods) {
    const auto mixed = MixedData(64 * 1024, 7);
    ExpectRoundTrip(method, mixed, "mixed 64 KiB");
    const TPacked packed = Pack(method, mixed);
    EXPECT_LT(packed.Bytes.size(), mixed.size() * 6 / 10) << Name(method);
    ExpectRoundTrip(method, RandomBytes(64 * 1024, 3), "random 64 KiB");
    ExpectRoundTrip(method, MixedData(1000, 9), "small mixed");
  }
}

TEST(LzhCodecTest, LargeInputsRoundTripAcrossBlocksAndWindowSlides) {
  // Many blocks and slides of the window; the oracle test also crosses a block of 65535
  // codes with maximal matches.
  for (TMethod method : HuffmanMethods) ExpectRoundTrip(method, MixedData(1024 * 1024 + 123, 11), "mixed 1 MiB");
}

TEST(LzhCodecTest, RepetitiveAndRandomRoundTrip) {
  for (TMethod method : HuffmanMethods) {
    ExpectRoundTrip(method, RandomBytes(1024 * 1024, 5), "random 1 MiB");
    std::vector<uint8_t> pattern;
    for (int i = 0; i < 512 * 1024; ++i) pattern.push_back(uint8_t("abcabcabd"[i % 9]));
    ExpectRoundTrip(method, pattern, "short period");
    // A random block repeated at exactly the window's distance and just beyond it.
    const size_t window = method == TMethod::Lh5 ? 8192 : method == TMethod::Lh6 ? 32768 : 65536;
    for (size_t period : {window, window + 1, window - 1}) {
      auto block = RandomBytes(period, uint32_t(period));
      std::vector<uint8_t> data;
      for (int k = 0; k < 6; ++k) data.insert(data.end(), block.begin(), block.end());
      ExpectRoundTrip(method, data, "period " + std::to_string(period));
      if (period <= window) {
        const TPacked packed = Pack(method, data);
        EXPECT_LT(packed.Bytes.size(), period + period / 4) << "repeats within the window are found";
      }
    }
  }
}

TEST(LzhCodecTest, BlocksFollowChangingData) {
  // Sixteen letters, then all byte values: one table for both would waste bits on each.
  auto letters = RandomBytes(60000, 51);
  for (auto& b : letters) b = uint8_t('a' + (b & 15));
  const auto bytes = RandomBytes(60000, 52);
  auto both = letters;
  both.insert(both.end(), bytes.begin(), bytes.end());
  for (TMethod method : HuffmanMethods) {
    const size_t apart = Pack(method, letters).Bytes.size() + Pack(method, bytes).Bytes.size();
    EXPECT_LE(Pack(method, both).Bytes.size(), apart + apart / 200) << Name(method);
  }
}

TEST(LzhCodecTest, ByteAtATimeStreamsGiveTheSameResult) {
  const auto data = MixedData(300 * 1024, 21);
  for (TMethod method : HuffmanMethods) {
    const TPacked whole = Pack(method, data);
    const TPacked trickled = Pack(method, data, 1);
    EXPECT_TRUE(whole.Bytes == trickled.Bytes) << Name(method);
    std::vector<uint8_t> out;
    uint16_t crc = 0;
    ASSERT_EQ(Unpack(method, whole.Bytes, data.size(), out, crc, 1), TDecodeStatus::Ok);
    EXPECT_TRUE(out == data);
  }
}

TEST(LzhCodecTest, WriteFailureAbortsBothWays) {
  const auto data = MixedData(2 * 1024 * 1024, 4);
  size_t pos = 0;
  int calls = 0;
  const TEncodeResult result =
      Encode(TMethod::Lh5, VectorReader(data, pos), [&](const uint8_t*, size_t) { return ++calls < 2; });
  EXPECT_TRUE(result.Aborted);
  EXPECT_LT(pos, data.size()) << "encoding stops reading once the output fails";

  const TPacked packed = Pack(TMethod::Lh5, data);
  pos = 0;
  uint16_t crc = 0;
  EXPECT_EQ(Decode(
                TMethod::Lh5, packed.Bytes.size(), data.size(), VectorReader(packed.Bytes, pos),
                [](const uint8_t*, size_t) { return false; }, crc),
            TDecodeStatus::Aborted);
}

}  // namespace
}  // namespace vog::lzh
