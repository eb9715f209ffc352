#pragma once
// Small file and folder utilities shared by the scanners and the engine. They go through
// the platform (Files(), CodePage(), the shell) and report failures through their results,
// never raising; only DeleteFolderTree with an empty path raises (a setup error that ends
// the action).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Path.h"

namespace vog {

// The stored name of the first entry that a directory search for `path` returns, "" when
// nothing is found. `attributes` says which special entries may match (Windows' search
// rule): 22 = folders, hidden and system entries too; 63 = any entry. Plain files always
// match.
std::wstring FindActualName(const std::wstring& path, uint32_t attributes);

// An existing path rewritten into the names stored on disk (stored letter case, long
// names). A drive root such as C:\ and any path beginning with "\\" come back unchanged.
// A component that cannot be found keeps its given spelling.
std::wstring ActualCasePath(const std::wstring& path);

// PathRoot (base/Path.h) of a byte text in the ANSI code page: double-byte characters,
// whose second byte may be the code of "\", are stepped over.
std::string PathRoot(std::string_view path);

// Deletes a file; when that fails and the file is read-only, clears the read-only bit
// and deletes once more. Returns whether the file was deleted.
bool DeleteFileForce(const std::wstring& path);
// The same, returning 0 or the Windows code of the failure (of the first attempt when the
// file was not read-only).
uint32_t DeleteFileForceCode(const std::wstring& path);
bool DeleteFileForce(const std::string& path);  // byte text in the ANSI code page

// Deletes a folder with everything in it; failures are not reported. An empty path
// raises "フォルダ名が設定されていません". A link (reparse point) inside the tree is removed
// as a link: the folder it points to is left alone.
void DeleteFolderTree(const std::wstring& path);
void DeleteFolderTree(const std::string& path);  // byte text in the ANSI code page

// Whether `text` begins with `prefix`, ignoring letter case.
bool TextStartsWith(std::wstring_view prefix, std::wstring_view text);

// Room the callers give SplitText: log lines have up to 256 fields, paths 1024 levels.
inline constexpr int kLogLineFields = 256;
inline constexpr int kPathLevels = 1024;

// Cuts `text` at every occurrence of `separator` (from the left, case-sensitive) into
// `parts` (replaced) and returns the number of pieces: separators + 1, an empty text
// giving one empty piece. At most `maxParts` pieces are made: once that many are reached
// the last piece keeps the rest of the text, separators included. An empty separator
// gives the whole text as one piece.
int SplitText(std::wstring_view text, std::wstring_view separator, std::vector<std::wstring>& parts,
              int maxParts = kLogLineFields);

// Copies the last-write time of `source` to `dest` in DOS form (2-second steps). Rule: a
// per-file step, so every failure is its result and nothing raises: false when either
// file cannot be opened, or the time cannot be read, is outside the DOS range
// (err::InvalidParameter) or cannot be set; `code` (when given) gets the Windows code.
bool CopyFileDate(const std::wstring& source, const std::wstring& dest, uint32_t* code = nullptr);
// Copies the creation time of a file. A read-only `dest` that refuses to open is made
// writable for the copy and gets its attributes back. False on any other failure.
bool CopyFileCreationTime(const std::wstring& source, const std::wstring& dest);
// Copies the creation time of a folder (or file); false on any failure.
bool CopyFolderCreationTime(const std::wstring& source, const std::wstring& dest);

// The path of a shell special folder (CSIDL id); false when it has none.
bool SpecialFolderPath(int csidl, std::wstring& path);

// Width of a text in pixels, in the font of the label that shows it.
using TTextWidth = std::function<int(std::wstring_view)>;
// Shortens a path for a label `width` pixels wide: keeps the file name and cuts folders
// from the front, putting "...\" in their place (\a\b\c\x.txt -> \...\b\c\x.txt ->
// \...\c\x.txt -> ...\x.txt), dropping the drive last.
std::wstring MinimizePath(std::wstring_view path, const TTextWidth& textWidth, int width);

}  // namespace vog
