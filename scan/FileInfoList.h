#pragma once
// Lists of file records that sort themselves by full or relative path and find a path by
// bisection.
//
// Two kinds share that machinery:
// - TOwnedFileInfoList owns its records (std::unique_ptr). A record enters by Add of a
//   unique_ptr and leaves by Extract, which hands the unique_ptr back, so a record moves
//   between owning lists without ever being freed twice or leaked, also when an operation
//   throws half-way. Clear and the destructor free the records.
// - TFileInfoList is a view: raw pointers to records some owning list holds. It never
//   frees anything.
//
// Keys compare with CompareText (ignoring case, ordinal). Sorting and lookup compare the
// pieces of a path (RootFolder, SubFolder, "\", FileName) in place, without building the
// path, so a lookup allocates nothing.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "scan/FileInfo.h"

namespace vog {

namespace pathkey {
struct TPieces;
}
namespace detail {
class TLookupIndex;

inline TFileInfo* RecordOf(TFileInfo* slot) noexcept { return slot; }
inline TFileInfo* RecordOf(const std::unique_ptr<TFileInfo>& slot) noexcept { return slot.get(); }

// Iterates a list's slots as plain record pointers.
template <class Slot>
class TRecordIterator {
public:
  using iterator_category = std::random_access_iterator_tag;
  using value_type = TFileInfo*;
  using difference_type = std::ptrdiff_t;
  using pointer = TFileInfo* const*;
  using reference = TFileInfo*;

  TRecordIterator() = default;
  explicit TRecordIterator(const Slot* at) noexcept : at_(at) {}
  TFileInfo* operator*() const noexcept { return RecordOf(*at_); }
  TFileInfo* operator[](difference_type n) const noexcept { return RecordOf(at_[n]); }
  TRecordIterator& operator++() noexcept {
    ++at_;
    return *this;
  }
  TRecordIterator operator++(int) noexcept {
    auto old = *this;
    ++at_;
    return old;
  }
  TRecordIterator& operator--() noexcept {
    --at_;
    return *this;
  }
  TRecordIterator operator--(int) noexcept {
    auto old = *this;
    --at_;
    return old;
  }
  TRecordIterator& operator+=(difference_type n) noexcept {
    at_ += n;
    return *this;
  }
  TRecordIterator& operator-=(difference_type n) noexcept {
    at_ -= n;
    return *this;
  }
  friend TRecordIterator operator+(TRecordIterator it, difference_type n) noexcept { return it += n; }
  friend TRecordIterator operator+(difference_type n, TRecordIterator it) noexcept { return it += n; }
  friend TRecordIterator operator-(TRecordIterator it, difference_type n) noexcept { return it -= n; }
  friend difference_type operator-(TRecordIterator a, TRecordIterator b) noexcept { return a.at_ - b.at_; }
  friend bool operator==(TRecordIterator a, TRecordIterator b) noexcept { return a.at_ == b.at_; }
  friend auto operator<=>(TRecordIterator a, TRecordIterator b) noexcept { return a.at_ <=> b.at_; }

private:
  const Slot* at_ = nullptr;
};
}  // namespace detail

// Negative, zero or positive: the record's relative / full path against `key`.
int CompareRelativePath(const TFileInfo& record, std::wstring_view key) noexcept;
int CompareFullPath(const TFileInfo& record, std::wstring_view key) noexcept;
// Two records by relative / full path.
int CompareRelativePaths(const TFileInfo& a, const TFileInfo& b) noexcept;
int CompareFullPaths(const TFileInfo& a, const TFileInfo& b) noexcept;

// The order, sorting and lookups shared by both kinds of list. `Slot` is TFileInfo* for a
// view and std::unique_ptr<TFileInfo> for an owning list. Not used on its own.
template <class Slot>
class TFileInfoListBase {
public:
  using iterator = detail::TRecordIterator<Slot>;

  TFileInfoListBase(const TFileInfoListBase&) = delete;
  TFileInfoListBase& operator=(const TFileInfoListBase&) = delete;

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }
  TFileInfo* Items(int index) const { return detail::RecordOf(items_.at(static_cast<size_t>(index))); }
  TFileInfo* operator[](int index) const { return detail::RecordOf(items_[static_cast<size_t>(index)]); }
  // The index of `record` (first occurrence), or -1.
  int IndexOf(const TFileInfo* record) const noexcept;

  bool SortedByFullPath() const noexcept { return sortedByFullPath_; }
  bool SortedByRelativePath() const noexcept { return sortedByRelativePath_; }
  // Sets the flag without sorting (after a background sort).
  void SetSortedByFullPath(bool flag) noexcept { SetSorted(true, flag); }
  void SetSortedByRelativePath(bool flag) noexcept { SetSorted(false, flag); }
  void Reserve(int count) { items_.reserve(static_cast<size_t>(count)); }

  // Sum of Size over all records.
  int64_t TotalSize() const noexcept;

  // Sort in place and set the matching flag. SortByRelativePath runs on the user-interface
  // thread and lets pending window messages run once per comparison (ProcessMessages), so
  // a long sort keeps the windows live; SortByFullPath does not. When every record has the
  // same RootFolder the two orders are one, and both flags are set; otherwise the other
  // flag is cleared, since the new order need not be its order any more.
  void SortByRelativePath();
  void SortByFullPath();

  // Bisection search, sorting first when the matching flag is off. `index` receives the
  // first equal record met, or the insertion point when the key is not found. A sorted
  // list keeps a hash index of its keys, so that a key that is present is found without
  // walking the bisection's records (the index it gives is the bisection's); the index is
  // dropped when the list changes and made again once lookups continue.
  bool FindByRelativePath(std::wstring_view key, int& index);
  bool FindByFullPath(std::wstring_view key, int& index);
  TFileInfo* ItemByRelativePath(std::wstring_view key);
  // ItemByRelativePath(record.RelativePath()), without building that text.
  TFileInfo* ItemWithRelativePathOf(const TFileInfo& record);
  TFileInfo* ItemByFullPath(std::wstring_view key);

