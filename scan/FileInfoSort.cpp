// The list's quicksort. Records are compared through a small decorated copy of the list:
// each entry carries the rank of its record's folder part (the key up to the file name)
// among all folder parts of the list, and the last rank that has it as a prefix. Two
// records of one folder compare by name; two records whose folder parts are not prefixes
// of one another compare by rank alone; only the rest compare their texts. The signs are
// exactly those of CompareText on the whole keys, so the result is the same as comparing
// the texts every time; most comparisons just touch no record.
#include <memory>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "scan/FileInfoList.h"
#include "scan/FileInfoOrder.h"
#include "scan/MessagePump.h"
#include "scan/PathKey.h"

namespace vog::detail {

namespace {

using namespace pathkey;

struct TDecorated {
  uint32_t Rank;
  uint32_t End;  // last rank whose folder part begins with this one's
  TFileInfo* Record;
};

struct TFolderId {
  const void* Root;
  const void* Sub;
  bool operator==(const TFolderId&) const = default;
};

struct TFolderIdHash {
  size_t operator()(const TFolderId& id) const noexcept {
    const auto a = reinterpret_cast<uintptr_t>(id.Root);
    const auto b = reinterpret_cast<uintptr_t>(id.Sub);
    return static_cast<size_t>((a * 0x9E3779B97F4A7C15ull) ^ (b + (b >> 7)));
  }
};

// The key up to the file name: the record's key is this text followed by FileName.
std::wstring FolderPart(const TFileInfo& record, bool full) {
  std::wstring text;
  if (full) text = record.RootFolder();
  if (!record.SubFolder().empty()) {
    text += record.SubFolder();
    text += L'\\';
  }
  return text;
}

// The classic in-place quicksort with the middle element as pivot. Only the range order
// differs from the textbook form: the smaller side is sorted by recursion and the larger
// one by the loop, so the depth stays below log2(n) whatever the input. The sub-ranges
// are disjoint, so the result is the same. `stop` is checked after every exchange step and
// after every recursion; once set, every level returns.
template <class T, class Compare>
bool QuickSort(T* items, ptrdiff_t l, ptrdiff_t r, Compare& compare, const std::atomic<bool>* stop) {
  for (;;) {
    ptrdiff_t i = l, j = r;
    const T p = items[(l + r) >> 1];
    do {
      while (compare(items[i], p) < 0) ++i;
      while (compare(items[j], p) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
      if (stop && stop->load(std::memory_order_relaxed)) return false;
    } while (i <= j);
    if (j - l < r - i) {
      if (l < j && !QuickSort(items, l, j, compare, stop)) return false;
      if (i >= r) return true;
      l = i;
    } else {
      if (i < r && !QuickSort(items, i, r, compare, stop)) return false;
      if (l >= j) return true;
      r = j;
    }
  }
}

// Puts the slots into the order of `entries`. Every record is in both exactly once, so
// the owning slots are let go first and taken up again in the new order; nothing between
// can throw.
void PutInOrder(std::vector<TFileInfo*>& items, const std::vector<TDecorated>& entries) noexcept {
  for (size_t i = 0; i < items.size(); ++i) items[i] = entries[i].Record;
}

void PutInOrder(std::vector<std::unique_ptr<TFileInfo>>& items, const std::vector<TDecorated>& entries) noexcept {
  for (auto& slot : items) (void)slot.release();
  for (size_t i = 0; i < items.size(); ++i) items[i].reset(entries[i].Record);
}

}  // namespace

template <class Slot>
bool SortRecords(std::vector<Slot>& items, bool byFullPath, IMessagePump* pump, const std::atomic<bool>* stop,
                 bool& singleRoot) {
  const size_t n = items.size();
  singleRoot = true;
  if (n == 0) return true;

  // Folder parts, one per distinct pair of shared texts (records of one folder share them).
  std::unordered_map<TFolderId, uint32_t, TFolderIdHash> ids;
  std::vector<std::wstring> texts;
  std::vector<TDecorated> entries(n);
  const std::wstring* firstRoot = &items[0]->RootFolder();
  TFolderId lastId{nullptr, nullptr};
  uint32_t lastGroup = UINT32_MAX;
  for (size_t i = 0; i < n; ++i) {
    TFileInfo* record = RecordOf(items[i]);
    const std::wstring& root = record->RootFolder();
    if (singleRoot && &root != firstRoot && CompareViews(root, *firstRoot) != 0) singleRoot = false;
    const TFolderId id{byFullPath ? static_cast<const void*>(&root) : nullptr, &record->SubFolder()};
    if (lastGroup == UINT32_MAX || !(id == lastId)) {
      auto [it, added] = ids.try_emplace(id, static_cast<uint32_t>(texts.size()));
      if (added) texts.push_back(FolderPart(*record, byFullPath));
      lastId = id;
      lastGroup = it->second;
    }
    entries[i] = TDecorated{lastGroup, 0, record};
  }
  if (n < 2) return true;

  // Rank the folder parts; equal texts (ignoring case) share a rank.
  const size_t m = texts.size();
  std::vector<uint32_t> order(m);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&texts](uint32_t a, uint32_t b) { return CompareViews(texts[a], texts[b]) < 0; });
  std::vector<uint32_t> rankOf(m);
  std::vector<const std::wstring*> ranked;
  ranked.reserve(m);
  for (size_t k = 0; k < m; ++k) {
    const std::wstring& text = texts[order[k]];
    if (ranked.empty() || CompareViews(*ranked.back(), text) != 0) ranked.push_back(&text);
    rankOf[order[k]] = static_cast<uint32_t>(ranked.size() - 1);
  }
  // The texts that begin with a given one follow it as one run in this order.
  std::vector<uint32_t> endOf(ranked.size());
  for (size_t r = 0; r < ranked.size(); ++r) {
    const std::wstring_view prefix = *ranked[r];
    size_t lo = r, hi = ranked.size() - 1;  // ranked[lo] begins with prefix
    while (lo < hi) {
      const size_t mid = lo + (hi - lo + 1) / 2;
      if (StartsWithText(*ranked[mid], prefix))
        lo = mid;
      else
        hi = mid - 1;
    }
    endOf[r] = static_cast<uint32_t>(lo);
  }
  for (TDecorated& entry : entries) {
    entry.Rank = rankOf[entry.Rank];
    entry.End = endOf[entry.Rank];
  }

