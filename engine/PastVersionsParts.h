#pragma once
// Pieces shared by the two ways TPastVersions answers (PastVersions.cpp with Load,
// PastVersionsProbe.cpp without). Only those two files include this.
#include <cstdint>
#include <string>

#include "engine/PastVersions.h"
#include "platform/FileSystem.h"

namespace vog {

// A folder text with its macros expanded.
std::wstring ExpandedFolder(const std::wstring& path);
// "relative\name", or "name" at the top.
std::wstring JoinedRelative(const std::wstring& relative, const std::wstring& name);
// Whether a listing failed because nothing is there (rather than because it cannot be read).
bool IsMissingCode(uint32_t code);
// A folder that is there but cannot be read: its versions are left out, and said so.
void AddUnreadable(TRunProblems& problems, const std::wstring& folder, uint32_t code);
TFileVersion VersionOfEntry(const std::wstring& path, const TFindData& entry, TDateTime day);
// The day in a dated folder's marker; false when it has none that can be read.
bool MarkerDay(const std::wstring& folder, TDateTime& day);
// A path without its drive ("C:") or share ("\\server\share") and the "\" after it.
std::wstring PathWithoutRoot(const std::wstring& path);
// The current copy first, then the newest dated one.
bool NewestFirst(const TFileVersion& a, const TFileVersion& b);

}  // namespace vog
