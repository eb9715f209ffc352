// Drive, share, shortcut and device services on the memory platform.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "services/drives/Drives.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class DrivesTest : public test::MemoryTest {
protected:
  TMemoryVolumes& Volumes() { return *Mem().MemVolumes; }
  TMemoryDevices& Devices() { return *Mem().MemDevices; }
  TMemoryNetwork& Network() { return *Mem().MemNetwork; }
};

TEST_F(DrivesTest, SpaceLabelsAndUsability) {
  Volumes().AddDrive(L'D', TDriveType::Fixed, L"DATA", true, 1000);
  Volumes().AddDrive(L'E', TDriveType::Removable, L"CARD", false);
  Fs().AddFile(L"D:\\a\\b.bin", std::string(300, 'x'));
  double total = 0, free = 0;
  ASSERT_TRUE(GetDriveSpace(L"D:\\a\\b.bin", total, free));
  EXPECT_EQ(total, 1000);
  EXPECT_EQ(free, 700);
  EXPECT_FALSE(GetDriveSpace(L"E:\\", total, free));  // no medium
  EXPECT_FALSE(GetDriveSpace(L"Q:\\", total, free));
  EXPECT_EQ(GetVolumeLabel(L"D:\\a\\b.bin"), L"DATA");
  EXPECT_EQ(GetVolumeLabel(L"E:\\x"), L"");
  EXPECT_TRUE(IsDriveUsable(L"D:\\"));
  EXPECT_FALSE(IsDriveUsable(L"E:\\"));
  Volumes().SetMedia(L'E', true);
  EXPECT_TRUE(IsDriveUsable(L"E:"));
  EXPECT_EQ(GetVolumeLabel(L"E:"), L"CARD");
  // The boxes are suppressed while volumes are asked, and the mode put back.
  EXPECT_GT(Devices().SuppressCount(), 0);
  EXPECT_EQ(Devices().ErrorMode(), 0u);
}

TEST_F(DrivesTest, ListDriveRootsInSystemOrder) {
  Volumes().AddDrive(L'F', TDriveType::CdRom);
  Volumes().AddDrive(L'A', TDriveType::Removable);
  std::vector<std::wstring> roots;
  EXPECT_EQ(ListDriveRoots(roots), 3);
  EXPECT_EQ(roots, (std::vector<std::wstring>{L"A:\\", L"C:\\", L"F:\\"}));
  Volumes().FailListing(err::AccessDenied);
  EXPECT_EQ(ListDriveRoots(roots), -1);
  EXPECT_TRUE(roots.empty());
}

TEST_F(DrivesTest, SharesNeedTheirCredentials) {
  Network().AddShare(L"\\\\srv\\data", L"backup", L"secret");
  EXPECT_FALSE(ConnectShare(L"\\\\srv\\data\\a\\b", L"", L"backup", L"wrong"));
  EXPECT_FALSE(ConnectShare(L"\\\\srv\\none\\a", L"", L"backup", L"secret"));
  EXPECT_TRUE(ConnectShare(L"\\\\srv\\data\\a\\b", L"", L"BACKUP", L"secret"));
  EXPECT_TRUE(Network().Connected(L"\\\\SRV\\DATA"));
  // Reachable now: no further network call.
  const int calls = Network().Calls();
  EXPECT_TRUE(ConnectShare(L"\\\\srv\\data\\x", L"", L"", L""));
  EXPECT_EQ(Network().Calls(), calls);
  EXPECT_TRUE(DisconnectShare(L"\\\\srv\\data\\a\\b"));
  EXPECT_FALSE(Network().Connected(L"\\\\srv\\data"));
  EXPECT_FALSE(DisconnectShare(L"\\\\srv\\data\\a\\b"));
  // A local name already in use counts as connected.
  Network().AddShare(L"\\\\srv\\other");
  EXPECT_TRUE(ConnectShare(L"\\\\srv\\other\\x", L"C:", L"", L""));
}

