// The floor of a first copy: copies a tree with CopyFileExW on N threads, the folders made
// first (one walk), the files then taken from one shared list. No history, no verify, no
// temporary names: the bare cost of the file system. scripts/bench-backup times it at 1, 2,
// 4 and 8 threads beside Vogratel.exe -AUTO. Usage: FloorCopy.exe SOURCE DEST [THREADS]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

// Relative paths of every file; every folder is made in DEST on the way.
void CollectAndMakeFolders(const std::wstring& source, const std::wstring& dest, std::vector<std::wstring>& files) {
  std::vector<std::wstring> pending{L""};
  while (!pending.empty()) {
    const std::wstring relative = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW((source + relative + L"\\*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const wchar_t* name = found.cFileName;
      if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
      std::wstring child = relative + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        CreateDirectoryW((dest + child).c_str(), nullptr);
        pending.push_back(std::move(child));
      } else {
        files.push_back(std::move(child));
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: FloorCopy SOURCE DEST [THREADS]\n", stderr);
    return 2;
  }
  const std::wstring source = argv[1], dest = argv[2];
  const int threads = argc > 3 ? std::max(1, _wtoi(argv[3])) : 1;
  CreateDirectoryW(dest.c_str(), nullptr);
  std::vector<std::wstring> files;
  CollectAndMakeFolders(source, dest, files);
  std::atomic<size_t> next{0};
  std::atomic<unsigned> failed{0};
  auto work = [&] {
    for (size_t i = next++; i < files.size(); i = next++) {
      if (!CopyFileExW((source + files[i]).c_str(), (dest + files[i]).c_str(), nullptr, nullptr, nullptr, 0)) ++failed;
    }
  };
  std::vector<std::thread> workers;
  for (int i = 1; i < threads; ++i) workers.emplace_back(work);
  work();
  for (auto& worker : workers) worker.join();
  std::printf("%zu files, %u failed\n", files.size(), failed.load());
  return failed ? 1 : 0;
}
