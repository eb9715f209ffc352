#pragma once
// Helpers of the archive phase, the archive history and the restore: where an item's
// archive and work copy lie, listing an archive's entry names, making folders.
#include <cstdint>
#include <string>
#include <vector>

namespace vog {

class TArchiveFile;
class TBackupInfo;

// The code recorded for the planned files of an item whose archive name has a type the
// archiver cannot write (Windows' "the request is not supported").
inline constexpr uint32_t kArchiveTypeNotSupported = 50;

// DestFolder + "\" + ArchiveName with path macros expanded.
std::wstring ArchivePathOf(const TBackupInfo& item);
// The folder of archive work files: `workFolder`, or the program's folder when it is empty
// (without a trailing "\").
std::wstring WorkRootOf(const std::wstring& workFolder);
// True when the archiver can update an archive of this name entry by entry (.LZH, .ZIP).
bool IsUpdatableArchive(const std::wstring& archivePath);
// The entry paths of an archive ("\" separated), sorted without regard to case; none when
// the archive does not exist. Raises vog::Error when it cannot be read.
std::vector<std::wstring> ListArchiveEntries(const std::wstring& archivePath);
// Whether the sorted `entries` hold `relativePath` (letter case ignored).
bool HasEntry(const std::vector<std::wstring>& entries, const std::wstring& relativePath);
// Pack, extract and delete settings of the engine: paths and attributes kept, entries
// always replaced, missing names passed over, files that cannot be packed left out (and
// named) instead of failing the others, normal compression, the work folder.
void SetEngineArchiveOptions(TArchiveFile& archive, const std::wstring& workFolder);
// A path beside `path` to write into before it replaces `path`.
std::wstring ReplacementNameOf(const std::wstring& path);

}  // namespace vog
