// The Win32 drive, registry, shell and environment services under the real system (Wine in
// the test run), through the path macros that use them. Memory-only, because Wine cannot
// show them: device removal and media eject (no removable devices), network shares (no
// network provider), summary-information copies (Wine's storage has no property sets on
// plain files) and drives without media; see tests/drives/DrivesTest.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "model/PathMacros.h"
#include "platform/FileIo.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Platform.h"
#include "scan/FileUtils.h"
#include "services/drives/Drives.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class Win32Macros : public ::testing::Test {
protected:
  void SetUp() override {
    scoped_ = std::make_unique<test::ScopedPlatform>(CreateSystemPlatform());
    static int counter = 0;
    tag_ = L"vogmacro" + IntToText(static_cast<int64_t>(Clock().NowUtc().Value % 1000000000)) + L"x" +
           IntToText(++counter);
    root_ = Files().TempFolder() + tag_ + L"\\";
    ASSERT_EQ(Files().MakeFolder(root_), 0u);
  }
  void TearDown() override {
    DeleteFolderTree(root_);
    scoped_.reset();
  }
  // Runs a command line through the system's command interpreter.
  static int Run(const std::wstring& command) { return _wsystem(command.c_str()); }

  std::unique_ptr<test::ScopedPlatform> scoped_;
  std::wstring tag_, root_;
};

// The test run's Wine prefix has a drive T: of its own, a fixed disk labelled "VOGTEST"
// (cmake/wine-prefix): Wine's mount manager learns labels and drive letters only when it
// starts, so the drive is made with the prefix rather than here.
TEST_F(Win32Macros, VolumeLabelsFindTheirDrive) {
  std::vector<std::wstring> roots;
  ASSERT_GT(ListDriveRoots(roots), 0);
  bool hasT = false;
  for (const auto& r : roots) hasT = hasT || r == L"T:\\";
  ASSERT_TRUE(hasT) << "the test prefix has no drive T: (cmake/wine-prefix)";
  EXPECT_EQ(Platform().Volumes->DriveType(L"T:\\"), TDriveType::Fixed);
  EXPECT_EQ(Platform().Volumes->DriveType(L"T:"), TDriveType::Fixed);

  std::wstring label;
  ASSERT_EQ(Platform().Volumes->VolumeLabel(L"T:\\", label), 0u);
  EXPECT_EQ(label, L"VOGTEST");
  EXPECT_EQ(GetVolumeLabel(L"T:\\Backup\\some\\file.txt"), L"VOGTEST");
  EXPECT_TRUE(IsDriveUsable(L"T:\\"));

  // VOL finds the drive by its label in any case; files then go to that drive.
  EXPECT_EQ(ExpandMacros(L"<VOL:VOGTEST>\\Save"), L"T:\\Save");
  EXPECT_EQ(ExpandMacros(L"<VOL:vogtest>\\Save\\<VOL:VOGTEST>"), L"T:\\Save\\T:");
  EXPECT_EQ(ExpandMacros(L"<VOL:NO-SUCH-LABEL>\\Save"), L"");
  const std::wstring folder = ExpandMacros(L"<VOL:VOGTEST>\\") + tag_;
  ASSERT_EQ(Files().MakeFolder(folder), 0u);
  ASSERT_EQ(WriteFileReplacing(folder + L"\\a.txt", "saved"), 0u);
  TFindData info;
  ASSERT_EQ(Files().GetInfo(folder + L"\\a.txt", info), 0u);
  EXPECT_EQ(info.Size, 5);
  DeleteFolderTree(folder + L"\\");
  EXPECT_NE(Files().GetInfo(folder, info), 0u);

  // A drive letter with no drive behind it.
  EXPECT_EQ(Platform().Volumes->DriveType(L"Q:\\"), TDriveType::NoRootDir);
  EXPECT_NE(Platform().Volumes->VolumeLabel(L"Q:\\", label), 0u);
  EXPECT_EQ(GetVolumeLabel(L"Q:\\x"), L"");
}