  auto compareEntries = [byFullPath](const TDecorated& a, const TDecorated& b) -> int {
    if (a.Rank == b.Rank) return CompareViews(a.Record->FileName, b.Record->FileName);
    if (a.Rank < b.Rank ? b.Rank > a.End : a.Rank > b.End) return a.Rank < b.Rank ? -1 : 1;
    return ComparePieces(Pieces(*a.Record, byFullPath), Pieces(*b.Record, byFullPath));
  };
  // A list already in strictly increasing order (a folder walk gives one, or nearly) is
  // left as it is: the quicksort would not move any of its records. Equal keys may be
  // exchanged by the quicksort, so a list that holds any goes through it.
  auto sortEntries = [&entries, n, stop](auto& compare) {
    bool increasing = true;
    for (size_t i = 1; i < n && increasing; ++i) increasing = compare(entries[i - 1], entries[i]) < 0;
    return increasing || QuickSort(entries.data(), 0, static_cast<ptrdiff_t>(n) - 1, compare, stop);
  };
  bool done;
  if (pump) {
    auto compare = [pump, &compareEntries](const TDecorated& a, const TDecorated& b) {
      pump->ProcessMessages();
      return compareEntries(a, b);
    };
    done = sortEntries(compare);
  } else {
    done = sortEntries(compareEntries);
  }
  PutInOrder(items, entries);
  return done;
}

template <class Slot>
bool Bisect(const std::vector<Slot>& items, bool byFullPath, const TPieces& k, int& index) {
  ptrdiff_t lo = 0, hi = static_cast<ptrdiff_t>(items.size()) - 1;
  bool found = false;
  while (lo <= hi) {
    const ptrdiff_t mid = (lo + hi) >> 1;
    const int c = ComparePieces(Pieces(*items[static_cast<size_t>(mid)], byFullPath), k);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        lo = mid;
      }
    }
  }
  index = static_cast<int>(lo);
  return found;
}

template bool SortRecords(std::vector<TFileInfo*>&, bool, IMessagePump*, const std::atomic<bool>*, bool&);
template bool SortRecords(std::vector<std::unique_ptr<TFileInfo>>&, bool, IMessagePump*, const std::atomic<bool>*,
                          bool&);
template bool Bisect(const std::vector<TFileInfo*>&, bool, const TPieces&, int&);
template bool Bisect(const std::vector<std::unique_ptr<TFileInfo>>&, bool, const TPieces&, int&);

}  // namespace vog::detail
