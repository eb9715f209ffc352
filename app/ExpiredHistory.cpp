// The removal of expired history folders before a run, over the engine's history folders.
#include "app/EngineRunner.h"
#include "engine/HistoryFolders.h"

namespace vog {

std::vector<std::wstring> RemoveExpiredHistoryFolders(const std::wstring& folder, bool separate, int32_t keepDays) {
  TRemoveOverrideHistoryFolder remover;
  remover.SetFolder(folder);
  remover.SetSeparateFolder(separate);
  remover.SetKeepDays(keepDays);
  remover.Execute();
  return remover.Problems();
}

}  // namespace vog
