// Shell service of the Windows build.
#include <windows.h>
#include <shlobj.h>

#include "platform/Shell.h"

namespace vog {

namespace {

class TWin32Shell : public IShell {
public:
  bool SpecialFolderPath(int csidl, std::wstring& path) override {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool ok = SHGetPathFromIDListW(list, buffer) != FALSE;
    // The item list belongs to the shell's allocator.
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc) {
      shellMalloc->Free(list);
      shellMalloc->Release();
    }
    if (!ok) return false;
    path = buffer;
    return true;
  }

  std::wstring ErrorMessage(uint32_t code) override {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (length && text) message.assign(text, length);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
      message.pop_back();
    return message.empty() ? FallbackErrorMessage(code) : message;
  }
};

}  // namespace

std::unique_ptr<IShell> CreateSystemShell() { return std::make_unique<TWin32Shell>(); }

}  // namespace vog
