#pragma once
// TArchiveFile: the program's archiver component for LZH and ZIP archives.
//
// The format follows the archive name's extension (".LZH" or ".ZIP", letter case
// ignored); SetFileName raises "書庫の形式を判別できません。" for any other name, and so
// does an operation before a name is set. Each operation returns 0 on success or a Windows
// error code (the message is in LastMessage()); besides that one raise, the component
// never throws.
//
//   TArchiveFile archive;
//   archive.SetFileName(L"D:\\Backup\\Docs\\Backup.lzh");
//   archive.Options.KeepPaths = archive.Options.KeepAttributes = true;
//   archive.Options.AlwaysReplace = archive.Options.IgnoreMissing = true;
//   archive.Pack(L"C:\\Docs", {L"a.txt", L"sub\\b.txt"});
//
// Pack is an update: every named file is stored under its relative path, replacing an
// entry of the same path (letter case ignored) and keeping the others. Update and delete
// write the new archive to a temporary file in the work folder or beside the archive, and
// replace the old archive only once the new one is complete, so a failure or a full disk
// leaves the old archive as it was.
//
// Entry names that would leave the target folder (absolute paths, drive letters and ":",
// "\\" roots, "." and ".." components, control characters, device names) are never
// extracted nor listed: the listing skips them and names them in SkippedEntries(), and
// extraction refuses them with a message naming the entry. Each file is written under a
// temporary name and renamed only when its size and CRC check, so a damaged archive never
// leaves a partial file under an entry's name.
//
// The archiver settings callers know by letters map onto TArchiveOptions: x KeepPaths,
// a KeepAttributes, c AlwaysReplace, ga IgnoreMissing, z Compression, w WorkFolder. The
// quiet (n) and no-message-box (gm) settings, the response file and the owner window have
// no counterpart: this component never shows a window or a message box (messages go to
// LastMessage()) and takes its name lists in memory.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"

namespace vog {

namespace archive {
class IArchiveFormat;
struct TEntry;
}  // namespace archive

// One entry as the listing reports it.
struct TArchiveEntryInfo {
  std::wstring Path;    // safe relative path, "\"-separated ("/" read as "\")
  int32_t DosTime = 0;  // last-write time, local DOS date-time (date high, time low)
  uint64_t Size = 0;    // uncompressed size
  uint64_t PackedSize = 0;
  uint32_t Attr = 0;    // MS-DOS attribute bits as stored
  std::wstring Method;  // "-lh5-", "Deflate", "Stored", ...
};

enum class TArchiveType { Lzh, Zip };

// Receives a new archive's bytes while Pack writes it (TArchiveOptions::Tap).
class IPackTap {
public:
  virtual ~IPackTap() = default;
  // The next bytes of the archive, front to back, each once, as soon as they are final
  // (the entries written so far). Called on the packing thread.
  virtual void Put(const uint8_t* data, size_t size) = 0;
  // The last byte went through Put and the new archive is in place of the old one.
  virtual void End() = 0;
};

// Settings of the operations; set them before the call.
struct TArchiveOptions {
  // Pack: store each file under its relative path with its folders; otherwise only its
  // name. Extraction always recreates the stored folders.
  bool KeepPaths = false;
  // Pack: store the files' read-only, hidden, system and archive attributes; otherwise
  // every entry gets the archive attribute only. Extract: give the extracted files the
  // stored attributes; otherwise they get the archive attribute only.
  bool KeepAttributes = false;
  // Pack: replace an entry whatever its time; otherwise an entry whose stored time is the
  // same as or later than the file's is kept as it is.
  bool AlwaysReplace = false;
  // Extract and delete: skip a listed name the archive does not hold; otherwise such a
  // name fails the operation before anything is changed.
  bool IgnoreMissing = false;
  // Pack: 0 store only, 1 fast, 2 normal, 3 best. LZH uses -lh5- (-lh7- for 3) and falls
  // back to -lh0- where compression does not pay; ZIP uses deflate (levels 1, 6, 9) and
  // falls back to stored.
  int Compression = 2;
  // Update and delete: the folder of the new archive while it is written (empty: beside
  // the archive).
  std::wstring WorkFolder;
  // Pack: a file that cannot be found or opened, or read before its entry is begun (it
  // vanished or was locked since it was listed), or that the format cannot hold (LZH: 4 GiB
  // or more), is left out and named in LeftOut(); the others are packed, and an entry the
  // file would have replaced stays as it was. Otherwise such a file fails the whole call.
  bool LeaveOutUnreadable = false;
  // Pack: asked on the calling thread before each file and between the blocks of a large
  // file (the compressing threads stop with it); true ends the pack with err::RequestAborted
  // and the archive stays as it was. May be empty.
  std::function<bool()> StopRequested;
  // Pack: receives the new archive as it is written, so that other work on its bytes can
  // run beside the pack. End() comes only when the pack rewrote the archive and succeeded;
  // a pack that fails, or that leaves the archive as it was, never calls it. May be null.
  IPackTap* Tap = nullptr;
};

// What the caller's own folder listing found of a file to pack.
struct TListedFile {
  int64_t Size = 0;
  uint32_t Attr = 0;    // attribute bits
  int32_t DosTime = 0;  // last-write time, local DOS date-time
};

// A file a pack left out (TArchiveOptions::LeaveOutUnreadable).
struct TLeftOutFile {
  std::wstring Name;  // as it was given to Pack
  uint32_t Code = 0;  // Windows error code
  std::wstring Message;
};

// The largest file an LZH entry holds so that every reader reads it back: the format's
// 32-bit size fields. Larger sizes need an extension header many readers do not know.
inline constexpr int64_t kLzhFileSizeLimit = 0xFFFFFFFFll;

class TArchiveFile {
public:
  TArchiveFile();
  ~TArchiveFile();
  TArchiveFile(const TArchiveFile&) = delete;
  TArchiveFile& operator=(const TArchiveFile&) = delete;

