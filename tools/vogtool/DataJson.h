#pragma once
// The backup setup as JSON, for vogtool's data commands: every item field, the
// application block, the pictures and the opaque component records (Base64), the spare
// and reserved fields (eight-byte values as 16 hex digits).
//
// Pass phrases and passwords appear in clear only when asked; otherwise a non-empty one
// is written as kMasked, and reading kMasked takes the value from `previous` (the item of
// the same title in the file being replaced).
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/AppBackupData.h"
#include "model/BackupInfo.h"

namespace vog::tool {

using TJson = nlohmann::ordered_json;

inline constexpr char kMasked[] = "********";

TJson SetupToJson(const TBackupInfoList& items, const TAppBackupData& data, bool showSecrets);

// Fills `items` and `data` from `json`. Missing keys keep the defaults; an unknown key, a
// value of the wrong kind, a damaged record or a masked secret without a previous value
// raises vog::Error naming the place ("items[0].Mirorring: unknown key (did you mean
// Mirroring?)").
void SetupFromJson(const TJson& json, const TBackupInfoList& previous, std::vector<std::unique_ptr<TBackupInfo>>& items,
                   TAppBackupData& data);

}  // namespace vog::tool