  iterator begin() const noexcept { return iterator(items_.data()); }
  iterator end() const noexcept { return iterator(items_.data() + items_.size()); }

  // The background sort: reorders the list (both flags cleared) and sets no flag; every
  // record stays in the list exactly once, also when `stop` ends it early.
  void SortInBackground(bool byFullPath, const std::atomic<bool>& stop);

protected:
  TFileInfoListBase();
  TFileInfoListBase(TFileInfoListBase&&) noexcept;
  TFileInfoListBase& operator=(TFileInfoListBase&&) noexcept;
  ~TFileInfoListBase();

  void Changed() noexcept;
  void Unsorted() noexcept;
  void SetSorted(bool byFullPath, bool flag) noexcept;

  std::vector<Slot> items_;

private:
  void Sort(bool byFullPath, bool pumpMessages);
  bool Find(bool byFullPath, const pathkey::TPieces& key, int& index);

  bool sortedByFullPath_ = false;
  bool sortedByRelativePath_ = false;
  // Lookup indexes by relative [0] and full [1] path, made on demand.
  std::array<std::unique_ptr<detail::TLookupIndex>, 2> index_;
  std::array<bool, 2> indexWanted_{false, false};
  int lookupsWithoutIndex_ = 0;
};

extern template class TFileInfoListBase<TFileInfo*>;
extern template class TFileInfoListBase<std::unique_ptr<TFileInfo>>;

// A view: records owned elsewhere. Nothing of it frees a record.
class TFileInfoList final : public TFileInfoListBase<TFileInfo*> {
public:
  // Called by Remove after the record was taken out (also when it was not in the list).
  std::function<void(TFileInfo*)> OnRemove;

  TFileInfoList() = default;
  TFileInfoList(TFileInfoList&&) noexcept = default;
  TFileInfoList& operator=(TFileInfoList&&) noexcept = default;
  ~TFileInfoList() { OnRemove = nullptr; }

  // Appends and returns the index; clears both sorted flags.
  int Add(TFileInfo* record);
  // Takes the first occurrence of `record` out and returns its former index, or -1; then
  // calls OnRemove(record) when set. The sorted flags stay.
  int Remove(TFileInfo* record);
  // Takes the record at `index` out; OnRemove is not called. Flags stay.
  void Delete(int index);
  // Replaces a record in place; the sorted flags stay as they are.
  void SetItem(int index, TFileInfo* record);
  void Clear() noexcept;
};

// A list that owns its records: they are freed by Clear, Delete and with the list.
class TOwnedFileInfoList final : public TFileInfoListBase<std::unique_ptr<TFileInfo>> {
public:
  TOwnedFileInfoList() = default;
  TOwnedFileInfoList(TOwnedFileInfoList&&) noexcept = default;
  TOwnedFileInfoList& operator=(TOwnedFileInfoList&&) noexcept = default;
  ~TOwnedFileInfoList() = default;

  // Appends and returns the index; clears both sorted flags. If the list cannot grow the
  // record is freed with the unique_ptr and the error goes on.
  int Add(std::unique_ptr<TFileInfo> record);
  // Takes the record at `index` out and hands it over. Flags stay.
  std::unique_ptr<TFileInfo> Extract(int index);
  // Takes the first occurrence of `record` out and hands it over; null when absent.
  std::unique_ptr<TFileInfo> Extract(const TFileInfo* record);
  // Takes out and frees the record at `index`. Flags stay.
  void Delete(int index);
  // Takes out and frees the first occurrence of `record`; returns its former index or -1.
  int Remove(const TFileInfo* record);
  // Frees every record and empties the list.
  void Clear() noexcept;
  // Frees this list's records, then takes over all of `other`'s records in their order,
  // leaving `other` empty. Clears both sorted flags.
  void TakeFrom(TOwnedFileInfoList& other) noexcept;
  // Moves all of `other`'s records to the end of this list, leaving `other` empty.
  void Append(TOwnedFileInfoList& other);
  // Lets `edit` move the owning slots around in place (filters that compact a list in
  // one pass); slots it leaves empty are then dropped, the others keep their order. The
  // sorted flags stay, so `edit` must keep the order of what it keeps.
  template <class Edit>
  void EditSlots(Edit&& edit) {
    edit(items_);
    std::erase(items_, nullptr);
    Changed();
  }
  // A view of the records in the list's order (the view does not own them).
  TFileInfoList View() const;
};

// Sorts an owning list on a worker thread. The thread starts at once; the creator calls
// WaitFor and then sets the list's flag itself (SetSortedByFullPath(true)): the thread
// never sets a flag. To abandon the sort, destroy the object: it requests termination and
// waits for the thread, leaving the list partly sorted with every record still in it
// exactly once.
class TThreadSortFileInfoList {
public:
  TOwnedFileInfoList* const List;
  const bool ByFullPath;

  TThreadSortFileInfoList(TOwnedFileInfoList* list, bool byFullPath);
  ~TThreadSortFileInfoList();
  TThreadSortFileInfoList(const TThreadSortFileInfoList&) = delete;
  TThreadSortFileInfoList& operator=(const TThreadSortFileInfoList&) = delete;

  void Terminate() noexcept { terminated_ = true; }
  bool Terminated() const noexcept { return terminated_; }
  // Waits for the end of the sort (any number of times).
  void WaitFor();

private:
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

}  // namespace vog
