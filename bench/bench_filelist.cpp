// File record lists at the scale of a large run: 1,000,000 records over 50,000 folders,
// sorted by relative path and every record looked up once.
//
// Heap use is counted by replacing the global operator new: "heap_bytes_per_record" is
// the growth of the bytes in use while the records, their shared folder texts and the list
// are built, less the characters of file names held on the heap, divided by the number of
// records; "with_index" measures again after the lookups, with the list's lookup index
// in place. (The allocator's own block headers are not included.)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "scan/FileInfoList.h"

#include "HeapCounter.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kFolders = 50000;

struct TScan {
  vog::TOwnedFileInfoList List;
  int64_t NameBytes = 0;
  int64_t LiveBefore = 0;
  std::vector<std::wstring> Keys;  // every relative path, in random order
  double BytesPerRecord = 0;
};

// Builds the records the way the folder walk does: one root text per scan, one subfolder
// text per folder.
std::unique_ptr<TScan> BuildScan() {
  auto scan = std::make_unique<TScan>();
  std::mt19937 random(12345);
  const int64_t before = g_live.load();
  vog::TSharedText root = vog::MakeSharedText(L"D:\\Data\\");
  int64_t nameBytes = 0;
  const int perFolder = kRecords / kFolders;
  for (int f = 0; f < kFolders; ++f) {
    // Two levels, as in a real tree: 250 folders of 200 subfolders each.
    const std::wstring subText = L"Projects" + std::to_wstring(f / 200) + L"\\Folder " + std::to_wstring(f % 200);
    vog::TSharedText sub = vog::MakeSharedText(subText);
    for (int i = 0; i < perFolder; ++i) {
      auto record = std::make_unique<vog::TBackupFileInfo>();
      record->SetPath(root, sub,
                      L"Document_" + std::to_wstring(random() % 100000) + L"_" + std::to_wstring(i) + L".txt");
      record->Size = i;
      const auto* data = reinterpret_cast<const char*>(record->FileName.data());
      const auto* self = reinterpret_cast<const char*>(record.get());
      if (data < self || data >= self + sizeof(*record))
        nameBytes += static_cast<int64_t>(record->FileName.size() * sizeof(wchar_t));
      scan->List.Add(std::move(record));
    }
  }
  scan->BytesPerRecord = static_cast<double>(g_live.load() - before - nameBytes) / kRecords;
  scan->NameBytes = nameBytes;
  scan->LiveBefore = before;

  scan->Keys.reserve(kRecords);
  for (vog::TFileInfo* record : scan->List) scan->Keys.push_back(record->RelativePath());
  std::shuffle(scan->Keys.begin(), scan->Keys.end(), random);
  // The walk appends folder by folder; a real list arrives in no useful order.
  scan->List.EditSlots([&random](auto& slots) { std::shuffle(slots.begin(), slots.end(), random); });
  return scan;
}

void BM_BuildRecords(benchmark::State& state) {
  double bytes = 0;
  for (auto _ : state) {
    auto scan = BuildScan();
    bytes = scan->BytesPerRecord;
  }
  state.counters["heap_bytes_per_record"] = bytes;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_BuildRecords)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SortAndLookUpAll(benchmark::State& state) {
  auto scan = BuildScan();
  int64_t found = 0;
  for (auto _ : state) {
    scan->List.SetSortedByRelativePath(false);
    for (const std::wstring& key : scan->Keys) found += scan->List.ItemByRelativePath(key) != nullptr;
  }
  if (found != static_cast<int64_t>(state.iterations()) * kRecords) state.counters["MISSING"] = 1;
  state.counters["heap_bytes_per_record"] = scan->BytesPerRecord;
  int64_t keyBytes = 0;
  for (const std::wstring& key : scan->Keys) keyBytes += static_cast<int64_t>((key.capacity() + 1) * sizeof(wchar_t));
  keyBytes += static_cast<int64_t>(scan->Keys.capacity() * sizeof(std::wstring));
  state.counters["with_index"] =
      static_cast<double>(g_live.load() - scan->LiveBefore - scan->NameBytes - keyBytes) / kRecords;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_SortAndLookUpAll)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SortOnly(benchmark::State& state) {
  auto scan = BuildScan();
  for (auto _ : state) scan->List.SortByRelativePath();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_SortOnly)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LookUpAllSorted(benchmark::State& state) {
  auto scan = BuildScan();
  scan->List.SortByRelativePath();
  int64_t found = 0;
  for (auto _ : state)
    for (const std::wstring& key : scan->Keys) found += scan->List.ItemByRelativePath(key) != nullptr;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_LookUpAllSorted)->Unit(benchmark::kMillisecond)->Iterations(1);

// The lookup index alone: made on the first lookup after the list was sorted.
void BM_MakeLookupIndex(benchmark::State& state) {
  auto scan = BuildScan();
  scan->List.SortByRelativePath();
  int64_t found = 0;
  for (auto _ : state) {
    scan->List.SetSortedByRelativePath(true);  // drops the index
    found += scan->List.ItemByRelativePath(scan->Keys[0]) != nullptr;
  }
  if (found != static_cast<int64_t>(state.iterations())) state.counters["MISSING"] = 1;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_MakeLookupIndex)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
