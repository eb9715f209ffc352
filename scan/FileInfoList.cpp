#include "scan/FileInfoList.h"

#include <algorithm>
#include <utility>

#include "scan/FileInfoOrder.h"
#include "scan/MessagePump.h"
#include "scan/PathKey.h"

namespace vog {

using namespace pathkey;

int CompareRelativePath(const TFileInfo& record, std::wstring_view key) noexcept {
  return ComparePieces(RelativePieces(record), OnePiece(key));
}

int CompareFullPath(const TFileInfo& record, std::wstring_view key) noexcept {
  return ComparePieces(FullPieces(record), OnePiece(key));
}

int CompareRelativePaths(const TFileInfo& a, const TFileInfo& b) noexcept {
  // Files of one folder share their SubFolder text: only the names differ then.
  if (a.SharedSubFolder() == b.SharedSubFolder()) return CompareViews(a.FileName, b.FileName);
  return ComparePieces(RelativePieces(a), RelativePieces(b));
}

int CompareFullPaths(const TFileInfo& a, const TFileInfo& b) noexcept {
  if (a.SharedRootFolder() == b.SharedRootFolder()) return CompareRelativePaths(a, b);
  return ComparePieces(FullPieces(a), FullPieces(b));
}

TFileInfoList::TFileInfoList() = default;

TFileInfoList::~TFileInfoList() { OnRemove = nullptr; }

void TFileInfoList::Changed() noexcept {
  index_[0].reset();
  index_[1].reset();
  indexWanted_[0] = indexWanted_[1] = false;
  lookupsWithoutIndex_ = 0;
}

void TFileInfoList::SetSorted(bool byFullPath, bool flag) noexcept {
  (byFullPath ? sortedByFullPath_ : sortedByRelativePath_) = flag;
  index_[byFullPath].reset();
  indexWanted_[byFullPath] = flag;
}

void TFileInfoList::SetItem(int index, TFileInfo* record) {
  items_.at(static_cast<size_t>(index)) = record;
  Changed();
}

int TFileInfoList::Add(TFileInfo* record) {
  items_.push_back(record);
  sortedByFullPath_ = false;
  sortedByRelativePath_ = false;
  Changed();
  return static_cast<int>(items_.size()) - 1;
}

int TFileInfoList::Remove(TFileInfo* record) {
  int index = -1;
  auto it = std::find(items_.begin(), items_.end(), record);
  if (it != items_.end()) {
    index = static_cast<int>(it - items_.begin());
    items_.erase(it);
    Changed();
  }
  if (OnRemove) OnRemove(record);
  return index;
}

void TFileInfoList::Delete(int index) {
  (void)items_.at(static_cast<size_t>(index));  // range check
  items_.erase(items_.begin() + index);
  Changed();
}

void TFileInfoList::Clear() noexcept {
  items_.clear();
  Changed();
}

void TFileInfoList::FreeAll() {
  for (TFileInfo* record : items_) delete record;
  Clear();
}

void TFileInfoList::TakeFrom(TFileInfoList& other) {
  if (&other != this) {
    FreeAll();
    items_.swap(other.items_);
    other.Clear();
  }
  sortedByFullPath_ = false;
  sortedByRelativePath_ = false;
  Changed();
}

int64_t TFileInfoList::TotalSize() const noexcept {
  int64_t total = 0;
  for (const TFileInfo* record : items_) total += record->Size;
  return total;
}

void TFileInfoList::Sort(bool byFullPath, bool pumpMessages) {
  bool singleRoot = false;
  detail::SortRecords(items_, byFullPath, pumpMessages ? &MessagePump() : nullptr, nullptr, singleRoot);
  Changed();
  SetSorted(byFullPath, true);
  SetSorted(!byFullPath, singleRoot);
}

void TFileInfoList::SortInBackground(bool byFullPath, const std::atomic<bool>& stop) {
  sortedByFullPath_ = false;
  sortedByRelativePath_ = false;
  Changed();
  bool singleRoot = false;
  detail::SortRecords(items_, byFullPath, nullptr, &stop, singleRoot);
}

void TFileInfoList::SortByRelativePath() { Sort(false, true); }

void TFileInfoList::SortByFullPath() { Sort(true, false); }

bool TFileInfoList::Find(bool byFullPath, std::wstring_view key, int& index) {
  if (!(byFullPath ? sortedByFullPath_ : sortedByRelativePath_)) Sort(byFullPath, !byFullPath);
  if (items_.empty()) {
    index = 0;
    return false;
  }
  auto& lookupIndex = index_[byFullPath];
  // The index costs one pass over the list; after a change it is made again only once
  // lookups go on, so that removing records between single lookups stays cheap.
  if (!lookupIndex && (indexWanted_[byFullPath] || ++lookupsWithoutIndex_ >= std::max(Count() / 16, 64))) {
    lookupIndex = std::make_unique<detail::TLookupIndex>(items_, byFullPath);
    indexWanted_[byFullPath] = false;
  }
  if (lookupIndex && lookupIndex->Find(items_, key, index)) return true;
  return detail::Bisect(items_, byFullPath, key, index);
}

bool TFileInfoList::FindByRelativePath(std::wstring_view key, int& index) { return Find(false, key, index); }

bool TFileInfoList::FindByFullPath(std::wstring_view key, int& index) { return Find(true, key, index); }

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
  thread_ = std::thread([this] { List->SortInBackground(ByFullPath, terminated_); });
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
