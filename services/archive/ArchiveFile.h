#pragma once
// TArchiveFile: the program's archiver component for LZH and ZIP archives.
//
// The format follows the archive name's extension (".LZH" or ".ZIP", letter case
// ignored); SetFileName raises "書庫の形式を判別できません。" for any other name. Each
// operation returns 0 on success or a Windows error code (the message is in
// LastMessage()); besides that one raise, the component never throws.
//
//   TArchiveFile archive;
//   archive.SetFileName(L"D:\\Backup\\Docs\\Backup.lzh");
//   archive.x = archive.a = archive.c = archive.ga = true; archive.z = 2;
//   archive.Pack(L"C:\\Docs", {L"a.txt", L"sub\\b.txt"});
//
// Pack is an update: every named file is stored under its relative path, replacing an
// entry of the same path (letter case ignored) and keeping the others. Update and delete
// write the new archive to a temporary file in the work folder (`w`) or beside the
// archive, and replace the old archive only once the new one is complete, so a failure
// or a full disk leaves the old archive as it was.
//
// Extraction never writes outside its target folder: entries with absolute paths, drive
// letters, "\\" roots, ".." components or device names are refused and named in the
// message. Each file is written under a temporary name and renamed only when its size and
// CRC check, so a damaged archive never leaves a partial file under an entry's name.
//
// Option letters (public fields, set before an operation):
//   x   Pack: store each file under its relative path with its folders; without it only
//       the file name is stored. Extraction always recreates the stored folders.
//   a   Pack: store the files' attributes (read-only, hidden, system, archive); without
//       it every entry gets the archive attribute only. Extract: give the extracted files
//       the stored attributes; without it they get the archive attribute only.
//   c   Pack: replace an entry whatever its time; without it an entry whose stored time
//       is the same as or later than the file's is kept as it is.
//   ga  Extract and delete: skip a listed name that the archive does not hold; without it
//       such a name fails the operation before anything is changed.
//   z   Pack: compression, 0 store only, 1 fast, 2 normal (the default), 3 best. LZH uses
//       -lh5- (-lh7- for 3) and falls back to -lh0- where compression does not pay; ZIP
//       uses deflate (levels 1, 6, 9) and falls back to stored.
//   n   Quiet: no progress window. This component never shows one.
//   gm  No message boxes. This component never shows one; messages go to LastMessage().
//   w   Work folder for the new archive of an update or delete (empty: beside the archive).
//   ResFileName  Response file of the name list. Names are passed in memory, so it is
//       accepted and not written.
// OwnerWindow is accepted for the callers' sake; nothing is shown.
#include <cstdint>
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
  std::wstring Path;    // relative path: "/" read as "\", one leading "\" dropped
  int32_t DosTime = 0;  // last-write time, local DOS date-time (date high, time low)
  uint64_t Size = 0;    // uncompressed size
  uint64_t PackedSize = 0;
  uint32_t Attr = 0;    // MS-DOS attribute bits as stored
  std::wstring Method;  // "-lh5-", "Deflate", "Stored", ...
};

enum class TArchiveType { Lzh, Zip };

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

  // Options (see above).
  bool x = false;
  bool a = false;
  bool c = false;
  bool ga = false;
  int z = 2;
  bool n = false;
  bool gm = false;
  std::wstring w;
  std::wstring ResFileName;
  void* OwnerWindow = nullptr;

  // Packs (updates) the files `names`, relative to `baseFolder`. A missing archive is
  // created. Any file that cannot be read fails the whole call and the old archive stays.
  uint32_t Pack(const std::wstring& baseFolder, const std::vector<std::wstring>& names);
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

private:
  struct TDirectory;
  uint32_t Fail(uint32_t code, const std::wstring& message);
  std::unique_ptr<archive::IArchiveFormat> MakeFormat() const;

  std::wstring fileName_;
  TArchiveType type_ = TArchiveType::Lzh;
  bool typeSet_ = false;
  std::wstring lastMessage_;
  std::unique_ptr<TDirectory> listing_;
  std::wstring pattern_;
  size_t next_ = 0;
};

// The format of an archive name, or false when its extension is neither ".LZH" nor ".ZIP".
bool ArchiveTypeOf(const std::wstring& fileName, TArchiveType& type);

}  // namespace vog
