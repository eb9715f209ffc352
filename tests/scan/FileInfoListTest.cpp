#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "base/Text.h"
#include "scan/FileInfoList.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

// Owns the records of a test; lists only refer to them.
class Records {
public:
  TFileInfo* Make(const std::wstring& root, const std::wstring& sub, const std::wstring& name, int64_t size = 0) {
    owned_.push_back(std::make_unique<TBackupFileInfo>());
    TFileInfo* record = owned_.back().get();
    record->SetPath(root, sub, name);
    record->Size = size;
    return record;
  }

private:
  std::vector<std::unique_ptr<TFileInfo>> owned_;
};

TEST(FileInfoList, LookupIgnoresCaseAndSortsOnFirstUse) {
  Records r;
  TFileInfoList list;
  TFileInfo* x = r.Make(L"D:\\Data\\", L"a\\b", L"x.txt");
  list.Add(r.Make(L"D:\\Data\\", L"", L"z"));
  list.Add(x);
  list.Add(r.Make(L"D:\\Data\\", L"a", L"y"));
  EXPECT_FALSE(list.SortedByRelativePath());

  EXPECT_EQ(list.ItemByRelativePath(L"A\\B\\X.TXT"), x);
  EXPECT_TRUE(list.SortedByRelativePath());
  // One root for every record: the full-path order is the same order.
  EXPECT_TRUE(list.SortedByFullPath());
  EXPECT_EQ(list.ItemByFullPath(L"d:\\data\\A\\b\\x.TXT"), x);
  EXPECT_TRUE(list.SortedByFullPath());
  EXPECT_EQ(list.ItemByRelativePath(L"a\\b"), nullptr);
  EXPECT_EQ(list.ItemByRelativePath(L"a\\b\\x.txt2"), nullptr);

  // Adding a record clears both flags, so the next lookup sorts again.
  TFileInfo* first = r.Make(L"D:\\Data\\", L"", L"0");
  list.Add(first);
  EXPECT_FALSE(list.SortedByRelativePath());
  EXPECT_FALSE(list.SortedByFullPath());
  int index = -1;
  EXPECT_TRUE(list.FindByRelativePath(L"0", index));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(list[0], first);
}

// The bisection the list's lookups must agree with: the first record met in the
// bisection that compares equal, or the insertion point.
int ReferenceFind(const TFileInfoList& list, const std::wstring& key, bool full, bool& found) {
  int lo = 0, hi = list.Count() - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int c = full ? CompareFullPath(*list[mid], key) : CompareRelativePath(*list[mid], key);
    if (c == 0) {
      found = true;
      return mid;
    }
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  found = false;
  return lo;
}

// Many lookups on a large list go through a hash index; it must give exactly the index
// the bisection gives, also for runs of keys equal but for case, for keys that are only
// a folder or a prefix of a record, and after records leave the list.
TEST(FileInfoList, IndexedLookupsAgreeWithTheBisection) {
  Records r;
  TFileInfoList list;
  std::mt19937 random(7);
  std::vector<std::wstring> keys;
  const wchar_t* roots[] = {L"C:\\a\\", L"c:\\A\\", L"D:\\"};
  for (int i = 0; i < 3000; ++i) {
    const std::wstring sub = (random() % 4 == 0) ? L"" : L"Dir" + std::to_wstring(random() % 30);
    std::wstring name = L"f" + std::to_wstring(random() % 400) + L".Txt";
    if (random() % 2) name = UpperText(name);  // equal keys but for case make runs
    TFileInfo* record = r.Make(roots[random() % 3], sub, name);
    list.Add(record);
    keys.push_back(record->RelativePath());
    keys.push_back(record->FullPath());
    keys.push_back(record->RelativePath() + L"x");
    keys.push_back(sub);
  }
  keys.push_back(L"");
  keys.push_back(L"\\");
  auto checkAll = [&](bool full) {
    for (const std::wstring& key : keys) {
      bool expectFound = false;
      const int expected = ReferenceFind(list, key, full, expectFound);
      int index = -1;
      const bool found = full ? list.FindByFullPath(key, index) : list.FindByRelativePath(key, index);
      ASSERT_EQ(found, expectFound) << WideToUtf8(key);
      ASSERT_EQ(index, expected) << WideToUtf8(key);
    }
  };
  list.SortByRelativePath();
  checkAll(false);
  // A record as the key finds what its relative path finds.
  int hits = 0;
  for (int i = 0; i < 400; ++i) {
    const TFileInfo& probe =
        *r.Make(L"E:\\", i % 4 ? L"dir" + std::to_wstring(i % 30) : L"", L"F" + std::to_wstring(i) + L".txt");
    const TFileInfo* found = list.ItemWithRelativePathOf(probe);
    ASSERT_EQ(found, list.ItemByRelativePath(probe.RelativePath())) << i;
    hits += found != nullptr;
  }
  EXPECT_GT(hits, 100);
  list.SortByFullPath();
  checkAll(true);

  // Records leave the list: the index made before must not be used again.
  for (int i = 0; i < 500; ++i) list.Delete(static_cast<int>(random() % static_cast<unsigned>(list.Count())));
  checkAll(true);
  list.SortByRelativePath();
  checkAll(false);
}

