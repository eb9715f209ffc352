// The text primitives every scan, sort and filter leans on: the case-insensitive path
// comparison, mask matching, and UTF-8 conversion.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "base/Wildcard.h"

namespace {

// Paths as a backup meets them: long shared folder prefixes, mixed letter case, some
// Japanese names. 20,000 distinct paths are paired 1,000,000 times so that the data stays
// small while most pairs differ only late in the text.
constexpr size_t kPaths = 20000;
constexpr size_t kPairs = 1000000;

const std::vector<std::wstring>& Paths() {
  static const std::vector<std::wstring> paths = [] {
    std::vector<std::wstring> p;
    p.reserve(kPaths);
    const wchar_t* const folders[] = {L"Documents\\Projects", L"ドキュメント\\写真\\2024", L"Src\\Engine\\Core",
                                      L"Music\\Artist"};
    for (size_t i = 0; i < kPaths; ++i) {
      std::wstring s = (i % 3 == 0) ? L"C:\\USERS\\Owner\\" : L"c:\\Users\\owner\\";
      s += folders[i % 4];
      s += L"\\Sub" + std::to_wstring(i / 400) + L"\\file_" + std::to_wstring(i % 997) + (i % 2 ? L".TXT" : L".txt");
      p.push_back(std::move(s));
    }
    return p;
  }();
  return paths;
}

const std::vector<std::pair<uint32_t, uint32_t>>& Pairs() {
  static const std::vector<std::pair<uint32_t, uint32_t>> pairs = [] {
    std::vector<std::pair<uint32_t, uint32_t>> v(kPairs);
    uint32_t x = 2463534242u;
    for (auto& pr : v) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      const uint32_t a = x % kPaths;
      // Mostly neighbours (same folder), sometimes any other path.
      const uint32_t b = (x >> 20) % 4 == 0 ? (x >> 8) % kPaths : (a + 4 * ((x >> 12) % 8)) % kPaths;
      pr = {a, b};
    }
    return v;
  }();
  return pairs;
}

void BM_CompareTextPathPairs(benchmark::State& state) {
  const auto& paths = Paths();
  const auto& pairs = Pairs();
  for (auto _ : state) {
    int64_t sum = 0;
    for (const auto& [a, b] : pairs) sum += vog::CompareText(paths[a], paths[b]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPairs));
}

void BM_MatchMaskNames(benchmark::State& state) {
  const auto& paths = Paths();
  const wchar_t* const masks[] = {L"*.txt", L"*.*", L"file_1??.*", L"*a*b*c*.doc"};
  for (auto _ : state) {
    int64_t hits = 0;
    for (const auto& p : paths) {
      const std::wstring_view name = std::wstring_view(p).substr(p.rfind(L'\\') + 1);
      for (const wchar_t* m : masks) hits += vog::MatchMask(name, m);
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPaths * 4));
}

void BM_Utf8RoundTrip(benchmark::State& state) {
  const auto& paths = Paths();
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const auto& p : paths) {
      const std::string u = vog::WideToUtf8(p);
      bytes += static_cast<int64_t>(u.size());
      const std::wstring w = vog::Utf8ToWide(u);
      benchmark::DoNotOptimize(w.data());
    }
  }
  state.SetBytesProcessed(bytes);
}

}  // namespace

BENCHMARK(BM_CompareTextPathPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchMaskNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8RoundTrip)->Unit(benchmark::kMillisecond);
