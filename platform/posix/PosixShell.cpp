// Linux has no shell special folders: every lookup fails, as on a Windows system where
// the folder is missing.

#include "platform/Shell.h"

#include "platform/Codes.h"

namespace vog {

namespace {

class TPosixShell : public IShell {
public:
  bool SpecialFolderPath(int, std::wstring&) override { return false; }
  std::wstring ErrorMessage(uint32_t code) override { return FallbackErrorMessage(code); }
  uint32_t ShortcutTarget(const std::wstring&, std::wstring&) override { return err::NotSupported; }
  uint32_t CopySummaryInformation(const std::wstring&, const std::wstring&) override { return err::NotSupported; }
};

}  // namespace

std::unique_ptr<IShell> CreateSystemShell() { return std::make_unique<TPosixShell>(); }

}  // namespace vog
