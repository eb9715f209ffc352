#include "platform/memory/MemoryShell.h"

namespace vog {

void TMemoryShell::SetSpecialFolder(int csidl, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path.empty())
    folders_.erase(csidl);
  else
    folders_[csidl] = path;
}

bool TMemoryShell::SpecialFolderPath(int csidl, std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = folders_.find(csidl);
  if (it == folders_.end()) return false;
  path = it->second;
  return true;
}

}  // namespace vog
