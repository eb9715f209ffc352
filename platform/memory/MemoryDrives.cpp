#include "platform/memory/MemoryDrives.h"

#include "platform/Codes.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog {

namespace {

// The drive letter of "X:", "X:\" or "X:\path" in upper case; 0 for anything else.
wchar_t DriveLetter(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return 0;
  const wchar_t c = UpperUnit(path[0]);
  return c >= L'A' && c <= L'Z' ? c : 0;
}

std::wstring RootOf(wchar_t letter) { return std::wstring(1, letter) + L":"; }

}  // namespace

// ---- volumes ------------------------------------------------------------------

void TMemoryVolumes::AddDrive(wchar_t letter, TDriveType type, const std::wstring& label, bool mediaPresent,
                              int64_t capacity) {
  letter = UpperUnit(letter);
  files_.AddVolume(RootOf(letter), capacity);
  std::lock_guard lock(mutex_);
  drives_[letter] = TDrive{type, label, mediaPresent, capacity};
}

void TMemoryVolumes::SetMedia(wchar_t letter, bool present) {
  std::lock_guard lock(mutex_);
  auto it = drives_.find(UpperUnit(letter));
  if (it != drives_.end()) it->second.MediaPresent = present;
}

void TMemoryVolumes::SetLabel(wchar_t letter, const std::wstring& label) {
  std::lock_guard lock(mutex_);
  auto it = drives_.find(UpperUnit(letter));
  if (it != drives_.end()) it->second.Label = label;
}

bool TMemoryVolumes::MediaPresent(wchar_t letter) {
  std::lock_guard lock(mutex_);
  auto it = drives_.find(UpperUnit(letter));
  return it != drives_.end() && it->second.MediaPresent;
}

bool TMemoryVolumes::HasDrive(wchar_t letter) {
  std::lock_guard lock(mutex_);
  return drives_.count(UpperUnit(letter)) != 0;
}

void TMemoryVolumes::FailListing(uint32_t code) {
  std::lock_guard lock(mutex_);
  listingFault_ = code;
}

uint32_t TMemoryVolumes::LogicalDrives(std::vector<std::wstring>& roots) {
  std::lock_guard lock(mutex_);
  if (listingFault_) return listingFault_;
  roots.clear();
  for (const auto& [letter, drive] : drives_) roots.push_back(RootOf(letter) + L"\\");
  return 0;
}

TDriveType TMemoryVolumes::DriveType(const std::wstring& root) {
  if (root.size() >= 2 && root[0] == L'\\' && root[1] == L'\\')
    return files_.Exists(root) ? TDriveType::Remote : TDriveType::NoRootDir;
  std::lock_guard lock(mutex_);
  auto it = drives_.find(DriveLetter(root));
  return it == drives_.end() ? TDriveType::NoRootDir : it->second.Type;
}

uint32_t TMemoryVolumes::VolumeLabel(const std::wstring& root, std::wstring& label) {
  if (root.size() >= 2 && root[0] == L'\\' && root[1] == L'\\') {
    if (!files_.Exists(root)) return err::BadNetPath;
    label.clear();
    return 0;
  }
  std::lock_guard lock(mutex_);
  auto it = drives_.find(DriveLetter(root));
  if (it == drives_.end()) return err::PathNotFound;
  if (!it->second.MediaPresent) return err::NotReady;
  label = it->second.Label;
  return 0;
}

uint32_t TMemoryVolumes::DiskSpace(const std::wstring& path, uint64_t& total, uint64_t& freeToCaller) {
  int64_t capacity = -1;
  if (const wchar_t letter = DriveLetter(path)) {
    std::lock_guard lock(mutex_);
    auto it = drives_.find(letter);
    if (it == drives_.end()) return err::PathNotFound;
    if (!it->second.MediaPresent) return err::NotReady;
    capacity = it->second.Capacity;
  } else if (!files_.Exists(path)) {
    return err::BadNetPath;
  }
  const int64_t free = files_.FreeSpace(path);
  freeToCaller = static_cast<uint64_t>(free);
  // An unlimited volume is as large as the space it reports free.
  total = static_cast<uint64_t>(capacity >= 0 ? capacity : free);
  return 0;
}

// ---- devices ------------------------------------------------------------------

void TMemoryDevices::SetRemovalAvailable(bool available) {
  std::lock_guard lock(mutex_);
  removalAvailable_ = available;
}

std::vector<wchar_t> TMemoryDevices::Removals() {
  std::lock_guard lock(mutex_);
  return removals_;
}

std::vector<wchar_t> TMemoryDevices::Ejects() {
  std::lock_guard lock(mutex_);
  return ejects_;
}

uint32_t TMemoryDevices::ErrorMode() {
  std::lock_guard lock(mutex_);
  return errorMode_;
}

int TMemoryDevices::SuppressCount() {
  std::lock_guard lock(mutex_);
  return suppressCount_;
}

bool TMemoryDevices::RemovalAvailable() {
  std::lock_guard lock(mutex_);
  return removalAvailable_;
}

