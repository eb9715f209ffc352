// One archived and encrypted item backed up from scratch, as a run does it: the source
// walk, the pack of every file into the work copy (ZIP, normal compression) and the
// sealing that enciphers the work copy into the destination (Blowfish, CBC).
// VOG_BENCH_TREE names the source tree and VOG_BENCH_DEST a folder under which each
// iteration writes a fresh destination and work folder. Without both, the benchmark is
// skipped. scripts/bench-archive-run sets them and times zip -6 -r and openssl enc
// -bf-cbc on the same tree.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Text.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"

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

void BM_PackAndEncipher(benchmark::State& state) {
  std::wstring tree, dest;
  if (!Paths(tree, dest)) {
    state.SkipWithError("VOG_BENCH_TREE and VOG_BENCH_DEST are not set");
    return;
  }
  int64_t files = 0;
  double planMs = 0, executeMs = 0;
  for (auto _ : state) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::wstring root = dest + L"\\run" + std::to_wstring(now);
    Files().MakeFolder(root);
    Files().MakeFolder(root + L"\\work");
    TBackupInfo item;
    item.SourceFolder = tree;
    item.DestFolder = root + L"\\dst";
    item.Archive = true;
    item.ArchiveName = L"Backup.zip";
    item.Encrypt = true;
    item.CipherKey = "benchmark key";
    TBackup backup;
    backup.SetSilent(true);
    backup.SetWorkFolder(root + L"\\work");
    backup.AddItem(&item);
    const auto start = std::chrono::steady_clock::now();
    backup.Plan();
    const auto planned = std::chrono::steady_clock::now();
    backup.Execute();
    planMs = std::chrono::duration<double, std::milli>(planned - start).count();
    executeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - planned).count();
    if (!backup.ErrorFiles.Empty()) {
      std::fprintf(stderr, "%s: %u\n", WideToUtf8(backup.ErrorFiles[0]->FullPath()).c_str(),
                   static_cast<unsigned>(backup.ErrorFiles[0]->Attr));
      for (const auto& problem : backup.Problems) std::fprintf(stderr, "%s\n", WideToUtf8(problem.Message).c_str());
      state.SkipWithError("some files failed");
    }
    files = backup.CopiedFiles.Count();
  }
  state.counters["files"] = static_cast<double>(files);
  state.counters["plan_ms"] = planMs;
  state.counters["execute_ms"] = executeMs;
}

}  // namespace

BENCHMARK(BM_PackAndEncipher)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
