#pragma once
// Shared helpers of the archiver tests: hand-made archives (for headers the program never
// writes itself) and a fixture on the memory platform.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/Text.h"
#include "services/archive/ArchiveFile.h"
#include "services/archive/LzhCodec.h"
#include "support/MemoryFixture.h"

namespace vog::test {

inline void Put16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

inline uint32_t ZipCrc(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char ch : data) {
    crc ^= ch;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

struct TRawEntry {
  std::string Name;  // bytes as stored
  std::string Data;
  uint16_t Flags = 0;
  uint32_t DosTime = 0x58210000;  // 2024-01-01 00:00:00
  bool Descriptor = false;        // write sizes in a data descriptor after the data
  // LZH level 1: extended headers (type byte + data each), and sizes given only by a
  // 64-bit size header (0xFFFFFFFF in the base header).
  std::vector<std::string> Ext = {};
  bool Size64 = false;
  // ZIP: extra fields of the central header.
  std::string CentralExtra = {};
};

// A ZIP of stored entries, built by hand.
inline std::string MakeZip(const std::vector<TRawEntry>& entries) {
  std::string out, central;
  for (const auto& e : entries) {
    const uint32_t offset = static_cast<uint32_t>(out.size());
    const uint32_t crc = ZipCrc(e.Data);
    const uint16_t flags = static_cast<uint16_t>(e.Flags | (e.Descriptor ? 8 : 0));
    Put32(out, 0x04034b50);
    Put16(out, 20);
    Put16(out, flags);
    Put16(out, 0);
    Put32(out, e.DosTime);
    Put32(out, e.Descriptor ? 0 : crc);
    Put32(out, e.Descriptor ? 0 : static_cast<uint32_t>(e.Data.size()));
    Put32(out, e.Descriptor ? 0 : static_cast<uint32_t>(e.Data.size()));
    Put16(out, static_cast<unsigned>(e.Name.size()));
    Put16(out, 0);
    out += e.Name;
    out += e.Data;
    if (e.Descriptor) {
      Put32(out, 0x08074b50);
      Put32(out, crc);
      Put32(out, static_cast<uint32_t>(e.Data.size()));
      Put32(out, static_cast<uint32_t>(e.Data.size()));
    }
    Put32(central, 0x02014b50);
    Put16(central, 20);
    Put16(central, 20);
    Put16(central, flags);
    Put16(central, 0);
    Put32(central, e.DosTime);
    Put32(central, crc);
    Put32(central, static_cast<uint32_t>(e.Data.size()));
    Put32(central, static_cast<uint32_t>(e.Data.size()));
    Put16(central, static_cast<unsigned>(e.Name.size()));
    Put16(central, static_cast<unsigned>(e.CentralExtra.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0x20);
    Put32(central, offset);
    central += e.Name;
    central += e.CentralExtra;
  }
  const uint32_t cdOffset = static_cast<uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<unsigned>(entries.size()));
  Put16(out, static_cast<unsigned>(entries.size()));
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, cdOffset);
  Put16(out, 0);
  return out;
}

// An LZH of -lh0- entries with level-0 or level-1 headers, built by hand.
inline std::string MakeLzh01(const std::vector<TRawEntry>& entries, int level) {
  std::string out;
  for (const auto& e : entries) {
    std::vector<std::string> ext = level == 1 ? e.Ext : std::vector<std::string>{};
    uint64_t extTotal = 0;
    for (const auto& x : ext) extTotal += x.size() + 2;  // and the size of the next one
    if (level == 1 && e.Size64) extTotal += 1 + 16 + 2;
    const uint64_t packed = extTotal + e.Data.size();  // at level 1 the extended headers count
    if (level == 1 && e.Size64) {
      std::string x(1, '\x42');
      for (uint64_t v : {packed, static_cast<uint64_t>(e.Data.size())}) {
        Put32(x, static_cast<uint32_t>(v));
        Put32(x, static_cast<uint32_t>(v >> 32));
      }
      ext.push_back(x);
    }
    std::string h;
    h.push_back(0);  // size
    h.push_back(0);  // checksum
    h += "-lh0-";
    Put32(h, e.Size64 ? 0xFFFFFFFFu : static_cast<uint32_t>(packed));
    Put32(h, e.Size64 ? 0xFFFFFFFFu : static_cast<uint32_t>(e.Data.size()));
    Put32(h, e.DosTime);
    h.push_back(0x20);
    h.push_back(static_cast<char>(level));
    h.push_back(static_cast<char>(e.Name.size()));
    h += e.Name;
    Put16(h, lzh::Crc16(0, e.Data.data(), e.Data.size()));
    if (level == 1) {
      h.push_back('M');
      Put16(h, ext.empty() ? 0 : static_cast<unsigned>(ext[0].size() + 2));
    }
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    out += h;
    for (size_t i = 0; i < ext.size(); ++i) {
      out += ext[i];
      Put16(out, i + 1 < ext.size() ? static_cast<unsigned>(ext[i + 1].size() + 2) : 0);
    }
    out += e.Data;
  }
  out.push_back(0);
  return out;
}

inline std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& ch : s) ch = static_cast<char>(rng() & 0xFF);
  return s;
}

