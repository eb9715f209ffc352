#pragma once
// Internal to TFileInfoList: the sort and the lookup index behind it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "scan/FileInfo.h"
#include "scan/PathKey.h"

namespace vog {

class IMessagePump;

namespace detail {

// The functions below are instantiated for the slots of both list kinds (TFileInfo* and
// std::unique_ptr<TFileInfo>); they only reorder slots, never free or copy a record.

// Sorts `items` by relative or full path with the list's quicksort. `pump` (may be null)
// runs once per comparison; when `stop` becomes true the sort ends early, leaving every
// record in the list exactly once. `singleRoot` tells whether all records share one root
// text, in which case both orders are the same. Returns false when stopped.
template <class Slot>
bool SortRecords(std::vector<Slot>& items, bool byFullPath, IMessagePump* pump, const std::atomic<bool>* stop,
                 bool& singleRoot);

// The bisection of the list, comparing `key` with each record met.
template <class Slot>
bool Bisect(const std::vector<Slot>& items, bool byFullPath, const pathkey::TPieces& key, int& index);
template <class Slot>
bool Bisect(const std::vector<Slot>& items, bool byFullPath, std::wstring_view key, int& index) {
  return Bisect(items, byFullPath, pathkey::OnePiece(key), index);
}

// A hash table over a sorted list: every run of equal keys is found by hashing the key,
// and the bisection is then replayed on positions alone, so a lookup gives the same index
// as the bisection while touching only the record it finds. Keys that are not in the
// list still go through the bisection (it gives the insertion point).
class TLookupIndex {
public:
  // Indexes `items`, which are in `byFullPath` order.
  template <class Slot>
  TLookupIndex(const std::vector<Slot>& items, bool byFullPath);
  bool ByFullPath() const noexcept { return byFullPath_; }
  // True and the bisection's index when `key` is in the list; false when it is not
  // (the caller bisects for the insertion point).
  template <class Slot>
  bool Find(const std::vector<Slot>& items, const pathkey::TPieces& key, int& index) const;

private:
  struct TSlot {
    // 0 = empty; else low 32 bits = start of the run + 1, bits 32-62 a hash tag, bit 63
    // set when the run holds more than one record.
    uint64_t Value = 0;
    // The run's first record, so that a lookup reaches it without reading the list.
    const TFileInfo* Record = nullptr;
  };
  size_t SlotOf(uint64_t hash) const noexcept;

  bool byFullPath_;
  std::vector<TSlot> slots_;
};

}  // namespace detail
}  // namespace vog