  // Sets the archive and picks its format; raises for an unknown extension.
  void SetFileName(const std::wstring& fileName);
  const std::wstring& FileName() const { return fileName_; }
  TArchiveType Type() const { return type_; }

  TArchiveOptions Options;

  // Packs (updates) the files `names`, relative to `baseFolder`. A missing archive is
  // created. Any file that cannot be read fails the whole call and the old archive stays
  // (see LeaveOutUnreadable for the exceptions).
  uint32_t Pack(const std::wstring& baseFolder, const std::vector<std::wstring>& names);
  // The same with what a folder listing found of each file (`listed[i]` of `names[i]`): a ZIP
  // pack takes size, attributes and time from there instead of asking the system for each
  // file again (a file gone since is left out or fails the call when it cannot be opened).
  // LZH stores the files' exact times, which a listing of DOS times does not give: it asks.
  uint32_t Pack(const std::wstring& baseFolder, const std::vector<std::wstring>& names,
                const std::vector<TListedFile>& listed);
  // The files the last Pack left out, in the order they were met.
  const std::vector<TLeftOutFile>& LeftOut() const { return leftOut_; }
  // Extracts the entries `names` (all entries when empty) under `targetFolder`, creating
  // folders. Existing files are replaced. Entries that fail do not stop the others; the
  // first failure is returned.
  uint32_t Extract(const std::wstring& targetFolder, const std::vector<std::wstring>& names = {});
  // Removes the entries `names` from the archive. `baseFolder` is accepted for the
  // callers' sake and not used.
  uint32_t Delete(const std::wstring& baseFolder, const std::vector<std::wstring>& names);

  // Listing: Open reads the archive's directory; FindFirst/FindNext walk the file entries
  // (folder entries are not listed) whose path matches `pattern` ("*.*" for all) and
  // return 0, or err::NoMoreFiles after the last one.
  uint32_t Open();
  uint32_t FindFirst(const std::wstring& pattern, TArchiveEntryInfo& info);
  uint32_t FindNext(TArchiveEntryInfo& info);
  void Close();

  // The message of the last failure, in Japanese, naming the archive or entry.
  const std::wstring& LastMessage() const { return lastMessage_; }
  // The entries the last Open left out of the listing because their names are not safe
  // relative paths, each with the reason, in archive order.
  const std::vector<std::wstring>& SkippedEntries() const { return skipped_; }

private:
  struct TDirectory;
  uint32_t Fail(uint32_t code, const std::wstring& message);
  void RequireType() const;
  std::unique_ptr<archive::IArchiveFormat> MakeFormat() const;

  std::wstring fileName_;
  TArchiveType type_ = TArchiveType::Lzh;
  bool typeSet_ = false;
  std::wstring lastMessage_;
  std::unique_ptr<TDirectory> listing_;
  std::vector<std::wstring> skipped_;
  std::vector<TLeftOutFile> leftOut_;
  std::wstring pattern_;
  size_t next_ = 0;
};

// The format of an archive name, or false when its extension is neither ".LZH" nor ".ZIP".
bool ArchiveTypeOf(const std::wstring& fileName, TArchiveType& type);

}  // namespace vog
