// The first full copy of a tree: the source walk, the destination folders and the file
// transfer, as a run of one plain item does them, beside a bare loop of the platform's
// file copy over the same files. VOG_BENCH_TREE names the source tree and VOG_BENCH_DEST
// a folder under which each iteration writes a fresh destination (new names every time:
// creating many files right after deleting as many is slow on some file systems). Without
// both, the benchmarks are skipped. scripts/bench-transfer sets them and times xcopy, cp
// and rsync on the same tree.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "base/Text.h"
#include "engine/TransferPhase.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileInfoList.h"
#include "scan/FolderWalk.h"

namespace {

using namespace vog;

bool Paths(std::wstring& tree, std::wstring& dest) {
  const char* t = std::getenv("VOG_BENCH_TREE");
  const char* d = std::getenv("VOG_BENCH_DEST");
  if (!t || !*t || !d || !*d) return false;
  static bool installed = false;
  if (!installed) InstallPlatform(CreateSystemPlatform());
  installed = true;
  tree = Utf8ToWide(t);
  dest = Utf8ToWide(d);
  return true;
}

std::wstring FreshName(const std::wstring& dest, const char* kind) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return dest + L"\\" + Utf8ToWide(kind) + std::to_wstring(now);
}

void BM_FirstFullCopy(benchmark::State& state) {
  std::wstring tree, dest;
  if (!Paths(tree, dest)) {
    state.SkipWithError("VOG_BENCH_TREE and VOG_BENCH_DEST are not set");
    return;
  }
  int64_t files = 0;
  for (auto _ : state) {
    TBackupInfo item;
    item.SourceFolder = tree;
    item.DestFolder = FreshName(dest, "run");
    TOwnedFileInfoList plan, copied, errors;
    TFolderList folders;
    TFolderWalk walk;
    walk.RootFolder = tree;
    walk.Files = &plan;
    walk.Folders = &folders;
    walk.BackupInfo = &item;
    walk.Run();
    TSortedFolderList newFolders;
    for (const TFolderEntry& f : folders)
      if (!f.Path.empty()) newFolders.Add(item.DestFolder + L"\\" + f.Path, &item);
    const std::vector<TTransferItem> items{{&item, &plan, ""}};
    TFolderOptions options;
    options.Silent = true;
    CreateDestinationFolders(items, options);
    THistoryMover history(0, nullptr);
    TTransferOptions transferOptions;
    transferOptions.Silent = true;
    TFileTransfer transfer(copied, errors, transferOptions, nullptr, history, nullptr);
    TransferFiles(items, newFolders, transfer, options, nullptr);
    if (!errors.Empty()) state.SkipWithError("some files failed");
    files = copied.Count();
  }
  state.counters["files"] = static_cast<double>(files);
}

// The floor: the platform copy of every file into folders made beforehand, nothing else.
void BM_BareCopyLoop(benchmark::State& state) {
  std::wstring tree, dest;
  if (!Paths(tree, dest)) {
    state.SkipWithError("VOG_BENCH_TREE and VOG_BENCH_DEST are not set");
    return;
  }
  TOwnedFileInfoList plan;
  TFolderList folders;
  TFolderWalk walk;
  walk.RootFolder = tree;
  walk.Files = &plan;
  walk.Folders = &folders;
  walk.Run();
  for (auto _ : state) {
    state.PauseTiming();
    const std::wstring root = FreshName(dest, "bare");
    Files().MakeFolder(root);
    for (const TFolderEntry& f : folders)
      if (!f.Path.empty()) Files().MakeFolder(root + L"\\" + f.Path);
    state.ResumeTiming();
    for (const TFileInfo* file : plan)
      Files().CopyEntry(file->FullPath(), root + L"\\" + file->RelativePath(), false, TCopyProgress(), nullptr);
  }
}

}  // namespace

BENCHMARK(BM_FirstFullCopy)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BareCopyLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