uint32_t TMemoryDevices::RequestRemoval(wchar_t letter) {
  letter = UpperUnit(letter);
  if (!RemovalAvailable()) return err::NotSupported;
  // Opening "\\.\X:" of a drive that does not exist fails with 2.
  if (!volumes_.HasDrive(letter)) return err::FileNotFound;
  const TDriveType type = volumes_.DriveType(RootOf(letter) + L"\\");
  if (type != TDriveType::Removable && type != TDriveType::Fixed && type != TDriveType::CdRom)
    return err::InvalidParameter;
  std::lock_guard lock(mutex_);
  removals_.push_back(letter);
  return 0;
}

uint32_t TMemoryDevices::EjectMedia(wchar_t letter) {
  letter = UpperUnit(letter);
  if (!volumes_.HasDrive(letter)) return err::FileNotFound;
  const TDriveType type = volumes_.DriveType(RootOf(letter) + L"\\");
  if (type != TDriveType::Removable && type != TDriveType::CdRom) return 1;  // ERROR_INVALID_FUNCTION
  volumes_.SetMedia(letter, false);
  std::lock_guard lock(mutex_);
  ejects_.push_back(letter);
  return 0;
}

uint32_t TMemoryDevices::SuppressErrorBoxes() {
  std::lock_guard lock(mutex_);
  const uint32_t previous = errorMode_;
  errorMode_ |= 1;  // SEM_FAILCRITICALERRORS
  ++suppressCount_;
  return previous;
}

void TMemoryDevices::RestoreErrorMode(uint32_t previous) {
  std::lock_guard lock(mutex_);
  errorMode_ = previous;
}

// ---- network ------------------------------------------------------------------

void TMemoryNetwork::AddShare(const std::wstring& remote, const std::wstring& user, const std::wstring& password) {
  std::lock_guard lock(mutex_);
  shares_[remote] = TShare{user, password, false};
}

bool TMemoryNetwork::Connected(const std::wstring& remote) {
  std::lock_guard lock(mutex_);
  auto it = shares_.find(remote);
  return it != shares_.end() && it->second.Connected;
}

int TMemoryNetwork::Calls() {
  std::lock_guard lock(mutex_);
  return calls_;
}

uint32_t TMemoryNetwork::AddConnection(const std::wstring& remote, const std::wstring& localName,
                                       const std::wstring& user, const std::wstring& password) {
  {
    std::lock_guard lock(mutex_);
    ++calls_;
    auto it = shares_.find(remote);
    if (it == shares_.end()) return err::BadNetPath;
    if (!localName.empty() && DriveLetter(localName) && volumes_.HasDrive(DriveLetter(localName)))
      return err::AlreadyAssigned;
    TShare& share = it->second;
    if (!share.User.empty() && (!SameText(share.User, user) || share.Password != password)) return err::LogonFailure;
    share.Connected = true;
  }
  files_.AddVolume(remote);
  return 0;
}

uint32_t TMemoryNetwork::CancelConnection(const std::wstring& name, bool) {
  std::lock_guard lock(mutex_);
  ++calls_;
  auto it = shares_.find(name);
  if (it == shares_.end() || !it->second.Connected) return err::NotConnected;
  it->second.Connected = false;
  return 0;
}

// ---- registry -----------------------------------------------------------------

namespace {
std::wstring KeyOf(const std::wstring& key) {
  size_t first = key.find_first_not_of(L'\\');
  if (first == std::wstring::npos) return L"";
  size_t last = key.find_last_not_of(L'\\');
  return UpperText(key.substr(first, last - first + 1));
}
}  // namespace

void TMemoryRegistry::SetString(TRegistryRoot root, const std::wstring& key, const std::wstring& name,
                                const std::wstring& value, uint32_t type) {
  std::lock_guard lock(mutex_);
  keys_[{static_cast<int>(root), KeyOf(key)}][name] = TValue{type, value, 0};
}

void TMemoryRegistry::SetOther(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t type) {
  std::lock_guard lock(mutex_);
  keys_[{static_cast<int>(root), KeyOf(key)}][name] = TValue{type, L"", 0};
}

void TMemoryRegistry::FailRead(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t code) {
  std::lock_guard lock(mutex_);
  if (TValue* value = Find(root, key, name)) value->ReadFault = code;
}

TMemoryRegistry::TValue* TMemoryRegistry::Find(TRegistryRoot root, const std::wstring& key, const std::wstring& name) {
  auto k = keys_.find({static_cast<int>(root), KeyOf(key)});
  if (k == keys_.end()) return nullptr;
  auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

uint32_t TMemoryRegistry::ValueType(TRegistryRoot root, const std::wstring& key, const std::wstring& name,
                                    uint32_t& type) {
  std::lock_guard lock(mutex_);
  const TValue* value = Find(root, key, name);
  if (!value) return err::FileNotFound;
  type = value->Type;
  return 0;
}

uint32_t TMemoryRegistry::ReadString(TRegistryRoot root, const std::wstring& key, const std::wstring& name,
                                     std::wstring& text) {
  std::lock_guard lock(mutex_);
  const TValue* value = Find(root, key, name);
  if (!value) return err::FileNotFound;
  if (value->ReadFault) return value->ReadFault;
  if (value->Type != regtype::Sz && value->Type != regtype::ExpandSz) return err::InvalidParameter;
  text = value->Text;
  return 0;
}

}  // namespace vog
