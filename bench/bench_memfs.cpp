// The in-memory file system with large files: writing 256 MiB in 64 KiB pieces, reading
// it back, and copying it. Each should take time linear in the size (engine tests and
// benchmarks keep files of hundreds of MB in it).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/memory/MemoryPlatform.h"

namespace {

constexpr size_t kPiece = 64 * 1024;

void Fill(vog::TMemoryFileSystem& fs, const std::wstring& path, int64_t size) {
  std::unique_ptr<vog::IFileStream> s;
  fs.OpenFile(path, vog::TOpenMode::Write, vog::share::None, s);
  const std::string piece(kPiece, 'x');
  for (int64_t written = 0; written < size; written += kPiece) {
    size_t done = 0;
    s->Write(piece.data(), piece.size(), done);
  }
}

void BM_WriteLargeFile(benchmark::State& state) {
  const int64_t size = state.range(0) << 20;
  for (auto _ : state) {
    vog::TManualClock clock;
    vog::TMemoryFileSystem fs(clock);
    fs.AddVolume(L"C:");
    Fill(fs, L"C:\\large.bin", size);
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_WriteLargeFile)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);

void BM_ReadLargeFile(benchmark::State& state) {
  const int64_t size = state.range(0) << 20;
  vog::TManualClock clock;
  vog::TMemoryFileSystem fs(clock);
  fs.AddVolume(L"C:");
  Fill(fs, L"C:\\large.bin", size);
  std::string buffer(kPiece, '\0');
  for (auto _ : state) {
    std::unique_ptr<vog::IFileStream> s;
    fs.OpenFile(L"C:\\large.bin", vog::TOpenMode::Read, vog::share::Read, s);
    size_t done = 0;
    do s->Read(buffer.data(), buffer.size(), done);
    while (done);
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_ReadLargeFile)->Arg(256)->Unit(benchmark::kMillisecond);

// A copy shares the bytes; the first write to the copy then clones them once.
void BM_CopyThenModify(benchmark::State& state) {
  const int64_t size = state.range(0) << 20;
  vog::TManualClock clock;
  vog::TMemoryFileSystem fs(clock);
  fs.AddVolume(L"C:");
  Fill(fs, L"C:\\large.bin", size);
  for (auto _ : state) {
    fs.CopyEntry(
        L"C:\\large.bin", L"C:\\copy.bin", false, [](int64_t, int64_t) {}, nullptr);
    std::unique_ptr<vog::IFileStream> s;
    fs.OpenFile(L"C:\\copy.bin", vog::TOpenMode::WriteExisting, vog::share::None, s);
    size_t done = 0;
    s->Write("y", 1, done);
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_CopyThenModify)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace
