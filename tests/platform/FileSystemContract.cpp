#include "platform/FileSystemContract.h"

#include <algorithm>
#include <atomic>

#include "base/Text.h"

namespace vog::test {

namespace {

// 2020-01-02 03:04:05 UTC and 2019-06-07 08:09:10 UTC as FILETIME (whole seconds, so
// that every file system keeps them exactly).
constexpr TFileTime kTimeA{(11'644'473'600ULL + 1'577'934'245ULL) * 10'000'000ULL};
constexpr TFileTime kTimeB{(11'644'473'600ULL + 1'559'894'950ULL) * 10'000'000ULL};

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end(), TextLess());
  return v;
}

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 997) & 0xFF);
  return s;
}

}  // namespace

void FileSystemContract::SetUp() { under_ = GetParam().second(); }
void FileSystemContract::TearDown() { under_.reset(); }

std::wstring FileSystemContract::P(const std::wstring& relative) {
  std::wstring root = under_->Root();
  const wchar_t sep = root.back();
  std::wstring rel = relative;
  std::replace(rel.begin(), rel.end(), L'\\', sep);
  return root + rel;
}

void FileSystemContract::Put(const std::wstring& relative, const std::string& content) {
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(Fs().OpenFile(P(relative), TOpenMode::Write, share::Read, s), 0u) << WideToUtf8(relative);
  size_t done = 0;
  ASSERT_EQ(s->Write(content.data(), content.size(), done), 0u);
  ASSERT_EQ(done, content.size());
}

std::string FileSystemContract::Get(const std::wstring& relative) {
  std::unique_ptr<IFileStream> s;
  if (uint32_t code = Fs().OpenFile(P(relative), TOpenMode::Read, share::Read, s))
    return "<error " + std::to_string(code) + ">";
  std::string out;
  char buffer[4096];
  for (;;) {
    size_t done = 0;
    if (uint32_t code = s->Read(buffer, sizeof buffer, done)) return "<error " + std::to_string(code) + ">";
    if (done == 0) break;
    out.append(buffer, done);
  }
  return out;
}

std::vector<std::wstring> FileSystemContract::List(const std::wstring& pattern, uint32_t* code, uint32_t* endCode) {
  std::vector<std::wstring> names;
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  const uint32_t first = Fs().FindFirst(P(pattern), h, d);
  if (code) *code = first;
  if (first) return names;
  names.push_back(d.Name);
  uint32_t end = 0;
  while ((end = h->Next(d)) == 0) names.push_back(d.Name);
  if (endCode) *endCode = end;
  return names;
}

std::string ContractCaseName(const ::testing::TestParamInfo<FileSystemContract::ParamType>& info) {
  return info.param.first;
}

// ---- listing ------------------------------------------------------------------

TEST_P(FileSystemContract, ListingGivesDotsFirstThenEveryEntry) {
  ASSERT_EQ(Fs().MakeFolder(P(L"sub")), 0u);
  Put(L"sub\\b.txt", "bb");
  Put(L"sub\\a.txt", "a");
  ASSERT_EQ(Fs().MakeFolder(P(L"sub\\c")), 0u);

  uint32_t code = 1, end = 0;
  auto names = List(L"sub\\*", &code, &end);
  ASSERT_EQ(code, 0u);
  EXPECT_EQ(end, err::NoMoreFiles);
  ASSERT_EQ(names.size(), 5u);
  EXPECT_EQ(names[0], L".");
  EXPECT_EQ(names[1], L"..");
  EXPECT_EQ(Sorted({names.begin() + 2, names.end()}), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"c"}));

  // Entries carry their kind, size and times.
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  ASSERT_EQ(Fs().FindFirst(P(L"sub\\*"), h, d), 0u);
  EXPECT_TRUE(d.Attr & attr::Directory);  // "."
  int seen = 0;
  while (h->Next(d) == 0) {
    if (d.Name == L"b.txt") {
      EXPECT_EQ(d.Size, 2);
      EXPECT_FALSE(d.Attr & attr::Directory);
      EXPECT_NE(d.LastWriteTime.Value, 0u);
      ++seen;
    } else if (d.Name == L"c") {
      EXPECT_TRUE(d.Attr & attr::Directory);
      EXPECT_EQ(d.Size, 0);
      ++seen;
    }
  }
  EXPECT_EQ(seen, 2);
}

