// The DOS time a record keeps (kept apart from FileInfo.cpp so that records can be used
// without the platform clock).
#include "platform/Platform.h"
#include "scan/FileInfo.h"

namespace vog {

int32_t DosTimeOfLocalFileTime(TFileTime local) {
  int32_t dos = 0;
  if (TryFileTimeToDos(local, dos)) return dos;
  return local.Value < DosToFileTime(kFirstDosTime).Value ? kFirstDosTime : kLastDosTime;
}

int32_t DosTimeOfFileTime(TFileTime utc) { return DosTimeOfLocalFileTime(Clock().UtcToLocal(utc)); }

}  // namespace vog
