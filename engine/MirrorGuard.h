#pragma once
// The mass-delete guard of mirroring. A source that exists but is empty (a drive mounted
// late, a share that lists nothing) would otherwise make mirroring wipe the only backup.
// Before mirroring deletes anything, each item is weighed: when it would remove more than
// SharePercent of the item's destination files and more than MinimumFiles files, the run
// either asks once for that item (interactive) or deletes nothing of it (unattended); the
// item's files are copied as usual either way.
#include <cstdint>
#include <string>

namespace vog {

class TFileInfoList;
class TOwnedFileInfoList;

struct TMirrorGuard {
  bool Enabled = false;  // the engine's default; the program turns it on from its settings
  int32_t SharePercent = 50;
  int32_t MinimumFiles = 10;

  // Whether `deletions` of `destinationFiles` are too many: more than the share and more
  // than the minimum count.
  bool Trips(int64_t deletions, int64_t destinationFiles) const noexcept;
};

// What the guard kept of one item.
struct TMirrorHold {
  std::wstring Title;
  int Deletions = 0;         // files mirroring would have removed
  int DestinationFiles = 0;  // files the item's destination held (history folders left out)
};

// The files of a destination listing that count for the guard: everything outside the
// history folders (the folders holding the marker file), which mirroring never touches.
int CountGuardedDestinationFiles(const TOwnedFileInfoList& destFiles);

// The question of the interactive run for one item.
std::wstring MirrorGuardQuestion(const TMirrorHold& hold);
// What an unattended run reports of an item whose deletions it held back.
std::wstring MirrorHoldReport(const TMirrorHold& hold);

}  // namespace vog
