// Linux has no shell special folders: every lookup fails, as on a Windows system where
// the folder is missing.

#include "platform/Shell.h"

namespace vog {

namespace {

class TPosixShell : public IShell {
public:
  bool SpecialFolderPath(int, std::wstring&) override { return false; }
  std::wstring ErrorMessage(uint32_t code) override { return FallbackErrorMessage(code); }
};

}  // namespace

std::unique_ptr<IShell> CreateSystemShell() { return std::make_unique<TPosixShell>(); }

}  // namespace vog
