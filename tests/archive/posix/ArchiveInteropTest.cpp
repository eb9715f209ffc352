// Interoperability with independent archivers, on real files through the POSIX platform:
// archives the program writes are tested, listed and extracted byte for byte by lhasa
// (LZH), unzip and 7z (ZIP); archives made by zip, 7z and jlha are listed and extracted
// by the program.
//
// Name encodings, as these tools handle them on Linux:
// - the program writes LZH names and ZIP names in code page 932 (ZIP: UTF-8 with flag
//   bit 11 when a name has no 932 form, and beside any other non-ASCII name Info-ZIP's
//   Unicode path field with its UTF-8 form);
// - lhasa writes the stored bytes as they are, so a 932 name lands on disk as 932 bytes;
// - unzip and 7z, in a UTF-8 locale, take the Unicode path field, so the program's ZIP
//   entries land under their exact UTF-8 names; they write flagged UTF-8 names as UTF-8;
// - zip 3.0 stores the UTF-8 bytes of the file system without flag bit 11 (host Unix);
// - 7z stores UTF-8 names with flag bit 11;
// - jlha, run under ja_JP.UTF-8, stores names in Shift_JIS (code page 932).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "base/Text.h"
#include "platform/Platform.h"
#include "platform/memory/MemoryPlatform.h"
#include "services/archive/ArchiveFile.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) {
    status = -1;
    return output;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

bool HaveTool(const std::string& tool) {
  int status = 0;
  Shell("command -v " + tool, status);
  return status == 0;
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char ch : text) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return out + "'";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string Mixed(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"backup ", "archive ", "generation ", "mirror ", "\r\n", "フォルダ ", "2024/04/01 "};
  std::string s;
  while (s.size() < size) {
    if (rng() % 16 == 0) {
      for (int i = 0; i < 64; ++i) s.push_back(static_cast<char>(rng() & 0xFF));
    } else {
      s += words[rng() % 7];
    }
  }
  s.resize(size);
  return s;
}

// A sample tree: relative path (UTF-8, "/") -> content.
std::map<std::string, std::string> SampleTree(bool withUnicodeOnly) {
  std::map<std::string, std::string> tree;
  tree["text.txt"] = Mixed(200000, 1);
  tree["empty.txt"] = "";
  tree["bin/random.bin"] = [] {
    std::mt19937 rng(5);
    std::string s(100000, '\0');
    for (auto& ch : s) ch = static_cast<char>(rng() & 0xFF);
    return s;
  }();
  tree["bin/deep/large.dat"] = Mixed(1500000, 2);
  tree["日本語/ファイル名.txt"] = "Japanese name";
  if (withUnicodeOnly) tree["한국어.txt"] = "no code page 932 form";
  return tree;
}

class ArchiveInteropTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/vog-arc-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    previous_ = InstallPlatform(CreateSystemPlatform());
  }
  void TearDown() override {
    InstallPlatform(std::move(previous_));
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  static std::wstring W(const fs::path& path) { return Utf8ToWide(path.string()); }

  void MakeTree(const fs::path& folder, const std::map<std::string, std::string>& tree) {
    for (const auto& [name, content] : tree) WriteAll(folder / name, content);
  }

  // The on-disk name of an entry extracted by a tool that writes stored bytes as they are.
  static std::string AnsiName(const std::string& utf8) { return CodePage().WideToAnsi(Utf8ToWide(utf8)); }

  uint32_t PackTree(const fs::path& archive, const fs::path& base, const std::map<std::string, std::string>& tree,
                    int z) {
    TArchiveFile a;
    a.SetFileName(W(archive));
    a.Options.KeepPaths = true;
    a.Options.KeepAttributes = true;
    a.Options.AlwaysReplace = true;
    a.Options.IgnoreMissing = true;
    a.Options.Compression = z;
    std::vector<std::wstring> names;
    for (const auto& [name, content] : tree) names.push_back(Utf8ToWide(name));
    const uint32_t code = a.Pack(W(base), names);
    EXPECT_EQ(code, 0u) << WideToUtf8(a.LastMessage());
    return code;
  }

  std::map<std::wstring, TArchiveEntryInfo> ListByProject(const fs::path& archive) {
    TArchiveFile a;
    a.SetFileName(W(archive));
    std::map<std::wstring, TArchiveEntryInfo> entries;
    EXPECT_EQ(a.Open(), 0u) << WideToUtf8(a.LastMessage());
    TArchiveEntryInfo info;
    for (uint32_t r = a.FindFirst(L"*.*", info); r == 0; r = a.FindNext(info)) entries[info.Path] = info;
    return entries;
  }

  void ExtractByProjectAndCompare(const fs::path& archive, const fs::path& source,
                                  const std::map<std::string, std::string>& tree) {
    const fs::path out = root_ / ("out-" + archive.filename().string());
    fs::create_directories(out);
    TArchiveFile a;
    a.SetFileName(W(archive));
    a.Options.KeepAttributes = true;
    ASSERT_EQ(a.Extract(W(out)), 0u) << WideToUtf8(a.LastMessage());
    for (const auto& [name, content] : tree) {
      EXPECT_EQ(ReadAll(out / name), content) << name << " from " << archive;
      struct stat original {
      }, copy{};
      ASSERT_EQ(stat((source / name).c_str(), &original), 0);
      ASSERT_EQ(stat((out / name).c_str(), &copy), 0) << name;
      EXPECT_LE(std::llabs(static_cast<long long>(original.st_mtime - copy.st_mtime)), 2) << name;
    }
  }

  void CompareExtracted(const fs::path& out, const std::map<std::string, std::string>& tree, bool ansiNames,
                        const std::string& tool) {
    std::set<std::string> expected, found;
    for (const auto& [name, content] : tree) {
      const bool unicodeOnly = name.find("한") != std::string::npos;
      const std::string onDisk = ansiNames && !unicodeOnly ? AnsiName(name) : name;
      EXPECT_EQ(ReadAll(out / onDisk), content) << tool << ": " << name;
      expected.insert(onDisk);
    }
    // Exactly these names, byte for byte, and nothing else.
    for (const auto& item : fs::recursive_directory_iterator(out))
      if (item.is_regular_file()) found.insert(fs::relative(item.path(), out).string());
    EXPECT_EQ(found, expected) << tool;
  }

  fs::path root_;
  std::unique_ptr<TPlatform> previous_;
};

