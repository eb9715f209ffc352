// Speed of the LZH codec on 32 MiB of mixed text and binary data, per method.

#include "archive/LzhCodecTestData.h"
#include "services/archive/LzhCodec.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vog::lzh;
using namespace vog::test::lzh;

constexpr size_t DataSize = 32 * 1024 * 1024;

const std::vector<uint8_t>& Data() {
  static const std::vector<uint8_t> data = MixedData(DataSize, 2024);
  return data;
}

const std::vector<uint8_t>& Packed(TMethod method) {
  static std::vector<uint8_t> packed[4];
  auto& p = packed[int(method)];
  if (p.empty()) {
    size_t pos = 0;
    Encode(method, VectorReader(Data(), pos), VectorWriter(p));
  }
  return p;
}

void BM_LzhEncode(benchmark::State& state) {
  const auto method = TMethod(state.range(0));
  const auto& data = Data();
  size_t packedSize = 0;
  for (auto _ : state) {
    size_t pos = 0;
    const TEncodeResult result = Encode(method, VectorReader(data, pos), [&](const uint8_t*, size_t) { return true; });
    packedSize = size_t(result.PackedSize);
    benchmark::DoNotOptimize(packedSize);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
  state.counters["ratio%"] = 100.0 * double(packedSize) / double(data.size());
}

void BM_LzhDecode(benchmark::State& state) {
  const auto method = TMethod(state.range(0));
  const auto& data = Data();
  const auto& packed = Packed(method);
  for (auto _ : state) {
    size_t pos = 0;
    uint16_t crc = 0;
    const TDecodeStatus status = Decode(
        method, packed.size(), data.size(), VectorReader(packed, pos), [](const uint8_t*, size_t) { return true; },
        crc);
    if (status != TDecodeStatus::Ok) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

}  // namespace

// Arguments: 1 = -lh5-, 2 = -lh6-, 3 = -lh7-.
BENCHMARK(BM_LzhEncode)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LzhDecode)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(5);
