// File transfer (phases 1 and 4 of Execute) and the history folder moves that mirroring
// calls. Not built yet: each call below changes nothing.
#include "engine/Backup.h"
#include "platform/Codes.h"

namespace vog {

void TBackup::CreateDestinationFolders() {
  // filled by the transfer phase
}

void TBackup::TransferFiles() {
  // filled by the transfer phase
}

uint32_t TBackup::MoveMirrorFileToHistory(TBackupInfoAndFile&, const TFileInfo&) {
  // filled by the history folder phase; until then the file stays and is reported
  return err::NotSupported;
}

uint32_t TBackup::SaveMirroredEntriesToHistory(TBackupInfoAndFile&) {
  // filled by the history folder phase; until then the entries stay and are reported
  return err::NotSupported;
}

}  // namespace vog
