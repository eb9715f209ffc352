#pragma once
// Internals shared by the Win32 file system's parts (only for platform/win32/).
#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/win32/Win32Handles.h"

namespace vog::win32 {

inline FILETIME ToFt(TFileTime t) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t.Value & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(t.Value >> 32);
  return ft;
}

inline TFileTime FromFt(const FILETIME& ft) {
  return TFileTime{(static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime};
}

// An open file; takes ownership of the handle.
std::unique_ptr<IFileStream> MakeFileStream(THandle handle);

}  // namespace vog::win32
