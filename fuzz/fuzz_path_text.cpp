// Path texts of any shape: splitting stays within its bound and gives back the text,
// shortening for display ends with a text no longer than the input and keeps the name,
// and the drive part of byte text never reads past the end (double-byte characters).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/memory/MemoryPlatform.h"
#include "scan/FileUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool installed = false;
  if (!installed) {
    vog::InstallPlatform(vog::CreateMemoryPlatform());
    installed = true;
  }
  if (size < 2) return 0;
  const int maxParts = 1 + data[0] % 8;
  const int width = data[1];
  data += 2;
  size -= 2;
  // Units from byte pairs; a small alphabet makes separators common.
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const unsigned u = data[i] | (data[i + 1] << 8);
    text.push_back(static_cast<wchar_t>(u % 7 == 0 ? L'\\' : u % 11 == 0 ? L':' : u % 13 == 0 ? L'.' : (u & 0xFFFF)));
  }

  std::vector<std::wstring> parts;
  const int count = vog::SplitText(text, L"\\", parts, maxParts);
  if (count < 1 || count > maxParts || static_cast<size_t>(count) != parts.size()) std::abort();
  std::wstring joined;
  for (int i = 0; i < count; ++i) joined += (i ? L"\\" : L"") + parts[static_cast<size_t>(i)];
  if (joined != text) std::abort();

  const std::wstring shortened = vog::MinimizePath(
      text, [](std::wstring_view t) { return static_cast<int>(t.size()); }, width);
  const size_t cut = text.find_last_of(L"\\:");
  const std::wstring name = cut == std::wstring::npos ? text : text.substr(cut + 1);
  if (shortened.size() > text.size() + 4) std::abort();
  if (shortened.size() < name.size() || shortened.compare(shortened.size() - name.size(), name.size(), name) != 0)
    std::abort();

  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string root = vog::PathRoot(std::string_view(bytes));
  if (root.size() > bytes.size() || bytes.compare(0, root.size(), root) != 0) std::abort();
  return 0;
}