TEST_F(Win32Macros, EnvironmentValuesWholeAndUnset) {
  const std::wstring value = L"C:\\" + std::wstring(3000, L'v') + L"\\日本";
  Platform().Environment->Set(L"VOG_MACRO_LONG", value);
  EXPECT_EQ(GetEnvironmentValue(L"vog_macro_long"), value);
  EXPECT_EQ(ExpandMacros(L"<ENV:VOG_MACRO_LONG>\\x"), value + L"\\x");
  EXPECT_EQ(ExpandMacros(L"<ENV:VOG_MACRO_NOT_SET>\\x"), L"");
}

TEST_F(Win32Macros, RegistryStringsThroughTheSystemRegistry) {
  const std::wstring key = L"HKCU\\Software\\VogratelTest\\" + tag_;
  ASSERT_EQ(Run(L"reg add " + key + L" /v Dest /t REG_SZ /d \"D:\\Save\" /f >NUL"), 0);
  ASSERT_EQ(Run(L"reg add " + key + L" /v Exp /t REG_EXPAND_SZ /d \"E:\\Exp\" /f >NUL"), 0);
  ASSERT_EQ(Run(L"reg add " + key + L" /v Count /t REG_DWORD /d 7 /f >NUL"), 0);
  const std::wstring path = L"HKEY_CURRENT_USER\\Software\\VogratelTest\\" + tag_;
  EXPECT_EQ(ExpandMacros(L"<REG:" + path + L":Dest>\\a"), L"D:\\Save\\a");
  EXPECT_EQ(ExpandMacros(L"<REG:" + path + L":Exp>"), L"E:\\Exp");
  EXPECT_EQ(ExpandMacros(L"<REG:" + path + L":Missing>"), L"");
  try {
    ExpandMacros(L"<REG:" + path + L":Count>");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"'Count' のデータ型が不正です");
  }
  Run(L"reg delete " + key + L" /f >NUL");
}

TEST_F(Win32Macros, SpecialFoldersFromTheShell) {
  std::wstring desktop, windows;
  ASSERT_TRUE(SpecialFolderPath(csidl::DesktopDirectory, desktop));
  EXPECT_EQ(ExpandMacros(L"<WIN:デスクトップ>\\x"), desktop + L"\\x");
  EXPECT_TRUE(SameText(ExpandMacros(L"<WIN:Windows ディレクトリ>"), L"C:\\windows"));
  EXPECT_EQ(ExpandMacros(L"<WIN:Desktop>"), L"");
}

TEST_F(Win32Macros, ShortcutsMadeByTheShellLinkObject) {
  const std::wstring target = root_ + L"app\\tool.exe";
  ASSERT_EQ(Files().MakeFolder(root_ + L"app"), 0u);
  ASSERT_EQ(WriteFileReplacing(target, "MZ"), 0u);
  ASSERT_EQ(Files().MakeFolder(root_ + L"links"), 0u);
  ASSERT_EQ(Files().MakeFolder(root_ + L"links\\sub"), 0u);
  ASSERT_EQ(win32::CreateShortcut(root_ + L"links\\sub\\Tool.lnk", target), 0u);
  const std::wstring found = FindShortcut(root_ + L"links", L"", L"TOOL");
  EXPECT_EQ(found, root_ + L"links\\sub\\Tool.lnk");
  EXPECT_TRUE(SameText(GetShortcutTarget(found), target)) << WideToUtf8(GetShortcutTarget(found));
  uint32_t code = 0;
  EXPECT_EQ(GetShortcutTarget(root_ + L"app\\tool.exe", &code), L"");
  EXPECT_NE(code, 0u);

  // APP looks in the user's Programs folder first.
  std::wstring programs;
  ASSERT_TRUE(SpecialFolderPath(csidl::Programs, programs));
  const std::wstring link = programs + L"\\" + tag_ + L".lnk";
  ASSERT_EQ(win32::CreateShortcut(link, target), 0u);
  EXPECT_TRUE(SameText(ExpandMacros(L"<APP:" + tag_ + L">\\Data"), root_ + L"app\\Data"));
  Files().RemoveFile(link);
}

}  // namespace
}  // namespace vog
