#pragma once
// A minimal single-entry LZH container for testing the codec against other tools: a writer
// of one level-2 header and a reader of the first entry of level 0, 1 or 2 archives.

#include "services/archive/LzhCodec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vog::test::lzh {

inline const char* MethodId(vog::lzh::TMethod method) {
  switch (method) {
    case vog::lzh::TMethod::Lh0:
      return "-lh0-";
    case vog::lzh::TMethod::Lh5:
      return "-lh5-";
    case vog::lzh::TMethod::Lh6:
      return "-lh6-";
    case vog::lzh::TMethod::Lh7:
      return "-lh7-";
  }
  return "";
}

inline void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// One level-2 entry named name holding packed, followed by the end-of-archive byte.
inline std::vector<uint8_t> SingleEntryArchive(vog::lzh::TMethod method, const std::string& name,
                                               const std::vector<uint8_t>& packed, uint64_t originalSize,
                                               uint16_t crc) {
  std::vector<uint8_t> h;
  PutLe(h, 0, 2);  // total header size, filled in below
  const char* id = MethodId(method);
  h.insert(h.end(), id, id + 5);
  PutLe(h, packed.size(), 4);
  PutLe(h, originalSize, 4);
  PutLe(h, 1700000000, 4);  // modification time, Unix seconds
  h.push_back(0x20);
  h.push_back(2);  // level
  PutLe(h, crc, 2);
  h.push_back('U');
  // Extended headers: the common one (header CRC), then the file name.
  PutLe(h, 5, 2);
  h.push_back(0x00);
  const size_t crcAt = h.size();
  PutLe(h, 0, 2);
  PutLe(h, 3 + name.size(), 2);
  h.push_back(0x01);
  h.insert(h.end(), name.begin(), name.end());
  PutLe(h, 0, 2);
  h[0] = uint8_t(h.size());
  h[1] = uint8_t(h.size() >> 8);
  const uint16_t headerCrc = vog::lzh::Crc16(0, h.data(), h.size());
  h[crcAt] = uint8_t(headerCrc);
  h[crcAt + 1] = uint8_t(headerCrc >> 8);
  h.insert(h.end(), packed.begin(), packed.end());
  h.push_back(0);
  return h;
}

struct TEntry {
  std::string Method;
  uint64_t OriginalSize = 0;
  uint16_t Crc = 0;
  std::vector<uint8_t> Packed;
};

inline uint64_t GetLe(const std::vector<uint8_t>& in, size_t at, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= uint64_t(in[at + i]) << (8 * i);
  return value;
}

// The first entry of an archive; nullopt if the header is not understood.
inline std::optional<TEntry> FirstEntry(const std::vector<uint8_t>& in) {
  if (in.size() < 24) return std::nullopt;
  TEntry entry;
  entry.Method.assign(in.begin() + 2, in.begin() + 7);
  uint64_t packed = GetLe(in, 7, 4);
  entry.OriginalSize = GetLe(in, 11, 4);
  const int level = in[20];
  size_t dataAt = 0;
  if (level == 0 || level == 1) {
    const size_t headerSize = in[0];
    const size_t nameLength = in[21];
    entry.Crc = uint16_t(GetLe(in, 22 + nameLength, 2));
    dataAt = headerSize + 2;
    if (level == 1) {
      // The skip size covers the extended headers too.
      size_t next = GetLe(in, dataAt - 2, 2);
      while (next != 0) {
        if (dataAt + next > in.size()) return std::nullopt;
        dataAt += next;
        packed -= next;
        next = GetLe(in, dataAt - 2, 2);
      }
    }
  } else if (level == 2) {
    entry.Crc = uint16_t(GetLe(in, 21, 2));
    dataAt = GetLe(in, 0, 2);
  } else {
    return std::nullopt;
  }
  if (dataAt + packed > in.size()) return std::nullopt;
  entry.Packed.assign(in.begin() + dataAt, in.begin() + dataAt + packed);
  return entry;
}

}  // namespace vog::test::lzh
