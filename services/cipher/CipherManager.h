#pragma once
// TCipherManager: the one way the program enciphers and deciphers streams, files and
// short texts. Every use follows one pattern: create a manager, set Algorithm and Mode,
// SetKeyText, run operations, free it. Every operation starts from the initial vector,
// so results never depend on earlier operations of the same manager.
//
// Enciphered data is exactly as long as the plain data: whole blocks are chained in the
// selected mode, and a last partial block is XORed with the enciphered chaining block.
// Files and streams go through one 65536-byte buffer and are never loaded whole.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"
#include "platform/FileSystem.h"
#include "services/cipher/Cipher.h"

namespace vog {

// Stream and file failures of a cipher operation. Code() is the Windows error code of the
// platform call that failed (0 when the stream simply had no more bytes).
class ECipherFileError : public Error {
public:
  ECipherFileError(std::wstring message, uint32_t code) : Error(std::move(message)), code_(code) {}
  uint32_t Code() const noexcept { return code_; }

private:
  uint32_t code_;
};
// "File Read Error": the source ended early or could not be read.
class EFileReadError : public ECipherFileError {
public:
  using ECipherFileError::ECipherFileError;
};
// "File Write Error": the destination took fewer bytes than asked.
class EFileWriteError : public ECipherFileError {
public:
  using ECipherFileError::ECipherFileError;
};
// The source file could not be opened.
class EFileOpenError : public ECipherFileError {
public:
  using ECipherFileError::ECipherFileError;
};
// The destination file could not be created (it is left as far as it was written).
class EFileCreateError : public ECipherFileError {
public:
  using ECipherFileError::ECipherFileError;
};

class TCipherManager;
// Raised while a stream or file operation runs: before the first chunk with 0 done of
// the total, after every chunk, and with 0 and 0 when the operation ends, normally or by
// an error. An exception thrown by the event ends the operation and reaches the caller.
using TCipherProgress = std::function<void(TCipherManager& sender, int64_t done, int64_t total)>;

class TCipherManager {
public:
  static constexpr size_t ChunkSize = 65536;

  TCipherManager();
  ~TCipherManager();
  TCipherManager(const TCipherManager&) = delete;
  TCipherManager& operator=(const TCipherManager&) = delete;

  // The registered name of the selected cipher ("Blowfish" until something else is set).
  std::string Algorithm() const { return info_->Name; }
  // Selects a cipher by name (FindCipher; an unknown name selects Blowfish). A different
  // cipher class discards the keyed cipher object, so the key must be set again.
  void SetAlgorithm(std::string_view name);
  TCipherMode Mode() const { return mode_; }
  void SetMode(TCipherMode mode);

  TCipherProgress OnProgress;

  // Keys the cipher from the key's bytes (ANSI text, any length, empty included).
  void SetKeyText(std::string_view key);

  // Code `size` bytes from the current position of `source` to the current position of
  // `dest`; a negative size codes the whole source from its start. Source and
  // destination may be the same stream (coded in place).
  void EncipherStream(IFileStream& source, IFileStream& dest, int64_t size);
  void DecipherStream(IFileStream& source, IFileStream& dest, int64_t size);

  // The same path (compared without regard to case) or a blank destination: the file is
  // coded in place and its date and attributes are left alone. Otherwise the destination
  // is created (replacing a file), receives the whole coded source and then the source's
  // last-write time and attributes. Byte-text paths are in the ANSI code page.
  void EncipherFile(const std::string& source, const std::string& dest);
  void DecipherFile(const std::string& source, const std::string& dest);
  void EncipherFile(const std::wstring& source, const std::wstring& dest);
  void DecipherFile(const std::wstring& source, const std::wstring& dest);

  // Byte text in, Base64 text out (and back). An empty text gives an empty text without
  // touching the cipher.
  std::string EncipherText(std::string_view text);
  std::string DecipherText(std::string_view base64);

  // Codes a memory buffer as one operation (`source` and `dest` may be the same).
  void EncipherBuffer(const void* source, void* dest, size_t size);
  void DecipherBuffer(const void* source, void* dest, size_t size);

  // The cipher object, created on first use.
  TCipher& Cipher();

private:
  void CodeStream(IFileStream& source, IFileStream& dest, int64_t size, bool encode);
  void CodeFile(const std::wstring& source, const std::wstring& dest, bool encode);
  void CodeBuffer(const void* source, void* dest, size_t size, bool encode);
  // The cipher, keyed and restarted, ready for a new operation.
  TCipher& StartOperation();
  void Progress(int64_t done, int64_t total);

  const TCipherInfo* info_;
  TCipherMode mode_ = TCipherMode::cmCTS;
  std::unique_ptr<TCipher> cipher_;
  std::vector<uint8_t> buffer_;
};

}  // namespace vog
