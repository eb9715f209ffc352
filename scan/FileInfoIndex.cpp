#include "scan/FileInfoList.h"
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

template <class Slot>
TLookupIndex::TLookupIndex(const std::vector<Slot>& items, bool byFullPath) : byFullPath_(byFullPath) {
  const size_t n = items.size();
  slots_.resize(n + n / 2 + 16);  // at most 2/3 full
  const size_t capacity = slots_.size();

  // First the hashes, in list order. Records of one folder share their folder texts and
  // mostly lie together in the list: the hash of the folder part is carried from one
  // record to the next. A record equal to the one before it (ignoring case) continues
  // that record's run and gets no slot of its own.
  std::vector<uint64_t> hashes(n);
  std::vector<bool> continues(n);
  const void* folderRoot = nullptr;
  const void* folderSub = nullptr;
  THasher folder;
  for (size_t i = 0; i < n; ++i) {
    const TFileInfo& record = *items[i];
    const void* root = byFullPath ? record.SharedRootFolder().get() : nullptr;
    const void* sub = record.SharedSubFolder().get();
    if (i == 0 || root != folderRoot || sub != folderSub) {
      folder = THasher();
      if (byFullPath) folder.Add(record.RootFolder());
      if (!record.SubFolder().empty()) {
        folder.Add(record.SubFolder());
        folder.Add(kBackslash);
      }
      folderRoot = root;
      folderSub = sub;
    }
    THasher hasher = folder;
    hasher.Add(record.FileName);
    hashes[i] = hasher.Finish();
    continues[i] = i > 0 && hashes[i] == hashes[i - 1] &&
                   ComparePieces(Pieces(*items[i - 1], byFullPath), Pieces(record, byFullPath)) == 0;
  }

  // Then the slots. Each lands at a random place in a table far larger than the caches,
  // so the slot of a record some steps ahead is fetched while this one is placed.
  constexpr size_t kAhead = 16;
  size_t lastSlot = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i + kAhead < n) Prefetch(&slots_[SlotOf(hashes[i + kAhead])]);
    if (continues[i]) {
      slots_[lastSlot].Value |= kRunBit;  // one more record of the same run
      continue;
    }
    size_t slot = SlotOf(hashes[i]);
    while (slots_[slot].Value)
      if (++slot == capacity) slot = 0;
    slots_[slot] = TSlot{(static_cast<uint64_t>(i) + 1) | TagOf(hashes[i]), RecordOf(items[i])};
    lastSlot = slot;
  }
}

template <class Slot>
bool TLookupIndex::Find(const std::vector<Slot>& items, const TPieces& k, int& index) const {
  if (slots_.empty()) return false;
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

template TLookupIndex::TLookupIndex(const std::vector<TFileInfo*>&, bool);
template TLookupIndex::TLookupIndex(const std::vector<std::unique_ptr<TFileInfo>>&, bool);
template bool TLookupIndex::Find(const std::vector<TFileInfo*>&, const TPieces&, int&) const;
template bool TLookupIndex::Find(const std::vector<std::unique_ptr<TFileInfo>>&, const TPieces&, int&) const;

}  // namespace vog::detail
