// Loading and saving a history database of 1,000,000 entries (50,000 folders of 20
// files). The database lives in the memory platform unless VOG_BENCH_DIR names a real
// folder (then the system platform reads and writes a file there).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/Text.h"
#include "engine/BackupHistoryDatabase.h"
#include "platform/memory/MemoryPlatform.h"

namespace {

using namespace vog;

constexpr int kFolders = 50000;
constexpr int kFilesPerFolder = 20;

struct TSetup {
  std::wstring File;
  TSetup() {
    const char* dir = std::getenv("VOG_BENCH_DIR");
    if (dir && *dir) {
      InstallPlatform(CreateSystemPlatform());
      std::wstring folder = Utf8ToWide(dir);
      if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
      File = folder + L"FileList.his";
    } else {
      InstallPlatform(CreateMemoryPlatform());
      File = L"C:\\Program\\FileList.his";
    }
    // One database written once; every load reads the same file.
    TBackupHistoryDatabase db;
    db.SetDatabaseFile(File);
    const TSharedText root = MakeSharedText(L"E:\\Backup\\Documents\\");
    for (int f = 0; f < kFolders; ++f) {
      const TSharedText sub =
          MakeSharedText(L"projects\\p" + std::to_wstring(f / 100) + L"\\folder" + std::to_wstring(f));
      for (int i = 0; i < kFilesPerFolder; ++i) {
        auto r = std::make_unique<TBackupFileInfo>();
        r->SetPath(root, sub, L"document-" + std::to_wstring(i) + L".txt");
        r->Size = 1000 + f * 7 + i;
        r->Time = 0x58211000 + i;
        r->Attr = 32;
        db.Entries().Add(std::move(r));
      }
    }
    db.Save();
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

void BM_HistoryLoad(benchmark::State& state) {
  Setup();
  TBackupHistoryDatabase db;
  db.SetDatabaseFile(Setup().File);
  for (auto _ : state) {
    db.Load();
    benchmark::DoNotOptimize(db.Entries().Count());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * db.Entries().Count());
}

void BM_HistorySave(benchmark::State& state) {
  Setup();
  TBackupHistoryDatabase db;
  db.SetDatabaseFile(Setup().File);
  db.Load();
  for (auto _ : state) db.Save();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * db.Entries().Count());
}

// The update after a run: sort the loaded entries by full path (as the background sort
// does), then record 10,000 copied files (half of them new).
void BM_HistorySortAndUpdate(benchmark::State& state) {
  Setup();
  TBackupHistoryDatabase db;
  db.SetDatabaseFile(Setup().File);
  TOwnedFileInfoList copied;
  for (int i = 0; i < 10000; ++i) {
    auto r = std::make_unique<TBackupFileInfo>();
    r->SetPath(
        L"E:\\Backup\\Documents\\",
        L"projects\\p" + std::to_wstring(i % 500) + L"\\folder" + std::to_wstring(i % 500 * 100 + (i % 2 ? 0 : 99999)),
        L"document-1.txt");
    r->Size = i;
    copied.Add(std::move(r));
  }
  for (auto _ : state) {
    db.Load();
    db.StartSort();
    db.FinishSort();
    db.AddCopied(copied.View());
    benchmark::DoNotOptimize(db.Entries().Count());
  }
  copied.Clear();
}

}  // namespace

BENCHMARK(BM_HistoryLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HistorySave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HistorySortAndUpdate)->Unit(benchmark::kMillisecond)->Iterations(2);
