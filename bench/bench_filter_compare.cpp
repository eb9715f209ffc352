// The name filters over 1,000,000 scanned records with 10 target masks and 10 exclusion
// entries, and the comparison of 1,000,000 source records against 1,000,000 destination
// records (the destination sorted by relative path on first use, as in a run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/BackupInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FolderCompare.h"
#include "scan/FolderFilter.h"

namespace {

using namespace vog;

constexpr int kFolders = 50000;
constexpr int kFilesPerFolder = 20;
const wchar_t* const kExtensions[] = {L"txt", L"doc", L"xls", L"pdf", L"jpg", L"png", L"cpp", L"h", L"zip", L"mp3"};

// 1,000,000 records of one scan: 50,000 folders of 20 files, folder texts shared.
void Scan(TOwnedFileInfoList& list, const std::wstring& root, int timeOffset) {
  const TSharedText shared = MakeSharedText(root);
  list.Reserve(kFolders * kFilesPerFolder);
  for (int f = 0; f < kFolders; ++f) {
    const TSharedText sub =
        MakeSharedText(L"projects\\p" + std::to_wstring(f / 100) + L"\\folder" + std::to_wstring(f));
    for (int i = 0; i < kFilesPerFolder; ++i) {
      auto r = std::make_unique<TBackupFileInfo>();
      r->SetPath(shared, sub, L"file-" + std::to_wstring(i) + L"." + kExtensions[i % 10]);
      r->Size = 1000 + i;
      r->Time = 0x58211000 + (i % 4 == 0 ? timeOffset : 0);
      r->Attr = 32;
      list.Add(std::move(r));
    }
  }
}

void BM_FolderFilter(benchmark::State& state) {
  TOwnedFileInfoList source, selected;
  Scan(source, L"D:\\Data\\", 0);
  TBackupInfo item;
  for (const wchar_t* ext : kExtensions) item.TargetCondition.Files.push_back(std::wstring(L"*.") + ext);
  item.TargetCondition.Folders = {L"~*.*"};
  // Five folder paths and five folder-name masks that match nothing, so every iteration
  // filters the same million records (and every record is tested against every entry).
  item.ExcludeCondition.Folders = {L"D:\\Data\\projects\\p9999",
                                   L"D:\\Other",
                                   L"\\\\srv\\share\\x",
                                   L"D:\\Data\\projects\\p1\\tmp",
                                   L"E:\\Data\\projects",
                                   L"Temp",
                                   L"*.tmp",
                                   L"obj",
                                   L"backup?",
                                   L"~*"};
  for (auto _ : state) {
    TFolderFilter filter;
    filter.SetTargetCondition(&item.TargetCondition);
    filter.SetExcludeCondition(&item.ExcludeCondition);
    filter.SetSourceFiles(&source);
    filter.SetSelectedFiles(&selected);
    filter.Execute();
    state.counters["selected"] = selected.Count();
    source.TakeFrom(selected);  // source is empty: nothing is freed, everything moves back
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * source.Count());
  source.Clear();
}

// `shuffled`: the destination list arrives in random order (as from an archive listing
// or the history database); otherwise in the order of a folder walk.
void Compare(benchmark::State& state, bool shuffled) {
  TOwnedFileInfoList source, dest, copy;
  Scan(source, L"D:\\Data\\", 4);  // a quarter of the files are 8 seconds newer
  Scan(dest, L"E:\\Backup\\Data\\", 0);
  std::vector<TFileInfo*> order(dest.begin(), dest.end());
  if (shuffled) std::shuffle(order.begin(), order.end(), std::mt19937(42));
  std::unordered_map<const TFileInfo*, size_t> place;
  for (size_t i = 0; i < order.size(); ++i) place[order[i]] = i;
  TBackupInfo item;
  for (auto _ : state) {
    // Each run starts from the same order and sorts the destination again.
    state.PauseTiming();
    dest.EditSlots([&place](std::vector<std::unique_ptr<TFileInfo>>& slots) {
      std::vector<std::unique_ptr<TFileInfo>> placed(slots.size());
      for (auto& slot : slots) placed[place.at(slot.get())] = std::move(slot);
      slots.swap(placed);
    });
    dest.SetSortedByRelativePath(false);
    state.ResumeTiming();
    TFolderCompare compare;
    compare.SetSourceFiles(&source);
    compare.SetDestFiles(&dest);
    compare.SetCopyFiles(&copy);
    compare.SetBackupInfo(&item);
    compare.Execute();
    state.counters["copied"] = copy.Count();  // a quarter: 250000
    copy.Clear();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * source.Count());
  source.Clear();
  dest.Clear();
}

void BM_FolderCompare(benchmark::State& state) { Compare(state, false); }
void BM_FolderCompareShuffledDestination(benchmark::State& state) { Compare(state, true); }

}  // namespace

BENCHMARK(BM_FolderFilter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FolderCompare)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FolderCompareShuffledDestination)->Unit(benchmark::kMillisecond)->Iterations(3);