TEST(FileInfoList, SortingByOneKeyClearsTheOtherWhenRootsDiffer) {
  Records r;
  TFileInfoList list;
  TFileInfo* b = r.Make(L"C:\\", L"", L"b");
  TFileInfo* a = r.Make(L"D:\\", L"", L"a");
  list.Add(b);
  list.Add(a);
  list.SortByFullPath();
  EXPECT_TRUE(list.SortedByFullPath());
  EXPECT_FALSE(list.SortedByRelativePath());
  EXPECT_EQ(list.ItemByRelativePath(L"a"), a);  // sorts again by relative path
  EXPECT_FALSE(list.SortedByFullPath());
  EXPECT_EQ(list[0], a);
  EXPECT_EQ(list.ItemByFullPath(L"C:\\b"), b);
  EXPECT_EQ(list[0], b);
}

TEST(FileInfoList, FindGivesInsertionPointWhenMissing) {
  Records r;
  TFileInfoList list;
  int index = -1;
  EXPECT_FALSE(list.FindByRelativePath(L"x", index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list.FindByFullPath(L"x", index));
  EXPECT_EQ(index, 0);

  for (const wchar_t* name : {L"b", L"d", L"f"}) list.Add(r.Make(L"C:\\", L"", name));
  EXPECT_FALSE(list.FindByRelativePath(L"a", index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list.FindByRelativePath(L"C", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.FindByRelativePath(L"g", index));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(list.FindByRelativePath(L"F", index));
  EXPECT_EQ(index, 2);
}

TEST(FileInfoList, PiecewiseOrderMatchesTheJoinedTexts) {
  // Names with characters below and above "\" make the separator matter.
  const std::vector<std::wstring> parts = {L"",   L"a",    L"A",      L"a b",     L"a!", L"a_",
                                           L"ab", L"a\\b", L"\u00e9", L"\u00c9x", L"[",  L"z"};
  const std::vector<std::wstring> roots = {L"C:\\", L"C:\\a\\", L"c:\\A!\\"};
  Records r;
  TFileInfoList list;
  for (const auto& root : roots)
    for (const auto& sub : parts)
      for (const auto& name : parts)
        if (!name.empty()) list.Add(r.Make(root, sub, name));

  std::vector<TFileInfo*> all(list.begin(), list.end());
  for (TFileInfo* a : all) {
    for (TFileInfo* b : all) {
      auto sign = [](int v) { return (v > 0) - (v < 0); };
      ASSERT_EQ(sign(CompareRelativePaths(*a, *b)), sign(CompareText(a->RelativePath(), b->RelativePath())))
          << WideToUtf8(a->RelativePath()) << " / " << WideToUtf8(b->RelativePath());
      ASSERT_EQ(sign(CompareFullPaths(*a, *b)), sign(CompareText(a->FullPath(), b->FullPath())));
      ASSERT_EQ(sign(CompareRelativePath(*a, b->RelativePath())),
                sign(CompareText(a->RelativePath(), b->RelativePath())));
      ASSERT_EQ(sign(CompareFullPath(*a, b->FullPath())), sign(CompareText(a->FullPath(), b->FullPath())));
    }
  }

  list.SortByFullPath();
  for (int i = 1; i < list.Count(); ++i) ASSERT_LE(CompareText(list[i - 1]->FullPath(), list[i]->FullPath()), 0);
  // Every record is found by its own key.
  for (TFileInfo* a : all) {
    TFileInfo* found = list.ItemByFullPath(a->FullPath());
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(SameText(found->FullPath(), a->FullPath()));
  }
}

TEST(FileInfoList, SortKeepsEveryRecordWhateverTheInputOrder) {
  std::mt19937 random(7);
  std::vector<TSharedText> folders;
  for (int f = 0; f < 50; ++f)
    folders.push_back(MakeSharedText(L"dir" + std::to_wstring(f % 17) + L"\\s" + std::to_wstring(f)));
  folders.push_back(nullptr);
  TSharedText root = MakeSharedText(L"C:\\R\\");
  std::vector<std::unique_ptr<TFileInfo>> owned;
  for (int i = 0; i < 5000; ++i) {
    owned.push_back(std::make_unique<TFileInfo>());
    owned.back()->SetPath(root, folders[random() % folders.size()], L"F" + std::to_wstring(random() % 3000));
  }
  auto check = [](TFileInfoList& list, const std::vector<TFileInfo*>& input) {
    list.SortByRelativePath();
    EXPECT_EQ(std::multiset<TFileInfo*>(input.begin(), input.end()),
              std::multiset<TFileInfo*>(list.begin(), list.end()));
    for (int i = 1; i < list.Count(); ++i)
      ASSERT_LE(CompareText(list[i - 1]->RelativePath(), list[i]->RelativePath()), 0);
  };
  std::vector<TFileInfo*> input;
  for (auto& record : owned) input.push_back(record.get());
  TFileInfoList shuffled;
  for (TFileInfo* record : input) shuffled.Add(record);
  check(shuffled, input);
  // Already sorted, reversed and all-equal inputs.
  std::vector<TFileInfo*> sorted(shuffled.begin(), shuffled.end());
  TFileInfoList again, reversed, equal;
  for (TFileInfo* record : sorted) again.Add(record);
  check(again, sorted);
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) reversed.Add(*it);
  check(reversed, sorted);
  std::vector<TFileInfo*> same(2000, input[0]);
  for (TFileInfo* record : same) equal.Add(record);
  check(equal, same);
}

TEST(FileInfoList, SortByRelativePathLetsTheInterfaceBreathe) {
  Records r;
  TFileInfoList list;
  for (int i = 0; i < 100; ++i) list.Add(r.Make(L"C:\\", L"", std::to_wstring(99 - i)));
  test::TScriptedPump pump;
  list.SortByFullPath();
  EXPECT_EQ(pump.Calls(), 0);
  list.SortByRelativePath();
  EXPECT_GE(pump.Calls(), 99);  // once per comparison, the list already in order
}

TEST(FileInfoList, RemoveDeleteAndOnRemove) {
  Records r;
  TFileInfoList list;
  TFileInfo* a = r.Make(L"C:\\", L"", L"a");
  TFileInfo* b = r.Make(L"C:\\", L"", L"b");
  TFileInfo* outsider = r.Make(L"C:\\", L"", L"o");
  list.Add(a);
  list.Add(b);
  list.Add(a);
  list.SortByRelativePath();

  std::vector<TFileInfo*> removed;
  list.OnRemove = [&removed](TFileInfo* record) { removed.push_back(record); };
  EXPECT_EQ(list.Remove(a), 0);
  EXPECT_EQ(list.Remove(outsider), -1);
  EXPECT_EQ(removed, (std::vector<TFileInfo*>{a, outsider}));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE(list.SortedByRelativePath());  // taking out keeps the order

  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], b);  // sorted: a, a, b
  EXPECT_EQ(removed.size(), 2u);
  list.SetItem(0, a);
  EXPECT_TRUE(list.SortedByRelativePath());
  EXPECT_THROW(list.Delete(5), std::out_of_range);
}

