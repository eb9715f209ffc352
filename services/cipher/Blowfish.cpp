#include "services/cipher/Blowfish.h"

#include <cstring>

namespace vog {

void TBlowfish::Clear() {
  // volatile stores, so the wipe in the destructor is not optimised away
  volatile uint32_t* p = p_;
  for (size_t i = 0; i < 18; ++i) p[i] = 0;
  volatile uint32_t* s = &s_[0][0];
  for (size_t i = 0; i < 4 * 256; ++i) s[i] = 0;
}

void TBlowfish::SetKey(const uint8_t* key, size_t size) {
  std::memcpy(p_, InitialP, sizeof p_);
  std::memcpy(s_, InitialS, sizeof s_);
  if (size > MaxKeySize) size = MaxKeySize;
  if (size > 0) {
    size_t k = 0;
    for (size_t i = 0; i < 18; ++i) {
      uint32_t word = 0;
      for (int j = 0; j < 4; ++j) {
        word = word << 8 | key[k];
        k = (k + 1) % size;
      }
      p_[i] ^= word;
    }
  }
  uint32_t l = 0, r = 0;
  for (size_t i = 0; i < 18; i += 2) {
    Encrypt(l, r);
    p_[i] = l;
    p_[i + 1] = r;
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < 256; i += 2) {
      Encrypt(l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

void TBlowfish::EncryptBlock(uint8_t* block) const {
  uint32_t l = LoadBe(block), r = LoadBe(block + 4);
  Encrypt(l, r);
  StoreBe(block, l);
  StoreBe(block + 4, r);
}

void TBlowfish::DecryptBlock(uint8_t* block) const {
  uint32_t l = LoadBe(block), r = LoadBe(block + 4);
  Decrypt(l, r);
  StoreBe(block, l);
  StoreBe(block + 4, r);
}

}  // namespace vog
