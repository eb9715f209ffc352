// The ZIP container (PKWARE's APPNOTE): stored and deflated entries, DOS date-times,
// ZIP64, names in the ANSI code page or UTF-8 (general-purpose flag bit 11). The
// directory is read from the central directory, so entries written with data
// descriptors (flag bit 3) read like any other.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "base/Text.h"
#include "platform/Platform.h"
#include "services/archive/ArchiveFormat.h"
#include "services/archive/ArchivePaths.h"
#include "services/archive/ZipDeflate.h"

namespace vog::archive {

namespace {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kLocator64Sig = 0x07064b50;
constexpr uint32_t kDescriptorSig = 0x08074b50;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint64_t kMax32 = 0xFFFFFFFFull;
// Windows NTFS host, version 2.0: MS-DOS attributes, and names that unzip and 7z on Unix
// take as stored bytes (for a FAT host, unzip would read them as OEM text and convert them).
constexpr uint16_t kMadeBy = (10 << 8) | 20;
constexpr uint16_t kNeeded = 20;
constexpr uint16_t kNeeded64 = 45;
constexpr int kLevels[] = {0, 1, 6, 9};  // zlib levels of options 0 (store) to 3 (best)

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  while (size > 0) {
    const uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = static_cast<uint32_t>(crc32(crc, data, n));
    data += n;
    size -= n;
  }
  return crc;
}

// What one preparing thread keeps: its deflate stream and the stream of its quick looks.
struct TThreadDeflaters : TPrepareScratch::IState {
  TDeflater Deflate, Sample;
};

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
}

// Whether `bytes` is well-formed UTF-8 (a replacement character counts as damage).
bool IsWellFormedUtf8(std::string_view bytes) {
  const std::string text(bytes);
  const std::wstring wide = Utf8ToWide(text);
  return wide.find(static_cast<wchar_t>(0xFFFD)) == std::wstring::npos && WideToUtf8(wide) == text;
}

// Whether `bytes` is well-formed UTF-8 with at least one non-ASCII character.
bool IsUtf8(const std::string& bytes) { return !IsAscii(bytes) && IsWellFormedUtf8(bytes); }

// Info-ZIP's Unicode path extra field: version 1, the CRC-32 of the name stored in the
// header (so a tool that renamed the entry without updating the field is noticed), the
// UTF-8 name.
constexpr uint16_t kUnicodePathId = 0x7075;

std::string UnicodePathField(const std::string& storedName, const std::string& utf8Name) {
  std::string field;
  PutU16(field, kUnicodePathId);
  PutU16(field, static_cast<unsigned>(5 + utf8Name.size()));
  PutU8(field, 1);
  PutU32(field, Crc32(0, Bytes(storedName), storedName.size()));
  field += utf8Name;
  return field;
}

// The extra fields of one header, walked safely.
struct TExtraField {
  uint16_t Id;
  std::string_view Data;
};

std::vector<TExtraField> SplitExtra(std::string_view extra) {
  std::vector<TExtraField> fields;
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data() + at);
    const uint16_t id = GetU16(p);
    const uint16_t size = GetU16(p + 2);
    if (at + 4 + size > extra.size()) break;  // a torn field ends the list
    fields.push_back({id, extra.substr(at + 4, size)});
    at += 4 + size;
  }
  return fields;
}

class TZipWriter : public IArchiveWriter {
public:
  TZipWriter(TWriter& out, const TWriteOptions& options) : out_(out), options_(options) {}

