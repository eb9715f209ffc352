// File and folder utilities on the memory platform.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "platform/Shell.h"
#include "scan/FileInfo.h"
#include "scan/FileUtils.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class FileUtilsTest : public test::MemoryTest {
protected:
  TFileTime Local(int year, int month, int day, int hour, int minute, int second) {
    TDateTime value = 0;
    EXPECT_TRUE(TryEncodeDateTime(year, month, day, hour, minute, second, 0, value));
    return ManualClock().LocalToUtc(DateTimeToFileTime(value));
  }
  TFileTime LastWrite(const std::wstring& path) {
    TFindData info;
    EXPECT_EQ(Files().GetInfo(path, info), err::Success);
    return info.LastWriteTime;
  }
};

TEST_F(FileUtilsTest, FindActualNameFollowsTheAttributeMask) {
  Fs().AddFile(L"C:\\Data\\Report.DOC", "");
  Fs().AddFile(L"C:\\Data\\Hidden.txt", "", attr::Hidden);
  Fs().AddFolder(L"C:\\Data\\SubDir");
  EXPECT_EQ(FindActualName(L"c:\\data\\report.doc", 22), L"Report.DOC");
  EXPECT_EQ(FindActualName(L"C:\\DATA\\SUBDIR", 22), L"SubDir");
  EXPECT_EQ(FindActualName(L"C:\\DATA\\HIDDEN.TXT", 63), L"Hidden.txt");
  EXPECT_EQ(FindActualName(L"C:\\DATA\\HIDDEN.TXT", 0), L"");  // hidden entries need the mask
  EXPECT_EQ(FindActualName(L"C:\\DATA\\SUBDIR", 0), L"");
  EXPECT_EQ(FindActualName(L"C:\\Data\\none", 63), L"");
  EXPECT_EQ(FindActualName(L"C:\\none\\none", 63), L"");
}

TEST_F(FileUtilsTest, ActualCasePathTakesTheStoredNames) {
  Fs().AddFile(L"C:\\My Data\\Sub Dir\\Report.Doc", "");
  EXPECT_EQ(ActualCasePath(L"C:\\MY DATA\\sub dir\\REPORT.DOC"), L"C:\\My Data\\Sub Dir\\Report.Doc");
  EXPECT_EQ(ActualCasePath(L"C:\\my data\\SUB DIR"), L"C:\\My Data\\Sub Dir");
  EXPECT_EQ(ActualCasePath(L"C:\\my data\\SUB DIR\\"), L"C:\\My Data\\Sub Dir\\");
  EXPECT_EQ(ActualCasePath(L"C:\\"), L"C:\\");
  EXPECT_EQ(ActualCasePath(L"\\\\srv\\SHARE\\x"), L"\\\\srv\\SHARE\\x");
  // Parts that cannot be found keep their spelling.
  EXPECT_EQ(ActualCasePath(L"C:\\my data\\nothing\\X.txt"), L"C:\\My Data\\nothing\\X.txt");
}

TEST_F(FileUtilsTest, ByteTextPathRootStepsOverDoubleByteCharacters) {
  EXPECT_EQ(PathRoot(std::string_view("\\\\srv\\share\\dir\\f.txt")), "\\\\srv\\share");
  EXPECT_EQ(PathRoot(std::string_view("D:\\x")), "D:");
  // "\x95\x5c" is one cp932 character whose second byte is the code of "\".
  const std::string server = "\\\\s\x95\x5c\\sh\\rest";
  EXPECT_EQ(PathRoot(std::string_view(server)), "\\\\s\x95\x5c\\sh");
  // A lead byte as the last byte does not take the reader past the end.
  EXPECT_EQ(PathRoot(std::string_view("\\\\srv\\\x95")), "\\\\srv\\\x95");
}

