// Path macro expansion on the memory platform.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "model/PathMacros.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class PathMacrosTest : public test::MemoryTest {
protected:
  TMemoryVolumes& Volumes() { return *Mem().MemVolumes; }
  TMemoryShell& Shell() { return *Mem().MemShell; }
  TMemoryRegistry& Registry() { return *Mem().MemRegistry; }
};

TEST_F(PathMacrosTest, TextsWithoutAWholeMacroStayAsTheyAre) {
  EXPECT_EQ(ExpandMacros(L"D:\\Backup"), L"D:\\Backup");
  EXPECT_EQ(ExpandMacros(L"D:\\<Backup"), L"D:\\<Backup");
  // A ">" before the "<": HasMacro says yes, yet nothing is expanded.
  EXPECT_TRUE(HasMacro(L"D:\\a>b<ENV:X"));
  EXPECT_EQ(ExpandMacros(L"D:\\a>b<ENV:X"), L"D:\\a>b<ENV:X");
  EXPECT_FALSE(HasMacro(L"D:\\<Backup"));
  EXPECT_TRUE(HasMacro(L"<SLF>"));
}

TEST_F(PathMacrosTest, VolPicksTheFirstAccessibleDriveWithTheLabel) {
  Volumes().AddDrive(L'A', TDriveType::Removable, L"USBDISK");  // never asked
  Volumes().AddDrive(L'B', TDriveType::Fixed, L"USBDISK");      // never asked either
  Volumes().AddDrive(L'D', TDriveType::Removable, L"USBDISK", /*mediaPresent=*/false);
  Volumes().AddDrive(L'E', TDriveType::CdRom, L"OTHER");
  Volumes().AddDrive(L'F', TDriveType::Removable, L"usbdisk");
  Volumes().AddDrive(L'G', TDriveType::Fixed, L"UsbDisk");
  EXPECT_EQ(ExpandMacros(L"<VOL:USBDISK>\\Save"), L"F:\\Save");
  Volumes().SetMedia(L'F', false);
  EXPECT_EQ(ExpandMacros(L"<VOL:USBDISK>\\Save"), L"G:\\Save");
  EXPECT_EQ(ExpandMacros(L"<VOL:NOSUCH>\\Save"), L"");
}

TEST_F(PathMacrosTest, SlfIsTheProgramFolderWithoutItsBackslash) {
  Fs().SetProgramFolder(L"C:\\Tools\\Vog\\");
  EXPECT_EQ(ExpandMacros(L"<SLF>\\Data"), L"C:\\Tools\\Vog\\Data");
}

TEST_F(PathMacrosTest, WinNamesMustMatchExactly) {
  Shell().SetSpecialFolder(csidl::DesktopDirectory, L"C:\\Users\\u\\Desktop");
  EXPECT_EQ(ExpandMacros(L"<WIN:デスクトップ>\\x"), L"C:\\Users\\u\\Desktop\\x");
  EXPECT_EQ(ExpandMacros(L"<WIN:Desktop>\\x"), L"");
  // A known name whose folder the shell does not have.
  EXPECT_EQ(ExpandMacros(L"<WIN:履歴>"), L"");
}

TEST_F(PathMacrosTest, WinNameTableHasItsOrderAndIds) {
  ASSERT_EQ(kSpecialFolderNameCount, 32);
  EXPECT_STREQ(kSpecialFolderNames[0].Name, L"マイドキュメント");
  EXPECT_EQ(kSpecialFolderNames[0].Csidl, 5);
  EXPECT_STREQ(kSpecialFolderNames[15].Name, L"テンプレート");
  EXPECT_EQ(kSpecialFolderNames[15].Csidl, 21);
  EXPECT_STREQ(kSpecialFolderNames[16].Name, L"インターネット一時フォルダ");
  EXPECT_EQ(kSpecialFolderNames[31].Csidl, 27);
  // Every name reaches the shell with its own id.
  for (const auto& entry : kSpecialFolderNames)
    Shell().SetSpecialFolder(entry.Csidl, L"C:\\F" + std::to_wstring(entry.Csidl));
  for (const auto& entry : kSpecialFolderNames)
    EXPECT_EQ(ExpandMacros(std::wstring(L"<WIN:") + entry.Name + L">"), L"C:\\F" + std::to_wstring(entry.Csidl))
        << WideToUtf8(entry.Name);
}

