#pragma once
// Inside the archiver: what a container format (LZH, ZIP) provides to TArchiveFile.
// A container owns its headers, names, CRCs and dates; codecs only turn bytes into bytes;
// TArchiveFile owns the update, delete and extract logic shared by both containers.
// Nothing here is used outside services/archive/ but by the archive fuzz targets.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "services/archive/ArchiveStreams.h"

namespace vog::archive {

// The formats' own knowledge of one entry. Fields a format does not use stay at their
// defaults.
struct TEntry {
  std::wstring Path;    // relative path, "\"-separated, as stored (leading "\" kept)
  std::string RawName;  // the name's bytes as stored (ZIP: whole name; LZH: folder + name)
  bool IsFolder = false;
  int32_t DosTime = 0;            // last-write time, local DOS date-time
  TFileTime WriteTime{};          // last-write time, UTC, for the extracted file
  uint64_t Size = 0;              // uncompressed
  uint64_t PackedSize = 0;        // compressed data only
  uint32_t Attr = attr::Archive;  // MS-DOS attribute bits
  uint32_t Crc = 0;               // CRC-32 (ZIP) or CRC-16 (LZH) of the data

  // Where it lies in the archive.
  uint64_t Offset = 0;      // first byte of the entry's (local) header
  uint64_t HeaderSize = 0;  // LZH: bytes of all its headers; ZIP: 0 until the local header is read
  uint64_t DataOffset = 0;  // LZH: first byte of the data; ZIP: resolved from the local header

  // LZH.
  std::string Method;  // "-lh5-" and the like
  // ZIP.
  uint16_t Flags = 0;
  uint16_t ZipMethod = 0;
  uint16_t VersionMadeBy = 0;
  uint16_t InternalAttr = 0;
  uint32_t ExternalAttr = 0;
  std::string Extra;  // central extra fields other than ZIP64, kept on rewrite
};

// A file to add, as TArchiveFile found it.
struct TNewFile {
  std::wstring Path;        // the entry's relative path, "\"-separated
  std::wstring SourcePath;  // full path of the file to read
  uint32_t Attr = attr::Archive;
  TFileTime WriteTime{};     // UTC
  TFileTime CreationTime{};  // UTC; 0 when unknown
  TFileTime AccessTime{};    // UTC; 0 when unknown
  int32_t DosTime = 0;       // local
  int64_t Size = 0;          // as the folder listing gave it (the data read decides)
};

struct TWriteOptions {
  int Level = 2;  // 0 store, 1 fast, 2 normal, 3 best (option z)
  bool StoreAttributes = true;
  bool ForceZip64 = false;  // ZIP: write ZIP64 fields for every entry (interoperability checks)
  // Asked on the writing thread while a large file is compressed; true ends the pack with
  // err::RequestAborted. May be empty.
  std::function<bool()> Stop;
};

// A file read and compressed ahead of its turn, ready to be written as an entry.
struct TPreparedFile {
  std::vector<uint8_t> Data;  // the entry's data as it is written
  int64_t Size = 0;           // bytes read
  uint32_t Crc = 0;
  bool Stored = false;  // Data holds the file's bytes as they are
};

// What one preparing thread keeps from file to file: buffers, and a format's own state
// (setting a compressor up costs more than compressing a small file). Owned by the thread's
// function, so it is freed like any local object when the thread ends.
struct TPrepareScratch {
  struct IState {
    virtual ~IState() = default;
  };
  std::vector<uint8_t> Raw, Packed;
  std::unique_ptr<IState> State;
};

// Writes a new archive front to back. Entries are added in the order they should appear.
class IArchiveWriter {
public:
  virtual ~IArchiveWriter() = default;
  // Copies an entry of an existing archive as it is (no recompression).
  virtual void CopyEntry(TReader& source, const TEntry& entry) = 0;
  // Compresses a file into a new entry; `data` is the open file.
  virtual void AddFile(const TNewFile& file, IFileStream& data) = 0;
  // Reads and compresses a file of at most `limit` bytes into memory. It touches nothing
  // of the writer, so several threads may prepare files at once. Null when the file is
  // larger or the format does not prepare files: it is then added by AddFile.
  virtual std::unique_ptr<TPreparedFile> Prepare(const TNewFile& file, IFileStream& data, size_t limit,
                                                 TPrepareScratch& scratch) const {
    (void)file, (void)data, (void)limit, (void)scratch;
    return nullptr;
  }
  // Writes the entry of a file that Prepare made.
  virtual void AddPrepared(const TNewFile& file, const TPreparedFile& prepared);
  // Writes what ends the archive (central directory, end marker).
  virtual void Finish() = 0;
};

// Receives extracted data; returns false to stop (a write failed).
using TSink = std::function<bool(const uint8_t* data, size_t size)>;

class IArchiveFormat {
public:
  virtual ~IArchiveFormat() = default;
  // Reads every entry's header. Throws TFailure for a damaged archive.
  virtual void ReadDirectory(TReader& in, std::vector<TEntry>& entries) = 0;
  // Decodes one entry's data into `sink`, checking its size and CRC. Throws TFailure.
  virtual void ExtractData(TReader& in, TEntry& entry, const TSink& sink) = 0;
  virtual std::unique_ptr<IArchiveWriter> CreateWriter(TWriter& out, const TWriteOptions& options) = 0;
};

std::unique_ptr<IArchiveFormat> CreateZipFormat();
std::unique_ptr<IArchiveFormat> CreateLzhFormat();

}  // namespace vog::archive
