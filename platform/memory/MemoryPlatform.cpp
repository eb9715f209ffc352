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

void TMemorySecurity::SetAccount(const std::wstring& user, const std::wstring& domain, uint32_t lookupError) {
  std::lock_guard lock(mutex_);
  user_ = user;
  domain_ = domain;
  lookupError_ = lookupError;
}

uint32_t TMemorySecurity::CurrentAccount(std::wstring& user, std::wstring& domain) {
  std::lock_guard lock(mutex_);
  if (lookupError_) return lookupError_;
  user = user_;
  domain = domain_;
  return 0;
}

uint32_t TMemorySecurity::CopyDacl(const std::wstring& source, const std::wstring& target) {
  std::wstring dacl;
  if (const uint32_t code = files_.GetDacl(source, dacl)) return code;
  if (dacl.empty()) return err::NoSecurityOnObject;
  return files_.SetDacl(target, dacl);
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
  // The services below refer to the file system, which is declared first in TPlatform and
  // so destroyed last.
  auto shell = std::make_unique<TMemoryShell>(platform->MemFiles);
  platform->MemShell = shell.get();
  platform->Shell = std::move(shell);
  auto volumes = std::make_unique<TMemoryVolumes>(*platform->MemFiles);
  volumes->AddDrive(L'C', TDriveType::Fixed);
  auto devices = std::make_unique<TMemoryDevices>(*volumes);
  auto network = std::make_unique<TMemoryNetwork>(*platform->MemFiles, *volumes);
  auto registry = std::make_unique<TMemoryRegistry>();
  platform->MemVolumes = volumes.get();
  platform->MemDevices = devices.get();
  platform->MemNetwork = network.get();
  platform->MemRegistry = registry.get();
  platform->Volumes = std::move(volumes);
  platform->Devices = std::move(devices);
  platform->Network = std::move(network);
  platform->Registry = std::move(registry);
  auto security = std::make_unique<TMemorySecurity>(*platform->MemFiles);
  platform->MemSecurity = security.get();
  platform->Security = std::move(security);
  auto power = std::make_unique<TMemoryPower>();
  platform->MemPower = power.get();
  platform->Power = std::move(power);
  auto locks = std::make_unique<TMemoryLocks>();
  platform->MemLocks = locks.get();
  platform->Locks = std::move(locks);
  return platform;
}

}  // namespace vog
