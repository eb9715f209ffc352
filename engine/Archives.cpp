// Archived and encrypted items (phase 3 of Execute and the sealing of an encrypted
// archive's work copy). Not built yet: each call below changes nothing.
#include "engine/Backup.h"

namespace vog {

void TBackup::PackArchives() {
  // filled by the archive phase
  YesToAll = false;
  NoToAll = false;
}

void TBackup::SealWorkCopy(TBackupInfoAndFile&) noexcept {
  // filled by the archive phase (the work copy is left where it is until then)
}

}  // namespace vog
