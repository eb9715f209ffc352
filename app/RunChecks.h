#pragma once
// The checks that both run sequences make before a backup: whole-list clashes (two
// archive items writing one archive, two items sharing a destination folder) and the
// per-item checks of source, network logon, destination drive and volume label. The
// interactive run refuses with the message; the quiet run records the code and leaves the
// item out.
#include <cstdint>
#include <string>
#include <vector>

namespace vog {

class TBackupInfo;

namespace runcode {
inline constexpr uint8_t None = 0;
inline constexpr uint8_t SourceMissing = 1;
inline constexpr uint8_t SourceDenied = 2;
inline constexpr uint8_t NetLogonFailed = 3;
inline constexpr uint8_t DestinationMissing = 4;
inline constexpr uint8_t VolumeLabelDiffers = 5;
inline constexpr uint8_t ArchiveClash = 6;
inline constexpr uint8_t DestinationClash = 7;
// Codes of the unattended run beyond the original ones (8 to 10 are taken by texts of the
// log format that this program never writes).
inline constexpr uint8_t DeletionsHeldBack = 11;  // the mass-delete guard kept deletions back
inline constexpr uint8_t RunError = 12;           // an error ended the run
}  // namespace runcode

inline constexpr const wchar_t* kArchiveClashMessage = L"圧縮ファイル名が重なっています";
inline constexpr const wchar_t* kDestinationClashMessage = L"バックアップ先フォルダが重なっています";

// Whether two archive items among `items` write the same archive (DestFolder + "\" +
// ArchiveName), letter case ignored.
bool ArchiveNamesClash(const std::vector<TBackupInfo*>& items);
// Whether two items without archive among `items` have the same DestFolder, letter case
// ignored (titles differing only in case meet here).
bool DestinationsClash(const std::vector<TBackupInfo*>& items);
// The quiet run's clash code: 0, 6 for an archive clash, 7 for a destination clash (the
// later check overwrites the earlier).
uint8_t ClashCode(const std::vector<TBackupInfo*>& items);

struct TItemCheck {
  uint8_t Code = runcode::None;  // 0: the item passed
  std::wstring Message;          // the interactive run's refusal text
};

// The per-item checks in their order, on an item whose folders are already expanded:
// source folder exists, can be listed, network logon (the connection stays open for the
// run), destination drive or share exists (unless `noDestinationCheck`), volume label.
// The first failure is returned.
TItemCheck CheckItem(const TBackupInfo& item, bool noDestinationCheck);

}  // namespace vog
