#include "services/cipher/Cipher.h"

#include <algorithm>

#include "base/Text.h"
#include "services/cipher/Ripemd256.h"

namespace vog {

namespace {

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::wstring Widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

const char* CipherModeName(TCipherMode mode) {
  switch (mode) {
    case TCipherMode::cmCTS:
      return "cmCTS";
    case TCipherMode::cmCBC:
      return "cmCBC";
    case TCipherMode::cmCFB:
      return "cmCFB";
    case TCipherMode::cmOFB:
      return "cmOFB";
    case TCipherMode::cmECB:
      return "cmECB";
    case TCipherMode::cmCTSMAC:
      return "cmCTSMAC";
    case TCipherMode::cmCBCMAC:
      return "cmCBCMAC";
    case TCipherMode::cmCFBMAC:
      return "cmCFBMAC";
  }
  return "?";
}

const std::vector<TCipherInfo>& RegisteredCiphers() {
  static const std::vector<TCipherInfo> ciphers = {
      {"3Way", "3Way", "", false},
      {"Blowfish", "Blowfish", "", true},
      {"Gost", "Gost", "", false},
      {"IDEA", "IDEA", "free for non-commercial", false},
      {"Q128", "Q128", "", false},
      {"SAFER-K40", "SAFER_K40", "", false},
      {"SAFER-SK40", "SAFER_SK40", "Keyscheduling", false},
      {"SAFER-K64", "SAFER_K64", "", false},
      {"SAFER-SK64", "SAFER_SK64", "Keyscheduling", false},
      {"SAFER-K128", "SAFER_K128", "", false},
      {"SAFER-SK128", "SAFER_SK128", "Keyscheduling", false},
      {"SCOP", "SCOP", "", false},
      {"Shark", "Shark", "", false},
      {"Square", "Square", "", false},
      {"TEA", "TEA", "", false},
      {"TEA extended", "TEAN", "", false},
      {"Twofish", "Twofish", "", false},
  };
  return ciphers;
}

const TCipherInfo* LookupCipher(std::string_view name) {
  const auto& ciphers = RegisteredCiphers();
  std::string_view shortName = name;
  if (auto underscore = name.find('_'); underscore != std::string_view::npos) shortName = name.substr(underscore + 1);
  for (const auto& info : ciphers)
    if (SameAscii(shortName, info.ShortName)) return &info;
  for (const auto& info : ciphers)
    if (SameAscii(name, info.Name)) return &info;
  return nullptr;
}

const TCipherInfo& FindCipher(std::string_view name) {
  const TCipherInfo* info = LookupCipher(name);
  return info ? *info : RegisteredCiphers()[1];
}

std::unique_ptr<TCipher> CreateCipher(const TCipherInfo& info) {
  if (info.Available) return std::make_unique<TCipher_Blowfish>(info);
  return std::make_unique<TCipherUnavailable>(info);
}

// ---- TCipher -------------------------------------------------------------------

void TCipher::InitKey(std::string_view keyText) {
  initialized_ = false;
  auto digest = TRipemd256::Hash(keyText);
  size_t size = std::min(digest.size(), MaxKeySize());
  SetupKey(digest.data(), size);
  std::fill(digest.begin(), digest.end(), uint8_t(0));
  initialized_ = true;
}

void TCipher::CheckInitialized() const {
  if (!initialized_) throw ECipherError(Widen(ClassName()) + L" is not initialized call Init() or InitKey() before.");
}

void TCipher::CheckMode() const {
  if (mode_ != TCipherMode::cmCTS && mode_ != TCipherMode::cmCBC)
    throw ECipherError(Widen(ClassName()) + L": the chaining mode " + Widen(CipherModeName(mode_)) +
                       L" is not supported (only cmCTS and cmCBC are).");
}

void TCipherUnavailable::SetupKey(const uint8_t*, size_t) {
  throw ECipherError(Widen(ClassName()) + L": the cipher \"" + Widen(Info().Name) +
                     L"\" is not available in this program (only Blowfish is).");
}

// ---- Blowfish and the chaining modes ---------------------------------------------

TCipher_Blowfish::~TCipher_Blowfish() {
  volatile uint32_t* words[] = {&initialLeft_, &initialRight_, &chainLeft_, &chainRight_};
  for (auto w : words) *w = 0;
}

void TCipher_Blowfish::SetupKey(const uint8_t* key, size_t size) {
  initialLeft_ = initialRight_ = chainLeft_ = chainRight_ = 0xFFFFFFFF;
  blowfish_.Clear();
  blowfish_.SetKey(key, size);
  // The initial vector is the all-FF block enciphered with the new key.
  blowfish_.Encrypt(initialLeft_, initialRight_);
  chainLeft_ = initialLeft_;
  chainRight_ = initialRight_;
}

void TCipher_Blowfish::Restart() {
  chainLeft_ = initialLeft_;
  chainRight_ = initialRight_;
}

// cmCTS: C = E(P ^ F), then F = C ^ F.   cmCBC: C = E(P ^ F), then F = C.
template <bool Cbc>
void TCipher_Blowfish::EncodeBlocks(const uint8_t* src, uint8_t* dst, size_t blocks) {
  const TBlowfish& bf = blowfish_;
  uint32_t fl = chainLeft_, fr = chainRight_;
  for (; blocks > 0; --blocks, src += 8, dst += 8) {
    uint32_t l = TBlowfish::LoadBe(src) ^ fl;
    uint32_t r = TBlowfish::LoadBe(src + 4) ^ fr;
    bf.Encrypt(l, r);
    TBlowfish::StoreBe(dst, l);
    TBlowfish::StoreBe(dst + 4, r);
    if constexpr (Cbc) {
      fl = l;
      fr = r;
    } else {
      fl ^= l;
      fr ^= r;
    }
  }
  chainLeft_ = fl;
  chainRight_ = fr;
}

// cmCTS: P = D(C) ^ F, then F = C ^ F.   cmCBC: P = D(C) ^ F, then F = C.
// C is kept before P is stored, since source and destination may be the same.
template <bool Cbc>
void TCipher_Blowfish::DecodeBlocks(const uint8_t* src, uint8_t* dst, size_t blocks) {
  const TBlowfish& bf = blowfish_;
  uint32_t fl = chainLeft_, fr = chainRight_;
  for (; blocks > 0; --blocks, src += 8, dst += 8) {
    uint32_t cl = TBlowfish::LoadBe(src);
    uint32_t cr = TBlowfish::LoadBe(src + 4);
    uint32_t l = cl, r = cr;
    bf.Decrypt(l, r);
    TBlowfish::StoreBe(dst, l ^ fl);
    TBlowfish::StoreBe(dst + 4, r ^ fr);
    if constexpr (Cbc) {
      fl = cl;
      fr = cr;
    } else {
      fl ^= cl;
      fr ^= cr;
    }
  }
  chainLeft_ = fl;
  chainRight_ = fr;
}

// The last partial block, the same in both modes and directions: S = E(F), output =
// input ^ the first bytes of S in the block's big-endian layout, F = S ^ F.
void TCipher_Blowfish::CodeTail(const uint8_t* src, uint8_t* dst, size_t size) {
  uint32_t sl = chainLeft_, sr = chainRight_;
  blowfish_.Encrypt(sl, sr);
  uint8_t s[8];
  TBlowfish::StoreBe(s, sl);
  TBlowfish::StoreBe(s + 4, sr);
  for (size_t i = 0; i < size; ++i) dst[i] = static_cast<uint8_t>(src[i] ^ s[i]);
  chainLeft_ ^= sl;
  chainRight_ ^= sr;
}

void TCipher_Blowfish::Encode(const uint8_t* src, uint8_t* dst, size_t size) {
  CheckInitialized();
  CheckMode();
  size_t blocks = size / 8;
  if (Mode() == TCipherMode::cmCBC)
    EncodeBlocks<true>(src, dst, blocks);
  else
    EncodeBlocks<false>(src, dst, blocks);
  if (size % 8 != 0) CodeTail(src + blocks * 8, dst + blocks * 8, size % 8);
}

void TCipher_Blowfish::Decode(const uint8_t* src, uint8_t* dst, size_t size) {
  CheckInitialized();
  CheckMode();
  size_t blocks = size / 8;
  if (Mode() == TCipherMode::cmCBC)
    DecodeBlocks<true>(src, dst, blocks);
  else
    DecodeBlocks<false>(src, dst, blocks);
  if (size % 8 != 0) CodeTail(src + blocks * 8, dst + blocks * 8, size % 8);
}

}  // namespace vog