  void CopyEntry(TReader& source, const TEntry& entry) override {
    TEntry e = entry;
    const uint64_t dataOffset = LocateData(source, e);
    e.Offset = out_.Position();
    const bool zip64 = options_.ForceZip64 || e.Size >= kMax32 || e.PackedSize >= kMax32;
    const bool descriptor = (e.Flags & kFlagDescriptor) != 0;
    std::string header = LocalHeader(e, zip64);
    out_.Write(header);
    CopyBytes(source, dataOffset, e.PackedSize);
    if (descriptor) {
      // Kept for entries that need it (an encrypted entry checks its key against the time).
      std::string d;
      PutU32(d, kDescriptorSig);
      PutU32(d, e.Crc);
      if (zip64) {
        PutU64(d, e.PackedSize);
        PutU64(d, e.Size);
      } else {
        PutU32(d, static_cast<uint32_t>(e.PackedSize));
        PutU32(d, static_cast<uint32_t>(e.Size));
      }
      out_.Write(d);
    }
    central_.push_back(std::move(e));
  }

  void AddFile(const TNewFile& file, IFileStream& data) override {
    in_.resize(kChunk);
    TEntry e = NewEntry(file);
    e.Offset = out_.Position();
    const bool zip64 = options_.ForceZip64 || static_cast<uint64_t>(file.Size) >= kMax32 - 65536;
    out_.Write(LocalHeader(e, zip64));
    const uint64_t dataStart = out_.Position();

    bool stored = e.ZipMethod == 0;
    if (!stored) {
      Deflate(file, data, e);
      if (e.PackedSize >= e.Size) {
        // Compression does not pay: store instead.
        out_.Rewind(dataStart);
        if (uint32_t code = data.Seek(0)) ThrowIo(code, L"ファイルを読み込めません", file.SourcePath);
        stored = true;
      }
    }
    if (stored) {
      e.ZipMethod = 0;
      Store(file, data, e);
    }
    if (!zip64 && (e.Size >= kMax32 || e.PackedSize >= kMax32))
      throw TFailure{err::FileCorrupt, L"読み込み中にファイルが大きくなりました: " + file.SourcePath};
    const std::string local = LocalHeader(e, zip64);  // the same length as the first one
    out_.Patch(e.Offset, local.data(), local.size());
    central_.push_back(std::move(e));
  }

  std::unique_ptr<TPreparedFile> Prepare(const TNewFile& file, IFileStream& data, size_t limit,
                                         TPrepareScratch& scratch) const override {
    std::vector<uint8_t>& raw = scratch.Raw;
    std::vector<uint8_t>& packed = scratch.Packed;
    if (!scratch.State) scratch.State = std::make_unique<TThreadDeflaters>();
    auto& deflaters = static_cast<TThreadDeflaters&>(*scratch.State);
    size_t n = 0;
    if (!ReadSmallFile(data, file.Size, limit, raw, n, file.SourcePath)) return nullptr;
    auto prepared = std::make_unique<TPreparedFile>();
    prepared->Size = static_cast<int64_t>(n);
    prepared->Crc = Crc32(0, raw.data(), n);
    if (options_.Level != 0 && n != 0 && !LooksIncompressible(raw.data(), n, deflaters.Sample)) {
      z_stream* z = deflaters.Deflate.Ready(kLevels[std::clamp(options_.Level, 0, 3)]);
      if (!z) throw TFailure{err::NotEnoughMemory, L"圧縮を開始できません: " + file.SourcePath};
      packed.resize(deflateBound(z, static_cast<uLong>(n)));
      z->next_in = raw.data();
      z->avail_in = static_cast<uInt>(n);
      z->next_out = packed.data();
      z->avail_out = static_cast<uInt>(packed.size());
      const int status = deflate(z, Z_FINISH);
      const size_t produced = packed.size() - z->avail_out;
      if (status != Z_STREAM_END)
        throw TFailure{err::GenFailure, L"圧縮に失敗しました（zlib " + IntToText(status) + L"）: " + file.SourcePath};
      if (produced < n) {
        prepared->Data.assign(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(produced));
        return prepared;
      }
    }
    prepared->Stored = true;  // compression does not pay, or none was asked for
    prepared->Data.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(n));
    return prepared;
  }

  void AddPrepared(const TNewFile& file, const TPreparedFile& prepared) override {
    TEntry e = NewEntry(file);
    e.ZipMethod = prepared.Stored ? 0 : 8;
    e.Size = prepared.Size;
    e.PackedSize = prepared.Data.size();
    e.Crc = prepared.Crc;
    e.Offset = out_.Position();
    const bool zip64 = options_.ForceZip64 || static_cast<uint64_t>(e.Size) >= kMax32 - 65536;
    out_.Write(LocalHeader(e, zip64));
    out_.Write(prepared.Data.data(), prepared.Data.size());
    central_.push_back(std::move(e));
  }

  void Finish() override {
    const uint64_t cdOffset = out_.Position();
    for (const TEntry& e : central_) out_.Write(CentralHeader(e));
    const uint64_t cdSize = out_.Position() - cdOffset;
    const uint64_t count = central_.size();
    const bool zip64 = options_.ForceZip64 || count >= 0xFFFF || cdSize >= kMax32 || cdOffset >= kMax32;
    std::string end;
    if (zip64) {
      const uint64_t end64 = out_.Position();
      PutU32(end, kEnd64Sig);
      PutU64(end, 44);
      PutU16(end, kNeeded64);
      PutU16(end, kNeeded64);
      PutU32(end, 0);
      PutU32(end, 0);
      PutU64(end, count);
      PutU64(end, count);
      PutU64(end, cdSize);
      PutU64(end, cdOffset);
      PutU32(end, kLocator64Sig);
      PutU32(end, 0);
      PutU64(end, end64);
      PutU32(end, 1);
    }
    PutU32(end, kEndSig);
    PutU16(end, 0);
    PutU16(end, 0);
    PutU16(end, static_cast<unsigned>(std::min<uint64_t>(count, 0xFFFF)));
    PutU16(end, static_cast<unsigned>(std::min<uint64_t>(count, 0xFFFF)));
    PutU32(end, static_cast<uint32_t>(std::min<uint64_t>(cdSize, kMax32)));
    PutU32(end, static_cast<uint32_t>(std::min<uint64_t>(cdOffset, kMax32)));
    PutU16(end, 0);
    out_.Write(end);
  }