TEST_F(PathMacrosTest, RegistryStringsAndTheirErrors) {
  Registry().SetString(TRegistryRoot::CurrentUser, L"Software\\Vog", L"Dest", L"D:\\Save");
  Registry().SetString(TRegistryRoot::LocalMachine, L"Software\\Vog", L"Exp", L"%TEMP%\\x", regtype::ExpandSz);
  Registry().SetOther(TRegistryRoot::CurrentUser, L"Software\\Vog", L"Count", regtype::Dword);
  EXPECT_EQ(ExpandMacros(L"<REG:HKEY_CURRENT_USER\\Software\\Vog:Dest>\\a"), L"D:\\Save\\a");
  // Environment references in an expandable string stay as they are.
  EXPECT_EQ(ExpandMacros(L"<REG:HKEY_LOCAL_MACHINE\\Software\\Vog:Exp>"), L"%TEMP%\\x");
  EXPECT_EQ(ExpandMacros(L"<REG:HKEY_CURRENT_USER\\Software\\Vog:Missing>"), L"");
  EXPECT_EQ(ExpandMacros(L"<REG:HKCU\\Software\\Vog:Dest>"), L"");  // root names are exact
  EXPECT_EQ(ExpandMacros(L"<REG:hkey_current_user\\Software\\Vog:Dest>"), L"");
  try {
    ExpandMacros(L"<REG:HKEY_CURRENT_USER\\Software\\Vog:Count>");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"'Count' のデータ型が不正です");
  }
  Registry().FailRead(TRegistryRoot::CurrentUser, L"Software\\Vog", L"Dest", err::AccessDenied);
  try {
    ExpandMacros(L"<REG:HKEY_CURRENT_USER\\Software\\Vog:Dest>");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"'Dest' の取得に失敗しました");
  }
}

TEST_F(PathMacrosTest, AppSearchesTheFourFoldersInOrder) {
  Shell().SetSpecialFolder(csidl::Programs, L"C:\\Start\\Programs");
  Shell().SetSpecialFolder(csidl::CommonPrograms, L"C:\\All\\Programs");
  Shell().SetSpecialFolder(csidl::AppData, L"C:\\Roaming");
  Shell().SetSpecialFolder(csidl::DesktopDirectory, L"C:\\Desk");
  Shell().AddShortcut(L"C:\\Desk\\Editor.lnk", L"C:\\Apps\\Desk\\edit.exe");
  Shell().AddShortcut(L"C:\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\Editor.lnk",
                      L"C:\\Apps\\Quick\\edit.exe");
  EXPECT_EQ(ExpandMacros(L"<APP:editor>\\Data"), L"C:\\Apps\\Quick\\Data");
  Shell().AddShortcut(L"C:\\All\\Programs\\Tools\\Editor.lnk", L"C:\\Apps\\All\\edit.exe");
  EXPECT_EQ(ExpandMacros(L"<APP:Editor>"), L"C:\\Apps\\All");
  Shell().AddShortcut(L"C:\\Start\\Programs\\Other\\Editor.lnk", L"C:\\Apps\\Mine\\edit.exe");
  EXPECT_EQ(ExpandMacros(L"<APP:Editor>"), L"C:\\Apps\\Mine");
  // A path tail picks the shortcut whose full path contains it.
  EXPECT_EQ(ExpandMacros(L"<APP:tools\\Editor>"), L"C:\\Apps\\All");
  EXPECT_EQ(ExpandMacros(L"<APP:Quick Launch\\Editor>"), L"C:\\Apps\\Quick");
  EXPECT_EQ(ExpandMacros(L"<APP:Nowhere\\Editor>"), L"");
  EXPECT_EQ(ExpandMacros(L"<APP:Viewer>"), L"");
}

TEST_F(PathMacrosTest, AppPassesOverABrokenShortcut) {
  Shell().SetSpecialFolder(csidl::Programs, L"C:\\Start");
  Shell().SetSpecialFolder(csidl::DesktopDirectory, L"C:\\Desk");
  Fs().AddFile(L"C:\\Start\\Editor.lnk", "not a shortcut");
  Shell().AddShortcut(L"C:\\Desk\\Editor.lnk", L"C:\\Apps\\edit.exe");
  EXPECT_EQ(ExpandMacros(L"<APP:Editor>"), L"C:\\Apps");
}