TEST_F(ArchiveInteropTest, LzhWrittenByTheProjectIsReadByLhasa) {
  if (!HaveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed (scripts/setup installs it)";
  const auto tree = SampleTree(false);
  MakeTree(root_ / "src", tree);
  for (int z : {0, 2, 3}) {
    const fs::path archive = root_ / ("p" + std::to_string(z) + ".lzh");
    ASSERT_EQ(PackTree(archive, root_ / "src", tree, z), 0u);
    int status = 0;
    const std::string test = Shell("lhasa -t " + Quote(archive.string()), status);
    EXPECT_EQ(status, 0) << test;
    const std::string list = Shell("lhasa -v " + Quote(archive.string()), status);
    EXPECT_EQ(status, 0) << list;
    EXPECT_NE(list.find(z == 0 ? "-lh0-" : z == 3 ? "-lh7-" : "-lh5-"), std::string::npos) << list;
    EXPECT_NE(list.find("Total         " + std::to_string(tree.size()) + " files"), std::string::npos) << list;
    const fs::path out = root_ / ("lhasa" + std::to_string(z));
    fs::create_directories(out);
    const std::string x = Shell("cd " + Quote(out.string()) + " && lhasa -xq " + Quote(archive.string()), status);
    ASSERT_EQ(status, 0) << x;
    CompareExtracted(out, tree, true, "lhasa");
    // lhasa sets the time from the level-2 header's UNIX time.
    struct stat original {
    }, copy{};
    ASSERT_EQ(stat((root_ / "src" / "text.txt").c_str(), &original), 0);
    ASSERT_EQ(stat((out / "text.txt").c_str(), &copy), 0);
    EXPECT_EQ(original.st_mtime, copy.st_mtime);
  }
}

TEST_F(ArchiveInteropTest, UpdatedAndShrunkLzhStaysReadable) {
  if (!HaveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed (scripts/setup installs it)";
  auto tree = SampleTree(false);
  MakeTree(root_ / "src", tree);
  const fs::path archive = root_ / "u.lzh";
  ASSERT_EQ(PackTree(archive, root_ / "src", tree, 2), 0u);
  tree["text.txt"] = Mixed(50000, 9);
  WriteAll(root_ / "src" / "text.txt", tree["text.txt"]);
  ASSERT_EQ(PackTree(archive, root_ / "src", {{"text.txt", ""}}, 2), 0u);
  TArchiveFile a;
  a.SetFileName(W(archive));
  ASSERT_EQ(a.Delete(L"", {L"bin\\random.bin"}), 0u) << WideToUtf8(a.LastMessage());
  tree.erase("bin/random.bin");
  int status = 0;
  const fs::path out = root_ / "lhasa-u";
  fs::create_directories(out);
  const std::string x = Shell("cd " + Quote(out.string()) + " && lhasa -xq " + Quote(archive.string()), status);
  ASSERT_EQ(status, 0) << x;
  CompareExtracted(out, tree, true, "lhasa");
  EXPECT_FALSE(fs::exists(out / "bin" / "random.bin"));
}

TEST_F(ArchiveInteropTest, LzhLeavesOutFilesOfFourGiBAndMoreWhichOtherReadersCouldNotRead) {
  if (!HaveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed (scripts/setup installs it)";
  WriteAll(root_ / "src" / "small.txt", "small");
  WriteAll(root_ / "src" / "big.bin", "");
  fs::resize_file(root_ / "src" / "big.bin", 0x100000000ull);  // sparse: nothing is read
  const fs::path archive = root_ / "big.lzh";
  TArchiveFile a;
  a.SetFileName(W(archive));
  a.Options.KeepPaths = true;
  EXPECT_EQ(a.Pack(W(root_ / "src"), {L"small.txt", L"big.bin"}), err::FileTooLarge);  // one file fails all
  EXPECT_FALSE(fs::exists(archive));
  a.Options.LeaveOutUnreadable = true;
  ASSERT_EQ(a.Pack(W(root_ / "src"), {L"small.txt", L"big.bin"}), 0u) << WideToUtf8(a.LastMessage());
  ASSERT_EQ(a.LeftOut().size(), 1u);
  EXPECT_EQ(a.LeftOut()[0].Name, L"big.bin");
  EXPECT_EQ(a.LeftOut()[0].Code, err::FileTooLarge);
  EXPECT_NE(a.LeftOut()[0].Message.find(L"4 GiB"), std::wstring::npos);
  EXPECT_EQ(ListByProject(archive).size(), 1u);
  int status = 0;
  const std::string test = Shell("lhasa -t " + Quote(archive.string()), status);
  EXPECT_EQ(status, 0) << test;
}

TEST_F(ArchiveInteropTest, ZipWrittenByTheProjectIsReadByUnzipAnd7z) {
  const auto tree = SampleTree(true);
  MakeTree(root_ / "src", tree);
  for (int z : {0, 2}) {
    const fs::path archive = root_ / ("p" + std::to_string(z) + ".zip");
    ASSERT_EQ(PackTree(archive, root_ / "src", tree, z), 0u);
    int status = 0;
    if (HaveTool("unzip")) {
      const std::string test = Shell("unzip -tq " + Quote(archive.string()), status);
      EXPECT_EQ(status, 0) << test;
      const fs::path out = root_ / ("unzip" + std::to_string(z));
      const std::string x =
          Shell("LC_ALL=C.UTF-8 unzip -qo " + Quote(archive.string()) + " -d " + Quote(out.string()), status);
      ASSERT_EQ(status, 0) << x;
      CompareExtracted(out, tree, false, "unzip");
    } else {
      ADD_FAILURE() << "unzip is not installed (scripts/setup installs it)";
    }
    if (HaveTool("7z")) {
      const std::string test = Shell("7z t " + Quote(archive.string()), status);
      EXPECT_EQ(status, 0) << test;
      const fs::path out = root_ / ("7z" + std::to_string(z));
      const std::string x =
          Shell("LC_ALL=C.UTF-8 7z x -y -o" + Quote(out.string()) + " " + Quote(archive.string()), status);
      ASSERT_EQ(status, 0) << x;
      CompareExtracted(out, tree, false, "7z");
    } else {
      ADD_FAILURE() << "7z is not installed (scripts/setup installs it)";
    }
  }
}

TEST_F(ArchiveInteropTest, ZipsMadeByZipAnd7zAreReadByTheProject) {
  const auto tree = SampleTree(true);
  MakeTree(root_ / "src", tree);
  int status = 0;
  if (HaveTool("zip")) {
    const fs::path archive = root_ / "infozip.zip";
    const std::string out =
        Shell("cd " + Quote((root_ / "src").string()) + " && zip -qr " + Quote(archive.string()) + " .", status);
    ASSERT_EQ(status, 0) << out;
    const auto entries = ListByProject(archive);
    for (const auto& [name, content] : tree) {
      std::wstring path = Utf8ToWide(name);
      std::replace(path.begin(), path.end(), L'/', L'\\');
      ASSERT_TRUE(entries.count(path)) << name;
      EXPECT_EQ(entries.at(path).Size, content.size());
    }
    ExtractByProjectAndCompare(archive, root_ / "src", tree);

    // Streamed input makes zip write a data descriptor.
    const fs::path streamed = root_ / "streamed.zip";
    Shell("cat " + Quote((root_ / "src" / "text.txt").string()) + " | zip -q " + Quote(streamed.string()) + " -",
          status);
    ASSERT_EQ(status, 0);
    const fs::path sout = root_ / "streamed-out";
    fs::create_directories(sout);
    TArchiveFile a;
    a.SetFileName(W(streamed));
    ASSERT_EQ(a.Extract(W(sout)), 0u) << WideToUtf8(a.LastMessage());
    EXPECT_EQ(ReadAll(sout / "-"), tree.at("text.txt"));
  } else {
    ADD_FAILURE() << "zip is not installed (scripts/setup installs it)";
  }
  if (HaveTool("7z")) {
    const fs::path archive = root_ / "seven.zip";
    const std::string out =
        Shell("cd " + Quote((root_ / "src").string()) + " && 7z a -tzip " + Quote(archive.string()) + " .", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(ListByProject(archive).size(), tree.size());
    ExtractByProjectAndCompare(archive, root_ / "src", tree);
  } else {
    ADD_FAILURE() << "7z is not installed (scripts/setup installs it)";
  }
}

TEST_F(ArchiveInteropTest, LzhMadeByJlhaIsReadByTheProject) {
  if (!HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed (scripts/setup installs jlha-utils)";
  const auto tree = SampleTree(false);
  MakeTree(root_ / "src", tree);
  // Header levels 0, 1 and 2 with -lh5-, and level 2 with -lh6- and -lh7-; folders give
  // -lhd- entries.
  for (const std::string command : {"a0", "a1", "a2", "ao6", "ao7"}) {
    const fs::path archive = root_ / ("jlha-" + command + ".lzh");
    int status = 0;
    const std::string out = Shell("cd " + Quote((root_ / "src").string()) + " && LC_ALL=ja_JP.UTF-8 jlha " + command +
                                      " " + Quote(archive.string()) + " text.txt empty.txt bin 日本語",
                                  status);
    ASSERT_EQ(status, 0) << out;
    const auto entries = ListByProject(archive);
    EXPECT_EQ(entries.size(), tree.size()) << command;
    ASSERT_TRUE(entries.count(L"日本語\\ファイル名.txt")) << command;
    ExtractByProjectAndCompare(archive, root_ / "src", tree);
    std::error_code ec;
    fs::remove_all(root_ / ("out-" + archive.filename().string()), ec);
  }
}

TEST_F(ArchiveInteropTest, Zip64WithManyEntriesIsReadByUnzipAnd7z) {
  // Made on the memory platform (quick with 65600 files), then written out.
  std::string bytes;
  {
    auto memory = CreateMemoryPlatform();
    TMemoryFileSystem& mem = *memory->MemFiles;
    ScopedPlatform scoped(std::move(memory));
    std::vector<std::wstring> names;
    for (int i = 0; i < 65540; ++i) {
      names.push_back(L"d" + IntToText(i / 1000) + L"\\f" + IntToText(i) + L".txt");
      mem.AddFile(L"C:\\Src\\" + names.back(), std::to_string(i));
    }
    TArchiveFile a;
    a.SetFileName(L"C:\\many.zip");
    a.Options.KeepPaths = true;
    a.Options.AlwaysReplace = true;
    ASSERT_EQ(a.Pack(L"C:\\Src", names), 0u) << WideToUtf8(a.LastMessage());
    ASSERT_TRUE(mem.ReadContent(L"C:\\many.zip", bytes));
  }
  const fs::path archive = root_ / "many.zip";
  WriteAll(archive, bytes);
  int status = 0;
  if (HaveTool("unzip")) {
    const std::string test = Shell("unzip -tq " + Quote(archive.string()), status);
    EXPECT_EQ(status, 0) << test.substr(0, 2000);
    const std::string one = Shell("unzip -p " + Quote(archive.string()) + " d65/f65539.txt", status);
    EXPECT_EQ(one, "65539");
  }
  if (HaveTool("7z")) {
    const std::string test = Shell("7z t " + Quote(archive.string()), status);
    EXPECT_EQ(status, 0) << test.substr(0, 2000);
    EXPECT_NE(test.find("Files: 65540"), std::string::npos) << test.substr(test.size() > 2000 ? test.size() - 2000 : 0);
  }
}

}  // namespace
}  // namespace vog::test
