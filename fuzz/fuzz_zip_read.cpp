// Fuzz target: the ZIP reader on arbitrary bytes (see ArchiveFuzz.h for what it checks).
#include "ArchiveFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return vog::fuzz::FuzzArchiveReader(data, size, L"C:\\in.zip");
}
