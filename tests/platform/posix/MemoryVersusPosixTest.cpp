// The memory platform and the real-files POSIX platform given the same random sequence of
// operations must answer alike: the same error codes, the same listings, the same
// content. Names are lower-case so that case sensitivity does not matter, and attributes
// change only on files (a read-only folder means something else on Linux).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog::test {
namespace {

struct TSide {
  IFileSystem* Fs;
  std::wstring Root;  // ends with the separator
};

std::string Describe(IFileSystem& fs, const std::wstring& root, const std::wstring& relative) {
  // A listing with kinds, sizes and read-only bits, or the code that refused it.
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  std::wstring pattern = root + relative + (relative.empty() ? L"*" : L"\\*");
  const uint32_t code = fs.FindFirst(pattern, h, d);
  if (code) return "error " + std::to_string(code);
  std::vector<std::string> lines;
  do {
    lines.push_back(WideToUtf8(d.Name) + ((d.Attr & attr::Directory) ? "/" : " " + std::to_string(d.Size)) +
                    ((d.Attr & attr::ReadOnly) ? " ro" : ""));
  } while (h->Next(d) == 0);
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (auto& l : lines) out += l + "\n";
  return out;
}

class MemoryVersusPosix : public ::testing::TestWithParam<unsigned> {
protected:
  void SetUp() override {
    char templ[] = "/tmp/vog-mvp-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
    mem_.AddVolume(L"C:");
    mem_.AddFolder(L"C:\\r");
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir_, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  TManualClock clock_;
  TMemoryFileSystem mem_{clock_};
  std::unique_ptr<IFileSystem> posix_ = CreateSystemFileSystem();
  std::string dir_;
};

TEST_P(MemoryVersusPosix, RandomOperationsGiveTheSameResults) {
  const TSide sides[2] = {{&mem_, L"C:\\r\\"}, {posix_.get(), Utf8ToWide(dir_) + L"/"}};
  std::mt19937 rng(GetParam());
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto randomPath = [&] {
    static const wchar_t* names[] = {L"a", L"b", L"c.txt", L"d"};
    std::wstring p = names[pick(4)];
    for (int depth = pick(3); depth > 0; --depth) p += std::wstring(L"\\") + names[pick(4)];
    return p;
  };
  for (int step = 0; step < 400; ++step) {
    const std::wstring p1 = randomPath(), p2 = randomPath();
    const int op = pick(9);
    const bool flag = pick(2) == 0;
    const std::string content(static_cast<size_t>(pick(3000)), static_cast<char>('a' + pick(26)));
    uint32_t codes[2] = {};
    std::string results[2];
    for (int i = 0; i < 2; ++i) {
      IFileSystem& fs = *sides[i].Fs;
      const std::wstring a = sides[i].Root + p1, b = sides[i].Root + p2;
      switch (op) {
        case 0:
          codes[i] = fs.MakeFolder(a);
          break;
        case 1: {
          std::unique_ptr<IFileStream> s;
          codes[i] = fs.OpenFile(a, flag ? TOpenMode::Write : TOpenMode::CreateNew, share::None, s);
          size_t done = 0;
          if (!codes[i]) codes[i] = s->Write(content.data(), content.size(), done);
          break;
        }
        case 2:
          codes[i] = fs.RemoveFile(a);
          break;
        case 3:
          codes[i] = fs.RemoveFolder(a);
          break;
        case 4:
          codes[i] = fs.MoveEntry(a, b, flag);
          break;
        case 5:
          codes[i] = fs.CopyEntry(a, b, flag, {}, nullptr);
          break;
        case 6: {
          uint32_t attributes = 0;
          codes[i] = fs.GetAttributes(a, attributes);
          if (!codes[i] && !(attributes & attr::Directory)) codes[i] = fs.SetAttributes(a, flag ? attr::ReadOnly : 0);
          break;
        }
        case 7: {
          std::unique_ptr<IFileStream> s;
          codes[i] = fs.OpenFile(a, TOpenMode::Read, share::Read, s);
          if (!codes[i]) {
            int64_t size = 0;
            s->GetSize(size);
            results[i] = std::to_string(size);
          }
          break;
        }
        default: {
          const std::wstring folder = p1.substr(0, p1.rfind(L'\\') == std::wstring::npos ? 0 : p1.rfind(L'\\'));
          results[i] = Describe(fs, sides[i].Root, folder);
          break;
        }
      }
    }
    ASSERT_EQ(codes[0], codes[1]) << "step " << step << " op " << op << " flag " << flag << " " << WideToUtf8(p1)
                                  << " -> " << WideToUtf8(p2);
    ASSERT_EQ(results[0], results[1]) << "step " << step << " op " << op << " " << WideToUtf8(p1);
  }
  EXPECT_EQ(Describe(mem_, L"C:\\r\\", L""), Describe(*posix_, Utf8ToWide(dir_) + L"/", L""));
}

INSTANTIATE_TEST_SUITE_P(Seeds, MemoryVersusPosix, ::testing::Range(1u, 17u));

}  // namespace
}  // namespace vog::test
