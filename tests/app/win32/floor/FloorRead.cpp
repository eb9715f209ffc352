// The floor of an archived item: walks a tree (FindFirstFileExW, basic, large fetch) and reads
// every file whole on N threads, each file opened once, read in 1 MiB calls until a short read,
// and closed. Nothing is compressed or written: whatever an archive run spends above this is
// packing, sealing and bookkeeping. scripts/bench-archive-run times it beside the program and
// the native tools. Usage: FloorRead.exe FOLDER [THREADS]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

void CollectFiles(const std::wstring& root, std::vector<std::wstring>& files) {
  std::vector<std::wstring> pending{root};
  while (!pending.empty()) {
    const std::wstring folder = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const wchar_t* name = found.cFileName;
      if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
      std::wstring child = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        pending.push_back(std::move(child));
      else
        files.push_back(std::move(child));
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: FloorRead FOLDER [THREADS]\n", stderr);
    return 2;
  }
  const int threads = argc > 2 ? std::max(1, _wtoi(argv[2])) : 1;
  std::vector<std::wstring> files;
  CollectFiles(argv[1], files);
  std::atomic<size_t> next{0};
  std::atomic<unsigned> failed{0};
  std::atomic<unsigned long long> total{0};
  auto work = [&] {
    constexpr DWORD kChunk = 1 << 20;
    std::vector<char> buffer(kChunk);
    unsigned long long bytes = 0;
    for (size_t i = next++; i < files.size(); i = next++) {
      const HANDLE file = CreateFileW(files[i].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        ++failed;
        continue;
      }
      DWORD got = 0;
      while (ReadFile(file, buffer.data(), kChunk, &got, nullptr) && got > 0) {
        bytes += got;
        if (got < kChunk) break;
      }
      CloseHandle(file);
    }
    total += bytes;
  };
  std::vector<std::thread> workers;
  for (int i = 1; i < threads; ++i) workers.emplace_back(work);
  work();
  for (auto& worker : workers) worker.join();
  std::printf("%zu files, %llu bytes, %u failed\n", files.size(), total.load(), failed.load());
  return failed ? 1 : 0;
}
