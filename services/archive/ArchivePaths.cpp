#include "services/archive/ArchivePaths.h"

#include "base/DateTime.h"
#include "base/Path.h"
#include "base/Text.h"
#include "platform/Platform.h"

namespace vog::archive {

std::wstring BackslashPath(std::wstring_view path) {
  std::wstring out(path);
  for (auto& ch : out)
    if (ch == L'/') ch = L'\\';
  return out;
}

std::wstring ListedPath(std::wstring_view storedPath) {
  std::wstring out = BackslashPath(storedPath);
  if (!out.empty() && out[0] == L'\\') out.erase(0, 1);
  return out;
}

std::wstring MatchKey(std::wstring_view path) {
  std::wstring key = UpperText(ListedPath(path));
  while (!key.empty() && key.back() == L'\\') key.pop_back();
  return key;
}

bool SafeRelativePath(std::wstring_view listedPath, std::wstring& clean) {
  const std::wstring path = BackslashPath(listedPath);
  clean.clear();
  if (path.empty() || path[0] == L'\\') return false;       // absolute or "\\" root
  if (path.find(L':') != std::wstring::npos) return false;  // drive letter or stream
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring_view component = std::wstring_view(path).substr(start, end - start);
    if (component.empty()) {
      // A trailing "\" (a folder entry) is fine; an empty component inside is not.
      if (end != path.size()) return false;
    } else {
      bool dotsAndSpaces = true;
      for (wchar_t ch : component)
        if (ch != L'.' && ch != L' ') dotsAndSpaces = false;
      if (dotsAndSpaces) return false;
      for (wchar_t ch : component)
        if (ch < 0x20) return false;
      if (IsDeviceName(component)) return false;
      if (!clean.empty()) clean += L'\\';
      clean += component;
    }
    start = end + 1;
  }
  return !clean.empty();
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring out(folder);
  if (!out.empty() && out.back() != L'\\' && out.back() != L'/') out += L'\\';
  out += name;
  return out;
}

std::wstring FolderOf(std::wstring_view path) {
  const size_t at = path.find_last_of(L"\\/");
  return at == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, at));
}

std::wstring NameOf(std::wstring_view path) {
  const size_t at = path.find_last_of(L"\\/");
  return std::wstring(at == std::wstring_view::npos ? path : path.substr(at + 1));
}

int32_t LocalDosTime(uint64_t utcFileTime) {
  const TFileTime local = Clock().UtcToLocal(TFileTime{utcFileTime});
  int32_t dos = 0;
  if (TryFileTimeToDos(local, dos)) return dos;
  // 1980-01-01 00:00:00 or 2107-12-31 23:59:58.
  constexpr uint64_t k1980 = 119600064000000000ULL;
  if (local.Value < k1980) return static_cast<int32_t>((1u << 5 | 1u) << 16);
  return static_cast<int32_t>(((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u));
}

uint64_t UtcOfDosTime(int32_t dos) {
  TDateTime check = 0;
  if (!TryDosToDateTime(dos, check)) return 0;
  return Clock().LocalToUtc(DosToFileTime(dos)).Value;
}

}  // namespace vog::archive