TEST_P(FileSystemContract, ListingAppliesTheMask) {
  Put(L"a.txt", "");
  Put(L"B.TXT", "");
  Put(L"c.dat", "");
  Put(L"noext", "");
  Put(L"ab.txt", "");

  EXPECT_EQ(Sorted(List(L"*.txt")), (std::vector<std::wstring>{L"a.txt", L"ab.txt", L"B.TXT"}));
  EXPECT_EQ(Sorted(List(L"?.txt")), (std::vector<std::wstring>{L"a.txt", L"B.TXT"}));
  // "*.*" takes names without a dot too, and the folder's own "." and "..".
  EXPECT_EQ(List(L"*.*").size(), 7u);
  EXPECT_EQ(Sorted(List(L"noext")), (std::vector<std::wstring>{L"noext"}));

  uint32_t code = 0;
  EXPECT_TRUE(List(L"*.zip", &code).empty());
  EXPECT_EQ(code, err::FileNotFound);
  EXPECT_TRUE(List(L"missing\\*", &code).empty());
  EXPECT_EQ(code, err::PathNotFound);
}

TEST_P(FileSystemContract, ListingOfAnEmptyFolderHasOnlyTheDots) {
  ASSERT_EQ(Fs().MakeFolder(P(L"empty")), 0u);
  uint32_t end = 0;
  EXPECT_EQ(List(L"empty\\*", nullptr, &end), (std::vector<std::wstring>{L".", L".."}));
  EXPECT_EQ(end, err::NoMoreFiles);
}

// A names-only listing holds what a search holds, without the dots, each with its kind.
TEST_P(FileSystemContract, NamesListingHoldsEveryEntryWithItsKind) {
  ASSERT_EQ(Fs().MakeFolder(P(L"sub")), 0u);
  ASSERT_EQ(Fs().MakeFolder(P(L"sub\\c")), 0u);
  ASSERT_EQ(Fs().MakeFolder(P(L"empty")), 0u);
  Put(L"sub\\b.txt", "bb");
  Put(L"sub\\世代.txt", "a");
  std::vector<TNameEntry> names{{L"stale", true}};
  ASSERT_EQ(Fs().ListNames(P(L"sub"), names), 0u);
  std::vector<std::pair<std::wstring, bool>> got;
  for (const TNameEntry& entry : names) got.emplace_back(entry.Name, entry.Folder);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::pair<std::wstring, bool>>{{L"b.txt", false}, {L"c", true}, {L"世代.txt", false}}));

  EXPECT_EQ(Fs().ListNames(P(L"empty"), names), 0u);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(Fs().ListNames(P(L"missing"), names), err::PathNotFound);
  EXPECT_TRUE(names.empty());
}

// ---- folders ------------------------------------------------------------------

TEST_P(FileSystemContract, FoldersAreMadeAndRemoved) {
  EXPECT_EQ(Fs().MakeFolder(P(L"new")), 0u);
  uint32_t a = 0;
  ASSERT_EQ(Fs().GetAttributes(P(L"new"), a), 0u);
  EXPECT_TRUE(a & attr::Directory);
  EXPECT_EQ(Fs().MakeFolder(P(L"new")), err::AlreadyExists);
  EXPECT_EQ(Fs().MakeFolder(P(L"missing\\child")), err::PathNotFound);

  Put(L"new\\f.txt", "x");
  EXPECT_EQ(Fs().MakeFolder(P(L"new\\f.txt")), err::AlreadyExists);
  EXPECT_EQ(Fs().RemoveFolder(P(L"new")), err::DirNotEmpty);
  ASSERT_EQ(Fs().RemoveFile(P(L"new\\f.txt")), 0u);
  EXPECT_EQ(Fs().RemoveFolder(P(L"new")), 0u);
  EXPECT_EQ(Fs().GetAttributes(P(L"new"), a), err::FileNotFound);
  EXPECT_EQ(Fs().RemoveFolder(P(L"new")), err::FileNotFound);
}