TEST_F(FileUtilsTest, DeleteFileForceClearsReadOnly) {
  Fs().AddFile(L"C:\\a.txt", "");
  Fs().AddFile(L"C:\\ro.txt", "", attr::ReadOnly | attr::Archive);
  Fs().AddFile(L"C:\\locked.txt", "");
  Fs().InjectFault({L"C:\\locked.txt", TFaultOp::Remove, err::SharingViolation});
  EXPECT_TRUE(DeleteFileForce(std::wstring(L"C:\\a.txt")));
  EXPECT_TRUE(DeleteFileForce(std::wstring(L"C:\\ro.txt")));
  EXPECT_FALSE(Fs().Exists(L"C:\\ro.txt"));
  EXPECT_FALSE(DeleteFileForce(std::wstring(L"C:\\locked.txt")));
  EXPECT_TRUE(Fs().Exists(L"C:\\locked.txt"));
  EXPECT_FALSE(DeleteFileForce(std::wstring(L"C:\\missing.txt")));
  // Byte text goes through the code page: "\x95\x5c" is 表.
  Fs().AddFile(L"C:\\\u8868.txt", "", attr::ReadOnly);
  EXPECT_TRUE(DeleteFileForce(std::string("C:\\\x95\x5c.txt")));
  EXPECT_FALSE(Fs().Exists(L"C:\\\u8868.txt"));
}

TEST_F(FileUtilsTest, DeleteFolderTreeRemovesEverythingItCan) {
  Fs().AddFile(L"C:\\Hist\\a.txt", "");
  Fs().AddFile(L"C:\\Hist\\ro.txt", "", attr::ReadOnly);
  Fs().AddFile(L"C:\\Hist\\Sub\\Deep\\b.txt", "", attr::Hidden | attr::System);
  Fs().AddFolder(L"C:\\Hist\\RoFolder", attr::Directory | attr::ReadOnly);
  Fs().AddFile(L"C:\\Keep\\k.txt", "");
  DeleteFolderTree(std::wstring(L"C:\\Hist"));
  EXPECT_FALSE(Fs().Exists(L"C:\\Hist"));
  EXPECT_TRUE(Fs().Exists(L"C:\\Keep\\k.txt"));

  // A file that cannot go leaves its folders; the rest still goes and nothing is raised.
  Fs().AddFile(L"C:\\Hist\\x\\busy.txt", "");
  Fs().AddFile(L"C:\\Hist\\y\\free.txt", "");
  Fs().InjectFault({L"C:\\Hist\\x\\busy.txt", TFaultOp::Remove, err::SharingViolation});
  DeleteFolderTree(std::wstring(L"C:\\Hist"));
  EXPECT_TRUE(Fs().Exists(L"C:\\Hist\\x\\busy.txt"));
  EXPECT_FALSE(Fs().Exists(L"C:\\Hist\\y"));

  DeleteFolderTree(std::wstring(L"C:\\NotThere"));
  try {
    DeleteFolderTree(std::wstring());
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"フォルダ名が設定されていません");
  }
  EXPECT_THROW(DeleteFolderTree(std::string()), Error);
  Fs().AddFile(L"C:\\\u8868\\f", "");
  DeleteFolderTree(std::string("C:\\\x95\x5c"));
  EXPECT_FALSE(Fs().Exists(L"C:\\\u8868"));
}

