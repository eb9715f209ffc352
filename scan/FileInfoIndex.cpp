#include "scan/FileInfoOrder.h"
#include "scan/PathKey.h"

namespace vog::detail {

using namespace pathkey;

namespace {

constexpr uint64_t kRunBit = 1ull << 63;
constexpr uint64_t kTagMask = 0x7FFFFFFFull << 32;

// The tag comes from the hash's low bits, the slot from its high bits (SlotOf), so that
// keys crowding one stretch of the table still differ in their tags.
inline uint64_t TagOf(uint64_t hash) noexcept { return (hash << 32) & kTagMask; }

inline void Prefetch(const void* address) noexcept {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace

// The hash scaled onto the table's size, which need not be a power of two.
size_t TLookupIndex::SlotOf(uint64_t hash) const noexcept {
#if defined(__SIZEOF_INT128__)
  return static_cast<size_t>((static_cast<unsigned __int128>(hash) * slots_.size()) >> 64);
#else
  return static_cast<size_t>(hash % slots_.size());
#endif
}

TLookupIndex::TLookupIndex(const std::vector<TFileInfo*>& items, bool byFullPath) : byFullPath_(byFullPath) {
  slots_.resize(items.size() + items.size() / 2 + 16);  // at most 2/3 full
  const size_t capacity = slots_.size();
  size_t lastSlot = 0;
  uint64_t lastHash = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const TPieces pieces = Pieces(*items[i], byFullPath);
    const uint64_t hash = HashPieces(pieces);
    if (i > 0 && hash == lastHash && ComparePieces(Pieces(*items[i - 1], byFullPath), pieces) == 0) {
      slots_[lastSlot].Value |= kRunBit;  // one more record of the same run
      continue;
    }
    size_t slot = SlotOf(hash);
    while (slots_[slot].Value)
      if (++slot == capacity) slot = 0;
    slots_[slot] = TSlot{(static_cast<uint64_t>(i) + 1) | TagOf(hash), items[i]};
    lastSlot = slot;
    lastHash = hash;
  }
}

bool TLookupIndex::Find(const std::vector<TFileInfo*>& items, std::wstring_view key, int& index) const {
  if (slots_.empty()) return false;
  const TPieces k = OnePiece(key);
  const uint64_t hash = HashPieces(k);
  const uint64_t tag = TagOf(hash);
  const size_t capacity = slots_.size();
  for (size_t slot = SlotOf(hash); slots_[slot].Value; slot = slot + 1 == capacity ? 0 : slot + 1) {
    const uint64_t value = slots_[slot].Value;
    if ((value & kTagMask) != tag) continue;
    const size_t start = static_cast<size_t>(value & 0xFFFFFFFFull) - 1;
    if (start >= items.size()) continue;
    const TFileInfo& record = *slots_[slot].Record;
    // The folder text and the name lie apart in memory: fetch both at once.
    Prefetch(record.FileName.data());
    Prefetch(record.SubFolder().data());
    if (ComparePieces(Pieces(record, byFullPath_), k) != 0) continue;
    size_t last = start;
    if (value & kRunBit)
      while (last + 1 < items.size() && ComparePieces(Pieces(*items[last + 1], byFullPath_), k) == 0) ++last;
    // Replay the bisection: below the run compares less, inside it equal, above greater.
    ptrdiff_t lo = 0, hi = static_cast<ptrdiff_t>(items.size()) - 1;
    const auto first = static_cast<ptrdiff_t>(start), end = static_cast<ptrdiff_t>(last);
    while (lo <= hi) {
      const ptrdiff_t mid = (lo + hi) >> 1;
      if (mid < first) {
        lo = mid + 1;
      } else if (mid <= end) {
        index = static_cast<int>(mid);
        return true;
      } else {
        hi = mid - 1;
      }
    }
    index = static_cast<int>(lo);  // not reached: the run lies inside the list
    return true;
  }
  return false;
}

}  // namespace vog::detail