TEST(OwnedFileInfoList, RecordsMoveByHandOverAndAreFreedOnce) {
  // Records that count their destruction.
  static int destroyed = 0;
  struct Counted : TFileInfo {
    ~Counted() override { ++destroyed; }
  };
  auto make = [](const wchar_t* name) {
    auto record = std::make_unique<Counted>();
    record->FileName = name;
    return record;
  };
  destroyed = 0;
  TOwnedFileInfoList receiver, giver;
  receiver.Add(make(L"r1"));
  receiver.Add(make(L"r2"));
  TFileInfo* g1 = giver[giver.Add(make(L"1"))];
  TFileInfo* g2 = giver[giver.Add(make(L"2"))];
  giver.SortByRelativePath();
  receiver.SortByFullPath();

  receiver.TakeFrom(giver);  // frees the receiver's own two
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(giver.Count(), 0);
  ASSERT_EQ(receiver.Count(), 2);
  EXPECT_EQ(receiver[0], g1);
  EXPECT_EQ(receiver[1], g2);
  EXPECT_FALSE(receiver.SortedByFullPath());
  EXPECT_FALSE(receiver.SortedByRelativePath());

  // Extract hands a record over; Append moves all; Remove and Delete free.
  std::unique_ptr<TFileInfo> taken = receiver.Extract(g1);
  EXPECT_EQ(taken.get(), g1);
  EXPECT_EQ(receiver.Extract(g1), nullptr);
  giver.Add(std::move(taken));
  giver.Add(make(L"3"));
  receiver.Append(giver);
  EXPECT_EQ(giver.Count(), 0);
  ASSERT_EQ(receiver.Count(), 3);
  EXPECT_EQ(receiver[1], g1);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(receiver.Remove(g1), 1);
  EXPECT_EQ(receiver.Remove(g1), -1);
  receiver.Delete(0);
  EXPECT_EQ(destroyed, 4);
  // A view sees the same records in the same order and frees none of them.
  {
    TFileInfoList view = receiver.View();
    ASSERT_EQ(view.Count(), 1);
    EXPECT_EQ(view[0], receiver[0]);
  }
  EXPECT_EQ(destroyed, 4);
  receiver.Clear();
  EXPECT_EQ(destroyed, 5);
}