TEST_P(FileSystemContract, MissingThingsGiveFileOrPathNotFound) {
  uint32_t a = 0;
  TFindData info;
  EXPECT_EQ(Fs().GetAttributes(P(L"nothing.txt"), a), err::FileNotFound);
  EXPECT_EQ(Fs().GetAttributes(P(L"nowhere\\nothing.txt"), a), err::PathNotFound);
  EXPECT_EQ(Fs().GetInfo(P(L"nothing.txt"), info), err::FileNotFound);
  EXPECT_EQ(Fs().RemoveFile(P(L"nothing.txt")), err::FileNotFound);
  EXPECT_EQ(Fs().RemoveFile(P(L"nowhere\\nothing.txt")), err::PathNotFound);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(Fs().OpenFile(P(L"nothing.txt"), TOpenMode::Read, share::Read, s), err::FileNotFound);
  EXPECT_EQ(Fs().OpenFile(P(L"nowhere\\new.txt"), TOpenMode::Write, share::Read, s), err::PathNotFound);
  EXPECT_EQ(Fs().MoveEntry(P(L"nothing.txt"), P(L"other.txt"), false), err::FileNotFound);
  EXPECT_EQ(Fs().CopyEntry(P(L"nothing.txt"), P(L"other.txt"), false, {}, nullptr), err::FileNotFound);
}

TEST_P(FileSystemContract, ExistingNamesRefuseNewEntries) {
  ASSERT_EQ(Fs().MakeFolder(P(L"dir")), 0u);
  Put(L"file.txt", "f");
  std::unique_ptr<IFileStream> s;
  // CREATE_NEW meets the name before its kind.
  EXPECT_EQ(Fs().OpenFile(P(L"dir"), TOpenMode::CreateNew, share::None, s), err::FileExists);
  EXPECT_EQ(Fs().OpenFile(P(L"file.txt"), TOpenMode::CreateNew, share::None, s), err::FileExists);
  EXPECT_EQ(Fs().OpenFile(P(L"dir"), TOpenMode::Write, share::None, s), err::AccessDenied);
  EXPECT_EQ(Fs().OpenFile(P(L"dir"), TOpenMode::Read, share::Read, s), err::AccessDenied);
  // A copy onto itself: the existing name first, else the file is in use.
  EXPECT_EQ(Fs().CopyEntry(P(L"file.txt"), P(L"file.txt"), true, {}, nullptr), err::FileExists);
  EXPECT_EQ(Fs().CopyEntry(P(L"file.txt"), P(L"file.txt"), false, {}, nullptr), err::SharingViolation);
  // A move onto its own name changes nothing.
  EXPECT_EQ(Fs().MoveEntry(P(L"file.txt"), P(L"file.txt"), false), 0u);
  EXPECT_EQ(Fs().MoveEntry(P(L"dir"), P(L"dir"), false), 0u);
  EXPECT_EQ(Get(L"file.txt"), "f");
}

// ---- delete, move, copy --------------------------------------------------------

TEST_P(FileSystemContract, ReadOnlyFilesRefuseDeleteAndWrite) {
  Put(L"ro.txt", "keep");
  ASSERT_EQ(Fs().SetAttributes(P(L"ro.txt"), attr::ReadOnly), 0u);
  EXPECT_EQ(Fs().RemoveFile(P(L"ro.txt")), err::AccessDenied);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(Fs().OpenFile(P(L"ro.txt"), TOpenMode::Write, share::Read, s), err::AccessDenied);
  EXPECT_EQ(Fs().OpenFile(P(L"ro.txt"), TOpenMode::ReadWrite, share::Read, s), err::AccessDenied);
  EXPECT_EQ(Get(L"ro.txt"), "keep");

  ASSERT_EQ(Fs().SetAttributes(P(L"ro.txt"), 0), 0u);
  EXPECT_EQ(Fs().RemoveFile(P(L"ro.txt")), 0u);
  uint32_t a = 0;
  EXPECT_EQ(Fs().GetAttributes(P(L"ro.txt"), a), err::FileNotFound);
}

