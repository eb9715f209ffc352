// The file-system contract on real files through the Win32 API (under Wine in the test
// run), in a fresh folder under the temporary folder per test.
#include <atomic>

#include "base/Text.h"
#include "platform/FileSystemContract.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace vog::test {
namespace {

struct TWin32UnderTest : TFsUnderTest {
  std::unique_ptr<IFileSystem> fs = CreateSystemFileSystem();
  std::wstring folder;

  TWin32UnderTest() {
    static std::atomic<int> counter{0};
    auto clock = CreateSystemClock();
    // A name never used before: see the notes on reusing folder names right after deleting.
    folder = fs->TempFolder() + L"vog-contract-" + IntToText(static_cast<int64_t>(clock->NowUtc().Value % 1000000000)) +
             L"-" + IntToText(++counter) + L"\\";
    fs->MakeFolder(folder);
  }
  ~TWin32UnderTest() override { RemoveTree(folder); }

  void RemoveTree(const std::wstring& path) {
    std::unique_ptr<IFindHandle> h;
    TFindData d;
    for (uint32_t code = fs->FindFirst(path + L"*", h, d); code == 0; code = h->Next(d)) {
      if (d.Name == L"." || d.Name == L"..") continue;
      fs->SetAttributes(path + d.Name, d.Attr & ~attr::ReadOnly & ~attr::Directory);
      if (d.Attr & attr::Directory)
        RemoveTree(path + d.Name + L"\\");
      else
        fs->RemoveFile(path + d.Name);
    }
    h.reset();
    fs->RemoveFolder(path);
  }

  IFileSystem& Fs() override { return *fs; }
  std::wstring Root() override { return folder; }
  bool CaseInsensitive() override { return true; }
  // Refused on both: the platform checks the read-only bit before writing (see
  // Win32FileSystem.cpp on Wine run as the superuser).
  bool ReadOnlyRefusesOverwrite() override { return true; }
  // Wine 8's CopyFileExW never calls the progress routine; Windows does.
  bool CallsCopyProgress() override { return !win32::RunningUnderWine(); }
  // Wine keeps files on a Linux file system, which has no settable creation time.
  bool KeepsCreationTime() override { return !win32::RunningUnderWine(); }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Win32, FileSystemContract,
                         ::testing::Values(std::make_pair(std::string("Win32"), TFsFactory([] {
                                                            return std::make_unique<TWin32UnderTest>();
                                                          }))),
                         ContractCaseName);

}  // namespace vog::test
