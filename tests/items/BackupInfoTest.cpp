#include <gtest/gtest.h>

#include <memory>

#include "model/BackupInfo.h"
#include "model/ItemFactory.h"

namespace vog {
namespace {

TEST(BackupInfo, NewItemHasTheDefaults) {
  TBackupInfo item;
  EXPECT_TRUE(item.IncludeSubFolders);
  EXPECT_TRUE(item.Condition.CopyNew);
  EXPECT_TRUE(item.Condition.CopySizeChanged);
  EXPECT_TRUE(item.Condition.CopyNewer);
  EXPECT_FALSE(item.Condition.CopyAll);
  EXPECT_FALSE(item.Condition.Mirroring);
  EXPECT_FALSE(item.Condition.CopyTimeChanged);
  EXPECT_FALSE(item.UseHistoryDatabase || item.KeepHistory || item.ConfirmOverwrite || item.Archive || item.Encrypt ||
               item.Decrypt || item.UseTempFile || item.UseHistoryFolder || item.NetLogon || item.CheckVolumeLabel ||
               item.NetDisconnect || item.SpareFlag || item.SecondLogon || item.SecondDisconnect);
  EXPECT_EQ(item.CipherName, "Blowfish");
  EXPECT_EQ(item.ArchiveName, L"Backup.lzh");
  EXPECT_EQ(item.HistoryFolderFormat, L"'世代' yyyy-mm-dd");
  EXPECT_EQ(item.HistoryCount, 0);
  EXPECT_TRUE(item.Title.empty() && item.SourceFolder.empty() && item.DestFolder.empty());
  EXPECT_TRUE(item.TargetCondition.Files.empty() && item.TargetCondition.Folders.empty());
  EXPECT_TRUE(item.ExcludeCondition.Files.empty() && item.ExcludeCondition.Folders.empty());
}

// Every field set to a non-default value, so that a field missing from Assign shows.
void FillEveryField(TBackupInfo& item) {
  item.SetTitle(L"t");
  item.SetSourceFolder(L"C:\\s");
  item.SetDestFolder(L"D:\\d");
  item.SetHistoryFolderFormat(L"yyyy");
  item.SetArchiveName(L"a.zip");
  item.SetHistoryFolder(L"E:\\h");
  item.SetVolumeLabel(L"VOL");
  item.SetIncludeSubFolders(false);
  item.SetUseHistoryDatabase(true);
  item.Condition.SetCopyNew(false);
  item.Condition.SetCopySizeChanged(false);
  item.Condition.SetCopyNewer(false);
  item.Condition.SetCopyAll(true);
  item.Condition.SetMirroring(true);
  item.Condition.SetCopyTimeChanged(true);
  item.TargetCondition.Files = {L"*.txt", L"*.txt"};
  item.TargetCondition.Folders = {L"x*"};
  item.ExcludeCondition.Files = {L"e"};
  item.ExcludeCondition.Folders = {L"C:\\s\\tmp", L"obj"};
  item.SetKeepHistory(true);
  item.SetConfirmOverwrite(true);
  item.SetArchive(true);
  item.SetEncrypt(true);
  item.SetCipherKey("key\x82\xa0");
  item.SetDecrypt(true);
  item.SetCipherName("Other");
  item.SetUseTempFile(true);
  item.SetHistoryCount(-7);
  item.SetUseHistoryFolder(true);
  item.SetNetLogon(true);
  item.SetCheckVolumeLabel(true);
  item.SetNetUser("user");
  item.SetNetPassword("pw");
  item.SetNetDisconnect(true);
  item.SetSpareFlag(true);
  item.SetSecondLogon(true);
  item.SetSecondUser("u2");
  item.SetSecondDisconnect(true);
  item.SetSecondPassword("p2");
}

bool SameItem(const TBackupInfo& a, const TBackupInfo& b) {
  const auto& x = a.Condition;
  const auto& y = b.Condition;
  return a.Title == b.Title && a.SourceFolder == b.SourceFolder && a.DestFolder == b.DestFolder &&
         a.HistoryFolderFormat == b.HistoryFolderFormat && a.ArchiveName == b.ArchiveName &&
         a.HistoryFolder == b.HistoryFolder && a.VolumeLabel == b.VolumeLabel &&
         a.IncludeSubFolders == b.IncludeSubFolders && a.UseHistoryDatabase == b.UseHistoryDatabase &&
         x.CopyNew == y.CopyNew && x.CopySizeChanged == y.CopySizeChanged && x.CopyNewer == y.CopyNewer &&
         x.CopyAll == y.CopyAll && x.Mirroring == y.Mirroring && x.CopyTimeChanged == y.CopyTimeChanged &&
         a.TargetCondition.Files == b.TargetCondition.Files && a.TargetCondition.Folders == b.TargetCondition.Folders &&
         a.ExcludeCondition.Files == b.ExcludeCondition.Files &&
         a.ExcludeCondition.Folders == b.ExcludeCondition.Folders && a.KeepHistory == b.KeepHistory &&
         a.ConfirmOverwrite == b.ConfirmOverwrite && a.Archive == b.Archive && a.Encrypt == b.Encrypt &&
         a.CipherKey == b.CipherKey && a.Decrypt == b.Decrypt && a.CipherName == b.CipherName &&
         a.UseTempFile == b.UseTempFile && a.HistoryCount == b.HistoryCount &&
         a.UseHistoryFolder == b.UseHistoryFolder && a.NetLogon == b.NetLogon &&
         a.CheckVolumeLabel == b.CheckVolumeLabel && a.NetUser == b.NetUser && a.NetPassword == b.NetPassword &&
         a.NetDisconnect == b.NetDisconnect && a.SpareFlag == b.SpareFlag && a.SecondLogon == b.SecondLogon &&
         a.SecondUser == b.SecondUser && a.SecondDisconnect == b.SecondDisconnect &&
         a.SecondPassword == b.SecondPassword;
}

TEST(BackupInfo, AssignCopiesEveryFieldAndKeepsConditionsApart) {
  TBackupInfo source;
  FillEveryField(source);
  TBackupInfo copy;
  ASSERT_FALSE(SameItem(source, copy));
  copy.Assign(source);
  EXPECT_TRUE(SameItem(source, copy));

  copy.TargetCondition.Files.push_back(L"*.doc");
  copy.ExcludeCondition.Folders.clear();
  copy.Condition.SetCopyAll(false);
  EXPECT_EQ(source.TargetCondition.Files.size(), 2u);
  EXPECT_EQ(source.ExcludeCondition.Folders.size(), 2u);
  EXPECT_TRUE(source.Condition.CopyAll);

  // Assign back onto a default item restores the defaults.
  TBackupInfo fresh;
  copy.Assign(fresh);
  EXPECT_TRUE(SameItem(fresh, copy));
  copy.Assign(copy);
  EXPECT_TRUE(SameItem(fresh, copy));
}

TEST(BackupInfoList, OwnsItsItemsAndHandsThemOver) {
  TBackupInfoList list;
  auto add = [&list] { return list[list.Add(std::make_unique<TBackupInfo>())]; };
  TBackupInfo* a = add();
  TBackupInfo* b = add();
  TBackupInfo* c = add();
  TBackupInfo outsider;
  EXPECT_EQ(list.Remove(&outsider), -1);
  EXPECT_EQ(list.Extract(&outsider), nullptr);

  std::unique_ptr<TBackupInfo> taken = list.Extract(a);
  EXPECT_EQ(taken.get(), a);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0), b);
  EXPECT_EQ(list.Remove(b), 0);  // freed
  EXPECT_EQ(list.Items(0), c);
  EXPECT_THROW(list.Items(1), std::out_of_range);
  list.Add(std::move(taken));
  EXPECT_EQ(list.Items(1), a);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ItemFactory, DroppedFileBecomesAnItemForThatFile) {
  auto item = CreateItemFromPath(L"C:\\Data\\report.doc", false);
  EXPECT_EQ(item->Title, L"report");
  EXPECT_EQ(item->SourceFolder, L"C:\\Data");
  EXPECT_EQ(item->TargetCondition.Files, std::vector<std::wstring>{L"report.doc"});
  EXPECT_TRUE(item->TargetCondition.Folders.empty());
  EXPECT_FALSE(item->IncludeSubFolders);
  EXPECT_TRUE(item->Condition.Mirroring);
  EXPECT_TRUE(item->UseTempFile);
  EXPECT_TRUE(item->Condition.CopyNew);
  EXPECT_FALSE(item->Archive);

  // Only the last extension goes; a name without one is kept whole.
  EXPECT_EQ(CreateItemFromPath(L"C:\\a.b\\x.tar.gz", false)->Title, L"x.tar");
  EXPECT_EQ(CreateItemFromPath(L"C:\\a.b\\README", false)->Title, L"README");
  EXPECT_EQ(CreateItemFromPath(L"\\\\srv\\share\\f.txt", false)->SourceFolder, L"\\\\srv\\share");
  // A file in a drive root keeps the root's backslash (C: alone would be drive-relative).
  EXPECT_EQ(CreateItemFromPath(L"C:\\boot.ini", false)->SourceFolder, L"C:\\");
}

TEST(ItemFactory, DroppedFolderBecomesAnItemForTheTree) {
  auto item = CreateItemFromPath(L"D:\\Work\\Projects", true);
  EXPECT_EQ(item->Title, L"Projects");
  EXPECT_EQ(item->SourceFolder, L"D:\\Work\\Projects");
  EXPECT_TRUE(item->IncludeSubFolders);
  EXPECT_TRUE(item->TargetCondition.Files.empty());
  EXPECT_TRUE(item->Condition.Mirroring);
  EXPECT_TRUE(item->UseTempFile);

  EXPECT_EQ(CreateItemFromPath(L"D:\\Work\\Projects\\", true)->Title, L"Projects");
  EXPECT_EQ(CreateItemFromPath(L"\\\\srv\\share", true)->Title, L"share");
  // A drive root is named by its letter rather than by an empty title.
  EXPECT_EQ(CreateItemFromPath(L"E:\\", true)->Title, L"E");
}

TEST(ItemFactory, RestoreItemSwapsSourceAndDestination) {
  TBackupInfo item;
  FillEveryField(item);
  item.Title = L"Docs";
  item.SourceFolder = L"%MyDocuments%";
  item.Archive = false;
  item.Encrypt = true;
  item.Decrypt = false;

  auto restore = CreateRestoreItem(item, L"F:\\Backup", L"C:\\Users\\me\\Documents", false);
  EXPECT_EQ(restore->Title, L"Docs");
  EXPECT_EQ(restore->SourceFolder, L"F:\\Backup\\Docs");
  EXPECT_EQ(restore->DestFolder, L"C:\\Users\\me\\Documents");
  EXPECT_TRUE(restore->Encrypt);
  EXPECT_TRUE(restore->Decrypt);
  EXPECT_EQ(restore->CipherKey, item.CipherKey);
  EXPECT_EQ(restore->CipherName, "Other");
  EXPECT_TRUE(restore->Condition.CopyAll);
  // Everything else is a new item's: no mirroring, history, questions or filters.
  EXPECT_FALSE(restore->Condition.Mirroring);
  EXPECT_FALSE(restore->KeepHistory);
  EXPECT_FALSE(restore->ConfirmOverwrite);
  EXPECT_TRUE(restore->IncludeSubFolders);
  EXPECT_TRUE(restore->TargetCondition.Files.empty());
  EXPECT_TRUE(restore->ExcludeCondition.Folders.empty());

  auto changedOnly = CreateRestoreItem(item, L"F:\\Backup\\", L"C:\\x", true);
  EXPECT_EQ(changedOnly->SourceFolder, L"F:\\Backup\\Docs");
  EXPECT_FALSE(changedOnly->Condition.CopyAll);

  // An item that deciphers while copying, or does not encrypt, gives a plain restore.
  item.Decrypt = true;
  auto plain = CreateRestoreItem(item, L"F:\\B", L"C:\\x", false);
  EXPECT_FALSE(plain->Encrypt);
  EXPECT_FALSE(plain->Decrypt);
  EXPECT_TRUE(plain->CipherKey.empty());
  EXPECT_EQ(plain->CipherName, "Blowfish");
}

}  // namespace
}  // namespace vog

#include "support/MemoryFixture.h"

namespace vog {
namespace {

class ItemFromDrop : public test::MemoryTest {};

TEST_F(ItemFromDrop, AsksTheFileSystemWhetherThePathIsAFolder) {
  Fs().AddFile(L"C:\\Data\\report.doc", "");
  Fs().AddFolder(L"C:\\Data\\Photos.2024");
  auto file = CreateItemFromPath(L"C:\\Data\\report.doc");
  EXPECT_EQ(file->Title, L"report");
  EXPECT_FALSE(file->IncludeSubFolders);
  auto folder = CreateItemFromPath(L"C:\\Data\\Photos.2024");
  EXPECT_EQ(folder->Title, L"Photos.2024");  // a folder keeps its whole name
  EXPECT_TRUE(folder->IncludeSubFolders);
  EXPECT_TRUE(folder->TargetCondition.Files.empty());
}

}  // namespace
}  // namespace vog
