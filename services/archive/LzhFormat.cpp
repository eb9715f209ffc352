// The LZH container: headers of levels 0, 1 and 2 read, level 2 written; methods -lh0-,
// -lh5-, -lh6-, -lh7- and folder entries (-lhd-). Names are in the ANSI code page with
// the format's folder separators: 0xFF in the level-2 folder header, "\" or "/" in level-0
// and level-1 names. Level 0 and 1 carry a local DOS date-time, level 2 a UNIX time (UTC);
// a Windows time header (0x41: creation, last-write and last-access FILETIMEs, in that
// order) overrides either, and the program writes one with all three on every file it packs.
//
// Layout of a level-2 header (all little-endian):
//   0  header size (2, the whole header)   2  method "-lh5-" (5)
//   7  packed size (4)                    11  original size (4)
//  15  UNIX time (4)                      19  0x20   20  level 2
//  21  data CRC-16 (2)                    23  OS id  24  size of the first extended header (2)
// then extended headers: type (1), data, size of the next one (2; 0 ends the chain).
#include <algorithm>
#include <cstring>
#include <exception>

#include "base/Text.h"
#include "platform/Platform.h"
#include "services/archive/ArchiveFormat.h"
#include "services/archive/ArchivePaths.h"
#include "services/archive/LzhCodec.h"

namespace vog::archive {

namespace {

constexpr uint64_t kUnixEpoch = 11644473600ull;  // seconds from 1601 to 1970
constexpr uint8_t kOsId = 'M';                   // MS-DOS family

enum : uint8_t {
  kExtCommon = 0x00,
  kExtName = 0x01,
  kExtFolder = 0x02,
  kExtAttr = 0x40,
  kExtWinTime = 0x41,
  kExtSize64 = 0x42,
  kExtUnicodeName = 0x44,
  kExtUnicodeFolder = 0x45,
  kExtUnixTime = 0x54,
};

bool MethodOf(const std::string& name, lzh::TMethod& method) {
  if (name == "-lh0-")
    method = lzh::TMethod::Lh0;
  else if (name == "-lh5-")
    method = lzh::TMethod::Lh5;
  else if (name == "-lh6-")
    method = lzh::TMethod::Lh6;
  else if (name == "-lh7-")
    method = lzh::TMethod::Lh7;
  else
    return false;
  return true;
}

// Decodes a name whose folders are separated by `separator` bytes; each part is converted
// on its own, so a double-byte character whose second byte is 0x5C stays whole.
std::wstring DecodeParts(const std::string& raw, char separator) {
  std::wstring out;
  size_t start = 0;
  for (;;) {
    size_t end = raw.find(separator, start);
    if (end == std::string::npos) end = raw.size();
    out += CodePage().AnsiToWide(std::string_view(raw).substr(start, end - start));
    if (end == raw.size()) break;
    out += L'\\';  // empty parts stay visible, so a leading "\" still reads as absolute
    start = end + 1;
  }
  return out;
}

// Level 0 and 1 names use "\" (or "/") between folders; a 0x5C that is the second byte of
// a double-byte character is not a separator.
std::wstring DecodeLevel01Name(const std::string& raw) {
  std::string parts;
  for (size_t i = 0; i < raw.size(); ++i) {
    const auto ch = static_cast<unsigned char>(raw[i]);
    if (CodePage().IsLeadByte(ch) && i + 1 < raw.size()) {
      parts += raw[i];
      parts += raw[++i];
    } else if (ch == '\\' || ch == '/' || ch == 0xFF) {
      parts += '\xFF';
    } else {
      parts += raw[i];
    }
  }
  return DecodeParts(parts, '\xFF');
}

class TLzhWriter : public IArchiveWriter {
public:
  TLzhWriter(TWriter& out, const TWriteOptions& options) : out_(out), options_(options) {}

  void CopyEntry(TReader& source, const TEntry& entry) override {
    source.Seek(entry.Offset);
    uint64_t left = entry.DataOffset + entry.PackedSize - entry.Offset;
    while (left > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
      if (buffer_.size() < n) buffer_.resize(n);
      source.ReadExact(buffer_.data(), n);
      out_.Write(buffer_.data(), n);
      left -= n;
    }
  }

