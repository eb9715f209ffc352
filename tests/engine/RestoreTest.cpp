// The restore: plain items through a TBackup run, archived items through the archiver,
// history folders left out, and checks made before anything is copied.
#include "base/Error.h"
#include "engine/ArchiveWork.h"
#include "engine/EngineTestSupport.h"
#include "engine/Restore.h"
#include "scan/FileUtils.h"

namespace vog::test {
namespace {

using Names = std::vector<std::wstring>;

class TKeyQuestions : public TScriptedQuestions {
public:
  bool Given = true;
  std::string Key;
  int Asked = 0;
  bool AskCipherKey(std::string& key) override {
    ++Asked;
    key = Key;
    return Given;
  }
};

class RestoreTest : public EngineTest {
protected:
  TBackupInfo& Archived(const std::wstring& name, const std::wstring& archiveName, bool encrypt) {
    TBackupInfo& item = Item(name, false);
    item.Archive = true;
    item.ArchiveName = archiveName;
    item.Encrypt = encrypt;
    return item;
  }

  void Backup(std::vector<TBackupInfo*> items, const std::string& runKey = "") {
    TBackup backup;
    backup.SetRunCipherKey(runKey);
    for (TBackupInfo* item : items) backup.AddItem(item);
    backup.Plan();
    backup.Execute();
    ASSERT_EQ(backup.ErrorFiles.Count(), 0);
  }

  // Restores every item of `items` (all checked) from E:\Dst.
  void Restore(std::vector<TBackupInfo*> items, bool clear = false, bool changedOnly = true,
               const std::wstring& target = L"") {
    TRestore restore;
    restore.Settings.MainDestFolder = L"E:\\Dst";
    restore.Settings.TargetFolder = target;
    restore.Settings.ClearRestoreTarget = clear;
    restore.Settings.RestoreChangedOnly = changedOnly;
    for (TBackupInfo* item : items) restore.Add(item, true);
    restore.Execute();
    errors_ = restore.ErrorFiles.Count();
  }

  void AddTree(const std::wstring& root) {
    Fs().AddFile(root + L"\\a.txt", "alpha");
    Fs().AddFile(root + L"\\日本語\\b.txt", "beta beta");
  }

  std::wstring Message(const std::function<void()>& action) {
    try {
      action();
    } catch (const Error& e) {
      return e.Message();
    }
    return L"";
  }

