// Loading a damaged data file: any bytes, deciphered as the program does, must either load
// or be refused with the load error, without reading or writing out of bounds; a refused
// file leaves the item list and the application block alone, and a loaded one saves back
// to a file that loads to the same plain stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Error.h"
#include "model/AppBackupDataFile.h"
#include "services/cipher/CipherManager.h"
#include "platform/memory/MemoryPlatform.h"

namespace {

struct TState {
  vog::TMemoryPlatform* Mem = nullptr;
  TState() {
    auto platform = vog::CreateMemoryPlatform();
    Mem = platform.get();
    vog::InstallPlatform(std::move(platform));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TState state;
  // Half the inputs are taken as the plain stream (enciphered here first), so that the
  // fuzzer reaches the records behind the header; the rest as the file itself.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1)) {
    std::string plain;
    std::u16string header = u"VogAppBackupData\tVer.1.00";
    plain.assign("\x32\0\0\0", 4);
    for (char16_t c : header) {
      plain += static_cast<char>(c & 0xFF);
      plain += static_cast<char>(c >> 8);
    }
    plain += bytes.substr(1);
    vog::TCipherManager cipher;
    cipher.SetMode(vog::TCipherMode::cmCTS);
    cipher.SetKeyText(vog::DataFileKey());
    cipher.EncipherBuffer(plain.data(), plain.data(), plain.size());
    bytes = plain;
  }
  state.Mem->MemFiles->AddFile(L"C:\\f.vgd", bytes);

  vog::TBackupInfoList list;
  const vog::TBackupInfo* marker = list[list.Add(std::make_unique<vog::TBackupInfo>())];
  vog::TAppBackupData block;
  block.WindowWidth = 4321;
  vog::TAppBackupDataFile file;
  file.SetFileName(std::wstring(L"C:\\f.vgd"));
  file.SetData(&block);
  file.SetList(&list);
  try {
    file.Load();
  } catch (const vog::Error&) {
    if (list.Count() != 1 || list[0] != marker || block.WindowWidth != 4321) std::abort();
    return 0;
  }
  // Loaded: saving and loading again reproduces the same plain stream.
  // (A pass phrase's Base64 text is written canonically and may then pass the length a
  // reader accepts; the writer refuses that rather than write an unreadable file.)
  std::string first;
  try {
    first = vog::EncodePlainStream(list, block);
  } catch (const vog::Error&) {
    return 0;
  }
  vog::TBackupInfoList again;
  vog::TAppBackupData block2;
  std::vector<std::unique_ptr<vog::TBackupInfo>> items;
  vog::DecodePlainStream(first, block2, items);
  again.Assign(std::move(items));
  if (vog::EncodePlainStream(again, block2) != first) std::abort();
  return 0;
}