  void AddFile(const TNewFile& file, IFileStream& data) override {
    buffer_.resize(kChunk);
    THeader h = NewHeader(file);
    const uint64_t start = out_.Position();
    std::string header = Build(h);
    out_.Write(header);
    const uint64_t dataStart = out_.Position();

    // What the callbacks throw is kept and thrown again once the codec has returned.
    std::exception_ptr failure;
    uint64_t consumed = 0;
    auto read = [&](uint8_t* buffer, size_t capacity) -> size_t {
      if (failure) return 0;
      try {
        const size_t n = ReadFileChunk(data, buffer, capacity, file.SourcePath);
        consumed += n;
        return n;
      } catch (...) {
        failure = std::current_exception();
        return 0;
      }
    };
    // Compression is given up as soon as it stops paying.
    const uint64_t limit = static_cast<uint64_t>(std::max<int64_t>(file.Size, 0));
    uint64_t written = 0;
    auto write = [&](const uint8_t* bytes, size_t size) -> bool {
      if (failure) return false;
      written += size;
      if (h.Method != "-lh0-" && written >= limit) return false;
      // Data that has not shrunk by 1/64 after 4 MiB (already compressed files) is stored
      // without spending the time to compress the rest.
      if (consumed >= (4u << 20) && written + consumed / 64 >= consumed) return false;
      try {
        out_.Write(bytes, size);
        return true;
      } catch (...) {
        failure = std::current_exception();
        return false;
      }
    };
    lzh::TMethod method = lzh::TMethod::Lh0;
    MethodOf(h.Method, method);
    lzh::TEncodeResult result;
    if (method != lzh::TMethod::Lh0) {
      result = lzh::Encode(method, read, write);
      if (failure) std::rethrow_exception(failure);
      if (result.Aborted || result.PackedSize >= result.OriginalSize) {
        out_.Rewind(dataStart);
        if (uint32_t code = data.Seek(0)) ThrowIo(code, L"ファイルを読み込めません", file.SourcePath);
        h.Method = "-lh0-";
        method = lzh::TMethod::Lh0;
        written = 0;
      }
    }
    if (method == lzh::TMethod::Lh0) {
      result = {};
      for (;;) {
        const size_t n = ReadFileChunk(data, buffer_.data(), buffer_.size(), file.SourcePath);
        if (n == 0) break;
        result.Crc = lzh::Crc16(result.Crc, buffer_.data(), n);
        out_.Write(buffer_.data(), n);
        result.OriginalSize += n;
      }
      result.PackedSize = result.OriginalSize;
    }
    // Sizes past 32 bits need an extension header that many readers do not know: such an
    // entry is never written (TArchiveFile leaves files listed that large out).
    if (result.OriginalSize > 0xFFFFFFFFull)
      throw TFailure{err::FileTooLarge, L"LZH 書庫には 4 GiB 以上のファイルを入れられません: " + file.SourcePath};
    if (!h.Big && result.OriginalSize >= 0xFFFFFFFFull)
      throw TFailure{err::FileCorrupt, L"読み込み中にファイルが大きくなりました: " + file.SourcePath};
    h.PackedSize = result.PackedSize;
    h.Size = result.OriginalSize;
    h.Crc = result.Crc;
    const std::string final = Build(h);
    out_.Patch(start, final.data(), final.size());
  }

  std::unique_ptr<TPreparedFile> Prepare(const TNewFile& file, IFileStream& data, size_t limit,
                                         TPrepareScratch& scratch) const override {
    std::vector<uint8_t>& raw = scratch.Raw;
    size_t n = 0;
    if (!ReadSmallFile(data, file.Size, limit, raw, n, file.SourcePath)) return nullptr;
    auto prepared = std::make_unique<TPreparedFile>();
    prepared->Size = static_cast<int64_t>(n);
    lzh::TMethod method = lzh::TMethod::Lh0;
    MethodOf(NewHeader(file).Method, method);
    if (method != lzh::TMethod::Lh0 && n != 0) {
      size_t at = 0;
      auto read = [&](uint8_t* buffer, size_t capacity) -> size_t {
        const size_t count = std::min(capacity, n - at);
        std::memcpy(buffer, raw.data() + at, count);
        at += count;
        return count;
      };
      // The same rules as AddFile: compression is given up as soon as it stops paying.
      auto write = [&](const uint8_t* bytes, size_t size) -> bool {
        if (prepared->Data.size() + size >= n) return false;
        if (at >= (4u << 20) && prepared->Data.size() + size + at / 64 >= at) return false;
        prepared->Data.insert(prepared->Data.end(), bytes, bytes + size);
        return true;
      };
      const lzh::TEncodeResult result = lzh::Encode(method, read, write);
      if (!result.Aborted && result.PackedSize < result.OriginalSize) {
        prepared->Crc = result.Crc;
        return prepared;
      }
    }
    prepared->Stored = true;
    prepared->Crc = lzh::Crc16(0, raw.data(), n);
    prepared->Data.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(n));
    return prepared;
  }

