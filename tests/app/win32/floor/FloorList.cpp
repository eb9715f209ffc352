// The floor of a no-change run: lists two trees at once, one thread each, with the
// cheapest listing Windows offers (FindFirstFileExW, FindExInfoBasic, large fetch), and
// prints the number of files found. No comparison, no data file, no log: whatever the
// program spends above this is its own work. scripts/bench-backup times it beside
// Vogratel.exe -AUTO. Usage: FloorList.exe FOLDER1 FOLDER2
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TCount {
  unsigned long long Files = 0;
  unsigned long long Folders = 0;
};

void ListTree(const std::wstring& root, TCount& count) {
  std::vector<std::wstring> pending{root};
  while (!pending.empty()) {
    const std::wstring folder = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const wchar_t* name = found.cFileName;
      if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ++count.Folders;
        pending.push_back(folder + L"\\" + name);
      } else {
        ++count.Files;
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: FloorList FOLDER1 [FOLDER2]\n", stderr);
    return 2;
  }
  TCount first, second;
  std::thread other;
  if (argc > 2) other = std::thread([&] { ListTree(argv[2], second); });
  ListTree(argv[1], first);
  if (other.joinable()) other.join();
  std::printf("%llu %llu\n", first.Files, second.Files);
  return 0;
}
