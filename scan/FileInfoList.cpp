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

// ---- shared part -------------------------------------------------------------------

template <class Slot>
TFileInfoListBase<Slot>::TFileInfoListBase() = default;
template <class Slot>
TFileInfoListBase<Slot>::TFileInfoListBase(TFileInfoListBase&&) noexcept = default;
template <class Slot>
TFileInfoListBase<Slot>& TFileInfoListBase<Slot>::operator=(TFileInfoListBase&&) noexcept = default;
template <class Slot>
TFileInfoListBase<Slot>::~TFileInfoListBase() = default;

template <class Slot>
int TFileInfoListBase<Slot>::IndexOf(const TFileInfo* record) const noexcept {
  for (size_t i = 0; i < items_.size(); ++i)
    if (detail::RecordOf(items_[i]) == record) return static_cast<int>(i);
  return -1;
}

template <class Slot>
void TFileInfoListBase<Slot>::Changed() noexcept {
  index_[0].reset();
  index_[1].reset();
  indexWanted_[0] = indexWanted_[1] = false;
  lookupsWithoutIndex_ = 0;
}

template <class Slot>
void TFileInfoListBase<Slot>::Unsorted() noexcept {
  sortedByFullPath_ = false;
  sortedByRelativePath_ = false;
  Changed();
}

template <class Slot>
void TFileInfoListBase<Slot>::SetSorted(bool byFullPath, bool flag) noexcept {
  (byFullPath ? sortedByFullPath_ : sortedByRelativePath_) = flag;
  index_[byFullPath].reset();
  indexWanted_[byFullPath] = flag;
}

template <class Slot>
int64_t TFileInfoListBase<Slot>::TotalSize() const noexcept {
  int64_t total = 0;
  for (const Slot& slot : items_) total += slot->Size;
  return total;
}

template <class Slot>
void TFileInfoListBase<Slot>::Sort(bool byFullPath, bool pumpMessages) {
  bool singleRoot = false;
  detail::SortRecords(items_, byFullPath, pumpMessages ? &MessagePump() : nullptr, nullptr, singleRoot);
  Changed();
  SetSorted(byFullPath, true);
  SetSorted(!byFullPath, singleRoot);
}

template <class Slot>
void TFileInfoListBase<Slot>::SortInBackground(bool byFullPath, const std::atomic<bool>& stop) {
  Unsorted();
  bool singleRoot = false;
  detail::SortRecords(items_, byFullPath, nullptr, &stop, singleRoot);
}

template <class Slot>
void TFileInfoListBase<Slot>::SortByRelativePath() {
  Sort(false, true);
}

template <class Slot>
void TFileInfoListBase<Slot>::SortByFullPath() {
  Sort(true, false);
}

template <class Slot>
bool TFileInfoListBase<Slot>::Find(bool byFullPath, const TPieces& key, int& index) {
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

template <class Slot>
bool TFileInfoListBase<Slot>::FindByRelativePath(std::wstring_view key, int& index) {
  return Find(false, OnePiece(key), index);
}

template <class Slot>
bool TFileInfoListBase<Slot>::FindByFullPath(std::wstring_view key, int& index) {
  return Find(true, OnePiece(key), index);
}

template <class Slot>
TFileInfo* TFileInfoListBase<Slot>::ItemByRelativePath(std::wstring_view key) {
  int index = 0;
  return FindByRelativePath(key, index) ? (*this)[index] : nullptr;
}

template <class Slot>
TFileInfo* TFileInfoListBase<Slot>::ItemWithRelativePathOf(const TFileInfo& record) {
  int index = 0;
  return Find(false, RelativePieces(record), index) ? (*this)[index] : nullptr;
}

template <class Slot>
TFileInfo* TFileInfoListBase<Slot>::ItemByFullPath(std::wstring_view key) {
  int index = 0;
  return FindByFullPath(key, index) ? (*this)[index] : nullptr;
}

template class TFileInfoListBase<TFileInfo*>;
template class TFileInfoListBase<std::unique_ptr<TFileInfo>>;

// ---- view ----------------------------------------------------------------------------

int TFileInfoList::Add(TFileInfo* record) {
  items_.push_back(record);
  Unsorted();
  return Count() - 1;
}

int TFileInfoList::Remove(TFileInfo* record) {
  const int index = IndexOf(record);
  if (index >= 0) {
    items_.erase(items_.begin() + index);
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

void TFileInfoList::SetItem(int index, TFileInfo* record) {
  items_.at(static_cast<size_t>(index)) = record;
  Changed();
}

void TFileInfoList::Clear() noexcept {
  items_.clear();
  Changed();
}

// ---- owning list -----------------------------------------------------------------------

int TOwnedFileInfoList::Add(std::unique_ptr<TFileInfo> record) {
  items_.push_back(std::move(record));
  Unsorted();
  return Count() - 1;
}

std::unique_ptr<TFileInfo> TOwnedFileInfoList::Extract(int index) {
  std::unique_ptr<TFileInfo> record = std::move(items_.at(static_cast<size_t>(index)));
  items_.erase(items_.begin() + index);
  Changed();
  return record;
}

std::unique_ptr<TFileInfo> TOwnedFileInfoList::Extract(const TFileInfo* record) {
  const int index = IndexOf(record);
  return index >= 0 ? Extract(index) : nullptr;
}

void TOwnedFileInfoList::Delete(int index) { Extract(index).reset(); }

int TOwnedFileInfoList::Remove(const TFileInfo* record) {
  const int index = IndexOf(record);
  if (index >= 0) Delete(index);
  return index;
}

void TOwnedFileInfoList::Clear() noexcept {
  items_.clear();
  Changed();
}

void TOwnedFileInfoList::TakeFrom(TOwnedFileInfoList& other) noexcept {
  if (&other != this) {
    items_.clear();
    items_.swap(other.items_);
    other.Clear();
  }
  Unsorted();
}

void TOwnedFileInfoList::Append(TOwnedFileInfoList& other) {
  if (&other == this || other.Empty()) return;
  items_.reserve(items_.size() + other.items_.size());  // the moves below cannot throw
  for (auto& slot : other.items_) items_.push_back(std::move(slot));
  other.Clear();
  Unsorted();
}

TFileInfoList TOwnedFileInfoList::View() const {
  TFileInfoList view;
  view.Reserve(Count());
  for (TFileInfo* record : *this) view.Add(record);
  view.SetSortedByFullPath(SortedByFullPath());
  view.SetSortedByRelativePath(SortedByRelativePath());
  return view;
}

// ---- background sort ---------------------------------------------------------------------

TThreadSortFileInfoList::TThreadSortFileInfoList(TOwnedFileInfoList* list, bool byFullPath)
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