  void AddPrepared(const TNewFile& file, const TPreparedFile& prepared) override {
    THeader h = NewHeader(file);
    if (prepared.Stored) h.Method = "-lh0-";
    h.Big = h.Big || static_cast<uint64_t>(prepared.Size) >= 0xFFFF0000ull;
    h.PackedSize = prepared.Data.size();
    h.Size = static_cast<uint64_t>(prepared.Size);
    h.Crc = static_cast<uint16_t>(prepared.Crc);
    out_.Write(Build(h));
    out_.Write(prepared.Data.data(), prepared.Data.size());
  }

  void Finish() override {
    const uint8_t end = 0;
    out_.Write(&end, 1);
  }

private:
  struct THeader;
  // The header of a new file before its data: names, attributes, times, method.
  THeader NewHeader(const TNewFile& file) const {
    THeader h;
    bool lossless = true;
    const std::wstring folder = FolderOf(file.Path);
    h.Name = CodePage().WideToAnsi(NameOf(file.Path), &lossless);
    h.UnicodeNeeded = !lossless;
    if (!folder.empty()) {
      size_t start = 0;
      while (start <= folder.size()) {
        size_t end = folder.find(L'\\', start);
        if (end == std::wstring::npos) end = folder.size();
        bool partLossless = true;
        h.Folder += CodePage().WideToAnsi(folder.substr(start, end - start), &partLossless);
        h.Folder += '\xFF';
        if (!partLossless) h.UnicodeNeeded = true;
        start = end + 1;
      }
    }
    h.WideName = NameOf(file.Path);
    h.WideFolder = folder;
    h.Attr = options_.StoreAttributes ? (file.Attr & 0x27) : attr::Archive;
    h.WriteTime = file.WriteTime.Value;
    h.CreationTime = file.CreationTime.Value ? file.CreationTime.Value : h.WriteTime;
    h.AccessTime = file.AccessTime.Value ? file.AccessTime.Value : h.WriteTime;
    const int64_t seconds = static_cast<int64_t>(file.WriteTime.Value / 10000000ull) - static_cast<int64_t>(kUnixEpoch);
    h.UnixTime = static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, 0xFFFFFFFFll));
    h.Big = file.Size >= 0xFFFF0000ll;
    h.Method = options_.Level == 0 || file.Size == 0 ? "-lh0-" : options_.Level >= 3 ? "-lh7-" : "-lh5-";

    return h;
  }

  struct THeader {
    std::string Method;
    std::string Name, Folder;  // ANSI; Folder ends with 0xFF
    std::wstring WideName, WideFolder;
    bool UnicodeNeeded = false;
    bool Big = false;
    uint32_t Attr = attr::Archive;
    uint32_t UnixTime = 0;
    uint64_t CreationTime = 0, WriteTime = 0, AccessTime = 0;  // FILETIMEs (UTC)
    uint64_t PackedSize = 0, Size = 0;
    uint16_t Crc = 0;
  };

  static void PutExt(std::string& h, uint8_t type, const std::string& data) {
    // The size field of the previous header (the last two bytes so far) names this one.
    SetU16(h, h.size() - 2, static_cast<unsigned>(3 + data.size()));
    PutU8(h, type);
    h += data;
    PutU16(h, 0);
  }

  // The header of `h`; its length depends only on the names, on Big and on whether the
  // times are known, so the final header fits over the first one.
  static std::string Build(const THeader& h) {
    std::string s;
    PutU16(s, 0);  // size, set below
    s += h.Method;
    PutU32(s, static_cast<uint32_t>(h.PackedSize));
    PutU32(s, static_cast<uint32_t>(h.Size));
    PutU32(s, h.UnixTime);
    PutU8(s, 0x20);
    PutU8(s, 2);
    PutU16(s, h.Crc);
    PutU8(s, kOsId);
    PutU16(s, 0);
    PutExt(s, kExtCommon, std::string(2, '\0'));
    const size_t crcAt = s.size() - 4;
    PutExt(s, kExtName, h.Name);
    if (!h.Folder.empty()) PutExt(s, kExtFolder, h.Folder);
    std::string attrData;
    PutU16(attrData, h.Attr);
    PutExt(s, kExtAttr, attrData);
    if (h.WriteTime != 0) {
      std::string times;
      PutU64(times, h.CreationTime);
      PutU64(times, h.WriteTime);
      PutU64(times, h.AccessTime);
      PutExt(s, kExtWinTime, times);
    }
    if (h.Big) {
      std::string sizes;
      PutU64(sizes, h.PackedSize);
      PutU64(sizes, h.Size);
      PutExt(s, kExtSize64, sizes);
    }
    if (h.UnicodeNeeded) {
      PutExt(s, kExtUnicodeName, ToUtf16Le(h.WideName));
      if (!h.WideFolder.empty()) {
        std::wstring folder = h.WideFolder;
        std::replace(folder.begin(), folder.end(), L'\\', static_cast<wchar_t>(0xFFFF));
        folder += static_cast<wchar_t>(0xFFFF);
        PutExt(s, kExtUnicodeFolder, ToUtf16Le(folder));
      }
    }
    // A size whose low byte is 0 would read as the end of the archive to older readers.
    if ((s.size() & 0xFF) == 0) PutU8(s, 0);
    SetU16(s, 0, static_cast<unsigned>(s.size()));
    SetU16(s, crcAt, lzh::Crc16(0, s.data(), s.size()));
    return s;
  }

  TWriter& out_;
  TWriteOptions options_;
  std::vector<uint8_t> buffer_;
};