TEST_P(FileSystemContract, MoveRenamesFilesAndFolders) {
  Put(L"a.txt", "alpha");
  ASSERT_EQ(Fs().MoveEntry(P(L"a.txt"), P(L"b.txt"), false), 0u);
  EXPECT_EQ(Get(L"b.txt"), "alpha");
  uint32_t a = 0;
  EXPECT_EQ(Fs().GetAttributes(P(L"a.txt"), a), err::FileNotFound);

  ASSERT_EQ(Fs().MakeFolder(P(L"dir")), 0u);
  Put(L"dir\\inner.txt", "in");
  ASSERT_EQ(Fs().MoveEntry(P(L"dir"), P(L"moved"), false), 0u);
  EXPECT_EQ(Get(L"moved\\inner.txt"), "in");
  ASSERT_EQ(Fs().MoveEntry(P(L"b.txt"), P(L"moved\\b.txt"), false), 0u);
  EXPECT_EQ(Get(L"moved\\b.txt"), "alpha");
  EXPECT_EQ(Fs().MoveEntry(P(L"moved\\b.txt"), P(L"nowhere\\b.txt"), false), err::PathNotFound);
}

TEST_P(FileSystemContract, MoveOntoAnExistingFileNeedsReplace) {
  Put(L"from.txt", "new");
  Put(L"to.txt", "old");
  EXPECT_EQ(Fs().MoveEntry(P(L"from.txt"), P(L"to.txt"), false), err::AlreadyExists);
  EXPECT_EQ(Get(L"to.txt"), "old");
  EXPECT_EQ(Get(L"from.txt"), "new");
  ASSERT_EQ(Fs().MoveEntry(P(L"from.txt"), P(L"to.txt"), true), 0u);
  EXPECT_EQ(Get(L"to.txt"), "new");
  uint32_t a = 0;
  EXPECT_EQ(Fs().GetAttributes(P(L"from.txt"), a), err::FileNotFound);
}

TEST_P(FileSystemContract, MoveReplaceRefusesAReadOnlyTarget) {
  if (!Under().ReadOnlyRefusesOverwrite()) GTEST_SKIP() << "this implementation lets a move replace read-only files";
  Put(L"from.txt", "new");
  Put(L"to.txt", "old");
  ASSERT_EQ(Fs().SetAttributes(P(L"to.txt"), attr::ReadOnly), 0u);
  EXPECT_EQ(Fs().MoveEntry(P(L"from.txt"), P(L"to.txt"), true), err::AccessDenied);
  EXPECT_EQ(Get(L"to.txt"), "old");
  ASSERT_EQ(Fs().SetAttributes(P(L"to.txt"), 0), 0u);
}

TEST_P(FileSystemContract, CopyKeepsContentAttributesAndLastWriteTime) {
  const std::string data = Pattern(300 * 1024 + 17);
  Put(L"src.bin", data);
  ASSERT_EQ(Fs().SetTimes(P(L"src.bin"), nullptr, nullptr, &kTimeA), 0u);
  ASSERT_EQ(Fs().SetAttributes(P(L"src.bin"), attr::ReadOnly | attr::Archive), 0u);

  int64_t lastCopied = -1, lastTotal = -1;
  int calls = 0;
  bool increasing = true;
  auto progress = [&](int64_t copied, int64_t total) {
    if (copied < lastCopied) increasing = false;
    lastCopied = copied;
    lastTotal = total;
    ++calls;
  };
  ASSERT_EQ(Fs().CopyEntry(P(L"src.bin"), P(L"dst.bin"), true, progress, nullptr), 0u);
  EXPECT_EQ(Get(L"dst.bin"), data);
  TFindData info;
  ASSERT_EQ(Fs().GetInfo(P(L"dst.bin"), info), 0u);
  EXPECT_EQ(info.Size, static_cast<int64_t>(data.size()));
  EXPECT_EQ(info.LastWriteTime, kTimeA);
  EXPECT_TRUE(info.Attr & attr::ReadOnly);
  if (Under().CallsCopyProgress()) {
    EXPECT_GE(calls, 2);
    EXPECT_TRUE(increasing);
    EXPECT_EQ(lastCopied, static_cast<int64_t>(data.size()));
    EXPECT_EQ(lastTotal, static_cast<int64_t>(data.size()));
  }
  // An existing target is refused when asked, replaced otherwise.
  Put(L"other.txt", "other");
  EXPECT_EQ(Fs().CopyEntry(P(L"other.txt"), P(L"dst2.txt"), true, {}, nullptr), 0u);
  EXPECT_EQ(Fs().CopyEntry(P(L"other.txt"), P(L"dst2.txt"), true, {}, nullptr), err::FileExists);
  Put(L"other.txt", "changed");
  EXPECT_EQ(Fs().CopyEntry(P(L"other.txt"), P(L"dst2.txt"), false, {}, nullptr), 0u);
  EXPECT_EQ(Get(L"dst2.txt"), "changed");

  ASSERT_EQ(Fs().SetAttributes(P(L"src.bin"), 0), 0u);
  ASSERT_EQ(Fs().SetAttributes(P(L"dst.bin"), 0), 0u);
}