private:
  // The entry of a new file, before its data: name, time, attributes, method.
  TEntry NewEntry(const TNewFile& file) const {
    TEntry e;
    e.Path = file.Path;
    std::wstring slashed = file.Path;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    bool lossless = false;
    e.RawName = CodePage().WideToAnsi(slashed, &lossless);
    if (!lossless) {
      e.RawName = WideToUtf8(slashed);
      e.Flags |= kFlagUtf8;
    } else if (!IsAscii(e.RawName)) {
      // Older tools read the code page 932 name; current ones, on a machine of any code
      // page, the UTF-8 name of the Unicode path field beside it.
      e.Extra = UnicodePathField(e.RawName, WideToUtf8(slashed));
    }
    if (e.RawName.size() > 0xFFFF) throw TFailure{err::FilenameExceedRange, L"名前が長すぎます: " + file.Path};
    e.DosTime = file.DosTime;
    e.Attr = options_.StoreAttributes ? file.Attr : attr::Archive;
    e.ExternalAttr = e.Attr;
    e.VersionMadeBy = kMadeBy;
    e.ZipMethod = options_.Level == 0 || file.Size == 0 ? 0 : 8;
    return e;
  }

  std::string LocalHeader(const TEntry& e, bool zip64) const {
    std::string h;
    PutU32(h, kLocalSig);
    PutU16(h, zip64 ? kNeeded64 : kNeeded);
    PutU16(h, e.Flags);
    PutU16(h, e.ZipMethod);
    PutU32(h, static_cast<uint32_t>(e.DosTime));  // time low, date high
    PutU32(h, e.Crc);
    PutU32(h, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(e.PackedSize));
    PutU32(h, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(e.Size));
    std::string extra;
    if (zip64) {
      PutU16(extra, 0x0001);
      PutU16(extra, 16);
      PutU64(extra, e.Size);
      PutU64(extra, e.PackedSize);
    }
    // The Unicode path field goes into both headers, as Info-ZIP writes it.
    for (const auto& field : SplitExtra(e.Extra)) {
      if (field.Id != kUnicodePathId || extra.size() + 4 + field.Data.size() > 0xFFFF) continue;
      PutU16(extra, field.Id);
      PutU16(extra, static_cast<unsigned>(field.Data.size()));
      extra += field.Data;
    }
    PutU16(h, static_cast<unsigned>(e.RawName.size()));
    PutU16(h, static_cast<unsigned>(extra.size()));
    h += e.RawName;
    h += extra;
    return h;
  }

  std::string CentralHeader(const TEntry& e) const {
    const bool bigSize = options_.ForceZip64 || e.Size >= kMax32;
    const bool bigPacked = options_.ForceZip64 || e.PackedSize >= kMax32;
    const bool bigOffset = options_.ForceZip64 || e.Offset >= kMax32;
    std::string zip64;
    if (bigSize || bigPacked || bigOffset) {
      std::string values;
      if (bigSize) PutU64(values, e.Size);
      if (bigPacked) PutU64(values, e.PackedSize);
      if (bigOffset) PutU64(values, e.Offset);
      PutU16(zip64, 0x0001);
      PutU16(zip64, static_cast<unsigned>(values.size()));
      zip64 += values;
    }
    std::string extra = zip64;
    if (zip64.size() + e.Extra.size() <= 0xFFFF) extra += e.Extra;
    std::string h;
    PutU32(h, kCentralSig);
    PutU16(h, e.VersionMadeBy);
    PutU16(h, zip64.empty() ? kNeeded : kNeeded64);
    PutU16(h, e.Flags);
    PutU16(h, e.ZipMethod);
    PutU32(h, static_cast<uint32_t>(e.DosTime));
    PutU32(h, e.Crc);
    PutU32(h, bigPacked ? 0xFFFFFFFFu : static_cast<uint32_t>(e.PackedSize));
    PutU32(h, bigSize ? 0xFFFFFFFFu : static_cast<uint32_t>(e.Size));
    PutU16(h, static_cast<unsigned>(e.RawName.size()));
    PutU16(h, static_cast<unsigned>(extra.size()));
    PutU16(h, 0);  // comment
    PutU16(h, 0);  // disk
    PutU16(h, e.InternalAttr);
    PutU32(h, e.ExternalAttr);
    PutU32(h, bigOffset ? 0xFFFFFFFFu : static_cast<uint32_t>(e.Offset));
    h += e.RawName;
    h += extra;
    return h;
  }

  void CopyBytes(TReader& source, uint64_t offset, uint64_t size) {
    source.Seek(offset);
    while (size > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(size, kChunk));
      if (in_.size() < n) in_.resize(n);
      source.ReadExact(in_.data(), n);
      out_.Write(in_.data(), n);
      size -= n;
    }
  }

  void Store(const TNewFile& file, IFileStream& data, TEntry& e) {
    e.Size = 0;
    e.Crc = 0;
    for (;;) {
      const size_t n = ReadFileChunk(data, in_.data(), in_.size(), file.SourcePath);
      if (n == 0) break;
      e.Crc = Crc32(e.Crc, in_.data(), n);
      out_.Write(in_.data(), n);
      e.Size += n;
    }
    e.PackedSize = e.Size;
  }

  // Deflates a file on every core when it is large enough to pay for the threads.
  void Deflate(const TNewFile& file, IFileStream& data, TEntry& e) {
    TParallelDeflateIo io;
    io.Read = [&](uint8_t* buffer, size_t size) { return ReadFileChunk(data, buffer, size, file.SourcePath); };
    io.Write = [&](const uint8_t* bytes, size_t size) { out_.Write(bytes, size); };
    io.Stop = options_.Stop;
    const unsigned threads = file.Size >= static_cast<int64_t>(2 * kBlockSize) ? DeflateThreads() : 1;
    const TDeflateResult result = ParallelDeflate(kLevels[std::clamp(options_.Level, 0, 3)], threads, io);
    e.Size = result.Size;
    e.PackedSize = result.PackedSize;
    e.Crc = result.Crc;
  }

  TWriter& out_;
  TWriteOptions options_;
  std::vector<TEntry> central_;
  std::vector<uint8_t> in_;