TEST(FileInfoList, TotalSizeHas64Bits) {
  Records r;
  TFileInfoList list;
  EXPECT_EQ(list.TotalSize(), 0);
  list.Add(r.Make(L"C:\\", L"", L"a", 3000000000LL));
  list.Add(r.Make(L"C:\\", L"", L"b", 2000000000LL));
  EXPECT_EQ(list.TotalSize(), 5000000000LL);
}

std::unique_ptr<TFileInfo> MakeRecord(const std::wstring& sub, const std::wstring& name) {
  auto record = std::make_unique<TFileInfo>();
  record->SetPath(L"C:\\", sub, name);
  return record;
}

TEST(ThreadSortFileInfoList, SortsInTheBackgroundAndLeavesTheFlagToItsCreator) {
  TOwnedFileInfoList list;
  for (int i = 0; i < 3000; ++i)
    list.Add(MakeRecord(L"d" + std::to_wstring(i % 7), std::to_wstring((i * 7919) % 3000)));
  {
    TThreadSortFileInfoList thread(&list, true);
    thread.WaitFor();
    EXPECT_FALSE(list.SortedByFullPath());
    list.SetSortedByFullPath(true);
  }
  for (int i = 1; i < list.Count(); ++i) ASSERT_LE(CompareText(list[i - 1]->FullPath(), list[i]->FullPath()), 0);
}

TEST(ThreadSortFileInfoList, TerminatingEarlyKeepsEveryRecordOnce) {
  TOwnedFileInfoList list;
  std::mt19937 random(3);
  for (int i = 0; i < 200000; ++i) list.Add(MakeRecord(L"", std::to_wstring(random())));
  const std::multiset<TFileInfo*> before(list.begin(), list.end());
  {
    TThreadSortFileInfoList thread(&list, false);
    thread.Terminate();
    EXPECT_TRUE(thread.Terminated());
  }                                                  // destruction waits for the thread
  { TThreadSortFileInfoList thread(&list, false); }  // destroyed at once: requests termination itself
  EXPECT_EQ(before, std::multiset<TFileInfo*>(list.begin(), list.end()));
}

}  // namespace
}  // namespace vog
