// Blowfish throughput in the modes the program codes files with, on 64 MiB in memory.
// scripts/bench-cipher runs this beside OpenSSL's bf-cbc for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "services/cipher/CipherManager.h"
#include "services/cipher/Ripemd256.h"

namespace {

constexpr size_t kSize = 64u << 20;

std::vector<uint8_t>& Data() {
  static std::vector<uint8_t> data = [] {
    std::vector<uint8_t> d(kSize);
    uint32_t x = 12345;
    for (auto& b : d) {
      x = x * 1103515245u + 12345u;
      b = static_cast<uint8_t>(x >> 24);
    }
    return d;
  }();
  return data;
}

void Code(benchmark::State& state, vog::TCipherMode mode, bool encode) {
  vog::TCipherManager manager;
  manager.SetMode(mode);
  manager.SetKeyText("benchmark pass phrase");
  auto& data = Data();
  for (auto _ : state) {
    if (encode)
      manager.EncipherBuffer(data.data(), data.data(), data.size());
    else
      manager.DecipherBuffer(data.data(), data.data(), data.size());
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_BlowfishCbcEncipher(benchmark::State& state) { Code(state, vog::TCipherMode::cmCBC, true); }
void BM_BlowfishCbcDecipher(benchmark::State& state) { Code(state, vog::TCipherMode::cmCBC, false); }
void BM_BlowfishCtsEncipher(benchmark::State& state) { Code(state, vog::TCipherMode::cmCTS, true); }

void BM_KeySetup(benchmark::State& state) {
  vog::TCipherManager manager;
  for (auto _ : state) manager.SetKeyText("benchmark pass phrase");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(BM_BlowfishCbcEncipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlowfishCbcDecipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlowfishCtsEncipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeySetup)->Unit(benchmark::kMicrosecond);