public:
  // The offset of an entry's data, from its local header.
  static uint64_t LocateData(TReader& in, const TEntry& e) {
    if (e.Offset > in.Size() || in.Size() - e.Offset < 30) ThrowDamaged(L"ローカルヘッダがありません: " + e.Path);
    uint8_t h[30];
    in.Seek(e.Offset);
    in.ReadExact(h, sizeof h);
    if (GetU32(h) != kLocalSig) ThrowDamaged(L"ローカルヘッダがありません: " + e.Path);
    const uint64_t dataOffset = e.Offset + 30 + GetU16(h + 26) + GetU16(h + 28);
    if (dataOffset > in.Size() || in.Size() - dataOffset < e.PackedSize)
      ThrowDamaged(L"データが途中で切れています: " + e.Path);
    return dataOffset;
  }
};

class TZipFormat : public IArchiveFormat {
public:
  void ReadDirectory(TReader& in, std::vector<TEntry>& entries) override {
    const uint64_t size = in.Size();
    if (size < 22) ThrowDamaged(L"ZIP の終端レコードがありません");
    // The end record lies within the last 64 KiB + 22 bytes (its comment is at most 64 KiB).
    const uint64_t tailStart = size - std::min<uint64_t>(size, 0xFFFF + 22);
    in.Seek(tailStart);
    const std::string tail = in.ReadBytes(static_cast<size_t>(size - tailStart));
    const auto* t = Bytes(tail);
    long found = -1;
    for (long i = static_cast<long>(tail.size()) - 22; i >= 0; --i) {
      if (GetU32(t + i) == kEndSig && static_cast<size_t>(i) + 22 + GetU16(t + i + 20) <= tail.size()) {
        found = i;
        break;
      }
    }
    if (found < 0) ThrowDamaged(L"ZIP の終端レコードがありません");
    const uint64_t endPos = tailStart + static_cast<uint64_t>(found);
    const uint8_t* end = t + found;
    if (GetU16(end + 4) != 0 || GetU16(end + 6) != 0)
      throw TFailure{err::NotSupported, L"分割された ZIP 書庫には対応していません。"};
    uint64_t count = GetU16(end + 10);
    uint64_t cdSize = GetU32(end + 12);
    uint64_t cdOffset = GetU32(end + 16);
    uint64_t cdEnd = endPos;  // where the central directory should end

    // ZIP64: the locator lies just before the end record.
    if (endPos >= 20) {
      uint8_t loc[20];
      in.Seek(endPos - 20);
      in.ReadExact(loc, sizeof loc);
      if (GetU32(loc) == kLocator64Sig) {
        const uint64_t end64 = GetU64(loc + 8);
        if (end64 > endPos - 20 || endPos - 20 - end64 < 56) ThrowDamaged(L"ZIP64 終端レコードの位置が不正です");
        uint8_t rec[56];
        in.Seek(end64);
        in.ReadExact(rec, sizeof rec);
        if (GetU32(rec) != kEnd64Sig) ThrowDamaged(L"ZIP64 終端レコードがありません");
        count = GetU64(rec + 32);
        cdSize = GetU64(rec + 40);
        cdOffset = GetU64(rec + 48);
        cdEnd = end64;
      }
    }
    // Data before the archive (a self-extractor) shifts every offset.
    if (cdSize > cdEnd || cdOffset > cdEnd - cdSize) ThrowDamaged(L"中央ディレクトリのサイズが不正です");
    const uint64_t shift = cdEnd - cdSize - cdOffset;
    if (count > cdSize / 46 + 1) ThrowDamaged(L"エントリ数が不正です");

    in.Seek(cdOffset + shift);
    const uint64_t cdStop = cdOffset + shift + cdSize;
    entries.clear();
    entries.reserve(static_cast<size_t>(count));
    for (uint64_t i = 0; i < count; ++i) {
      uint8_t h[46];
      if (cdStop - in.Position() < 46) ThrowDamaged(L"中央ディレクトリが途中で切れています");
      in.ReadExact(h, sizeof h);
      if (GetU32(h) != kCentralSig) ThrowDamaged(L"中央ディレクトリのヘッダが不正です");
      const size_t nameLen = GetU16(h + 28), extraLen = GetU16(h + 30), commentLen = GetU16(h + 32);
      if (cdStop - in.Position() < nameLen + extraLen + commentLen)
        ThrowDamaged(L"中央ディレクトリが途中で切れています");
      TEntry e;
      e.VersionMadeBy = GetU16(h + 4);
      e.Flags = GetU16(h + 8);
      e.ZipMethod = GetU16(h + 10);
      e.DosTime = static_cast<int32_t>(GetU32(h + 12));
      e.Crc = GetU32(h + 16);
      e.PackedSize = GetU32(h + 20);
      e.Size = GetU32(h + 24);
      e.InternalAttr = GetU16(h + 36);
      e.ExternalAttr = GetU32(h + 38);
      e.Offset = GetU32(h + 42);
      e.RawName = in.ReadBytes(nameLen);
      const std::string extra = in.ReadBytes(extraLen);
      in.Seek(in.Position() + commentLen);

      std::wstring unicodeName;
      uint64_t mtime = 0;
      for (const auto& field : SplitExtra(extra)) {
        const auto* p = reinterpret_cast<const uint8_t*>(field.Data.data());
        size_t at = 0;
        auto take64 = [&](uint64_t& value) {
          if (value != kMax32) return;
          if (at + 8 > field.Data.size()) ThrowDamaged(L"ZIP64 拡張フィールドが不正です");
          value = GetU64(p + at);
          at += 8;
        };
        if (field.Id == 0x0001) {
          take64(e.Size);
          take64(e.PackedSize);
          take64(e.Offset);
          continue;  // written anew on rewrite
        }
        if (field.Id == kUnicodePathId && field.Data.size() > 5 && p[0] == 1 &&
            GetU32(p + 1) == Crc32(0, Bytes(e.RawName), e.RawName.size()) && IsWellFormedUtf8(field.Data.substr(5))) {
          unicodeName = Utf8ToWide(std::string(field.Data.substr(5)));
        } else if (field.Id == 0x5455 && field.Data.size() >= 5 && (p[0] & 1)) {
          mtime = GetU32(p + 1);
        }
        PutU16(e.Extra, field.Id);
        PutU16(e.Extra, static_cast<unsigned>(field.Data.size()));
        e.Extra += field.Data;
      }
      if (e.Flags & kFlagUtf8) {
        e.Path = BackslashPath(Utf8ToWide(e.RawName));
      } else if (!unicodeName.empty()) {
        e.Path = BackslashPath(unicodeName);
      } else if ((e.VersionMadeBy >> 8) == 3 && IsUtf8(e.RawName)) {
        // Info-ZIP's zip on Unix stores the file system's UTF-8 names without the flag.
        e.Path = BackslashPath(Utf8ToWide(e.RawName));
      } else {
        e.Path = BackslashPath(CodePage().AnsiToWide(e.RawName));
      }
      e.IsFolder = !e.Path.empty() && e.Path.back() == L'\\';
      if (e.IsFolder) e.Path.pop_back();
      e.Attr = e.ExternalAttr & 0x37;
      if (e.IsFolder) e.Attr |= attr::Directory;
      // The extended timestamp (UTC) is exact; the DOS time is what is listed.
      e.WriteTime.Value = mtime ? (mtime + 11644473600ull) * 10000000ull : UtcOfDosTime(e.DosTime);
      e.Offset += shift;
      if (e.Offset > size || e.PackedSize > size) ThrowDamaged(L"サイズが不正です: " + e.Path);
      entries.push_back(std::move(e));
    }
  }

