#pragma once
// The settings text of the data file: the item list as lines of tab-separated fields,
// headed by its format name and version. Pass phrases and passwords are enciphered field
// by field (each from the cipher's initial state) and written as Base64.
#include <memory>
#include <string>
#include <vector>

#include "model/BackupInfo.h"
#include "services/cipher/CipherManager.h"

namespace vog {

// At most this many tab-separated fields in one line; a longer line is refused.
inline constexpr size_t MaxSettingsFields = 256;

// The lines for `items`, in list order. `cipher` is set up with the data-file key.
std::vector<std::wstring> BuildSettingsText(const TBackupInfoList& items, TCipherManager& cipher);

// New items from `lines`. A malformed text (a non-number where a number belongs, fewer
// lines or fields than announced, an over-long line) raises the data file's load error;
// nothing is handed out then.
std::vector<std::unique_ptr<TBackupInfo>> ParseSettingsText(const std::vector<std::wstring>& lines,
                                                            TCipherManager& cipher);

}  // namespace vog