class TLzhFormat : public IArchiveFormat {
public:
  void ReadDirectory(TReader& in, std::vector<TEntry>& entries) override {
    entries.clear();
    uint64_t position = 0;
    for (;;) {
      in.Seek(position);
      uint8_t first = 0;
      if (in.ReadSome(&first, 1) == 0 || first == 0) break;  // end of the archive
      TEntry e;
      e.Offset = position;
      ReadHeader(in, e);
      if (e.DataOffset > in.Size() || in.Size() - e.DataOffset < e.PackedSize)
        ThrowDamaged(L"データが途中で切れています: " + e.Path);
      position = e.DataOffset + e.PackedSize;
      entries.push_back(std::move(e));
    }
  }

  void ExtractData(TReader& in, TEntry& e, const TSink& sink) override {
    lzh::TMethod method;
    if (!MethodOf(e.Method, method)) {
      std::wstring name(e.Method.begin(), e.Method.end());
      throw TFailure{err::NotSupported, L"対応していない圧縮方式です（" + name + L"）: " + e.Path};
    }
    in.Seek(e.DataOffset);
    uint64_t left = e.PackedSize;
    // What the callbacks throw is kept and thrown again once the codec has returned.
    std::exception_ptr failure;
    auto read = [&](uint8_t* buffer, size_t capacity) -> size_t {
      if (failure || left == 0) return 0;
      try {
        const size_t n = in.ReadSome(buffer, static_cast<size_t>(std::min<uint64_t>(left, capacity)));
        left -= n;
        return n;
      } catch (...) {
        failure = std::current_exception();
        return 0;
      }
    };
    auto write = [&](const uint8_t* data, size_t size) -> bool {
      if (failure) return false;
      try {
        if (size > 0 && !sink(data, size)) throw TFailure{err::WriteFault, L"ファイルを書き込めません: " + e.Path};
      } catch (...) {
        failure = std::current_exception();
      }
      return !failure;
    };
    uint16_t crc = 0;
    const lzh::TDecodeStatus status = lzh::Decode(method, e.PackedSize, e.Size, read, write, crc);
    if (failure) std::rethrow_exception(failure);
    if (status == lzh::TDecodeStatus::Truncated) ThrowDamaged(L"データが途中で切れています: " + e.Path);
    if (status != lzh::TDecodeStatus::Ok) ThrowDamaged(L"圧縮データが壊れています: " + e.Path);
    if (crc != e.Crc) throw TFailure{err::Crc, L"書庫が壊れています（CRC が一致しません）。: " + e.Path};
  }