  void ExtractData(TReader& in, TEntry& e, const TSink& sink) override {
    if (e.Flags & kFlagEncrypted) throw TFailure{err::NotSupported, L"暗号化されたエントリは展開できません: " + e.Path};
    const uint64_t dataOffset = TZipWriter::LocateData(in, e);
    in.Seek(dataOffset);
    uint32_t crc = 0;
    uint64_t produced = 0;
    // The buffers grow with the entries, up to kChunk.
    const size_t want = static_cast<size_t>(std::clamp<uint64_t>(std::max(e.Size, e.PackedSize), 4096, kChunk));
    if (buffer_.size() < want) buffer_.resize(want);
    if (input_.size() < want) input_.resize(want);
    std::vector<uint8_t>& buffer = buffer_;
    auto put = [&](const uint8_t* data, size_t size) {
      if (size > e.Size - produced) ThrowDamaged(L"サイズが不正です: " + e.Path);
      crc = Crc32(crc, data, size);
      produced += size;
      if (size > 0 && !sink(data, size)) throw TFailure{err::WriteFault, L"ファイルを書き込めません: " + e.Path};
    };
    if (e.ZipMethod == 0) {
      if (e.PackedSize != e.Size) ThrowDamaged(L"サイズが不正です: " + e.Path);
      uint64_t left = e.PackedSize;
      while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        in.ReadExact(buffer.data(), n);
        put(buffer.data(), n);
        left -= n;
      }
    } else if (e.ZipMethod == 8) {
      Inflate(in, e, put);
    } else {
      throw TFailure{err::NotSupported,
                     L"対応していない圧縮方式です（方式 " + IntToText(e.ZipMethod) + L"）: " + e.Path};
    }
    if (produced != e.Size) ThrowDamaged(L"サイズが不正です: " + e.Path);
    if (crc != e.Crc) throw TFailure{err::Crc, L"書庫が壊れています（CRC が一致しません）。: " + e.Path};
  }

  std::unique_ptr<IArchiveWriter> CreateWriter(TWriter& out, const TWriteOptions& options) override {
    return std::make_unique<TZipWriter>(out, options);
  }

