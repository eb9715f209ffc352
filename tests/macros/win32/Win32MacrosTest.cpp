// The Win32 drive, registry, shell and environment services under the real system (Wine in
// the test run), through the path macros that use them. Memory-only, because Wine cannot
// show them: device removal and media eject (no removable devices), network shares (no
// network provider), summary-information copies (Wine's storage has no property sets on
// plain files) and drives without media; see tests/macros/DrivesTest.cpp.
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

TEST_F(Win32Macros, DrivesListedWithTypesAndSpace) {
  std::vector<std::wstring> roots;
  ASSERT_GT(ListDriveRoots(roots), 0);
  bool hasC = false;
  for (const auto& r : roots) hasC = hasC || SameText(r, L"C:\\");
  EXPECT_TRUE(hasC);
  EXPECT_EQ(Platform().Volumes->DriveType(L"C:\\"), TDriveType::Fixed);
  EXPECT_TRUE(IsDriveUsable(L"C:\\"));
  double total = 0, free = 0;
  ASSERT_TRUE(GetDriveSpace(root_ + L"x.txt", total, free));
  EXPECT_GT(total, 0);
  EXPECT_LE(free, total);
}

// A drive letter of Wine is a symbolic link in the prefix's dosdevices folder, and its
// label the .windows-label file in the folder it points to.
TEST_F(Win32Macros, VolumeLabelOfADriveMappedHere) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!win32::RunningUnderWine() || !prefix) GTEST_SKIP() << "needs Wine to map a drive";
  std::vector<std::wstring> roots;
  ListDriveRoots(roots);
  wchar_t letter = 0;
  for (wchar_t c = L'T'; c <= L'Y' && !letter; ++c) {
    bool used = false;
    for (const auto& r : roots) used = used || UpperUnit(r[0]) == c;
    if (!used) letter = c;
  }
  ASSERT_NE(letter, 0);
  // The folder behind the drive is the test folder, seen from Linux.
  ASSERT_TRUE(SameText(root_.substr(0, 3), L"C:\\")) << WideToUtf8(root_);
  ASSERT_EQ(WriteFileReplacing(root_ + L".windows-label", "VOGTEST\n"), 0u);
  std::wstring folder = root_.substr(3, root_.size() - 4);
  for (auto& ch : folder)
    if (ch == L'\\') ch = L'/';
  const std::wstring prefixText = Utf8ToWide(prefix);
  const std::wstring link = prefixText + L"/dosdevices/" + std::wstring(1, static_cast<wchar_t>(letter - L'A' + L'a')) + L":";
  ASSERT_EQ(Run(L"Z:\\bin\\ln -s \"" + prefixText + L"/drive_c/" + folder + L"\" \"" + link + L"\""), 0);
  const std::wstring drive = std::wstring(1, letter) + L":";
  EXPECT_EQ(GetVolumeLabel(drive + L"\\some\\file"), L"VOGTEST");
  EXPECT_TRUE(IsDriveUsable(drive + L"\\"));
  EXPECT_EQ(ExpandMacros(L"<VOL:vogtest>\\Save"), drive + L"\\Save");
  EXPECT_EQ(ExpandMacros(L"<VOL:NO-SUCH-LABEL>\\Save"), L"");
  Run(L"Z:\\bin\\rm -f \"" + link + L"\"");
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
  EXPECT_THROW(GetShortcutTarget(root_ + L"app\\tool.exe"), Error);

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
