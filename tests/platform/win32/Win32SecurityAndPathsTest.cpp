// The Win32 platform's path forms and its access-control list copies, on real files (under
// Wine in the test run).
#include <gtest/gtest.h>

#include <atomic>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace vog {
namespace {

using win32::ExtendedPath;

TEST(Win32Paths, ExtendedPathNormalisesAndPrefixesFullyQualifiedPaths) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\a\\b", L"\\\\?\\C:\\a\\b"},
      {L"C:/a//b/./c/../d", L"\\\\?\\C:\\a\\b\\d"},
      {L"c:\\", L"\\\\?\\c:\\"},
      {L"C:\\..\\..", L"\\\\?\\C:\\"},
      {L"C:\\a\\", L"\\\\?\\C:\\a\\"},
      {L"C:\\a\\*.*", L"\\\\?\\C:\\a\\*.*"},
      {L"C:\\name. \\x.", L"\\\\?\\C:\\name. \\x."},  // names keep trailing dots and spaces
      {L"\\\\srv\\share\\d\\..\\f", L"\\\\?\\UNC\\srv\\share\\f"},
      {L"//srv/share", L"\\\\?\\UNC\\srv\\share\\"},
      // Not fully qualified, or already in the system's own form: unchanged.
      {L"rel\\x", L"rel\\x"},
      {L"C:rel", L"C:rel"},
      {L"\\rooted", L"\\rooted"},
      {L"\\\\srv", L"\\\\srv"},
      {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},
      {L"\\\\.\\C:", L"\\\\.\\C:"},
      {L"", L""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ExtendedPath(in), out) << WideToUtf8(in);

  EXPECT_EQ(win32::ExtendedPathWhereNeeded(L"C:\\short\\path"), L"C:\\short\\path");
  EXPECT_EQ(win32::ExtendedPathWhereNeeded(L"C:\\dots\\x."), L"\\\\?\\C:\\dots\\x.");
  const std::wstring longPath = L"C:\\" + std::wstring(250, L'n');
  EXPECT_EQ(win32::ExtendedPathWhereNeeded(longPath), L"\\\\?\\" + longPath);
  EXPECT_EQ(win32::WithoutExtendedPrefix(L"\\\\?\\C:\\a"), L"C:\\a");
  EXPECT_EQ(win32::WithoutExtendedPrefix(L"\\\\?\\UNC\\s\\h\\a"), L"\\\\s\\h\\a");
  EXPECT_EQ(win32::WithoutExtendedPrefix(L"C:\\a"), L"C:\\a");
}

TEST(Win32Security, DaclCopiesBetweenFilesAndFolders) {
  // Wine makes a DACL up from the Unix mode bits and keeps only what maps back onto them,
  // so only "no error" can be checked here; the lists themselves are checked on the
  // memory platform.
  auto fs = CreateSystemFileSystem();
  auto security = CreateSystemSecurity();
  auto clock = CreateSystemClock();
  std::wstring user, domain;
  ASSERT_EQ(security->CurrentAccount(user, domain), 0u);
  EXPECT_FALSE(user.empty());

  const std::wstring root =
      fs->TempFolder() + L"vog-acl-" + IntToText(static_cast<int64_t>(clock->NowUtc().Value % 1000000000)) + L"\\";
  const std::wstring deep = root + std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\";
  ASSERT_EQ(fs->MakeFolder(root), 0u);
  ASSERT_EQ(fs->MakeFolder(root + std::wstring(120, L'd')), 0u);
  ASSERT_EQ(fs->MakeFolder(deep), 0u);
  std::unique_ptr<IFileStream> s;
  for (const std::wstring& file : {root + L"a.txt", deep + L"b.txt."}) {
    ASSERT_EQ(fs->OpenFile(file, TOpenMode::Write, share::None, s), 0u) << WideToUtf8(file);
    s.reset();
  }
  EXPECT_EQ(security->CopyDacl(root + L"a.txt", deep + L"b.txt."), 0u);
  EXPECT_EQ(security->CopyDacl(root, deep), 0u);
  EXPECT_EQ(security->CopyDacl(root + L"missing", deep), err::FileNotFound);
  EXPECT_EQ(security->CopyDacl(root + L"a.txt", root + L"missing"), err::FileNotFound);

  EXPECT_EQ(fs->RemoveFile(deep + L"b.txt."), 0u);
  EXPECT_EQ(fs->RemoveFile(root + L"a.txt"), 0u);
  EXPECT_EQ(fs->RemoveFolder(deep), 0u);
  EXPECT_EQ(fs->RemoveFolder(root + std::wstring(120, L'd')), 0u);
  EXPECT_EQ(fs->RemoveFolder(root), 0u);
}

}  // namespace
}  // namespace vog
