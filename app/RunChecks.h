#pragma once
// The checks that both run sequences make before a backup: the item's folder (its title
// names one folder strictly inside the main destination), whole-list clashes (two archive
// items writing one archive, two items whose folders are the same or nested), the key of
// an encrypting item, and the per-item checks of source, network logon, destination drive
// and volume label. The interactive run refuses with the message; the unattended run
// records the code, leaves the item out and runs the others.
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
// 8 to 10 are texts of the log format for conditions this program never meets.
inline constexpr uint8_t DeletionsHeldBack = 11;  // the mass-delete guard kept deletions back
inline constexpr uint8_t RunError = 12;           // an error ended the run
inline constexpr uint8_t FolderRefused = 13;      // the title or folder does not name one folder inside the destination
inline constexpr uint8_t NoCipherKey = 14;        // an encrypting item without a key in an unattended run
}  // namespace runcode

inline constexpr const wchar_t* kArchiveClashMessage = L"圧縮ファイル名が重なっています";
inline constexpr const wchar_t* kDestinationClashMessage = L"バックアップ先フォルダが重なっています";

struct TItemCheck {
  uint8_t Code = runcode::None;  // 0: the item passed
  std::wstring Message;          // the refusal text, complete in itself
};

// The items that clash, and the code of the clash: 6 when two archive items write the
// same archive (DestFolder + "\" + ArchiveName), 7 when two items' folders are the same or
// one lies inside the other (titles differing only in letter case meet here; an archive
// item counts too, since the other item's mirroring would delete its archive). Letter
// case is ignored. Both items of a clash are left out: each one's mirroring would delete
// the other's files. Code is 7 when both kinds occur.
struct TClashes {
  uint8_t Code = runcode::None;
  std::vector<const TBackupInfo*> Items;  // in list order, each once
  std::vector<std::wstring> Messages;     // per item, in the same order
  bool Contains(const TBackupInfo* item) const;
};
TClashes FindClashes(const std::vector<TBackupInfo*>& items);

// The item's folder, with the main destination and the item's DestFolder already
// expanded: the title must name one folder (model/TitleRules.h), the main destination
// must be an absolute folder (an empty one, as a path macro for a missing volume gives,
// is code 4), and DestFolder must be the main destination plus exactly one folder name.
// Nothing outside the main destination is ever written: an item failing here never runs.
TItemCheck CheckItemFolder(const TBackupInfo& item, const std::wstring& mainFolder);

// An unattended run has nobody to enter the run's cipher key: an item with Encrypt and no
// CipherKey of its own would otherwise be enciphered (or deciphered) with the empty key,
// and a later restore with the person's real key would write garbage over the originals.
TItemCheck CheckUnattendedKey(const TBackupInfo& item);

// The per-item checks in their order, on an item whose folders are already expanded:
// source folder exists, can be listed, network logon (the connection stays open for the
// run), destination drive or share exists (unless `noDestinationCheck`), volume label.
// The first failure is returned.
TItemCheck CheckItem(const TBackupInfo& item, bool noDestinationCheck);

}  // namespace vog
