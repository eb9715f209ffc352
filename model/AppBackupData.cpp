#include "model/AppBackupData.h"

#include "platform/Platform.h"

namespace vog {

TAppBackupData::TAppBackupData() : AppTitle(CodePage().WideToAnsi(L"バックアップ")) {}

}  // namespace vog