TEST_P(FileSystemContract, CopyOntoAReadOnlyFileIsRefused) {
  if (!Under().ReadOnlyRefusesOverwrite()) GTEST_SKIP() << "this implementation lets a copy overwrite read-only files";
  Put(L"src.txt", "new");
  Put(L"dst.txt", "old");
  ASSERT_EQ(Fs().SetAttributes(P(L"dst.txt"), attr::ReadOnly), 0u);
  EXPECT_EQ(Fs().CopyEntry(P(L"src.txt"), P(L"dst.txt"), false, {}, nullptr), err::AccessDenied);
  EXPECT_EQ(Get(L"dst.txt"), "old");
  ASSERT_EQ(Fs().SetAttributes(P(L"dst.txt"), 0), 0u);
}

TEST_P(FileSystemContract, CancelledCopyLeavesNoTarget) {
  if (!Under().CallsCopyProgress()) GTEST_SKIP() << "no progress routine to cancel from";
  Put(L"big.bin", Pattern(1024 * 1024));
  std::atomic<bool> cancel{false};
  auto progress = [&](int64_t copied, int64_t) {
    if (copied > 0) cancel = true;
  };
  EXPECT_EQ(Fs().CopyEntry(P(L"big.bin"), P(L"copy.bin"), false, progress, &cancel), err::RequestAborted);
  uint32_t a = 0;
  EXPECT_EQ(Fs().GetAttributes(P(L"copy.bin"), a), err::FileNotFound);
  EXPECT_EQ(Get(L"big.bin").size(), 1024u * 1024u);
}

// ---- streams ------------------------------------------------------------------

TEST_P(FileSystemContract, StreamsReadWriteSeekAndTruncate) {
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(Fs().OpenFile(P(L"s.bin"), TOpenMode::CreateNew, share::None, s), 0u);
  size_t done = 0;
  ASSERT_EQ(s->Write("hello world", 11, done), 0u);
  EXPECT_EQ(done, 11u);
  EXPECT_EQ(s->Position(), 11);
  int64_t size = 0;
  ASSERT_EQ(s->GetSize(size), 0u);
  EXPECT_EQ(size, 11);
  ASSERT_EQ(s->Seek(6), 0u);
  char buf[16] = {};
  ASSERT_EQ(s->Read(buf, 16, done), 0u);
  EXPECT_EQ(std::string(buf, done), "world");
  ASSERT_EQ(s->Seek(5), 0u);
  ASSERT_EQ(s->SetEndOfFile(), 0u);
  ASSERT_EQ(s->GetSize(size), 0u);
  EXPECT_EQ(size, 5);
  // Writing past the end fills the gap with zeros.
  ASSERT_EQ(s->Seek(8), 0u);
  ASSERT_EQ(s->Write("!", 1, done), 0u);
  s.reset();
  EXPECT_EQ(Get(L"s.bin"), std::string("hello\0\0\0!", 9));

  EXPECT_EQ(Fs().OpenFile(P(L"s.bin"), TOpenMode::CreateNew, share::None, s), err::FileExists);
  // WriteExisting keeps the content; Write truncates.
  ASSERT_EQ(Fs().OpenFile(P(L"s.bin"), TOpenMode::WriteExisting, share::None, s), 0u);
  ASSERT_EQ(s->Write("J", 1, done), 0u);
  s.reset();
  EXPECT_EQ(Get(L"s.bin"), std::string("Jello\0\0\0!", 9));
  ASSERT_EQ(Fs().OpenFile(P(L"s.bin"), TOpenMode::ReadWrite, share::None, s), 0u);
  ASSERT_EQ(s->Seek(1), 0u);
  ASSERT_EQ(s->Read(buf, 4, done), 0u);
  EXPECT_EQ(std::string(buf, done), "ello");
  s.reset();
  ASSERT_EQ(Fs().OpenFile(P(L"s.bin"), TOpenMode::Write, share::None, s), 0u);
  s.reset();
  EXPECT_EQ(Get(L"s.bin"), "");
  EXPECT_EQ(Fs().OpenFile(P(L"missing.bin"), TOpenMode::WriteExisting, share::None, s), err::FileNotFound);
  EXPECT_EQ(Fs().OpenFile(P(L"missing.bin"), TOpenMode::ReadWrite, share::None, s), err::FileNotFound);
}

