#pragma once
// The block ciphers behind TCipherManager and the chaining modes they run.
//
// Blowfish is the cipher the program relies on (the data file, every backup item's
// default). The other registered names are known so that a data file naming one still
// finds a class, but their algorithms are not built: keying one of them fails with a
// clear error instead of quietly coding with something else, because data enciphered
// today must decipher tomorrow.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"
#include "services/cipher/Blowfish.h"

namespace vog {

// Stored as one byte; the order is part of the format.
enum class TCipherMode : uint8_t {
  cmCTS = 0,
  cmCBC = 1,
  cmCFB = 2,
  cmOFB = 3,
  cmECB = 4,
  cmCTSMAC = 5,
  cmCBCMAC = 6,
  cmCFBMAC = 7,
};

const char* CipherModeName(TCipherMode mode);

// A failure of the cipher itself (no key, a cipher or mode this program does not build).
class ECipherError : public Error {
public:
  using Error::Error;
};

// One registered cipher: the name stored in items and the class behind it.
struct TCipherInfo {
  const char* Name;         // "Blowfish", "SAFER-K40", "TEA extended"
  const char* ShortName;    // class name after "TCipher_": "Blowfish", "SAFER_K40", "TEAN"
  const char* Description;  // "" for most
  bool Available;           // whether this program builds its algorithm
  std::string ClassName() const { return std::string("TCipher_") + ShortName; }
};

// The 17 registered ciphers, in registration order.
const std::vector<TCipherInfo>& RegisteredCiphers();
// Looks a name up without regard to letter case, in two passes: first the part after the
// first "_" against the short class names ("TCipher_Blowfish" and "Blowfish" both find
// Blowfish), then the whole name against the registered names. Anything else: Blowfish.
const TCipherInfo& FindCipher(std::string_view name);
// The same lookup without the fallback: null when the name matches no registered cipher.
const TCipherInfo* LookupCipher(std::string_view name);

class TCipher {
public:
  virtual ~TCipher() = default;
  TCipher(const TCipher&) = delete;
  TCipher& operator=(const TCipher&) = delete;

  const TCipherInfo& Info() const { return info_; }
  std::string ClassName() const { return info_.ClassName(); }
  TCipherMode Mode() const { return mode_; }
  void SetMode(TCipherMode mode) { mode_ = mode; }
  bool Initialized() const { return initialized_; }

  // Key preparation from a key text (any bytes, any length): the RIPEMD-256 digest of the
  // bytes, cut to the cipher's key size, keys the cipher; the initial vector is the block
  // of FF bytes enciphered with that key.
  void InitKey(std::string_view keyText);
  // Throws the "not initialized" cipher error unless a key was set.
  void CheckInitialized() const;
  // Throws unless this program codes in the current mode.
  void CheckMode() const;

  // Sets the chaining state back to the initial vector (the start of every operation).
  virtual void Restart() = 0;
  // Codes `size` bytes from `src` to `dst` (which may be the same) and carries the
  // chaining state on. Only the last call of an operation may end in a partial block.
  virtual void Encode(const uint8_t* src, uint8_t* dst, size_t size) = 0;
  virtual void Decode(const uint8_t* src, uint8_t* dst, size_t size) = 0;

protected:
  explicit TCipher(const TCipherInfo& info) : info_(info) {}
  virtual size_t MaxKeySize() const = 0;
  // Clears the state, runs the key schedule and sets the initial vector.
  virtual void SetupKey(const uint8_t* key, size_t size) = 0;
  void SetInitialized(bool value) { initialized_ = value; }

private:
  const TCipherInfo& info_;
  TCipherMode mode_ = TCipherMode::cmCTS;
  bool initialized_ = false;
};

// Blowfish in the program's own chaining (cmCTS, cmCBC).
class TCipher_Blowfish final : public TCipher {
public:
  explicit TCipher_Blowfish(const TCipherInfo& info) : TCipher(info) {}
  ~TCipher_Blowfish() override;
  void Restart() override;
  void Encode(const uint8_t* src, uint8_t* dst, size_t size) override;
  void Decode(const uint8_t* src, uint8_t* dst, size_t size) override;

  const TBlowfish& Block() const { return blowfish_; }

protected:
  size_t MaxKeySize() const override { return TBlowfish::MaxKeySize; }
  void SetupKey(const uint8_t* key, size_t size) override;

private:
  template <bool Cbc>
  void EncodeBlocks(const uint8_t* src, uint8_t* dst, size_t blocks);
  template <bool Cbc>
  void DecodeBlocks(const uint8_t* src, uint8_t* dst, size_t blocks);
  void CodeTail(const uint8_t* src, uint8_t* dst, size_t size);

  TBlowfish blowfish_;
  // InitialBlock and ChainBlock as their big-endian halves.
  uint32_t initialLeft_ = 0xFFFFFFFF, initialRight_ = 0xFFFFFFFF;
  uint32_t chainLeft_ = 0xFFFFFFFF, chainRight_ = 0xFFFFFFFF;
};

// A registered cipher whose algorithm this program does not build: keying it fails.
class TCipherUnavailable final : public TCipher {
public:
  explicit TCipherUnavailable(const TCipherInfo& info) : TCipher(info) {}
  void Restart() override {}
  void Encode(const uint8_t*, uint8_t*, size_t) override { CheckInitialized(); }
  void Decode(const uint8_t*, uint8_t*, size_t) override { CheckInitialized(); }

protected:
  size_t MaxKeySize() const override { return 0; }
  void SetupKey(const uint8_t* key, size_t size) override;
};

std::unique_ptr<TCipher> CreateCipher(const TCipherInfo& info);

}  // namespace vog
