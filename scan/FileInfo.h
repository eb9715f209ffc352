#pragma once
// One file record of a run: a source or destination file, an entry of an archive, of the
// history database or of the log.
//
// A run holds several lists of a million records, so a record is kept small: the root
// folder is the same text for every record of one scan and the subfolder the same for
// every file of one folder, so both are shared (TSharedText) instead of copied per record.
// Readers still see plain texts through RootFolder() and SubFolder().
//
// Invariants: RootFolder is empty or ends in "\"; SubFolder never begins or ends in "\".
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/DateTime.h"

namespace vog {

class TBackupInfo;

// An immutable text shared by many records. Null stands for the empty text.
using TSharedText = std::shared_ptr<const std::wstring>;
// A shared copy of `text` (null when it is empty).
TSharedText MakeSharedText(std::wstring_view text);

// The DOS date-time that a record keeps for a file's last-write time (`utc`), converted
// to local time through the platform clock. A time before 1980-01-01 00:00:00 gives the
// first DOS value (1980-01-01 00:00:00, 0x00210000) and a time after 2107-12-31 23:59:58
// the last (2107-12-31 23:59:58, 0xFF9FBF7D as an unsigned value), so such a file is
// still recorded, its copy compares as equal in time, and the scan goes on.
int32_t DosTimeOfFileTime(TFileTime utc);
// The same for a local FILETIME (no clock involved).
int32_t DosTimeOfLocalFileTime(TFileTime local);
inline constexpr int32_t kFirstDosTime = 0x00210000;
inline constexpr int32_t kLastDosTime = static_cast<int32_t>(0xFF9FBF7Du);

class TFileInfo {
public:
  // Last-write time as an MS-DOS date-time value in local time (2-second steps).
  int32_t Time = 0;
  // Attribute bits as the directory search returned them; in records of files that
  // failed to copy, the Windows error code of the failure instead.
  uint32_t Attr = 0;
  int64_t Size = 0;
  // The name exactly as the directory search returned it, without any folder.
  std::wstring FileName;

  TFileInfo() = default;
  TFileInfo(const TFileInfo&) = default;
  TFileInfo& operator=(const TFileInfo&) = default;
  virtual ~TFileInfo() = default;

  // The scanned base folder, ending in "\" (empty for archive and log records).
  const std::wstring& RootFolder() const noexcept { return rootFolder_ ? *rootFolder_ : Empty(); }
  // The folder relative to RootFolder, without leading or trailing "\".
  const std::wstring& SubFolder() const noexcept { return subFolder_ ? *subFolder_ : Empty(); }
  // The shared forms, for making many records of one folder without copying texts.
  const TSharedText& SharedRootFolder() const noexcept { return rootFolder_; }
  const TSharedText& SharedSubFolder() const noexcept { return subFolder_; }

  virtual void SetRootFolder(std::wstring_view value);
  virtual void Assign(const TFileInfo& source);

  void SetRootFolder(TSharedText value) { rootFolder_ = std::move(value); }
  void SetSubFolder(std::wstring_view value) { subFolder_ = MakeSharedText(value); }
  void SetSubFolder(TSharedText value) { subFolder_ = std::move(value); }
  void SetFileName(std::wstring_view value) { FileName.assign(value); }
  void SetSize(int64_t value) { Size = value; }
  void SetTime(int32_t value) { Time = value; }
  void SetAttr(uint32_t value) { Attr = value; }
  void SetPath(std::wstring_view root, std::wstring_view sub, std::wstring_view name);
  void SetPath(TSharedText root, TSharedText sub, std::wstring_view name);

  // RootFolder + SubFolder + "\" + FileName (no "\" when SubFolder is empty).
  std::wstring FullPath() const;
  // SubFolder + "\" + FileName (just FileName when SubFolder is empty): the key under
  // which a source file and its copy in the destination are matched.
  std::wstring RelativePath() const;
  // RootFolder + SubFolder, nothing between them.
  std::wstring FolderPath() const;

private:
  static const std::wstring& Empty() noexcept;
  TSharedText rootFolder_;
  TSharedText subFolder_;
};

// A record that knows the backup item whose scan produced it.
class TBackupFileInfo : public TFileInfo {
public:
  TBackupInfo* BackupInfo = nullptr;  // not owned, may be null

  void Assign(const TFileInfo& source) override;
  void SetBackupInfo(TBackupInfo* item) { BackupInfo = item; }

  // The folder under which the engine places the record's copy: the item's DestFolder;
  // for an archived item DestFolder + "\" + ArchiveName (as stored) + TAB + SourceFolder.
  // Empty when the record has no item.
  std::wstring DestinationRoot() const;
};

}  // namespace vog
