#pragma once
// Path keys of file records, compared and hashed piece by piece (root, subfolder, "\",
// name) as if they were one text, without building the text. Used by TFileInfoList's
// sort, bisection and lookup index; the order is exactly CompareText's on the joined
// texts.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "base/Text.h"
#include "scan/FileInfo.h"

namespace vog::pathkey {

struct TPieces {
  std::wstring_view Part[4];
  int Count = 0;
  void Push(std::wstring_view piece) {
    if (!piece.empty()) Part[Count++] = piece;
  }
};

inline constexpr std::wstring_view kBackslash = L"\\";

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

inline TPieces Pieces(const TFileInfo& record, bool full) { return full ? FullPieces(record) : RelativePieces(record); }

inline TPieces OnePiece(std::wstring_view text) {
  TPieces pieces;
  pieces.Push(text);
  return pieces;
}

inline unsigned Upper(wchar_t c) noexcept {
  const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? u - 32 : u;
  return static_cast<unsigned>(UpperUnit(c)) & 0xFFFF;
}

// Runs of equal units are skipped without case mapping; only differing units are
// upper-cased.
inline int CompareUnits(const wchar_t* x, const wchar_t* y, size_t n) noexcept {
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) {
      const unsigned ux = Upper(x[i]);
      const unsigned uy = Upper(y[i]);
      if (ux != uy) return ux < uy ? -1 : 1;
    }
  }
  return 0;
}

inline int CompareViews(std::wstring_view a, std::wstring_view b) noexcept {
  if (const int c = CompareUnits(a.data(), b.data(), std::min(a.size(), b.size()))) return c;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

inline int ComparePieces(const TPieces& a, const TPieces& b) noexcept {
  int ia = 0, ib = 0;
  size_t oa = 0, ob = 0;
  for (;;) {
    if (ia < a.Count && oa == a.Part[ia].size()) {
      ++ia;
      oa = 0;
    }
    if (ib < b.Count && ob == b.Part[ib].size()) {
      ++ib;
      ob = 0;
    }
    if (ia == a.Count) return ib == b.Count ? 0 : -1;
    if (ib == b.Count) return 1;
    const size_t n = std::min(a.Part[ia].size() - oa, b.Part[ib].size() - ob);
    if (const int c = CompareUnits(a.Part[ia].data() + oa, b.Part[ib].data() + ob, n)) return c;
    oa += n;
    ob += n;
  }
}

// A 64-bit hash of the upper-cased units, the same for any cut of a text into pieces:
// pieces are added in order, then Finish mixes the state.
struct THasher {
  uint64_t State = 0xcbf29ce484222325ull;
  void Add(std::wstring_view piece) noexcept {
    for (wchar_t c : piece) State = (State ^ Upper(c)) * 0x100000001b3ull;
  }
  uint64_t Finish() const noexcept {
    uint64_t h = State;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 32;
    return h;
  }
};

inline uint64_t HashPieces(const TPieces& pieces) noexcept {
  THasher hasher;
  for (int i = 0; i < pieces.Count; ++i) hasher.Add(pieces.Part[i]);
  return hasher.Finish();
}

}  // namespace vog::pathkey