TEST_F(DrivesTest, ShortcutsFoundDepthFirstAndResolved) {
  TMemoryShell& shell = *Mem().MemShell;
  shell.AddShortcut(L"C:\\S\\a\\deep\\Tool.lnk", L"C:\\T\\one.exe");
  shell.AddShortcut(L"C:\\S\\b\\TOOL.LNK", L"C:\\T\\two.exe");
  Fs().AddFile(L"C:\\S\\Tool.lnk.txt", "");
  EXPECT_EQ(FindShortcut(L"C:\\S", L"", L"tool"), L"C:\\S\\a\\deep\\Tool.lnk");
  EXPECT_EQ(FindShortcut(L"C:\\S\\", L"S\\B", L"tool"), L"C:\\S\\b\\TOOL.LNK");
  EXPECT_EQ(FindShortcut(L"C:\\S", L"zzz", L"tool"), L"");
  EXPECT_EQ(FindShortcut(L"C:\\Missing", L"", L"tool"), L"");
  EXPECT_EQ(GetShortcutTarget(L"C:\\S\\b\\TOOL.LNK"), L"C:\\T\\two.exe");
  uint32_t code = 0;
  EXPECT_EQ(GetShortcutTarget(L"C:\\S\\none.lnk", &code), L"");
  EXPECT_EQ(code, err::FileNotFound);
  EXPECT_EQ(GetShortcutTarget(L"C:\\S\\Tool.lnk.txt", &code), L"");
  EXPECT_NE(code, 0u);
}

TEST_F(DrivesTest, SummaryInformationIsCopied) {
  TMemoryShell& shell = *Mem().MemShell;
  Fs().AddFile(L"C:\\doc.xls", "a");
  Fs().AddFile(L"C:\\doc.enc", "b");
  Fs().AddFile(L"C:\\plain.txt", "c");
  shell.SetSummaryProperty(L"C:\\doc.xls", 2, L"Title");
  shell.SetSummaryProperty(L"C:\\doc.xls", 4, L"Author");
  EXPECT_TRUE(CopySummaryInformation(L"C:\\doc.xls", L"C:\\doc.enc"));
  EXPECT_EQ(shell.SummaryProperties(L"C:\\DOC.ENC"), shell.SummaryProperties(L"C:\\doc.xls"));
  EXPECT_FALSE(CopySummaryInformation(L"C:\\plain.txt", L"C:\\doc.enc"));
  EXPECT_FALSE(CopySummaryInformation(L"C:\\doc.xls", L"C:\\none"));
}

TEST_F(DrivesTest, DeviceRemovalAndEject) {
  Volumes().AddDrive(L'F', TDriveType::Removable, L"STICK");
  Volumes().AddDrive(L'G', TDriveType::CdRom, L"DISC");
  RequestDeviceRemoval(L"Q:");  // no such drive: nothing is done
  RequestDeviceRemoval(L"f:\\some\\path");
  EXPECT_EQ(Devices().Removals(), std::vector<wchar_t>{L'F'});
  Devices().SetRemovalAvailable(false);
  RequestDeviceRemoval(L"G:");
  EXPECT_EQ(Devices().Removals().size(), 1u);

  EXPECT_EQ(EjectMedium(L"g"), 0u);
  EXPECT_EQ(Devices().Ejects(), std::vector<wchar_t>{L'G'});
  EXPECT_FALSE(Volumes().MediaPresent(L'G'));
  EXPECT_EQ(GetVolumeLabel(L"G:"), L"");
  EXPECT_NE(EjectMedium(L"C:"), 0u);  // a fixed disk has nothing to eject
  EXPECT_EQ(EjectMedium(L"Q:"), err::FileNotFound);
  EXPECT_EQ(Devices().ErrorMode(), 0u);
}

TEST_F(DrivesTest, EnvironmentValuesComeBackWhole) {
  Mem().MemEnv->Set(L"Path", std::wstring(3000, L'p'));
  EXPECT_EQ(GetEnvironmentValue(L"PATH").size(), 3000u);
  EXPECT_EQ(GetEnvironmentValue(L"NOPE"), L"");
}

}  // namespace
}  // namespace vog