private:
  template <typename Put>
  void Inflate(TReader& in, TEntry& e, Put& put) {
    // One inflate stream serves every entry.
    if (!inflating_) {
      if (inflateInit2(&z_, -MAX_WBITS) != Z_OK)
        throw TFailure{err::NotEnoughMemory, L"展開を開始できません: " + e.Path};
      inflating_ = true;
    } else if (inflateReset(&z_) != Z_OK) {
      throw TFailure{err::GenFailure, L"展開を開始できません: " + e.Path};
    }
    z_.avail_in = 0;
    uint64_t left = e.PackedSize;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
      if (z_.avail_in == 0) {
        if (left == 0) ThrowDamaged(L"データが途中で切れています: " + e.Path);
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, input_.size()));
        in.ReadExact(input_.data(), n);
        left -= n;
        z_.next_in = input_.data();
        z_.avail_in = static_cast<uInt>(n);
      }
      z_.next_out = buffer_.data();
      z_.avail_out = static_cast<uInt>(buffer_.size());
      status = inflate(&z_, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && z_.avail_in == 0))
        ThrowDamaged(L"圧縮データが壊れています: " + e.Path);
      put(buffer_.data(), buffer_.size() - z_.avail_out);
    }
  }

  std::vector<uint8_t> buffer_, input_;
  z_stream z_{};
  bool inflating_ = false;

public:
  ~TZipFormat() override {
    // The result only reports a stream left unfinished; the memory is freed all the same.
    if (inflating_) (void)inflateEnd(&z_);
  }
};

}  // namespace

std::unique_ptr<IArchiveFormat> CreateZipFormat() { return std::make_unique<TZipFormat>(); }

}  // namespace vog::archive
