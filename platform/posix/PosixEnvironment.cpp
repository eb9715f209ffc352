// Environment variables of the process, UTF-8 on Linux.
#include <cstdlib>
#include <mutex>

#include "base/Text.h"
#include "platform/SystemPlatform.h"

namespace vog {

namespace {

// getenv and setenv are not safe against each other; every access of the program goes
// through this lock.
std::mutex& EnvMutex() {
  static std::mutex mutex;
  return mutex;
}

class TPosixEnvironment : public IEnvironment {
public:
  bool Get(const std::wstring& name, std::wstring& value) override {
    const std::string key = WideToUtf8(name);
    std::lock_guard lock(EnvMutex());
    const char* v = key.empty() || key.find('=') != std::string::npos ? nullptr : std::getenv(key.c_str());
    if (!v) return false;
    value = Utf8ToWide(v);
    return true;
  }

  void Set(const std::wstring& name, const std::wstring& value) override {
    const std::string key = WideToUtf8(name);
    if (key.empty() || key.find('=') != std::string::npos) return;
    std::lock_guard lock(EnvMutex());
    ::setenv(key.c_str(), WideToUtf8(value).c_str(), 1);
  }
};

}  // namespace

std::unique_ptr<IEnvironment> CreateSystemEnvironment() { return std::make_unique<TPosixEnvironment>(); }

}  // namespace vog
