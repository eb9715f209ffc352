#pragma once
// Shell service of the memory platform: special folders are whatever the test sets.
#include <map>
#include <mutex>
#include <string>

#include "platform/Shell.h"

namespace vog {

class TMemoryShell : public IShell {
public:
  // Sets (or, with an empty path, removes) the path of a special folder.
  void SetSpecialFolder(int csidl, const std::wstring& path);

  bool SpecialFolderPath(int csidl, std::wstring& path) override;
  std::wstring ErrorMessage(uint32_t code) override { return FallbackErrorMessage(code); }

private:
  std::mutex mutex_;
  std::map<int, std::wstring> folders_;
};

}  // namespace vog
