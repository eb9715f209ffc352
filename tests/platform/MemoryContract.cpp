// The file-system contract on the in-memory platform, which follows Windows in every
// respect the suite checks.
#include "platform/FileSystemContract.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog::test {
namespace {

struct TMemoryUnderTest : TFsUnderTest {
  TManualClock clock;
  TMemoryFileSystem fs{clock};
  TMemoryUnderTest() {
    fs.AddVolume(L"C:");
    fs.AddFolder(L"C:\\contract");
  }
  IFileSystem& Fs() override { return fs; }
  std::wstring Root() override { return L"C:\\contract\\"; }
  bool CaseInsensitive() override { return true; }
  bool ReadOnlyRefusesOverwrite() override { return true; }
  bool CallsCopyProgress() override { return true; }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Memory, FileSystemContract,
                         ::testing::Values(std::make_pair(std::string("Memory"), TFsFactory([] {
                                                            return std::make_unique<TMemoryUnderTest>();
                                                          }))),
                         ContractCaseName);

}  // namespace vog::test
