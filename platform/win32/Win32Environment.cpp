// Environment variables of the process.
#include <windows.h>

#include "platform/SystemPlatform.h"

namespace vog {

namespace {

class TWin32Environment : public IEnvironment {
public:
  bool Get(const std::wstring& name, std::wstring& value) override {
    std::wstring buffer(256, L'\0');
    for (;;) {
      SetLastError(ERROR_SUCCESS);
      const DWORD n = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        value.clear();  // set, but empty
        return true;
      }
      // Too small: n is the size needed, with the terminating null. The value may
      // change between calls, so the loop asks again.
      if (n >= buffer.size()) {
        buffer.resize(n + 1);
        continue;
      }
      value.assign(buffer.data(), n);
      return true;
    }
  }

  void Set(const std::wstring& name, const std::wstring& value) override {
    SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
};

}  // namespace

std::unique_ptr<IEnvironment> CreateSystemEnvironment() { return std::make_unique<TWin32Environment>(); }

}  // namespace vog