TEST_F(PathMacrosTest, IniThroughQuotedPathAndBracketedMacros) {
  Fs().AddFile(L"C:\\Conf\\v.ini", "[Paths]\r\nDest = E:\\Out \r\n[Other]\r\nDest=wrong\r\n");
  EXPECT_EQ(ExpandMacros(L"<INI:\"C:\\Conf\\v.ini\":paths:DEST>\\x"), L"E:\\Out\\x");
  Shell().SetSpecialFolder(csidl::DesktopDirectory, L"C:\\Conf");
  EXPECT_EQ(ExpandMacros(L"<INI:[WIN:デスクトップ]\\v.ini:Paths:Dest>"), L"E:\\Out");
  Fs().SetProgramFolder(L"C:\\Conf\\");
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\v.ini:Other:Dest>"), L"wrong");
  Mem().MemEnv->Set(L"CONF", L"C:\\Conf");
  EXPECT_EQ(ExpandMacros(L"<INI:[ENV:CONF]\\v.ini:Paths:Dest>"), L"E:\\Out");
  // Missing key, section, file, or a bracketed macro without value.
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\v.ini:Paths:None>"), L"");
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\v.ini:None:Dest>"), L"");
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\w.ini:Paths:Dest>"), L"");
  EXPECT_EQ(ExpandMacros(L"<INI:[WIN:Desktop]\\v.ini:Paths:Dest>"), L"");
  EXPECT_EQ(ExpandMacros(L"<INI:[DAT:yyyy]\\v.ini:Paths:Dest>"), L"");  // not a kind INI takes
  // Values in matching quotes of either kind lose them, as the system reads them.
  Fs().AddFile(L"C:\\Conf\\q.ini", "[Q]\r\nOne='F:\\One'\r\nTwo=\"F:\\Two\"\r\nOdd='F:\\Odd\"\r\n");
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\q.ini:Q:One>"), L"F:\\One");
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\q.ini:Q:Two>"), L"F:\\Two");
  EXPECT_EQ(ExpandMacros(L"<INI:[SLF]\\q.ini:Q:Odd>"), L"'F:\\Odd\"");
}

TEST_F(PathMacrosTest, IniReadsUtf16FilesToo) {
  Fs().AddFile(L"C:\\u.ini", EncodeUtf16LeWithBom(L"[日本]\r\nキー=\"値\"\r\n"));
  EXPECT_EQ(ExpandMacros(L"<INI:\"C:\\u.ini\":日本:キー>"), L"値");
}

TEST_F(PathMacrosTest, EnvAndDat) {
  Mem().MemEnv->Set(L"BACKUPROOT", L"F:\\B");
  TDateTime now{};
  ASSERT_TRUE(TryEncodeDateTime(2024, 5, 6, 7, 8, 9, 0, now));
  ManualClock().SetLocalNow(now);
  EXPECT_EQ(ExpandMacros(L"<ENV:BACKUPROOT>\\<DAT:yyyymmdd>"), L"F:\\B\\20240506");
  EXPECT_EQ(ExpandMacros(L"<ENV:UNSET>\\x"), L"");
  // An environment value of any length comes back whole.
  const std::wstring longValue(5000, L'x');
  Mem().MemEnv->Set(L"LONG", longValue);
  EXPECT_EQ(ExpandMacros(L"<ENV:LONG>"), longValue);
}

TEST_F(PathMacrosTest, TwoMacrosLeftToRightEachOnce) {
  Mem().MemEnv->Set(L"A", L"<ENV:B>");
  Mem().MemEnv->Set(L"B", L"b");
  Mem().MemEnv->Set(L"C", L"c");
  // The first macro's value holds a macro; it is expanded before the second macro.
  EXPECT_EQ(ExpandMacros(L"X:\\<ENV:A>\\<ENV:C>\\<env:c>"), L"");  // "env" is no kind
  EXPECT_EQ(ExpandMacros(L"X:\\<ENV:A>\\<ENV:C>"), L"X:\\b\\c");
  // The same macro twice: each occurrence is replaced on its own.
  EXPECT_EQ(ExpandMacros(L"<ENV:C>-<ENV:C>"), L"c-c");
}

TEST_F(PathMacrosTest, UnknownKindEmptiesTheWholeExpansion) {
  Mem().MemEnv->Set(L"A", L"a");
  // The unknown macro must not take the previous macro's value.
  EXPECT_EQ(ExpandMacros(L"<ENV:A>\\<XYZ:q>"), L"");
  EXPECT_EQ(ExpandMacros(L"<XY>"), L"");
}

TEST_F(PathMacrosTest, SelfReferenceEndsEmpty) {
  Mem().MemEnv->Set(L"LOOP", L"x<ENV:LOOP>");
  EXPECT_EQ(ExpandMacros(L"<ENV:LOOP>"), L"");
  Mem().MemEnv->Set(L"P", L"<ENV:Q>");
  Mem().MemEnv->Set(L"Q", L"<ENV:P>");
  EXPECT_EQ(ExpandMacros(L"D:\\<ENV:P>"), L"");
}

}  // namespace
}  // namespace vog
