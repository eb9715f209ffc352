#include "scan/FileInfoList.h"

#include <algorithm>
#include <utility>

#include "base/Text.h"
#include "scan/MessagePump.h"

namespace vog {

namespace {

// A key made of up to four pieces, compared as if they were one text.
struct TPieces {
  std::wstring_view Part[4];
  int Count = 0;
  void Push(std::wstring_view piece) {
    if (!piece.empty()) Part[Count++] = piece;
  }
};

constexpr std::wstring_view kBackslash = L"\\";

inline void AddRelative(TPieces& pieces, const TFileInfo& record) {
  const std::wstring& sub = record.SubFolder();
  if (!sub.empty()) {
    pieces.Push(sub);
    pieces.Push(kBackslash);
  }
  pieces.Push(record.FileName);
}

inline TPieces RelativePieces(const TFileInfo& record) {
  TPieces pieces;
  AddRelative(pieces, record);
  return pieces;
}

inline TPieces FullPieces(const TFileInfo& record) {
  TPieces pieces;
  pieces.Push(record.RootFolder());
  AddRelative(pieces, record);
  return pieces;
}

// Runs of equal units are skipped without case mapping; only differing units are
// upper-cased, which gives the same order as CompareText on the joined texts.
inline int CompareUnits(const wchar_t* x, const wchar_t* y, size_t n) noexcept {
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) {
      const unsigned ux = static_cast<unsigned>(UpperUnit(x[i])) & 0xFFFF;
      const unsigned uy = static_cast<unsigned>(UpperUnit(y[i])) & 0xFFFF;
      if (ux != uy) return ux < uy ? -1 : 1;
    }
  }
  return 0;
}

int ComparePieces(const TPieces& a, const TPieces& b) noexcept {
  int ia = 0, ib = 0;
  size_t oa = 0, ob = 0;
  for (;;) {
    if (ia < a.Count && oa == a.Part[ia].size()) { ++ia; oa = 0; }
    if (ib < b.Count && ob == b.Part[ib].size()) { ++ib; ob = 0; }
    if (ia == a.Count) return ib == b.Count ? 0 : -1;
    if (ib == b.Count) return 1;
    const size_t n = std::min(a.Part[ia].size() - oa, b.Part[ib].size() - ob);
    if (const int c = CompareUnits(a.Part[ia].data() + oa, b.Part[ib].data() + ob, n)) return c;
    oa += n;
    ob += n;
  }
}

inline int CompareNames(const TFileInfo& a, const TFileInfo& b) noexcept {
  const size_t n = std::min(a.FileName.size(), b.FileName.size());
  if (const int c = CompareUnits(a.FileName.data(), b.FileName.data(), n)) return c;
  if (a.FileName.size() == b.FileName.size()) return 0;
  return a.FileName.size() < b.FileName.size() ? -1 : 1;
}

