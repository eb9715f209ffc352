// The file-system contract on real Linux files, in a fresh temporary folder per test.
#include <cstdlib>
#include <filesystem>

#include "base/Text.h"
#include "platform/FileSystemContract.h"
#include "platform/SystemPlatform.h"

namespace vog::test {
namespace {

struct TPosixUnderTest : TFsUnderTest {
  std::unique_ptr<IFileSystem> fs = CreateSystemFileSystem();
  std::string folder;

  TPosixUnderTest() {
    std::string templ = WideToUtf8(fs->TempFolder()) + "vog-contract-XXXXXX";
    if (::mkdtemp(templ.data())) folder = templ;
  }
  ~TPosixUnderTest() override {
    // Read-only entries do not stop the removal on Linux (the folder's bits decide).
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
  IFileSystem& Fs() override { return *fs; }
  std::wstring Root() override { return Utf8ToWide(folder) + L"/"; }
  bool CaseInsensitive() override { return false; }
  bool ReadOnlyRefusesOverwrite() override { return true; }
  bool CallsCopyProgress() override { return true; }
  bool KeepsCreationTime() override { return false; }      // Linux keeps no settable creation time
  bool StoresHiddenAndSystem() override { return false; }  // hidden is a leading dot
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Posix, FileSystemContract,
                         ::testing::Values(std::make_pair(std::string("Posix"), TFsFactory([] {
                                                            return std::make_unique<TPosixUnderTest>();
                                                          }))),
                         ContractCaseName);

}  // namespace vog::test