  std::unique_ptr<IArchiveWriter> CreateWriter(TWriter& out, const TWriteOptions& options) override {
    return std::make_unique<TLzhWriter>(out, options);
  }

private:
  // Reads the extended headers that start at the reader's position, the first of
  // `firstSize` bytes; returns their total size. `limit` is where they must end.
  struct TExtInfo {
    std::string Name, Folder;
    std::wstring UnicodeName, UnicodeFolder;
    bool HasName = false, HasFolder = false, HasAttr = false, HasSize64 = false, HasWinTime = false,
         HasUnixTime = false;
    bool HasHeaderCrc = false;
    uint16_t HeaderCrc = 0;
    size_t HeaderCrcAt = 0;  // offset of the CRC within the header bytes
    uint32_t Attr = 0;
    uint64_t Packed64 = 0, Size64 = 0;
    uint64_t WinTime = 0;
    uint32_t UnixTime = 0;
  };

  static uint64_t ReadExtensions(TReader& in, uint16_t firstSize, uint64_t limit, std::string* headerBytes,
                                 TExtInfo& x) {
    uint64_t total = 0;
    uint16_t size = firstSize;
    while (size != 0) {
      if (size < 3) ThrowDamaged(L"拡張ヘッダのサイズが不正です");
      if (in.Position() > limit || limit - in.Position() < size) ThrowDamaged(L"拡張ヘッダが途中で切れています");
      const size_t at = headerBytes ? headerBytes->size() : 0;
      const std::string ext = in.ReadBytes(size);
      if (headerBytes) *headerBytes += ext;
      total += size;
      const auto type = static_cast<uint8_t>(ext[0]);
      const std::string data = ext.substr(1, size - 3);
      const auto* p = Bytes(data);
      switch (type) {
        case kExtCommon:
          if (data.size() >= 2) {
            x.HasHeaderCrc = true;
            x.HeaderCrc = GetU16(p);
            x.HeaderCrcAt = at + 1;
          }
          break;
        case kExtName:
          x.Name = data;
          x.HasName = true;
          break;
        case kExtFolder:
          x.Folder = data;
          x.HasFolder = true;
          break;
        case kExtAttr:
          if (data.size() >= 2) {
            x.Attr = GetU16(p);
            x.HasAttr = true;
          }
          break;
        case kExtWinTime:
          // Creation, last-write and last-access FILETIMEs, in that order.
          if (data.size() >= 24) {
            x.WinTime = GetU64(p + 8);
            x.HasWinTime = true;
          }
          break;
        case kExtSize64:
          if (data.size() >= 16) {
            x.Packed64 = GetU64(p);
            x.Size64 = GetU64(p + 8);
            x.HasSize64 = true;
          }
          break;
        case kExtUnicodeName:
          x.UnicodeName = FromUtf16Le(data);
          break;
        case kExtUnicodeFolder:
          x.UnicodeFolder = FromUtf16Le(data);
          break;
        case kExtUnixTime:
          if (data.size() >= 4) {
            x.UnixTime = GetU32(p);
            x.HasUnixTime = true;
          }
          break;
        default:
          break;
      }
      size = GetU16(Bytes(ext) + size - 2);
    }
    return total;
  }

  static std::wstring JoinUnicodeFolder(std::wstring folder) {
    for (auto& ch : folder)
      if (ch == static_cast<wchar_t>(0xFFFF) || ch == L'/') ch = L'\\';
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
  }

