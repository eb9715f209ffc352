#include "platform/memory/MemoryShell.h"

#include "platform/Codes.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog {

namespace {
// The first line of a memory shortcut file; the target follows in UTF-8.
constexpr std::string_view kShortcutMagic = "[MemoryShortcut]\r\n";
// Win32 error codes as the HRESULTs the shell objects return.
uint32_t HResultFromWin32(uint32_t code) { return code ? 0x80070000u | (code & 0xFFFF) : 0; }
}  // namespace

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

uint32_t TMemoryShell::AddShortcut(const std::wstring& linkPath, const std::wstring& target) {
  if (!files_) return err::NotSupported;
  return files_->AddFile(linkPath, std::string(kShortcutMagic) + WideToUtf8(target));
}

uint32_t TMemoryShell::ShortcutTarget(const std::wstring& linkPath, std::wstring& target) {
  if (!files_) return err::NotSupported;
  std::string content;
  uint32_t attributes = 0;
  if (uint32_t code = files_->GetAttributes(linkPath, attributes)) return HResultFromWin32(code);
  if (!files_->ReadContent(linkPath, content)) return HResultFromWin32(err::AccessDenied);
  if (content.compare(0, kShortcutMagic.size(), kShortcutMagic) != 0) return err::ShellFailure;
  target = Utf8ToWide(std::string_view(content).substr(kShortcutMagic.size()));
  return 0;
}

void TMemoryShell::SetSummaryProperty(const std::wstring& path, uint32_t id, const std::wstring& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  summaries_[path][id] = value;
}

std::map<uint32_t, std::wstring> TMemoryShell::SummaryProperties(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = summaries_.find(path);
  return it == summaries_.end() ? std::map<uint32_t, std::wstring>{} : it->second;
}

uint32_t TMemoryShell::CopySummaryInformation(const std::wstring& source, const std::wstring& dest) {
  if (!files_) return err::NotSupported;
  if (!files_->Exists(source) || !files_->Exists(dest)) return HResultFromWin32(err::FileNotFound);
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = summaries_.find(source);
  if (it == summaries_.end()) return HResultFromWin32(err::FileNotFound);  // STG_E_FILENOTFOUND
  // Creating the destination set replaces what it held.
  auto properties = it->second;
  summaries_[dest] = std::move(properties);
  return 0;
}

}  // namespace vog