// The classic in-place quicksort with the middle element as pivot. Only the range order
// differs from the textbook form: the smaller side is sorted by recursion and the larger
// one by the loop, so the depth stays below log2(Count) whatever the input. The sub-ranges
// are disjoint, so the result is the same. `stop` is checked after every exchange step and
// after every recursion; once set, every level returns.
template <class Compare>
bool QuickSort(TFileInfo** items, ptrdiff_t l, ptrdiff_t r, Compare& compare, const std::atomic<bool>* stop) {
  for (;;) {
    ptrdiff_t i = l, j = r;
    TFileInfo* const p = items[(l + r) >> 1];
    do {
      while (compare(*items[i], *p) < 0) ++i;
      while (compare(*items[j], *p) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
      if (stop && stop->load(std::memory_order_relaxed)) return false;
    } while (i <= j);
    // Now [l, j] and [i, r] remain.
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

}  // namespace

int CompareRelativePath(const TFileInfo& record, std::wstring_view key) noexcept {
  TPieces k;
  k.Push(key);
  return ComparePieces(RelativePieces(record), k);
}

int CompareFullPath(const TFileInfo& record, std::wstring_view key) noexcept {
  TPieces k;
  k.Push(key);
  return ComparePieces(FullPieces(record), k);
}

int CompareRelativePaths(const TFileInfo& a, const TFileInfo& b) noexcept {
  // Files of one folder share their SubFolder text: only the names differ then.
  if (a.SharedSubFolder() == b.SharedSubFolder()) return CompareNames(a, b);
  return ComparePieces(RelativePieces(a), RelativePieces(b));
}

int CompareFullPaths(const TFileInfo& a, const TFileInfo& b) noexcept {
  if (a.SharedRootFolder() == b.SharedRootFolder()) return CompareRelativePaths(a, b);
  return ComparePieces(FullPieces(a), FullPieces(b));
}

int TFileInfoList::Add(TFileInfo* record) {
  items_.push_back(record);
  sortedByFullPath_ = false;
  sortedByRelativePath_ = false;
  return static_cast<int>(items_.size()) - 1;
}

int TFileInfoList::Remove(TFileInfo* record) {
  int index = -1;
  auto it = std::find(items_.begin(), items_.end(), record);
  if (it != items_.end()) {
    index = static_cast<int>(it - items_.begin());
    items_.erase(it);
  }
  if (OnRemove) OnRemove(record);
  return index;
}

void TFileInfoList::Delete(int index) {
  (void)items_.at(static_cast<size_t>(index));  // range check
  items_.erase(items_.begin() + index);
}

void TFileInfoList::FreeAll() {
  for (TFileInfo* record : items_) delete record;
  items_.clear();
}

void TFileInfoList::TakeFrom(TFileInfoList& other) {
  if (&other == this) {
    sortedByFullPath_ = sortedByRelativePath_ = false;
    return;
  }
  FreeAll();
  items_.swap(other.items_);
  other.items_.clear();
  sortedByFullPath_ = false;
  sortedByRelativePath_ = false;
}

int64_t TFileInfoList::TotalSize() const noexcept {
  int64_t total = 0;
  for (const TFileInfo* record : items_) total += record->Size;
  return total;
}

void TFileInfoList::Sort(bool byFullPath, bool pumpMessages, const std::atomic<bool>* stop) {
  if (items_.size() < 2) return;
  const ptrdiff_t last = static_cast<ptrdiff_t>(items_.size()) - 1;
  if (byFullPath) {
    auto compare = [](const TFileInfo& a, const TFileInfo& b) { return CompareFullPaths(a, b); };
    QuickSort(items_.data(), 0, last, compare, stop);
  } else if (pumpMessages) {
    IMessagePump& pump = MessagePump();
    auto compare = [&pump](const TFileInfo& a, const TFileInfo& b) {
      pump.ProcessMessages();
      return CompareRelativePaths(a, b);
    };
    QuickSort(items_.data(), 0, last, compare, stop);
  } else {
    auto compare = [](const TFileInfo& a, const TFileInfo& b) { return CompareRelativePaths(a, b); };
    QuickSort(items_.data(), 0, last, compare, stop);
  }
}

void TFileInfoList::SortByRelativePath() {
  Sort(false, true, nullptr);
  sortedByRelativePath_ = true;
}

void TFileInfoList::SortByFullPath() {
  Sort(true, false, nullptr);
  sortedByFullPath_ = true;
}

namespace {

template <class Compare>
bool Bisect(const std::vector<TFileInfo*>& items, Compare compare, int& index) {
  ptrdiff_t lo = 0, hi = static_cast<ptrdiff_t>(items.size()) - 1;
  bool found = false;
  while (lo <= hi) {
    const ptrdiff_t mid = (lo + hi) >> 1;
    const int c = compare(*items[static_cast<size_t>(mid)]);
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

}  // namespace

bool TFileInfoList::FindByRelativePath(std::wstring_view key, int& index) {
  if (!sortedByRelativePath_) SortByRelativePath();
  return Bisect(items_, [key](const TFileInfo& r) { return CompareRelativePath(r, key); }, index);
}

bool TFileInfoList::FindByFullPath(std::wstring_view key, int& index) {
  if (!sortedByFullPath_) SortByFullPath();
  return Bisect(items_, [key](const TFileInfo& r) { return CompareFullPath(r, key); }, index);
}

TFileInfo* TFileInfoList::ItemByRelativePath(std::wstring_view key) {
  int index = 0;
  return FindByRelativePath(key, index) ? items_[static_cast<size_t>(index)] : nullptr;
}

TFileInfo* TFileInfoList::ItemByFullPath(std::wstring_view key) {
  int index = 0;
  return FindByFullPath(key, index) ? items_[static_cast<size_t>(index)] : nullptr;
}

TThreadSortFileInfoList::TThreadSortFileInfoList(TFileInfoList* list, bool byFullPath)
    : List(list), ByFullPath(byFullPath) {
  thread_ = std::thread([this] { List->Sort(ByFullPath, false, &terminated_); });
}

TThreadSortFileInfoList::~TThreadSortFileInfoList() {
  if (thread_.joinable()) {
    Terminate();
    thread_.join();
  }
}

void TThreadSortFileInfoList::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace vog
