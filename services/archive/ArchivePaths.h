#pragma once
// Entry paths inside archives: reading them back as relative paths, matching them, and
// deciding whether one is safe to extract.
#include <cstdint>
#include <string>
#include <string_view>

namespace vog::archive {

// "/" read as "\".
std::wstring BackslashPath(std::wstring_view path);
// The path as listed: backslashes, one leading "\" dropped.
std::wstring ListedPath(std::wstring_view storedPath);
// The key entries are matched by: the listed path, upper-cased, trailing "\" dropped.
std::wstring MatchKey(std::wstring_view path);

// Checks a listed path for extraction. Refuses (returns false) absolute paths, drive
// letters and any ":" (alternate streams), "\\" roots, empty, "." and ".." components (and
// names of dots and spaces only, which Windows reads as them), and device names (CON, NUL,
// COM1, ...). On success `clean` is the path with its components joined by "\".
bool SafeRelativePath(std::wstring_view listedPath, std::wstring& clean);

// folder + "\" + name, without doubling a trailing separator.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);
// The folder part of a path (without the trailing separator), or "" when there is none.
std::wstring FolderOf(std::wstring_view path);
// The last component of a path.
std::wstring NameOf(std::wstring_view path);

// DOS date-time of a UTC file time as local time; out-of-range times are clamped to
// 1980-01-01 00:00:00 and 2107-12-31 23:59:58.
int32_t LocalDosTime(uint64_t utcFileTime);
// UTC file time of a local DOS date-time; 0 when the DOS value is not a valid date.
uint64_t UtcOfDosTime(int32_t dos);

}  // namespace vog::archive