TEST_F(FileUtilsTest, CopyFileDateRoundsToTwoSeconds) {
  Fs().AddFile(L"C:\\src.txt", "s", attr::Archive, Local(2023, 7, 1, 10, 20, 31));
  Fs().AddFile(L"C:\\dst.txt", "d", attr::Archive, Local(2000, 1, 1, 0, 0, 0));
  EXPECT_TRUE(CopyFileDate(L"C:\\src.txt", L"C:\\dst.txt"));
  EXPECT_EQ(LastWrite(L"C:\\dst.txt"), Local(2023, 7, 1, 10, 20, 30));

  // A time the DOS form cannot hold is not copied.
  Fs().AddFile(L"C:\\old.txt", "", attr::Archive, Local(1975, 1, 1, 0, 0, 0));
  EXPECT_FALSE(CopyFileDate(L"C:\\old.txt", L"C:\\dst.txt"));
  EXPECT_EQ(LastWrite(L"C:\\dst.txt"), Local(2023, 7, 1, 10, 20, 30));

  // Every failure is the result, with its code; none raises.
  uint32_t code = 0;
  EXPECT_FALSE(CopyFileDate(L"C:\\old.txt", L"C:\\dst.txt", &code));
  EXPECT_EQ(code, err::InvalidParameter);
  EXPECT_FALSE(CopyFileDate(L"C:\\missing.txt", L"C:\\dst.txt", &code));
  EXPECT_EQ(code, err::FileNotFound);
  Fs().InjectFault({L"C:\\dst.txt", TFaultOp::Open, err::SharingViolation});
  EXPECT_FALSE(CopyFileDate(L"C:\\src.txt", L"C:\\dst.txt", &code));
  EXPECT_EQ(code, err::SharingViolation);
}

TEST_F(FileUtilsTest, CopyCreationTimes) {
  const TFileTime created = Local(2021, 3, 4, 5, 6, 7);
  Fs().AddFile(L"C:\\src.txt", "s");
  ASSERT_EQ(Files().SetTimes(L"C:\\src.txt", &created, nullptr, nullptr), err::Success);
  Fs().AddFile(L"C:\\dst.txt", "d");
  Fs().AddFile(L"C:\\ro.txt", "r", attr::ReadOnly | attr::Archive);
  EXPECT_TRUE(CopyFileCreationTime(L"C:\\src.txt", L"C:\\dst.txt"));
  EXPECT_TRUE(CopyFileCreationTime(L"C:\\src.txt", L"C:\\ro.txt"));
  TFindData info;
  ASSERT_EQ(Files().GetInfo(L"C:\\ro.txt", info), err::Success);
  EXPECT_EQ(info.CreationTime, created);
  EXPECT_EQ(info.Attr, attr::ReadOnly | attr::Archive);  // put back
  ASSERT_EQ(Files().GetInfo(L"C:\\dst.txt", info), err::Success);
  EXPECT_EQ(info.CreationTime, created);
  EXPECT_FALSE(CopyFileCreationTime(L"C:\\missing.txt", L"C:\\dst.txt"));
  EXPECT_FALSE(CopyFileCreationTime(L"C:\\src.txt", L"C:\\missing.txt"));

  Fs().AddFolder(L"C:\\FromDir");
  Fs().AddFolder(L"C:\\ToDir");
  ASSERT_EQ(Files().SetTimes(L"C:\\FromDir", &created, nullptr, nullptr), err::Success);
  EXPECT_TRUE(CopyFolderCreationTime(L"C:\\FromDir", L"C:\\ToDir"));
  ASSERT_EQ(Files().GetInfo(L"C:\\ToDir", info), err::Success);
  EXPECT_EQ(info.CreationTime, created);
  EXPECT_FALSE(CopyFolderCreationTime(L"C:\\FromDir", L"C:\\NoDir"));
  EXPECT_FALSE(CopyFolderCreationTime(L"C:\\NoDir", L"C:\\ToDir"));
}

TEST_F(FileUtilsTest, SpecialFolderPathAsksTheShell) {
  std::wstring path = L"unchanged";
  EXPECT_FALSE(SpecialFolderPath(csidl::Personal, path));
  Mem().MemShell->SetSpecialFolder(csidl::Personal, L"C:\\Users\\me\\Documents");
  EXPECT_TRUE(SpecialFolderPath(csidl::Personal, path));
  EXPECT_EQ(path, L"C:\\Users\\me\\Documents");
  Mem().Shell.reset();
  EXPECT_FALSE(SpecialFolderPath(csidl::Personal, path));
}

}  // namespace
}  // namespace vog
