#include "platform/memory/MemoryPlatform.h"

namespace vog {

bool TMemoryEnvironment::Get(const std::wstring& name, std::wstring& value) {
  std::lock_guard lock(mutex_);
  auto it = values_.find(name);
  if (it == values_.end()) return false;
  value = it->second;
  return true;
}

void TMemoryEnvironment::Set(const std::wstring& name, const std::wstring& value) {
  std::lock_guard lock(mutex_);
  auto it = values_.find(name);
  if (it != values_.end())
    it->second = value;  // the name keeps the case it was first set with, as on Windows
  else
    values_.emplace(name, value);
}

std::unique_ptr<TMemoryPlatform> CreateMemoryPlatform() {
  auto platform = std::make_unique<TMemoryPlatform>();
  auto clock = std::make_unique<TManualClock>();
  auto files = std::make_unique<TMemoryFileSystem>(*clock);
  auto env = std::make_unique<TMemoryEnvironment>();
  files->AddVolume(L"C:");
  platform->MemClock = clock.get();
  platform->MemFiles = files.get();
  platform->MemEnv = env.get();
  // The file system refers to the clock: members are destroyed in reverse order of
  // declaration (Environment, Clock, CodePage, Files) and the file system never uses the
  // clock when it is destroyed.
  platform->Files = std::move(files);
  platform->Clock = std::move(clock);
  platform->Environment = std::move(env);
  platform->CodePage = CreateSystemCodePage();
  auto shell = std::make_unique<TMemoryShell>();
  platform->MemShell = shell.get();
  platform->Shell = std::move(shell);
  return platform;
}

}  // namespace vog
