#pragma once
// Buffered archive reading and writing over the platform's file streams, little-endian
// field helpers, and the failure that ends one archiver operation.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "platform/FileSystem.h"

namespace vog::archive {

// Ends the current archiver operation; TArchiveFile turns it into its result code and
// message (Message()). Never leaves the component.
class TFailure : public Error {
public:
  TFailure(uint32_t code, std::wstring message) : Error(std::move(message)), Code(code == 0 ? err::GenFailure : code) {}
  uint32_t Code;
};

// A damaged archive: "書庫が壊れています（detail）".
[[noreturn]] void ThrowDamaged(const std::wstring& detail);
// A failed read or write of the archive or of a file (with the Windows error code).
[[noreturn]] void ThrowIo(uint32_t code, const std::wstring& what, const std::wstring& path);

// Reads an archive with a buffer; positions are absolute. Every read past the end of the
// file is reported as a damaged archive, so a header can never lead a reader outside it.
class TReader {
public:
  explicit TReader(IFileStream& stream);
  uint64_t Size() const { return size_; }
  uint64_t Position() const { return position_; }
  void Seek(uint64_t position);
  // Up to `size` bytes; fewer only at the end of the file.
  size_t ReadSome(void* buffer, size_t size);
  // Exactly `size` bytes or a "truncated" failure.
  void ReadExact(void* buffer, size_t size);
  std::string ReadBytes(size_t size);

private:
  void Fill();
  IFileStream& stream_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;     // logical position
  uint64_t bufferStart_ = 0;  // file position of buffer_[0]
  size_t bufferFill_ = 0;
  std::vector<uint8_t> buffer_;
};

// Writes an archive front to back with a buffer; earlier bytes can be patched in place
// (header fields known only after the data) and the tail can be rewound and rewritten.
// Bytes before a Settle are final: they are neither patched nor rewound any more, and a
// tap, when one is set, receives them.
class TWriter {
public:
  // Receives the archive's bytes front to back, each once, as they are settled.
  using TTap = std::function<void(const uint8_t* data, size_t size)>;

  explicit TWriter(IFileStream& stream);
  // Set before the first write; `stream` must then be open for reading too (bytes
  // written out before they were settled are read back).
  void SetTap(TTap tap) { tap_ = std::move(tap); }
  // Everything written so far is final: it goes to the tap. Finish settles the rest.
  void Settle();
  uint64_t Position() const { return base_ + fill_; }
  void Write(const void* data, size_t size);
  void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
  // Overwrites bytes already written at `position`.
  void Patch(uint64_t position, const void* data, size_t size);
  // Forgets everything from `position` on; the next write goes there.
  void Rewind(uint64_t position);
  // Writes the buffer out, cuts the file at the current position and flushes it.
  void Finish();

private:
  void Flush();
  void CheckUnsettled(uint64_t position) const;
  IFileStream& stream_;
  uint64_t base_ = 0;  // file position of buffer_[0]
  size_t fill_ = 0;
  std::vector<uint8_t> buffer_;
  TTap tap_;
  uint64_t settled_ = 0;  // bytes before this position are final (and tapped)
};

// Little-endian fields.
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t GetU64(const uint8_t* p) { return GetU32(p) | (static_cast<uint64_t>(GetU32(p + 4)) << 32); }
inline void PutU8(std::string& s, unsigned v) { s.push_back(static_cast<char>(v & 0xFF)); }
inline void PutU16(std::string& s, unsigned v) {
  PutU8(s, v);
  PutU8(s, v >> 8);
}
inline void PutU32(std::string& s, uint32_t v) {
  PutU16(s, v & 0xFFFF);
  PutU16(s, v >> 16);
}
inline void PutU64(std::string& s, uint64_t v) {
  PutU32(s, static_cast<uint32_t>(v));
  PutU32(s, static_cast<uint32_t>(v >> 32));
}
inline void SetU16(std::string& s, size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void SetU32(std::string& s, size_t at, uint32_t v) {
  SetU16(s, at, v & 0xFFFF);
  SetU16(s, at + 2, v >> 16);
}
inline void SetU64(std::string& s, size_t at, uint64_t v) {
  SetU32(s, at, static_cast<uint32_t>(v));
  SetU32(s, at + 4, static_cast<uint32_t>(v >> 32));
}
inline const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Reads up to `capacity` bytes of a file stream, fewer only at its end; throws TFailure on
// a read error.
size_t ReadFileChunk(IFileStream& stream, uint8_t* buffer, size_t capacity, const std::wstring& path);

// Reads a whole file of at most `limit` bytes into `buffer` (which only grows, so a caller
// that keeps it reuses its memory) and sets `size`; false when the file holds more.
// `listedSize` is what the folder listing said. Throws TFailure on a read error.
bool ReadSmallFile(IFileStream& stream, int64_t listedSize, size_t limit, std::vector<uint8_t>& buffer, size_t& size,
                   const std::wstring& path);

// Chunk size of data copies and codecs.
inline constexpr size_t kChunk = 256 * 1024;

}  // namespace vog::archive
