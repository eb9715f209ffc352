// The file-system contract for long paths, names ending in dots or spaces, and the copy
// through streams: every implementation takes them as they stand.
#include <algorithm>
#include <atomic>
#include <tuple>

#include "base/Text.h"
#include "platform/FileSystemContract.h"
#include "platform/StreamCopy.h"

namespace vog::test {

namespace {

constexpr TFileTime kTime{(11'644'473'600ULL + 1'577'934'245ULL) * 10'000'000ULL};  // 2020-01-02 03:04:05 UTC

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Folder names below the root such that root + "f1\f2\...\fn\" + a name of `nameLength`
// characters is exactly `length` characters long.
std::vector<std::wstring> DeepFolders(size_t rootLength, size_t nameLength, size_t length) {
  std::vector<std::wstring> folders;
  size_t left = length - rootLength - nameLength;  // each folder takes its name and a separator
  while (left > 0) {
    const size_t take = left > 70 ? 60 : left - 1;
    std::wstring name = L"level" + IntToText(static_cast<int64_t>(folders.size()));
    name.resize(take, L'x');
    folders.push_back(name);
    left -= take + 1;
  }
  return folders;
}

// Every file below `folder` (a path ending in its separator), relative to it, found by a walk.
void Walk(IFileSystem& fs, const std::wstring& folder, const std::wstring& relative, std::vector<std::wstring>& out) {
  std::unique_ptr<IFindHandle> h;
  TFindData d;
  for (uint32_t code = fs.FindFirst(folder + L"*", h, d); code == 0; code = h->Next(d)) {
    if (d.Name == L"." || d.Name == L"..") continue;
    if (d.Attr & attr::Directory)
      Walk(fs, folder + d.Name + folder.back(), relative + d.Name + L"\\", out);
    else
      out.push_back(relative + d.Name);
  }
}

}  // namespace

TEST_P(FileSystemContract, PathsOf400CharactersWork) {
  const auto folders = DeepFolders(Under().Root().size(), 8, 400);
  std::wstring deep;
  for (const auto& name : folders) {
    deep += name + L"\\";
    ASSERT_EQ(Fs().MakeFolder(P(deep)), 0u) << deep.size();
  }
  Put(deep + L"deep.txt", "deep");
  ASSERT_EQ(P(deep + L"deep.txt").size(), 400u);
  EXPECT_EQ(Get(deep + L"deep.txt"), "deep");
  ASSERT_EQ(Fs().SetTimes(P(deep + L"deep.txt"), nullptr, nullptr, &kTime), 0u);
  TFindData info;
  ASSERT_EQ(Fs().GetInfo(P(deep + L"deep.txt"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, kTime);
  EXPECT_EQ(info.Name, L"deep.txt");
  TFindData status;
  ASSERT_EQ(Fs().GetStatus(P(deep + L"deep.txt"), status), 0u);
  EXPECT_EQ(std::tie(status.LastWriteTime, status.Size, status.Attr), std::tie(kTime, info.Size, info.Attr));

  ASSERT_EQ(Fs().CopyEntry(P(deep + L"deep.txt"), P(deep + L"copy.txt"), true, {}, nullptr), 0u);
  ASSERT_EQ(CopyThroughStreams(Fs(), P(deep + L"copy.txt"), P(deep + L"strm.txt")), 0u);
  ASSERT_EQ(Fs().MoveEntry(P(deep + L"strm.txt"), P(deep + L"move.txt"), false), 0u);
  EXPECT_EQ(Get(deep + L"move.txt"), "deep");
  // A whole branch renamed near the top; the walk then finds every file at its new depth.
  std::wstring moved = deep;
  moved.replace(0, folders[0].size(), L"renamed");
  ASSERT_EQ(Fs().MoveEntry(P(folders[0]), P(L"renamed"), false), 0u);
  std::vector<std::wstring> found;
  Walk(Fs(), Under().Root(), L"", found);
  EXPECT_EQ(Sorted(found), Sorted({moved + L"copy.txt", moved + L"deep.txt", moved + L"move.txt"}));

  for (const auto& file : found) EXPECT_EQ(Fs().RemoveFile(P(file)), 0u);
  for (std::wstring folder = moved; !folder.empty();) {
    folder.pop_back();  // its separator
    EXPECT_EQ(Fs().RemoveFolder(P(folder)), 0u) << folder.size();
    const size_t cut = folder.find_last_of(L'\\');
    folder.resize(cut == std::wstring::npos ? 0 : cut + 1);
  }
  EXPECT_EQ(List(L"*"), (std::vector<std::wstring>{L".", L".."}));
}

TEST_P(FileSystemContract, NamesEndingInDotsOrSpacesKeepThem) {
  ASSERT_EQ(Fs().MakeFolder(P(L"dir.")), 0u);
  Put(L"dir.\\name.", "dot");
  Put(L"dir.\\name ", "space");
  EXPECT_EQ(Sorted(List(L"dir.\\*")), Sorted({L".", L"..", L"name.", L"name "}));
  uint32_t a = 0;
  EXPECT_EQ(Fs().GetAttributes(P(L"dir.\\name"), a), err::FileNotFound);
  EXPECT_EQ(Fs().GetAttributes(P(L"dir"), a), err::FileNotFound);
  TFindData info;
  ASSERT_EQ(Fs().GetInfo(P(L"dir.\\name "), info), 0u);
  EXPECT_EQ(info.Name, L"name ");

  ASSERT_EQ(Fs().CopyEntry(P(L"dir.\\name."), P(L"dir.\\copy."), true, {}, nullptr), 0u);
  ASSERT_EQ(Fs().MoveEntry(P(L"dir.\\name "), P(L"dir.\\moved "), false), 0u);
  EXPECT_EQ(Get(L"dir.\\copy."), "dot");
  EXPECT_EQ(Get(L"dir.\\moved "), "space");
  EXPECT_EQ(Sorted(List(L"dir.\\*")), Sorted({L".", L"..", L"name.", L"copy.", L"moved "}));
  for (const wchar_t* name : {L"dir.\\name.", L"dir.\\copy.", L"dir.\\moved "}) EXPECT_EQ(Fs().RemoveFile(P(name)), 0u);
  EXPECT_EQ(Fs().RemoveFolder(P(L"dir.")), 0u);
  EXPECT_EQ(Fs().GetAttributes(P(L"dir."), a), err::FileNotFound);
}

TEST_P(FileSystemContract, StreamCopyKeepsContentTimeAndAttributes) {
  std::string data(2'500'000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 1000);
  Put(L"src.bin", data);
  ASSERT_EQ(Fs().SetTimes(P(L"src.bin"), nullptr, nullptr, &kTime), 0u);
  ASSERT_EQ(Fs().SetAttributes(P(L"src.bin"), attr::ReadOnly | attr::Archive), 0u);
  Put(L"dst.bin", "older and shorter");
  std::vector<std::pair<int64_t, int64_t>> calls;
  auto progress = [&](int64_t copied, int64_t total) { calls.emplace_back(copied, total); };
  ASSERT_EQ(CopyThroughStreams(Fs(), P(L"src.bin"), P(L"dst.bin"), progress), 0u);
  EXPECT_EQ(Get(L"dst.bin"), data);
  TFindData info;
  ASSERT_EQ(Fs().GetInfo(P(L"dst.bin"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, kTime);
  EXPECT_TRUE(info.Attr & attr::ReadOnly);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.back(), (std::pair<int64_t, int64_t>(2'500'000, 2'500'000)));

  // The read-only copy refuses being replaced; a cancel or a missing source leaves no target.
  EXPECT_EQ(CopyThroughStreams(Fs(), P(L"src.bin"), P(L"dst.bin")), err::AccessDenied);
  EXPECT_EQ(Get(L"dst.bin"), data);
  std::atomic<bool> cancel{false};
  auto stopAfterFirst = [&](int64_t copied, int64_t) { cancel = copied > 0; };
  EXPECT_EQ(CopyThroughStreams(Fs(), P(L"src.bin"), P(L"new.bin"), stopAfterFirst, &cancel), err::RequestAborted);
  EXPECT_EQ(CopyThroughStreams(Fs(), P(L"none.bin"), P(L"new2.bin")), err::FileNotFound);
  uint32_t a = 0;
  EXPECT_EQ(Fs().GetAttributes(P(L"new.bin"), a), err::FileNotFound);
  EXPECT_EQ(Fs().GetAttributes(P(L"new2.bin"), a), err::FileNotFound);
  for (const wchar_t* name : {L"src.bin", L"dst.bin"}) ASSERT_EQ(Fs().SetAttributes(P(name), 0), 0u);
}

}  // namespace vog::test
