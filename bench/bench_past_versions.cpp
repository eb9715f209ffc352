// Past versions of a large backup: 365 days of history, each day's history holding every
// one of the backup's 20,000 files (20 folders of 1,000, the dated folders beside the files
// as the per-folder layout puts them: 7,300 dated folders, 7.3 million history copies).
// Times the versions of one file and the tree as of the first, middle and last day, each
// from a fresh TPastVersions (nothing read before), and the same answers through a full
// Load beside them. Targets: one file's versions within 0.2 s, a tree within 2 s.
//
// The backup lives in the memory platform; with VOG_BENCH_DIR naming a real folder it is
// written there once (kept for later runs) and read through the system platform, at
// VOG_BENCH_FILES files (default 2,000 there: the full size takes far longer to write than
// to read; in memory the default is the full 20,000). "peak_heap_MB" is the most heap a question held above what was in use before it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/Text.h"
#include "engine/HistoryFolders.h"
#include "engine/PastVersions.h"
#include "engine/TransferPaths.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "platform/memory/MemoryPlatform.h"

#include "HeapCounter.h"

namespace {

using namespace vog;

constexpr int kDays = 365;
constexpr int kFolders = 20;
constexpr double kFirstDay = 45658;  // 2025-01-01

struct TSetup {
  TBackupInfo Item;
  TMemoryFileSystem* Memory = nullptr;
  int FileCount = 20000;
  std::wstring Probe;  // the file whose versions are asked

  TSetup() {
    const char* dir = std::getenv("VOG_BENCH_DIR");
    const char* files = std::getenv("VOG_BENCH_FILES");
    std::wstring root;
    if (files && *files) FileCount = std::atoi(files);
    if (dir && *dir) {
      InstallPlatform(CreateSystemPlatform());
      if (!files || !*files) FileCount = 2000;
      root = Utf8ToWide(dir);
      if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
      root += L"pv" + std::to_wstring(FileCount);
    } else {
      auto platform = CreateMemoryPlatform();
      Memory = platform->MemFiles;
      InstallPlatform(std::move(platform));
      Memory->AddVolume(L"E:");
      root = L"E:\\pv";
    }
    Item.Title = L"Documents";
    Item.KeepHistory = true;
    Item.DestFolder = root + L"\\Documents";
    wchar_t probe[40];
    std::swprintf(probe, 40, L"folder07\\document-%05d.txt", FileCount / kFolders / 2);
    Probe = probe;
    TFindData stamp;
    if (Files().GetInfo(root + L"\\done", stamp) == err::Success) return;
    Build(root);
  }

  void Put(const std::wstring& path, TDateTime written) {
    const TFileTime time = Clock().LocalToUtc(DateTimeToFileTime(written));
    if (Memory) {
      Memory->AddFile(path, "content", attr::Archive, time);
      return;
    }
    std::unique_ptr<IFileStream> stream;
    size_t done = 0;
    if (Files().OpenFile(path, TOpenMode::Write, 0, stream) != err::Success ||
        stream->Write("content", 7, done) != err::Success || stream->SetTimes(nullptr, nullptr, &time) != err::Success) {
      std::fprintf(stderr, "cannot write %s\n", WideToUtf8(path).c_str());
      std::exit(1);
    }
  }

  // Day d's history holds what was current before it: written at noon of the day before.
  void Build(const std::wstring& root) {
    std::fprintf(stderr, "writing %d days of %d files below %s ...\n", kDays, FileCount, WideToUtf8(root).c_str());
    const int perFolder = FileCount / kFolders;
    for (int f = 0; f < kFolders; ++f) {
      wchar_t name[32];
      std::swprintf(name, 32, L"folder%02d", f);
      const std::wstring folder = Item.DestFolder + L"\\" + name;
      MakeFolderWithParents(folder);
      for (int day = 0; day <= kDays; ++day) {
        std::wstring target = folder;
        if (day < kDays) {
          target = folder + L"\\" + HistoryFolderName(L"'世代' yyyy-mm-dd", kFirstDay + day + 1);
          MakeHistoryFolder(target, kFirstDay + day + 1 + 0.25);
        }
        for (int i = 0; i < perFolder; ++i) {
          wchar_t file[40];
          std::swprintf(file, 40, L"\\document-%05d.txt", i);
          Put(target + file, kFirstDay + day + 0.5);
        }
      }
    }
    Put(root + L"\\done", kFirstDay);
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

void Heap(benchmark::State& state, int64_t before) {
  state.counters["peak_heap_MB"] = static_cast<double>(g_peak.load() - before) / (1024 * 1024);
}

void BM_VersionsOfOneFile(benchmark::State& state) {
  TSetup& setup = Setup();
  size_t count = 0;
  for (auto _ : state) {
    TPastVersions versions(setup.Item);
    count = versions.VersionsOf(setup.Probe).size();
  }
  if (count != kDays + 1) state.SkipWithError("wrong number of versions");
  state.SetLabel("target 200 ms");
}

void BM_VersionsOfOneFileAfterLoad(benchmark::State& state) {
  TSetup& setup = Setup();
  size_t count = 0;
  for (auto _ : state) {
    TPastVersions versions(setup.Item);
    versions.Load();
    count = versions.VersionsOf(setup.Probe).size();
  }
  if (count != kDays + 1) state.SkipWithError("wrong number of versions");
  state.SetLabel("full Load");
}

// Arg: the day, counted from the first (0, 182, 364).
void AsOf(benchmark::State& state, bool load) {
  TSetup& setup = Setup();
  size_t count = 0;
  const int64_t before = g_live.load();
  g_peak = before;
  for (auto _ : state) {
    TPastVersions versions(setup.Item);
    if (load) versions.Load();
    const TVersionTree tree = versions.AsOf(kFirstDay + static_cast<double>(state.range(0)));
    count = tree.size();
  }
  Heap(state, before);
  if (count != static_cast<size_t>(setup.FileCount)) state.SkipWithError("wrong number of files");
  state.SetLabel(load ? "full Load" : "target 2000 ms");
}

void BM_TreeAsOfDay(benchmark::State& state) { AsOf(state, false); }
void BM_TreeAsOfDayAfterLoad(benchmark::State& state) { AsOf(state, true); }

}  // namespace

BENCHMARK(BM_VersionsOfOneFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TreeAsOfDay)->Arg(0)->Arg(182)->Arg(364)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_VersionsOfOneFileAfterLoad)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TreeAsOfDayAfterLoad)->Arg(182)->Unit(benchmark::kMillisecond)->Iterations(1);