TEST_P(FileSystemContract, StreamsReadToTheEndInPieces) {
  const std::string data = Pattern(200'000);
  Put(L"p.bin", data);
  EXPECT_EQ(Get(L"p.bin"), data);
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(Fs().OpenFile(P(L"p.bin"), TOpenMode::Read, share::Read, s), 0u);
  ASSERT_EQ(s->Seek(199'990), 0u);
  char buf[64];
  size_t done = 0;
  ASSERT_EQ(s->Read(buf, sizeof buf, done), 0u);
  EXPECT_EQ(done, 10u);
  ASSERT_EQ(s->Read(buf, sizeof buf, done), 0u);
  EXPECT_EQ(done, 0u);
}

// ---- times and attributes ----------------------------------------------------------

TEST_P(FileSystemContract, TimesRoundTrip) {
  Put(L"t.txt", "t");
  ASSERT_EQ(Fs().SetTimes(P(L"t.txt"), nullptr, nullptr, &kTimeA), 0u);
  TFindData info;
  ASSERT_EQ(Fs().GetInfo(P(L"t.txt"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, kTimeA);
  EXPECT_EQ(info.Name, L"t.txt");
  if (Under().KeepsCreationTime()) {
    ASSERT_EQ(Fs().SetTimes(P(L"t.txt"), &kTimeB, nullptr, nullptr), 0u);
    ASSERT_EQ(Fs().GetInfo(P(L"t.txt"), info), 0u);
    EXPECT_EQ(info.CreationTime, kTimeB);
    EXPECT_EQ(info.LastWriteTime, kTimeA);  // untouched by a null pointer
  }
  // Through a stream, and on a folder.
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(Fs().OpenFile(P(L"t.txt"), TOpenMode::WriteExisting, share::Read, s), 0u);
  ASSERT_EQ(s->SetTimes(nullptr, nullptr, &kTimeB), 0u);
  TFileTime w{};
  ASSERT_EQ(s->GetTimes(nullptr, nullptr, &w), 0u);
  EXPECT_EQ(w, kTimeB);
  s.reset();
  ASSERT_EQ(Fs().GetInfo(P(L"t.txt"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, kTimeB);

  ASSERT_EQ(Fs().MakeFolder(P(L"d")), 0u);
  ASSERT_EQ(Fs().SetTimes(P(L"d"), nullptr, nullptr, &kTimeA), 0u);
  ASSERT_EQ(Fs().GetInfo(P(L"d"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, kTimeA);
  EXPECT_TRUE(info.Attr & attr::Directory);
}

TEST_P(FileSystemContract, AttributesRoundTrip) {
  Put(L"a.txt", "a");
  uint32_t a = 0;
  ASSERT_EQ(Fs().SetAttributes(P(L"a.txt"), attr::ReadOnly), 0u);
  ASSERT_EQ(Fs().GetAttributes(P(L"a.txt"), a), 0u);
  EXPECT_TRUE(a & attr::ReadOnly);
  EXPECT_FALSE(a & attr::Directory);
  if (Under().StoresHiddenAndSystem()) {
    ASSERT_EQ(Fs().SetAttributes(P(L"a.txt"), attr::Hidden | attr::System | attr::Archive), 0u);
    ASSERT_EQ(Fs().GetAttributes(P(L"a.txt"), a), 0u);
    EXPECT_EQ(a & (attr::Hidden | attr::System | attr::Archive | attr::ReadOnly),
              attr::Hidden | attr::System | attr::Archive);
  }
  ASSERT_EQ(Fs().SetAttributes(P(L"a.txt"), 0), 0u);
  ASSERT_EQ(Fs().GetAttributes(P(L"a.txt"), a), 0u);
  EXPECT_FALSE(a & (attr::ReadOnly | attr::Hidden | attr::System));
  EXPECT_EQ(Fs().SetAttributes(P(L"missing.txt"), 0), err::FileNotFound);
}

// ---- names ----------------------------------------------------------------------

TEST_P(FileSystemContract, JapaneseNamesWork) {
  const std::wstring folder = L"\u65E5\u672C\u8A9E\u30D5\u30A9\u30EB\u30C0";  // 日本語フォルダ
  const std::wstring file = L"\u30D5\u30A1\u30A4\u30EB\u540D\u2460.txt";      // ファイル名①.txt
  ASSERT_EQ(Fs().MakeFolder(P(folder)), 0u);
  Put(folder + L"\\" + file, "\xE5\x86\x85\xE5\xAE\xB9");
  EXPECT_EQ(Get(folder + L"\\" + file), "\xE5\x86\x85\xE5\xAE\xB9");
  EXPECT_EQ(List(folder + L"\\*"), (std::vector<std::wstring>{L".", L"..", file}));
  EXPECT_EQ(List(folder + L"\\*\u540D*.txt"), (std::vector<std::wstring>{file}));
  ASSERT_EQ(Fs().MoveEntry(P(folder + L"\\" + file), P(folder + L"\\\u8868.txt"), false), 0u);  // 表.txt
  EXPECT_EQ(Get(folder + L"\\\u8868.txt"), "\xE5\x86\x85\xE5\xAE\xB9");
}

TEST_P(FileSystemContract, NamesIgnoreCaseWhereTheSystemDoes) {
  if (!Under().CaseInsensitive()) GTEST_SKIP() << "case-sensitive file system";
  Put(L"Mixed.Txt", "m");
  EXPECT_EQ(Get(L"MIXED.TXT"), "m");
  EXPECT_EQ(List(L"mixed.txt"), (std::vector<std::wstring>{L"Mixed.Txt"}));
  ASSERT_EQ(Fs().MakeFolder(P(L"Folder")), 0u);
  EXPECT_EQ(Fs().MakeFolder(P(L"FOLDER")), err::AlreadyExists);
  TFindData info;
  ASSERT_EQ(Fs().GetInfo(P(L"folder"), info), 0u);
  EXPECT_EQ(info.Name, L"Folder");
  // A rename that changes only the case keeps the file and takes the new spelling.
  if (!Under().RenamesLetterCase()) return;
  ASSERT_EQ(Fs().MoveEntry(P(L"mixed.txt"), P(L"MIXED.txt"), false), 0u);
  EXPECT_EQ(List(L"*.txt"), (std::vector<std::wstring>{L"MIXED.txt"}));
}

TEST_P(FileSystemContract, TempAndProgramFoldersExist) {
  for (const std::wstring& folder : {Fs().TempFolder(), Fs().ProgramFolder()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == L'\\' || folder.back() == L'/');
    uint32_t a = 0;
    ASSERT_EQ(Fs().GetAttributes(folder.substr(0, folder.size() - 1), a), 0u) << WideToUtf8(folder);
    EXPECT_TRUE(a & attr::Directory);
  }
}

}  // namespace vog::test
