// The floor of an archived item: walks a tree (FindFirstFileExW, basic, large fetch) and reads
// every file whole on N threads, each file opened once, read in 1 MiB calls until a short read,
// and closed. With LEVEL (1-9) each file is also deflated at that zlib level, as a ZIP entry
// is; nothing is written. Whatever an archive run spends above this is the archive's own
// writing, sealing and bookkeeping. scripts/bench-archive-run times it beside the program and
// the native tools. Usage: FloorRead.exe FOLDER [THREADS [LEVEL]]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include <zlib.h>

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
    std::fputs("usage: FloorRead FOLDER [THREADS [LEVEL]]\n", stderr);
    return 2;
  }
  const int threads = argc > 2 ? std::max(1, _wtoi(argv[2])) : 1;
  const int level = argc > 3 ? std::clamp(_wtoi(argv[3]), 0, 9) : 0;
  std::vector<std::wstring> files;
  CollectFiles(argv[1], files);
  std::atomic<size_t> next{0};
  std::atomic<unsigned> failed{0};
  std::atomic<unsigned long long> total{0}, packed{0};
  auto work = [&] {
    constexpr DWORD kChunk = 1 << 20;
    std::vector<char> buffer(kChunk);
    std::vector<Bytef> out(compressBound(kChunk));
    z_stream z{};
    if (level > 0 && deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) ++failed;
    unsigned long long bytes = 0, deflated = 0;
    for (size_t i = next++; i < files.size(); i = next++) {
      const HANDLE file = CreateFileW(files[i].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        ++failed;
        continue;
      }
      DWORD got = 0;
      for (;;) {
        if (!ReadFile(file, buffer.data(), kChunk, &got, nullptr)) got = 0;
        bytes += got;
        const bool last = got < kChunk;  // a short read (or none) ends the file and its stream
        if (level > 0) {
          z.next_in = reinterpret_cast<Bytef*>(buffer.data());
          z.avail_in = got;
          do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            deflated += out.size() - z.avail_out;
          } while (z.avail_out == 0);
        }
        if (last) break;
      }
      CloseHandle(file);
      if (level > 0) deflateReset(&z);
    }
    if (level > 0) deflateEnd(&z);
    total += bytes;
    packed += deflated;
  };
  std::vector<std::thread> workers;
  for (int i = 1; i < threads; ++i) workers.emplace_back(work);
  work();
  for (auto& worker : workers) worker.join();
  std::printf("%zu files, %llu bytes (%llu deflated), %u failed\n", files.size(), total.load(), packed.load(),
              failed.load());
  return failed ? 1 : 0;
}
