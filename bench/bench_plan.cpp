// Planning a backup item that has nothing to do: 100,000 files in 1,000 folders, the
// destination equal to the source, mirroring on, on the memory platform. Measures one
// whole Plan (source walk on its thread, destination walk, filters, comparison, new
// folders, mirroring extraction).
//
// Heap use is counted by replacing the global operator new: "peak_heap_mb" is the most
// the bytes in use grew above their level before Plan while it ran (the memory file
// system itself is not included).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "platform/SystemPlatform.h"
#include "platform/memory/MemoryPlatform.h"

#include "HeapCounter.h"

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

void BM_PlanNoChangeItem(benchmark::State& state) {
  auto platform = vog::CreateMemoryPlatform();
  vog::TMemoryFileSystem& fs = *platform->MemFiles;
  auto previous = vog::InstallPlatform(std::move(platform));
  fs.AddVolume(L"D:");
  fs.AddVolume(L"E:");
  const vog::TFileTime time{0x01D5000000000000ull};
  for (int f = 0; f < kFolders; ++f) {
    const std::wstring folder = L"\\Projects" + std::to_wstring(f / 50) + L"\\Folder " + std::to_wstring(f) + L"\\";
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::wstring name = folder + L"Document_" + std::to_wstring(i) + L".txt";
      fs.AddFile(L"D:\\Src" + name, "", vog::attr::Archive, time);
      fs.AddFile(L"E:\\Dst\\Src" + name, "", vog::attr::Archive, time);
    }
  }
  vog::TBackupInfo item;
  item.SourceFolder = L"D:\\Src";
  item.DestFolder = L"E:\\Dst\\Src";
  item.Condition.Mirroring = true;
  int64_t peak = 0;
  int copies = 0, deletions = 0;
  for (auto _ : state) {
    const int64_t before = g_live.load();
    g_peak.store(before);
    {
      vog::TBackup backup;
      backup.AddItem(&item);
      backup.Plan();
      copies = backup.GetAllCopyFiles().Count();
      deletions = backup.GetAllMirrorFiles().Count() + backup.MirrorFolders.Count() + backup.NewFolders.Count();
    }
    peak = std::max(peak, g_peak.load() - before);
  }
  state.counters["peak_heap_mb"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  state.counters["planned_changes"] = copies + deletions;  // 0: nothing to do
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kFilesPerFolder);
  vog::InstallPlatform(std::move(previous));
}

// The same on real files: VOG_PLAN_SOURCE and VOG_PLAN_DEST name a source folder and an
// equal copy of it (scripts/bench-plan makes them and runs this under Wine).
void BM_PlanRealFiles(benchmark::State& state) {
  const char* source = std::getenv("VOG_PLAN_SOURCE");
  const char* dest = std::getenv("VOG_PLAN_DEST");
  if (!source || !dest) {
    state.SkipWithError("VOG_PLAN_SOURCE and VOG_PLAN_DEST are not set");
    return;
  }
  auto previous = vog::InstallPlatform(vog::CreateSystemPlatform());
  vog::TBackupInfo item;
  item.SourceFolder = std::wstring(source, source + std::strlen(source));
  item.DestFolder = std::wstring(dest, dest + std::strlen(dest));
  item.Condition.Mirroring = true;
  int changes = 0;
  for (auto _ : state) {
    vog::TBackup backup;
    backup.AddItem(&item);
    backup.Plan();
    changes = backup.GetAllCopyFiles().Count() + backup.GetAllMirrorFiles().Count() + backup.MirrorFolders.Count() +
              backup.NewFolders.Count();
  }
  state.counters["planned_changes"] = changes;  // 0: the copy is equal
  vog::InstallPlatform(std::move(previous));
}

#ifdef _WIN32
// The floor under planning on real files: both trees listed at once, one thread each,
// through the system platform's listing (the cheapest Win32 call: basic information, large
// fetch) with nothing kept. Planning does this and more.
int64_t ListTree(const std::wstring& folder) {
  std::unique_ptr<vog::IFindHandle> search;
  vog::TFindData data;
  if (vog::Files().FindFirst(folder + L"\\*", search, data) != 0) return 0;
  int64_t files = 0;
  do {
    if (!(data.Attr & vog::attr::Directory))
      ++files;
    else if (data.Name != L"." && data.Name != L"..")
      files += ListTree(folder + L"\\" + data.Name);
  } while (search->Next(data) == 0);
  return files;
}

void BM_BareListingOfBothTrees(benchmark::State& state) {
  const char* source = std::getenv("VOG_PLAN_SOURCE");
  const char* dest = std::getenv("VOG_PLAN_DEST");
  if (!source || !dest) {
    state.SkipWithError("VOG_PLAN_SOURCE and VOG_PLAN_DEST are not set");
    return;
  }
  const std::wstring a(source, source + std::strlen(source)), b(dest, dest + std::strlen(dest));
  auto previous = vog::InstallPlatform(vog::CreateSystemPlatform());
  int64_t files = 0;
  for (auto _ : state) {
    int64_t other = 0;
    std::thread thread([&] { other = ListTree(b); });
    files = ListTree(a);
    thread.join();
    files += other;
  }
  state.counters["files"] = static_cast<double>(files);
  vog::InstallPlatform(std::move(previous));
}
#endif

}  // namespace

BENCHMARK(BM_PlanNoChangeItem)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlanRealFiles)->Unit(benchmark::kMillisecond)->Iterations(3);
#ifdef _WIN32
BENCHMARK(BM_BareListingOfBothTrees)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif
