#include <gtest/gtest.h>

#include "model/BackupInfo.h"
#include "scan/FileInfo.h"

namespace vog {
namespace {

TEST(FileInfo, DerivedPaths) {
  TFileInfo record;
  EXPECT_EQ(record.Time, 0);
  EXPECT_EQ(record.Size, 0);
  EXPECT_EQ(record.Attr, 0u);
  EXPECT_EQ(record.FullPath(), L"");

  record.SetPath(L"D:\\Data\\", L"", L"x.txt");
  EXPECT_EQ(record.RelativePath(), L"x.txt");
  EXPECT_EQ(record.FullPath(), L"D:\\Data\\x.txt");
  EXPECT_EQ(record.FolderPath(), L"D:\\Data\\");

  record.SetSubFolder(L"a\\b");
  EXPECT_EQ(record.RelativePath(), L"a\\b\\x.txt");
  EXPECT_EQ(record.FullPath(), L"D:\\Data\\a\\b\\x.txt");
  EXPECT_EQ(record.FolderPath(), L"D:\\Data\\a\\b");

  // Log records carry the whole folder in SubFolder and no root.
  TFileInfo logRecord;
  logRecord.SetPath(L"", L"C:\\Src\\a", L"f");
  EXPECT_EQ(logRecord.FullPath(), L"C:\\Src\\a\\f");
}

TEST(FileInfo, SharedFoldersAreOneTextForManyRecords) {
  TSharedText root = MakeSharedText(L"C:\\Src\\");
  TSharedText sub = MakeSharedText(L"dir");
  TFileInfo a, b;
  a.SetPath(root, sub, L"a");
  b.SetPath(root, sub, L"b");
  EXPECT_EQ(&a.RootFolder(), &b.RootFolder());
  EXPECT_EQ(&a.SubFolder(), &b.SubFolder());
  EXPECT_EQ(b.FullPath(), L"C:\\Src\\dir\\b");
  // Changing one record's folder leaves the other alone.
  a.SetRootFolder(L"D:\\");
  EXPECT_EQ(a.FullPath(), L"D:\\dir\\a");
  EXPECT_EQ(b.FullPath(), L"C:\\Src\\dir\\b");
  EXPECT_EQ(MakeSharedText(L""), nullptr);
}

TEST(FileInfo, AssignBetweenPlainAndBackupRecords) {
  TBackupInfo item;
  TBackupFileInfo source;
  source.SetPath(L"C:\\S\\", L"d", L"n.txt");
  source.Size = 5000000000LL;
  source.Time = 0x12345678;
  source.Attr = 0x21;
  source.SetBackupInfo(&item);

  TBackupFileInfo copy;
  copy.Assign(source);
  EXPECT_EQ(copy.FullPath(), L"C:\\S\\d\\n.txt");
  EXPECT_EQ(copy.Size, 5000000000LL);
  EXPECT_EQ(copy.Time, 0x12345678);
  EXPECT_EQ(copy.Attr, 0x21u);
  EXPECT_EQ(copy.BackupInfo, &item);

  TFileInfo plain;
  plain.Assign(source);
  EXPECT_EQ(plain.RelativePath(), L"d\\n.txt");

  // Through the base class too: the override decides.
  TFileInfo& asBase = copy;
  asBase.Assign(plain);
  EXPECT_EQ(copy.BackupInfo, nullptr);
  EXPECT_EQ(copy.FullPath(), L"C:\\S\\d\\n.txt");
}

TEST(FileInfo, DestinationRoot) {
  TBackupInfo item;
  item.DestFolder = L"F:\\Backup\\Docs";
  item.SourceFolder = L"C:\\Docs";
  item.ArchiveName = L"%Date%.zip";
  TBackupFileInfo record;
  EXPECT_EQ(record.DestinationRoot(), L"");
  record.SetBackupInfo(&item);
  EXPECT_EQ(record.DestinationRoot(), L"F:\\Backup\\Docs");
  item.Archive = true;
  EXPECT_EQ(record.DestinationRoot(), L"F:\\Backup\\Docs\\%Date%.zip\tC:\\Docs");
}

}  // namespace
}  // namespace vog
