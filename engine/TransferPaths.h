#pragma once
// Path pieces and small file steps shared by the parts of a run: the transfer, the
// history folders, the folder creation, the archives and the restore.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/FolderList.h"

namespace vog {

class TFileInfo;
class TBackupFileInfo;

// The name a file is first written under before it takes its final name (the percent
// signs are part of the name). A transfer on several threads gives each worker its own:
// worker 0 this one, worker n "Vogmerist%%n.$$$", so two files written at once into one
// folder never share a temporary file. At most one exists per worker at a time.
inline constexpr std::wstring_view kTempFileName = L"Vogmerist%%.$$$";
std::wstring WorkerTempName(int worker);
// Whether `name` is one of the temporary names above (letter case ignored).
bool IsTempFileName(std::wstring_view name) noexcept;
// The temporary name (`name`, by default the first worker's) in `folder`, and beside the
// file `path`.
std::wstring TempPathIn(std::wstring_view folder, std::wstring_view name = kTempFileName);
std::wstring TempPathBeside(std::wstring_view path, std::wstring_view name = kTempFileName);

// Whether `path`, resolved the way Windows resolves it, lies inside `root` (IsInsideFolder,
// engine/Containment.h). Every delete, move and overwrite the engine makes asks first.
using TInsideCheck = std::function<bool(std::wstring_view path, std::wstring_view root)>;
// The same check that also records a refusal (TBackup::GuardPath): false when `path` lies
// outside `root`, after `record` (or the path) went to ErrorFiles with a message.
using TPathGuard = std::function<bool(const std::wstring& path, const std::wstring& root, const TFileInfo* record)>;

// Where a plain item's source record is written: its destination root, subfolder and name.
std::wstring DestinationPathOf(const TBackupFileInfo& record);

// The folder part of a path with its trailing "\" ("" when there is no "\").
std::wstring_view FolderPartOf(std::wstring_view path) noexcept;
// The same without the trailing "\": the parent folder of a path ("" when there is no "\").
std::wstring_view ParentFolderOf(std::wstring_view path) noexcept;
// The name after the last "\".
std::wstring_view NamePartOf(std::wstring_view path) noexcept;

// Creates a folder with all missing parents. 0 when the folder exists afterwards,
// otherwise the code of the first creation that failed.
uint32_t MakeFolderWithParents(const std::wstring& path);
// Whether a file or folder exists at `path`.
bool PathExists(const std::wstring& path);

// A sorted view of a folder list's paths, and whether it holds `path` (letter case ignored).
std::vector<std::wstring_view> SortedFolderPaths(const TFolderList& folders);
bool HasFolderPath(const std::vector<std::wstring_view>& sorted, std::wstring_view path);

// The display form of a failed record whose path holds line breaks: every CR becomes
// "[0D]" and every LF "[0A]"; when that changed anything, RootFolder is emptied and the
// escaped path split into SubFolder and FileName. Nothing on disk is touched.
void EscapeLineBreaks(TFileInfo& record);

// Failures that often pass by themselves: sharing and lock violations and the network
// errors Windows reports between 51 and 71.
bool IsPassingFailure(uint32_t code) noexcept;

}  // namespace vog
