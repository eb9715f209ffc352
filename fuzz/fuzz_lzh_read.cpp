// Fuzz target: the LZH reader. Lists, extracts and deletes from arbitrary bytes.
#include "ArchiveFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzArchiveReader(data, size, L"C:\\in.lzh");
}
