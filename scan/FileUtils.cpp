#include "scan/FileUtils.h"

#include <algorithm>
#include <memory>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"

namespace vog {

std::wstring FindActualName(const std::wstring& path, uint32_t attributes) {
  // Windows' search rule: an entry matches unless it has a special attribute (hidden,
  // system, volume, folder) that the mask does not allow.
  constexpr uint32_t special = attr::Hidden | attr::System | attr::VolumeId | attr::Directory;
  const uint32_t excluded = ~attributes & special;
  std::unique_ptr<IFindHandle> handle;
  TFindData data;
  uint32_t result = Files().FindFirst(path, handle, data);
  while (result == err::Success) {
    if ((data.Attr & excluded) == 0) return data.Name;
    result = handle->Next(data);
  }
  return std::wstring();
}

std::wstring ActualCasePath(const std::wstring& path) {
  if (path.size() == 3 || path.rfind(L"\\\\", 0) == 0) return path;
  const size_t slash = path.find_last_of(L"\\:");
  if (slash == std::wstring::npos) return path;
  const std::wstring name = path.substr(slash + 1);
  std::wstring folder = path.substr(0, slash + 1);
  // The folder part without its trailing "\" (but a drive root keeps it).
  if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();

  std::vector<std::wstring> parts;
  const int count = SplitText(folder, L"\\", parts, kPathLevels);
  std::wstring actual = parts[0];  // the drive, as given
  for (int i = 1; i < count; ++i) {
    if (parts[static_cast<size_t>(i)].empty()) continue;
    const std::wstring wanted = AddBackslash(actual) + parts[static_cast<size_t>(i)];
    const std::wstring found = FindActualName(wanted, 22);
    actual = AddBackslash(actual) + (found.empty() ? parts[static_cast<size_t>(i)] : found);
  }
  if (name.empty()) return path.back() == L'\\' ? AddBackslash(actual) : actual;
  const std::wstring found = FindActualName(path, 63);
  return AddBackslash(actual) + (found.empty() ? name : found);
}

bool DeleteFileForce(const std::wstring& path) { return DeleteFileForceCode(path) == err::Success; }

uint32_t DeleteFileForceCode(const std::wstring& path) {
  IFileSystem& files = Files();
  const uint32_t code = files.RemoveFile(path);
  if (code == err::Success) return code;
  uint32_t attributes = 0;
  if (files.GetAttributes(path, attributes) != err::Success || (attributes & attr::ReadOnly) == 0) return code;
  if (const uint32_t set = files.SetAttributes(path, attributes & ~attr::ReadOnly)) return set;
  return files.RemoveFile(path);
}

bool DeleteFileForce(const std::string& path) { return DeleteFileForce(CodePage().AnsiToWide(path)); }

namespace {

void DeleteTree(IFileSystem& files, const std::wstring& path) {
  // The listing is taken whole and the search closed before anything is deleted.
  std::vector<TFindData> entries;
  {
    std::unique_ptr<IFindHandle> handle;
    TFindData data;
    for (uint32_t result = files.FindFirst(path + L"\\*.*", handle, data); result == err::Success;
         result = handle->Next(data))
      entries.push_back(data);
  }
  for (const TFindData& data : entries) {
    const std::wstring entry = path + L"\\" + data.Name;
    if ((data.Attr & attr::Directory) == 0) {
      DeleteFileForce(entry);
    } else if (data.Name != L"." && data.Name != L"..") {
      if (data.Attr & attr::ReparsePoint) {
        // A junction or folder link: remove the link, never what it points to.
        if (files.RemoveFolder(entry) != err::Success && (data.Attr & attr::ReadOnly) &&
            files.SetAttributes(entry, data.Attr & ~attr::ReadOnly) == err::Success)
          files.RemoveFolder(entry);
      } else {
        DeleteTree(files, entry);
      }
    }
  }
  if (files.RemoveFolder(path) == err::Success) return;
  uint32_t attributes = 0;
  if (files.GetAttributes(path, attributes) == err::Success && (attributes & attr::ReadOnly) &&
      files.SetAttributes(path, attributes & ~attr::ReadOnly) == err::Success)
    files.RemoveFolder(path);
}

}  // namespace

void DeleteFolderTree(const std::wstring& path) {
  if (path.empty()) throw Error(L"フォルダ名が設定されていません");
  DeleteTree(Files(), path);
}

void DeleteFolderTree(const std::string& path) {
  if (path.empty()) throw Error(L"フォルダ名が設定されていません");
  DeleteTree(Files(), CodePage().AnsiToWide(path));
}

namespace {

uint32_t CopyDosDate(const std::wstring& source, const std::wstring& dest) {
  IFileSystem& files = Files();
  std::unique_ptr<IFileStream> in, out;
  if (const uint32_t code = files.OpenFile(source, TOpenMode::Read, share::Read | share::Write, in)) return code;
  if (const uint32_t code = files.OpenFile(dest, TOpenMode::WriteExisting, share::Read | share::Write, out))
    return code;
  TFileTime lastWrite;
  if (const uint32_t code = in->GetTimes(nullptr, nullptr, &lastWrite)) return code;
  int32_t dos = 0;
  if (!TryFileTimeToDos(Clock().UtcToLocal(lastWrite), dos)) return err::InvalidParameter;
  const TFileTime rounded = Clock().LocalToUtc(DosToFileTime(dos));
  return out->SetTimes(nullptr, nullptr, &rounded);
}

}  // namespace

bool CopyFileDate(const std::wstring& source, const std::wstring& dest, uint32_t* code) {
  const uint32_t result = CopyDosDate(source, dest);
  if (code) *code = result;
  return result == err::Success;
}

bool CopyFileCreationTime(const std::wstring& source, const std::wstring& dest) {
  IFileSystem& files = Files();
  std::unique_ptr<IFileStream> in;
  if (files.OpenFile(source, TOpenMode::Read, share::Read | share::Write, in) != err::Success) return false;
  TFileTime creation;
  if (in->GetTimes(&creation, nullptr, nullptr) != err::Success) return false;

  std::unique_ptr<IFileStream> out;
  if (files.OpenFile(dest, TOpenMode::WriteExisting, share::Read, out) == err::Success)
    return out->SetTimes(&creation, nullptr, nullptr) == err::Success;

  uint32_t attributes = 0;
  if (files.GetAttributes(dest, attributes) != err::Success || (attributes & attr::ReadOnly) == 0) return false;
  if (files.SetAttributes(dest, attributes & ~attr::ReadOnly) != err::Success) return false;
  bool ok = false;
  if (files.OpenFile(dest, TOpenMode::WriteExisting, share::Read, out) == err::Success) {
    ok = out->SetTimes(&creation, nullptr, nullptr) == err::Success;
    out.reset();
  }
  files.SetAttributes(dest, attributes);
  return ok;
}

bool CopyFolderCreationTime(const std::wstring& source, const std::wstring& dest) {
  IFileSystem& files = Files();
  TFindData info;
  if (files.GetStatus(source, info) != err::Success) return false;
  return files.SetTimes(dest, &info.CreationTime, nullptr, nullptr) == err::Success;
}

bool SpecialFolderPath(int csidl, std::wstring& path) {
  IShell* shell = Platform().Shell.get();
  return shell && shell->SpecialFolderPath(csidl, path);
}

}  // namespace vog
