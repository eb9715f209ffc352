// The sort and the lookup index must give exactly what comparing whole texts gives.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <vector>

#include "base/Text.h"
#include "scan/FileInfoList.h"
#include "scan/FileInfoOrder.h"

namespace vog {
namespace {

// A tree whose folder names are prefixes of one another, differ only in case or sort
// around "\" ("a", "a b", "a!", "a\b", "A", "ab", ""), spread over three roots, with
// duplicate keys from separate records and shared and unshared folder texts.
class MixedRecords {
public:
  explicit MixedRecords(unsigned seed, bool oneRoot) : random_(seed) {
    const std::vector<std::wstring> roots = oneRoot
                                                ? std::vector<std::wstring>{L"C:\\R\\"}
                                                : std::vector<std::wstring>{L"C:\\R\\", L"c:\\r\\", L"C:\\R!\\", L""};
    const std::vector<std::wstring> folders = {L"",        L"a",  L"A", L"a b",    L"a!",        L"a\\b",
                                               L"a\\B\\c", L"ab", L"b", L"\u00e9", L"\u00c9\\x", L"a_"};
    const std::vector<std::wstring> names = {L"a", L"A", L"b", L"a b", L"a!", L"ab", L"b.txt", L"_", L"\u00e9"};
    for (const auto& root : roots) {
      TSharedText sharedRoot = MakeSharedText(root);
      for (const auto& folder : folders) {
        TSharedText shared = MakeSharedText(folder);
        for (const auto& name : names) {
          if (random_() % 3 == 0) continue;
          auto record = std::make_unique<TFileInfo>();
          if (random_() % 4 == 0)
            record->SetPath(root, folder, name);  // texts of its own
          else
            record->SetPath(sharedRoot, shared, name);
          all_.push_back(record.get());
          owned_.push_back(std::move(record));
        }
      }
    }
    std::shuffle(all_.begin(), all_.end(), random_);
  }
  const std::vector<TFileInfo*>& All() const { return all_; }

private:
  std::mt19937 random_;
  std::vector<std::unique_ptr<TFileInfo>> owned_;
  std::vector<TFileInfo*> all_;
};

std::wstring KeyOf(const TFileInfo& record, bool full) { return full ? record.FullPath() : record.RelativePath(); }

TEST(FileInfoOrder, SortGivesTheTextOrderAndLookupsTheBisectionsIndex) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    for (bool oneRoot : {false, true}) {
      MixedRecords records(seed, oneRoot);
      for (bool full : {false, true}) {
        TFileInfoList list;
        for (TFileInfo* record : records.All()) list.Add(record);
        if (full)
          list.SortByFullPath();
        else
          list.SortByRelativePath();
        std::vector<TFileInfo*> sorted(list.begin(), list.end());
        ASSERT_EQ(std::multiset<TFileInfo*>(sorted.begin(), sorted.end()),
                  std::multiset<TFileInfo*>(records.All().begin(), records.All().end()));
        for (size_t i = 1; i < sorted.size(); ++i)
          ASSERT_LE(CompareText(KeyOf(*sorted[i - 1], full), KeyOf(*sorted[i], full)), 0)
              << WideToUtf8(KeyOf(*sorted[i - 1], full)) << " > " << WideToUtf8(KeyOf(*sorted[i], full));

        // Every key, in other letter case too, and keys that are missing.
        std::vector<std::wstring> keys;
        for (TFileInfo* record : sorted) {
          keys.push_back(KeyOf(*record, full));
          keys.push_back(UpperText(KeyOf(*record, full)));
          keys.push_back(KeyOf(*record, full) + L"x");
          keys.push_back(KeyOf(*record, full).substr(0, KeyOf(*record, full).size() - 1));
        }
        keys.push_back(L"");
        keys.push_back(L"zzz");
        for (int round = 0; round < 2; ++round) {  // without and with the lookup index
          for (const std::wstring& key : keys) {
            int expected = -1, actual = -2;
            const bool expectFound = detail::Bisect(sorted, full, key, expected);
            const bool found = full ? list.FindByFullPath(key, actual) : list.FindByRelativePath(key, actual);
            ASSERT_EQ(found, expectFound) << WideToUtf8(key);
            ASSERT_EQ(actual, expected) << WideToUtf8(key);
          }
        }
        // After taking records out the lookups still agree with the bisection.
        for (int i = 0; i < 5 && list.Count() > 0; ++i) list.Delete(list.Count() / 2);
        std::vector<TFileInfo*> remaining(list.begin(), list.end());
        for (const std::wstring& key : keys) {
          int expected = -1, actual = -2;
          const bool expectFound = detail::Bisect(remaining, full, key, expected);
          ASSERT_EQ(full ? list.FindByFullPath(key, actual) : list.FindByRelativePath(key, actual), expectFound);
          ASSERT_EQ(actual, expected);
        }
      }
    }
  }
}

// A list in order (as a walk gives it) and one out of order only at its end both come out
// in order.
TEST(FileInfoOrder, ListsInOrderOrNearlySoComeOutSorted) {
  MixedRecords records(9, false);
  TFileInfoList all;
  for (TFileInfo* record : records.All()) all.Add(record);
  all.SortByRelativePath();
  std::vector<TFileInfo*> distinct;
  for (TFileInfo* record : all)
    if (distinct.empty() || CompareText(distinct.back()->RelativePath(), record->RelativePath()) != 0)
      distinct.push_back(record);
  ASSERT_GT(distinct.size(), 20u);
  for (bool swapLast : {false, true}) {
    std::vector<TFileInfo*> input = distinct;
    if (swapLast) std::swap(input[input.size() - 2], input.back());
    TFileInfoList list;
    for (TFileInfo* record : input) list.Add(record);
    list.SortByRelativePath();
    EXPECT_EQ(std::vector<TFileInfo*>(list.begin(), list.end()), distinct) << swapLast;
  }
}

}  // namespace
}  // namespace vog
