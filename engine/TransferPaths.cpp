#include "engine/TransferPaths.h"

#include <algorithm>

#include "base/Path.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"

namespace vog {

std::wstring DestinationPathOf(const TBackupFileInfo& record) {
  std::wstring path = record.DestinationRoot();
  path += L'\\';
  if (!record.SubFolder().empty()) {
    path += record.SubFolder();
    path += L'\\';
  }
  path += record.FileName;
  return path;
}

std::wstring WorkerTempName(int worker) {
  if (worker <= 0) return std::wstring(kTempFileName);
  return L"Vogmerist%%" + std::to_wstring(worker) + L".$$$";
}

bool IsTempFileName(std::wstring_view name) noexcept {
  constexpr std::wstring_view head = L"Vogmerist%%";
  constexpr std::wstring_view tail = L".$$$";
  if (name.size() < head.size() + tail.size() || !SameText(name.substr(0, head.size()), head) ||
      !SameText(name.substr(name.size() - tail.size()), tail))
    return false;
  const std::wstring_view number = name.substr(head.size(), name.size() - head.size() - tail.size());
  if (number.empty()) return true;
  if (number.size() > 3 || number.front() == L'0') return false;
  return std::all_of(number.begin(), number.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::wstring TempPathIn(std::wstring_view folder, std::wstring_view name) {
  std::wstring path = AddBackslash(folder);
  path += name;
  return path;
}

std::wstring TempPathBeside(std::wstring_view path, std::wstring_view name) {
  std::wstring temp(FolderPartOf(path));
  temp += name;
  return temp;
}

std::wstring_view FolderPartOf(std::wstring_view path) noexcept {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash + 1);
}

std::wstring_view ParentFolderOf(std::wstring_view path) noexcept {
  std::wstring_view folder = FolderPartOf(path);
  if (!folder.empty()) folder.remove_suffix(1);
  return folder;
}

std::wstring_view NamePartOf(std::wstring_view path) noexcept {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

uint32_t MakeFolderWithParents(const std::wstring& path) {
  IFileSystem& files = Files();
  uint32_t attributes = 0;
  if (files.GetAttributes(path, attributes) == err::Success)
    return (attributes & attr::Directory) ? err::Success : err::AlreadyExists;
  // Create the parent first; a drive ("C:") or a share root ends the climb.
  const std::wstring_view parent = ParentFolderOf(path);
  if (parent.size() > PathRoot(path).size()) {
    if (const uint32_t code = MakeFolderWithParents(std::wstring(parent))) return code;
  }
  const uint32_t code = files.MakeFolder(path);
  if (code == err::AlreadyExists && files.GetAttributes(path, attributes) == err::Success &&
      (attributes & attr::Directory))
    return err::Success;
  return code;
}

bool PathExists(const std::wstring& path) {
  uint32_t attributes = 0;
  return Files().GetAttributes(path, attributes) == err::Success;
}

void EscapeLineBreaks(TFileInfo& record) {
  const std::wstring path = record.FullPath();
  if (path.find_first_of(L"\r\n") == std::wstring::npos) return;
  std::wstring escaped;
  escaped.reserve(path.size() + 16);
  for (wchar_t c : path) {
    if (c == L'\r')
      escaped += L"[0D]";
    else if (c == L'\n')
      escaped += L"[0A]";
    else
      escaped += c;
  }
  record.SetPath(std::wstring_view(), ParentFolderOf(escaped), NamePartOf(escaped));
}

std::vector<std::wstring_view> SortedFolderPaths(const TFolderList& folders) {
  std::vector<std::wstring_view> paths;
  paths.reserve(folders.size());
  for (const TFolderEntry& entry : folders) paths.push_back(entry.Path);
  std::sort(paths.begin(), paths.end(), [](std::wstring_view a, std::wstring_view b) { return CompareText(a, b) < 0; });
  return paths;
}

bool HasFolderPath(const std::vector<std::wstring_view>& sorted, std::wstring_view path) {
  auto it = std::lower_bound(sorted.begin(), sorted.end(), path,
                             [](std::wstring_view a, std::wstring_view b) { return CompareText(a, b) < 0; });
  return it != sorted.end() && SameText(*it, path);
}

bool IsPassingFailure(uint32_t code) noexcept {
  return code == err::SharingViolation || code == err::LockViolation || (code >= 51 && code <= 71);
}

}  // namespace vog