inline std::string TextBytes(size_t size, uint32_t seed) {
  static const char* words[] = {"backup ", "archive ", "folder ", "file ", "history ", "mirror ", "\r\n", "2024 "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) s += words[rng() % 8];
  s.resize(size);
  return s;
}

class ArchiveTest : public MemoryTest {
protected:
  // The entries as the listing gives them.
  std::vector<TArchiveEntryInfo> List(const std::wstring& archivePath) {
    TArchiveFile archive;
    archive.SetFileName(archivePath);
    std::vector<TArchiveEntryInfo> entries;
    const uint32_t code = archive.Open();
    EXPECT_EQ(code, 0u) << WideToUtf8(archive.LastMessage());
    if (code) return entries;
    TArchiveEntryInfo info;
    for (uint32_t r = archive.FindFirst(L"*.*", info); r == 0; r = archive.FindNext(info)) entries.push_back(info);
    archive.Close();
    return entries;
  }
  std::vector<std::wstring> Paths(const std::wstring& archivePath) {
    std::vector<std::wstring> paths;
    for (const auto& e : List(archivePath)) paths.push_back(e.Path);
    return paths;
  }
  uint32_t Pack(const std::wstring& archivePath, const std::wstring& base, const std::vector<std::wstring>& names,
                IPackTap* tap = nullptr) {
    TArchiveFile archive;
    archive.Options.Tap = tap;
    archive.SetFileName(archivePath);
    archive.Options.KeepPaths = true;
    archive.Options.KeepAttributes = true;
    archive.Options.AlwaysReplace = true;
    archive.Options.IgnoreMissing = true;
    archive.Options.Compression = 2;
    const uint32_t code = archive.Pack(base, names);
    last_ = archive.LastMessage();
    return code;
  }
  uint32_t Extract(const std::wstring& archivePath, const std::wstring& target,
                   const std::vector<std::wstring>& names = {}) {
    TArchiveFile archive;
    archive.SetFileName(archivePath);
    archive.Options.KeepAttributes = true;
    const uint32_t code = archive.Extract(target, names);
    last_ = archive.LastMessage();
    return code;
  }
  std::string Content(const std::wstring& path) {
    std::string content;
    EXPECT_TRUE(Fs().ReadContent(path, content)) << WideToUtf8(path);
    return content;
  }
  // Paths under `root` that look like the archiver's temporary files.
  std::vector<std::wstring> TempFiles(const std::wstring& root) {
    std::vector<std::wstring> temps;
    for (const auto& p : Fs().ListTree(root))
      if (p.find(L"VogArc") != std::wstring::npos) temps.push_back(p);
    return temps;
  }
  std::wstring last_;
};

}  // namespace vog::test