  static void ReadHeader(TReader& in, TEntry& e) {
    uint8_t base[22];
    in.Seek(e.Offset);
    if (in.Size() - e.Offset < sizeof base) ThrowDamaged(L"ヘッダが途中で切れています");
    in.ReadExact(base, sizeof base);
    e.Method.assign(reinterpret_cast<const char*>(base + 2), 5);
    if (e.Method[0] != '-' || e.Method[4] != '-') ThrowDamaged(L"LZH のヘッダではありません");
    const uint8_t level = base[20];
    uint32_t packed = GetU32(base + 7);
    e.Size = GetU32(base + 11);
    TExtInfo x;
    if (level == 0 || level == 1) {
      const size_t headerSize = base[0];
      const size_t nameLen = base[21];
      if (headerSize < 20 + nameLen || in.Size() - e.Offset < headerSize + 2) ThrowDamaged(L"ヘッダのサイズが不正です");
      in.Seek(e.Offset);
      const std::string h = in.ReadBytes(headerSize + 2);
      const auto* p = Bytes(h);
      unsigned sum = 0;
      for (size_t i = 2; i < h.size(); ++i) sum += p[i];
      if ((sum & 0xFF) != p[1]) ThrowDamaged(L"ヘッダのチェックサムが一致しません");
      const std::string name = h.substr(22, nameLen);
      e.RawName = name;
      e.Path = DecodeLevel01Name(name);
      if (headerSize >= 22 + nameLen) e.Crc = GetU16(p + 22 + nameLen);
      e.Attr = p[19];
      e.DosTime = static_cast<int32_t>(GetU32(p + 15));
      e.WriteTime.Value = UtcOfDosTime(e.DosTime);
      uint64_t extTotal = 0;
      if (level == 1) {
        if (headerSize < 25 + nameLen) ThrowDamaged(L"ヘッダのサイズが不正です");
        extTotal = ReadExtensions(in, GetU16(p + headerSize), in.Size(), nullptr, x);
      }
      // At level 1 the packed size counts the extended headers before the data, and so
      // does its 64-bit form.
      const uint64_t packedTotal = x.HasSize64 ? x.Packed64 : packed;
      if (extTotal > packedTotal) ThrowDamaged(L"サイズが不正です: " + e.Path);
      e.HeaderSize = headerSize + 2 + extTotal;
      e.PackedSize = packedTotal - extTotal;
      if (x.HasSize64) e.Size = x.Size64;
    } else if (level == 2) {
      const size_t headerSize = GetU16(base);
      if (headerSize < 26 || in.Size() - e.Offset < headerSize) ThrowDamaged(L"ヘッダのサイズが不正です");
      in.Seek(e.Offset);
      std::string h = in.ReadBytes(26);
      ReadExtensions(in, GetU16(Bytes(h) + 24), e.Offset + headerSize, &h, x);
      if (h.size() > headerSize) ThrowDamaged(L"ヘッダのサイズが不正です");
      h += in.ReadBytes(headerSize - h.size());  // padding
      if (x.HasHeaderCrc) {
        SetU16(h, x.HeaderCrcAt, 0);
        if (lzh::Crc16(0, h.data(), h.size()) != x.HeaderCrc) ThrowDamaged(L"ヘッダの CRC が一致しません");
      }
      const auto* p = Bytes(h);
      e.Crc = GetU16(p + 21);
      e.HeaderSize = headerSize;
      e.PackedSize = x.HasSize64 ? x.Packed64 : packed;
      if (x.HasSize64) e.Size = x.Size64;
      const uint64_t utc = (GetU32(p + 15) + kUnixEpoch) * 10000000ull;
      e.WriteTime.Value = utc;
      e.DosTime = LocalDosTime(utc);
      e.Attr = x.HasAttr ? x.Attr : attr::Archive;
    } else {
      throw TFailure{err::NotSupported, L"対応していない LZH ヘッダです（レベル " + IntToText(level) + L"）。"};
    }
    e.DataOffset = e.Offset + e.HeaderSize;
    // The listing gives the time extraction gives the file, so both agree (and a file
    // dated past what the base header holds compares equal to its source).
    if (x.HasWinTime && x.WinTime != 0) {
      e.WriteTime.Value = x.WinTime;
      e.DosTime = LocalDosTime(x.WinTime);
    } else if (level == 1 && x.HasUnixTime) {
      e.WriteTime.Value = (x.UnixTime + kUnixEpoch) * 10000000ull;
      e.DosTime = LocalDosTime(e.WriteTime.Value);
    }

    // The name: the level-1/2 extended headers, preferring the UTF-16 forms.
    if (level > 0) {
      std::wstring folder =
          !x.UnicodeFolder.empty() ? JoinUnicodeFolder(x.UnicodeFolder) : DecodeParts(x.Folder, '\xFF');
      while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
      std::wstring name = !x.UnicodeName.empty() ? x.UnicodeName : x.HasName ? DecodeLevel01Name(x.Name) : e.Path;
      if (level == 2 || x.HasFolder || x.HasName) {
        if (level == 2 && !x.HasName && x.UnicodeName.empty()) name.clear();
        e.Path = folder.empty() ? name : name.empty() ? folder : folder + L"\\" + name;
        e.RawName = x.Folder + x.Name;
      }
    }
    e.IsFolder = e.Method == "-lhd-";
    while (!e.Path.empty() && e.Path.back() == L'\\') e.Path.pop_back();
    if (e.IsFolder) e.Attr |= attr::Directory;
  }
};

}  // namespace

std::unique_ptr<IArchiveFormat> CreateLzhFormat() { return std::make_unique<TLzhFormat>(); }

}  // namespace vog::archive
