#pragma once
// A list of file records that can sort itself by full or relative path and find a path by
// bisection. The list does not own its records: the owner named by each user frees them
// (FreeAll) before it frees the list; the only operation of the list that frees records
// on its own is TakeFrom.
//
// Keys compare with CompareText (ignoring case, ordinal). Sorting and lookup compare the
// pieces of a path (RootFolder, SubFolder, "\", FileName) in place, without building the
// path, so a lookup allocates nothing.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "scan/FileInfo.h"

namespace vog {

namespace detail {
class TLookupIndex;
}

// Negative, zero or positive: the record's relative / full path against `key`.
int CompareRelativePath(const TFileInfo& record, std::wstring_view key) noexcept;
int CompareFullPath(const TFileInfo& record, std::wstring_view key) noexcept;
// Two records by relative / full path.
int CompareRelativePaths(const TFileInfo& a, const TFileInfo& b) noexcept;
int CompareFullPaths(const TFileInfo& a, const TFileInfo& b) noexcept;

class TFileInfoList {
public:
  // Called by Remove after the record was taken out (also when it was not in the list).
  std::function<void(TFileInfo*)> OnRemove;

  TFileInfoList();
  TFileInfoList(const TFileInfoList&) = delete;
  TFileInfoList& operator=(const TFileInfoList&) = delete;
  ~TFileInfoList();

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }
  TFileInfo* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  TFileInfo* operator[](int index) const { return items_[static_cast<size_t>(index)]; }
  // Replaces a record in place; the sorted flags stay as they are.
  void SetItem(int index, TFileInfo* record);

  bool SortedByFullPath() const noexcept { return sortedByFullPath_; }
  bool SortedByRelativePath() const noexcept { return sortedByRelativePath_; }
  // Sets the flag without sorting (after a background sort).
  void SetSortedByFullPath(bool flag) noexcept { SetSorted(true, flag); }
  void SetSortedByRelativePath(bool flag) noexcept { SetSorted(false, flag); }

  // Appends and returns the index; clears both sorted flags.
  int Add(TFileInfo* record);
  // Takes the first occurrence of `record` out (not freed) and returns its former index,
  // or -1; then calls OnRemove(record) when set. The sorted flags stay.
  int Remove(TFileInfo* record);
  // Takes the record at `index` out (not freed); OnRemove is not called. Flags stay.
  void Delete(int index);
  // Empties the list without freeing anything.
  void Clear() noexcept;
  // Frees every record and empties the list (for the list's owner).
  void FreeAll();
  void Reserve(int count) { items_.reserve(static_cast<size_t>(count)); }

  // Frees every record of this list, then moves all of `other`'s records here in their
  // order and empties `other` without freeing anything. Clears both sorted flags.
  void TakeFrom(TFileInfoList& other);
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
  TFileInfo* ItemByFullPath(std::wstring_view key);

  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

private:
  friend class TThreadSortFileInfoList;
  void Sort(bool byFullPath, bool pumpMessages);
  // The background sort: reorders the list (both flags cleared) and sets no flag.
  void SortInBackground(bool byFullPath, const std::atomic<bool>& stop);
  void SetSorted(bool byFullPath, bool flag) noexcept;
  void Changed() noexcept;
  bool Find(bool byFullPath, std::wstring_view key, int& index);

  std::vector<TFileInfo*> items_;
  bool sortedByFullPath_ = false;
  bool sortedByRelativePath_ = false;
  // Lookup indexes by relative [0] and full [1] path, made on demand.
  std::unique_ptr<detail::TLookupIndex> index_[2];
  bool indexWanted_[2] = {false, false};
  int lookupsWithoutIndex_ = 0;
};

// A list that owns its records: they are freed with it.
class TOwnedFileInfoList : public TFileInfoList {
public:
  TOwnedFileInfoList() = default;
  ~TOwnedFileInfoList() { FreeAll(); }
};

// Sorts a list on a worker thread. The thread starts at once; the creator calls WaitFor
// and then sets the list's flag itself (SetSortedByFullPath(true)): the thread never sets
// a flag. To abandon the sort, destroy the object: it requests termination and waits for
// the thread, leaving the list partly sorted with every record still in it exactly once.
class TThreadSortFileInfoList {
public:
  TFileInfoList* const List;
  const bool ByFullPath;

  TThreadSortFileInfoList(TFileInfoList* list, bool byFullPath);
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
