// Deciphering texts from a damaged data file: any bytes as Base64 text must decode and
// decipher without reading or writing out of bounds, and whatever bytes come out must
// encipher back to the canonical Base64 of what went in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "services/cipher/Base64.h"
#include "services/cipher/CipherManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vog::TCipherManager* managers[2] = {};
  if (!managers[0]) {
    for (int i = 0; i < 2; ++i) {
      managers[i] = new vog::TCipherManager;
      managers[i]->SetMode(i == 0 ? vog::TCipherMode::cmCTS : vog::TCipherMode::cmCBC);
      managers[i]->SetKeyText("fuzz key");
    }
  }
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string decoded = vog::Base64Decode(text);
  if (decoded.size() > size) std::abort();
  for (auto* m : managers) {
    std::string plain = m->DecipherText(text);
    if (plain.size() != decoded.size()) std::abort();
    if (!text.empty() && m->EncipherText(plain) != vog::Base64Encode(decoded)) std::abort();
    // And the bytes themselves survive a round trip in this mode.
    if (!text.empty() && m->DecipherText(m->EncipherText(text)) != text) std::abort();
  }
  return 0;
}