  int errors_ = 0;
};

TEST_F(RestoreTest, ArchivedItemsOfEveryKindComeBackAndTheWorkFileGoes) {
  TBackupInfo& lzh = Archived(L"L", L"Backup.lzh", false);
  TBackupInfo& zip = Archived(L"Z", L"Backup.zip", true);
  zip.CipherKey = "k1";
  TBackupInfo& both = Archived(L"B", L"Backup.lzh", true);
  both.Decrypt = true;  // still an encoded archive
  both.CipherKey = "k2";
  for (const wchar_t* name : {L"L", L"Z", L"B"}) AddTree(L"D:\\" + std::wstring(name));
  Backup({&lzh, &zip, &both});
  for (const wchar_t* name : {L"L", L"Z", L"B"}) DeleteFolderTree(L"D:\\" + std::wstring(name));

  Restore({&lzh, &zip, &both});
  for (const wchar_t* name : {L"L", L"Z", L"B"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Fs().ListTree(L"D:\\" + std::wstring(name)), (Names{L"a.txt", L"日本語\\", L"日本語\\b.txt"}));
    std::string content;
    Fs().ReadContent(L"D:\\" + std::wstring(name) + L"\\日本語\\b.txt", content);
    EXPECT_EQ(content, "beta beta");
  }
  EXPECT_EQ(Fs().ListTree(L"C:\\Temp"), Names{});
}

TEST_F(RestoreTest, KeyIsAskedOnceForItemsWithoutOneAndACancelRestoresNothing) {
  TBackupInfo& item = Archived(L"Z", L"Backup.zip", true);
  AddTree(L"D:\\Z");
  Backup({&item}, "run key");
  DeleteFolderTree(L"D:\\Z");
  TKeyQuestions questions;
  questions.Given = false;
  EXPECT_EQ(Message([&] { Restore({&item}); }), L"暗号キーを入力してください");
  EXPECT_FALSE(Fs().Exists(L"D:\\Z"));
  // The same in the plain stage: an enciphered plain item without a key.
  TBackupInfo& plain = Item(L"P", false);
  plain.Encrypt = true;
  AddTree(L"D:\\P");
  Backup({&plain}, "run key");
  DeleteFolderTree(L"D:\\P");
  EXPECT_EQ(Message([&] { Restore({&plain}); }), L"暗号キーを入力してください");
  EXPECT_FALSE(Fs().Exists(L"D:\\P"));
  questions.Given = true;
  questions.Key = "run key";
  questions.Asked = 0;
  Restore({&item});
  EXPECT_EQ(questions.Asked, 1);
  EXPECT_TRUE(Fs().Exists(L"D:\\Z\\日本語\\b.txt"));
}

TEST_F(RestoreTest, AMissingBackupFolderOrArchiveStopsBeforeAnythingIsCopied) {
  TBackupInfo& present = Archived(L"A", L"Backup.lzh", false);
  AddTree(L"D:\\A");
  Backup({&present});
  DeleteFolderTree(L"D:\\A");
  TBackupInfo& plain = Item(L"Never");
  TBackupInfo& archived = Archived(L"NoArchive", L"Backup.lzh", false);
  Fs().AddFolder(L"E:\\Dst\\NoArchive");
  EXPECT_EQ(Message([&] { Restore({&present, &plain}); }), L"リストア元\r\nE:\\Dst\\Never\r\nが存在しません");
  EXPECT_EQ(Message([&] {
              Restore({&present, &archived});
            }),
            L"リストア元\r\nE:\\Dst\\NoArchive\\Backup.lzh\r\nが存在しません");
  EXPECT_FALSE(Fs().Exists(L"D:\\A"));
}

TEST_F(RestoreTest, PlainItemsComeBackWithoutHistoryFilesButWithTheirMarkers) {
  TBackupInfo& plain = Item(L"P", false);
  TBackupInfo& coded = Item(L"C", false);
  coded.Encrypt = true;
  coded.CipherKey = "key";
  AddTree(L"D:\\P");
  AddTree(L"D:\\C");
  Backup({&plain, &coded});
  const std::wstring dated = L"E:\\Dst\\P\\日本語\\世代 2009-01-02";
  Fs().AddFile(dated + L"\\b.txt", "an old beta");
  Fs().AddFile(dated + L"\\Vogmerist世代管理フォルダ", "marker");
  DeleteFolderTree(L"D:\\P");
  DeleteFolderTree(L"D:\\C");

  Restore({&plain, &coded});
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(Fs().ListTree(L"D:\\P"), (Names{L"a.txt", L"日本語\\", L"日本語\\b.txt", L"日本語\\世代 2009-01-02\\",
                                            L"日本語\\世代 2009-01-02\\Vogmerist世代管理フォルダ"}));
  std::string content;
  Fs().ReadContent(L"D:\\C\\日本語\\b.txt", content);
  EXPECT_EQ(content, "beta beta");
}

// A file that looks like its backup (same size and time) is restored only when every file is.
TEST_F(RestoreTest, RestoreChangedOnlyLeavesFilesThatLookLikeTheirBackup) {
  for (const bool changedOnly : {true, false}) {
    SCOPED_TRACE(changedOnly);
    DeleteFolderTree(L"D:\\P");
    DeleteFolderTree(L"E:\\Dst");
    TBackupInfo& plain = Item(L"P", false);
    AddTree(L"D:\\P");
    Backup({&plain});
    TFindData backedUp;
    ASSERT_EQ(Files().GetInfo(L"D:\\P\\a.txt", backedUp), 0u);
    Fs().AddFile(L"D:\\P\\a.txt", "ALPHA");
    ASSERT_EQ(Files().SetTimes(L"D:\\P\\a.txt", nullptr, nullptr, &backedUp.LastWriteTime), 0u);
    DeleteFileForce(L"D:\\P\\日本語\\b.txt");

    Restore({&plain}, false, changedOnly);
    EXPECT_EQ(errors_, 0);
    std::string a, b;
    Fs().ReadContent(L"D:\\P\\a.txt", a);
    Fs().ReadContent(L"D:\\P\\日本語\\b.txt", b);
    EXPECT_EQ(a, changedOnly ? "ALPHA" : "alpha");
    EXPECT_EQ(b, "beta beta");
  }
}

TEST_F(RestoreTest, ClearRestoreTargetEmptiesTheTargetUnlessItHoldsTheBackup) {
  TBackupInfo& item = Item(L"P", false);
  AddTree(L"D:\\P");
  Backup({&item});
  Fs().AddFile(L"D:\\P\\stray.txt", "not in the backup");
  Restore({&item}, true);
  EXPECT_EQ(Fs().ListTree(L"D:\\P"), (Names{L"a.txt", L"日本語\\", L"日本語\\b.txt"}));

  TBackupInfo& holding = Item(L"H", false);
  holding.SourceFolder = L"E:\\";  // its backup E:\Dst\H lies inside
  Fs().AddFolder(L"E:\\Dst\\H");
  EXPECT_EQ(Message([&] { Restore({&holding}, true); }), L"\"E:\\\" は空にできないフォルダです");
  holding.SourceFolder = L"E:\\Dst";
  EXPECT_EQ(Message([&] { Restore({&holding}, true); }),
            L"リストア先 \"E:\\Dst\" はリストア元 \"E:\\Dst\\H\" を含むため空にできません");
  EXPECT_TRUE(Fs().Exists(L"E:\\Dst\\P\\a.txt"));
}

// Restored elsewhere, every item lands in a folder named by its title below the chosen
// folder; the originals are not touched (not even emptied), and the backup never becomes
// its own target.
TEST_F(RestoreTest, ToAnotherFolderLeavesTheOriginalsAndRefusesTargetsInTheBackup) {
  TBackupInfo& plain = Item(L"P", false);
  TBackupInfo& zip = Archived(L"Z", L"Backup.zip", true);
  zip.CipherKey = "k";
  AddTree(L"D:\\P");
  AddTree(L"D:\\Z");
  Backup({&plain, &zip});
  for (const wchar_t* name : {L"P", L"Z"}) Fs().AddFile(L"D:\\" + std::wstring(name) + L"\\a.txt", "changed since");

  Fs().AddVolume(L"F:");
  ASSERT_EQ(Message([&] { Restore({&plain, &zip}, true, false, L"F:\\見る"); }), L"");
  EXPECT_EQ(errors_, 0);
  for (const wchar_t* name : {L"P", L"Z"}) {
    SCOPED_TRACE(name);
    const std::wstring original = L"D:\\" + std::wstring(name);
    EXPECT_EQ(Fs().ListTree(original), (Names{L"a.txt", L"日本語\\", L"日本語\\b.txt"}));
    std::string a;
    Fs().ReadContent(original + L"\\a.txt", a);
    EXPECT_EQ(a, "changed since");
    Fs().ReadContent(L"F:\\見る\\" + std::wstring(name) + L"\\a.txt", a);
    EXPECT_EQ(a, "alpha");
  }

  for (const wchar_t* target : {L"E:\\Dst", L"E:\\Dst\\P", L"E:\\Dst\\P\\sub", L"relative"}) {
    SCOPED_TRACE(target);
    EXPECT_NE(Message([&] { Restore({&plain}, false, false, target); }), L"");
  }
  EXPECT_EQ(Fs().ListTree(L"E:\\Dst\\P"), (Names{L"a.txt", L"日本語\\", L"日本語\\b.txt"}));
}

}  // namespace
}  // namespace vog::test
