#pragma once
// The native build's operating-system services (Linux). Only this folder sees errno and
// POSIX calls; everything above it sees Windows error codes and attribute bits.
//
// Paths: "\" and "/" are both separators, so the program's "\"-joined paths work
// unchanged. A Linux file name that itself contains "\" therefore cannot be reached
// (it is listed, but a path built from it names a different file).
// Names are UTF-8 on disk and UTF-16 in the program; a name that is not valid UTF-8 is
// listed with U+FFFD in place of the bad bytes.
#include <cstdint>
#include <ctime>
#include <string>

#include "base/DateTime.h"

namespace vog::posix {

// The path as Linux takes it: UTF-8, each "\" turned into "/", and drive Z: (the root of
// the file system, as under Wine) dropped.
std::string NativePath(const std::wstring& path);

// An errno value as the Windows error code the program understands. ENOENT is told apart
// by `path`: err::FileNotFound when the parent folder exists, else err::PathNotFound.
uint32_t MapErrno(int error);
uint32_t MapErrno(int error, const std::string& path);

// FILETIME <-> seconds and nanoseconds since 1970-01-01 UTC.
TFileTime TimespecToFileTime(const timespec& ts);
timespec FileTimeToTimespec(TFileTime time);

}  // namespace vog::posix
