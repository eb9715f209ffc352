#pragma once
// Drives, volumes, network connections, shortcuts and device requests, over the
// platform's services. Rule: these are questions whose failure is an answer, so every
// operation reports failure through its result (false, an empty text, -1 or a Windows
// code) and none raises; the callers word any message.
#include <cstdint>
#include <string>
#include <vector>

namespace vog {

// Total bytes and bytes free to the caller of the volume holding `path`; false when the
// volume cannot be read (no medium, no such drive).
bool GetDriveSpace(const std::wstring& path, double& total, double& freeToCaller);

// The label of the volume at PathRoot(path); empty when it cannot be read.
std::wstring GetVolumeLabel(const std::wstring& path);

// The logical drive roots ("C:\") in the system's order; their count, or -1 when the
// system cannot list them.
int ListDriveRoots(std::vector<std::wstring>& roots);

// A removable drive is usable only when it holds a medium; every other drive is.
bool IsDriveUsable(const std::wstring& root);

// Makes the share of `path` reachable: true at once when PathRoot(path) already exists as
// a folder, else connects it with the user name and password (true also when the local
// name was already assigned). Never raises.
bool ConnectShare(const std::wstring& path, const std::wstring& localName, const std::wstring& user,
                  const std::wstring& password);
// Cancels the connection to PathRoot(path), forced. Never raises.
bool DisconnectShare(const std::wstring& path);

// The target path of a shortcut file; empty when the shell cannot read it, `code` (when
// given) getting the Windows code of the failure.
std::wstring GetShortcutTarget(const std::wstring& linkPath, uint32_t* code = nullptr);

// The first file named `name` + ".lnk" (letter case ignored) in `folder` and its
// subfolders, depth-first in listing order, whose full path contains `filter` (ignoring
// case; an empty filter matches any). Empty when there is none.
std::wstring FindShortcut(const std::wstring& folder, const std::wstring& filter, const std::wstring& name);

// The value of an environment variable, whole whatever its length; empty when unset.
std::wstring GetEnvironmentValue(const std::wstring& name);

// Copies the summary-information properties of `source` to `dest`; false on any error.
bool CopySummaryInformation(const std::wstring& source, const std::wstring& dest);

// Asks the system to remove the device that carries `drive` (a letter, "X:" or a path on
// it). Does nothing when the drive does not exist or device removal is unavailable.
void RequestDeviceRemoval(const std::wstring& drive);

// Ejects the medium of `drive` (a letter or "X:"), the critical-error boxes suppressed
// meanwhile. 0 or the system error code of the failing step.
uint32_t EjectMedium(const std::wstring& drive);

}  // namespace vog
