// The run's plan on the memory platform: what is copied, what mirroring removes, and how
// the planning stops and fails.
#include "base/Error.h"
#include "engine/BackupHistoryDatabase.h"
#include "engine/EngineTestSupport.h"
#include "scan/FolderWalk.h"

namespace vog::test {
namespace {

using Set = std::set<std::wstring>;

TEST_F(EngineTest, NoItemsPlansAndExecutesNothing) {
  TBackup backup;
  backup.Plan();
  backup.Execute();
  EXPECT_FALSE(backup.Stopped);
  EXPECT_TRUE(backup.GetAllCopyFiles().Empty());
  EXPECT_TRUE(backup.GetAllMirrorFiles().Empty());
  EXPECT_EQ(backup.NewFolders.Count() + backup.MirrorFolders.Count(), 0);
  EXPECT_TRUE(backup.CopiedFiles.Empty() && backup.ErrorFiles.Empty());
}

TEST_F(EngineTest, PlanCases) {
  struct TCase {
    const char* Name;
    void (*Setup)(TBackupInfo&, TMemoryFileSystem&);
    Set Copy, Mirror, MirrorFolders, NewFolders;
  };
  const std::vector<TCase> cases = {
      {"changed, new and gone files; one trailing backslash cut",
       [](TBackupInfo& item, TMemoryFileSystem& fs) {
         item.SourceFolder += L"\\";
         item.DestFolder += L"\\";
         fs.AddFile(L"D:\\Src\\same.txt", "1");
         fs.AddFile(L"E:\\Dst\\Src\\same.txt", "1");
         fs.AddFile(L"D:\\Src\\grown.txt", "22");
         fs.AddFile(L"E:\\Dst\\Src\\grown.txt", "2");
         fs.AddFile(L"D:\\Src\\New\\n.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\Gone\\g.txt", "");
       },
       {L"D:\\Src\\grown.txt", L"D:\\Src\\New\\n.txt"},
       {L"E:\\Dst\\Src\\Gone\\g.txt"},
       {L"E:\\Dst\\Src\\Gone"},
       {L"E:\\Dst\\Src\\New"}},
      {"empty filtered source with mirroring",
       [](TBackupInfo& item, TMemoryFileSystem& fs) {
         item.TargetCondition.Files = {L"*.txt"};
         fs.AddFile(L"D:\\Src\\a.tmp", "");
         fs.AddFile(L"E:\\Dst\\Src\\x.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\sub\\y.txt", "");
       },
       {},
       {L"E:\\Dst\\Src\\x.txt", L"E:\\Dst\\Src\\sub\\y.txt"},
       {L"E:\\Dst\\Src\\sub"},
       {}},
      {"CopyAll without mirroring does not look at the destination",
       [](TBackupInfo& item, TMemoryFileSystem& fs) {
         item.Condition.CopyAll = true;
         item.Condition.Mirroring = false;
         fs.AddFile(L"D:\\Src\\a.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\a.txt", "");
         fs.InjectFault({L"E:\\Dst\\Src", TFaultOp::List, err::FileCorrupt});
       },
       {L"D:\\Src\\a.txt"},
       {},
       {},
       {}},
      {"CopyAll with mirroring still reads the destination for what the source lacks",
       [](TBackupInfo& item, TMemoryFileSystem& fs) {
         item.Condition.CopyAll = true;
         fs.AddFile(L"D:\\Src\\a.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\a.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\Old\\gone.txt", "");
       },
       {L"D:\\Src\\a.txt"},
       {L"E:\\Dst\\Src\\Old\\gone.txt"},
       {L"E:\\Dst\\Src\\Old"},
       {}},
      {"a .cab archive is never listed",
       [](TBackupInfo& item, TMemoryFileSystem& fs) {
         item.Archive = true;
         item.ArchiveName = L"Backup.cab";
         fs.AddFile(L"D:\\Src\\a.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\Backup.cab", "junk");
         fs.InjectFault({L"E:\\Dst\\Src", TFaultOp::Any, err::FileCorrupt});
       },
       {L"D:\\Src\\a.txt"},
       {},
       {},
       {}},
      {"history folders (with their marker) stay whole",
       [](TBackupInfo&, TMemoryFileSystem& fs) {
         const std::wstring history = L"E:\\Dst\\Src\\世代 2009-01-02\\";
         fs.AddFile(history + std::wstring(kHistoryMarkerName), "");
         fs.AddFile(history + L"a.txt", "");
         fs.AddFile(history + L"sub\\b.txt", "");
         fs.AddFolder(history + L"empty");
         fs.AddFile(L"E:\\Dst\\Src\\old.txt", "");
         fs.AddFile(L"E:\\Dst\\Src\\世代 2009-01-02x\\c.txt", "");  // not below the history folder
       },
       {},
       {L"E:\\Dst\\Src\\old.txt", L"E:\\Dst\\Src\\世代 2009-01-02x\\c.txt"},
       {L"E:\\Dst\\Src\\世代 2009-01-02x"},
       {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    TBackupInfo& item = Item();
    c.Setup(item, Fs());
    TBackup backup;
    backup.AddItem(&item);
    backup.Plan();
    EXPECT_FALSE(backup.Stopped);
    EXPECT_EQ(Paths(backup.GetAllCopyFiles()), c.Copy);
    EXPECT_EQ(Paths(backup.GetAllMirrorFiles()), c.Mirror);
    EXPECT_EQ(Paths(backup.MirrorFolders), c.MirrorFolders);
    // The source root has no "." entry on a fresh destination only when it is new.
    Set newFolders = Paths(backup.NewFolders);
    newFolders.erase(L"E:\\Dst\\Src\\");
    EXPECT_EQ(newFolders, c.NewFolders);
    EXPECT_EQ(item.SourceFolder, L"D:\\Src");
    TearDown();
  }
  SetUp();
}

TEST_F(EngineTest, StopInTheSecondOfThreeItems) {
  TBackupInfo* items[] = {&Item(L"A"), &Item(L"B"), &Item(L"C")};
  for (TBackupInfo* item : items) {
    Fs().AddFile(item->SourceFolder + L"\\new.txt", "");
    Fs().AddFile(item->DestFolder + L"\\old.txt", "");
  }
  // Windows per item: the destination scan's, then the planning's. The third window is
  // the destination scan of item B.
  windows_.StopWindow = 3;
  TBackup backup;
  for (TBackupInfo* item : items) backup.AddItem(item);
  backup.Plan();
  EXPECT_TRUE(backup.Stopped);
  EXPECT_EQ(backup.Items[0]->CopyFiles.Count(), 1);
  EXPECT_EQ(backup.Items[0]->MirrorFiles.Count(), 1);
  EXPECT_TRUE(backup.Items[2]->CopyFiles.Empty());
  EXPECT_TRUE(backup.Items[2]->MirrorFiles.Empty());
  EXPECT_EQ(windows_.Made, 3);
}

TEST_F(EngineTest, PauseAndResumeDuringPlanningChangesNothing) {
  TBackupInfo& item = Item();
  for (int i = 0; i < 5; ++i) Fs().AddFile(L"E:\\Dst\\Src\\f" + std::to_wstring(i), "");
  TScriptedProgress* scan = nullptr;
  pump_.At(3, [&] {
    scan = windows_.Last;
    scan->TogglePause();  // held here until the pump's 6th call resumes
  });
  pump_.At(6, [&] { scan->TogglePause(); });
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  EXPECT_FALSE(backup.Stopped);
  EXPECT_EQ(backup.GetAllMirrorFiles().Count(), 5);
  EXPECT_GT(pump_.Waited(), 0u);
}

TEST_F(EngineTest, SilentPlanningShowsNoWindowAndCannotBeStopped) {
  TBackupInfo& item = Item();
  Fs().AddFile(L"E:\\Dst\\Src\\old.txt", "");
  windows_.StopWindow = 1;
  TBackup backup;
  backup.SetSilent(true);
  backup.AddItem(&item);
  backup.Plan();
  EXPECT_FALSE(backup.Stopped);
  EXPECT_EQ(backup.GetAllMirrorFiles().Count(), 1);
  EXPECT_EQ(windows_.Made, 1);  // the destination scan's, never shown
  EXPECT_TRUE(windows_.Shown.empty());
}

TEST_F(EngineTest, FaultsMidWalkEndPlanningWithTheirMessage) {
  for (uint32_t code : {err::AccessDenied, err::FileCorrupt, err::BadNetPath, 64u}) {
    for (bool sourceSide : {true, false}) {
      SCOPED_TRACE(std::to_string(code) + (sourceSide ? " source" : " destination"));
      SetUp();
      TBackupInfo& item = Item();
      for (int i = 0; i < 20; ++i) {
        Fs().AddFile(L"D:\\Src\\d\\f" + std::to_wstring(i), "");
        Fs().AddFile(L"E:\\Dst\\Src\\d\\f" + std::to_wstring(i), "");
      }
      // The listing of d begins and breaks after a few entries.
      Fs().InjectFault({sourceSide ? L"D:\\Src\\d" : L"E:\\Dst\\Src\\d", TFaultOp::List, code, -1, 5});
      TBackup backup;
      backup.AddItem(&item);
      try {
        backup.Plan();
        ADD_FAILURE() << "planning went on";
      } catch (const Error& e) {
        EXPECT_EQ(e.Message(),
                  sourceSide ? L"バックアップ元のファイルチェックに失敗しました" : FolderCheckFailedMessage(code));
      }
      // Nothing was planned; the scan thread has ended (the lists it wrote are gone).
      EXPECT_TRUE(backup.GetAllMirrorFiles().Empty());
      TearDown();
    }
  }
  SetUp();
}

TEST_F(EngineTest, HistoryDatabaseListsExactlyTheEntriesBelowTheItemAndRemovesNoFolder) {
  TBackupInfo& item = Item();
  item.UseHistoryDatabase = true;
  Fs().AddFolder(L"E:\\Dst\\Src\\OnlyOnDisk");
  Fs().AddFile(L"D:\\Src\\kept.txt", "");
  TBackupHistoryDatabase db;
  auto entry = [&db](const std::wstring& root, const std::wstring& sub, const std::wstring& name) {
    auto record = std::make_unique<TBackupFileInfo>();
    record->SetPath(root, sub, name);
    db.Entries().Add(std::move(record));
  };
  entry(L"E:\\Dst\\Src\\", L"", L"kept.txt");
  entry(L"E:\\Dst\\Src\\", L"", L"gone.txt");
  entry(L"", L"E:\\Dst\\Src\\deep", L"gone2.txt");
  entry(L"E:\\Dst\\Src2\\", L"", L"other.txt");  // a folder that merely begins alike
  entry(L"E:\\Dst\\", L"", L"outside.txt");
  TBackup backup;
  backup.SetHistoryDatabase(&db);
  backup.AddItem(&item);
  backup.Plan();
  EXPECT_EQ(Paths(backup.GetAllMirrorFiles()), (Set{L"E:\\Dst\\Src\\gone.txt", L"E:\\Dst\\Src\\deep\\gone2.txt"}));
  EXPECT_EQ(backup.MirrorFolders.Count(), 0);
  EXPECT_EQ(backup.NewFolders.Count(), 0);
  backup.Execute();
  EXPECT_TRUE(Fs().Exists(L"E:\\Dst\\Src\\OnlyOnDisk"));
}

TEST_F(EngineTest, ViewsForwardRemovalsToThePairs) {
  TBackupInfo& a = Item(L"A");
  TBackupInfo& b = Item(L"B");
  for (TBackupInfo* item : {&a, &b}) {
    Fs().AddFile(item->SourceFolder + L"\\x.txt", "12345");
    Fs().AddFile(item->SourceFolder + L"\\y.txt", "1");
    Fs().AddFile(item->DestFolder + L"\\old.txt", "123");
  }
  TBackup backup;
  backup.AddItem(&a);
  backup.AddItem(&b);
  backup.Plan();
  EXPECT_EQ(backup.CopyBytes(), 12);
  EXPECT_EQ(backup.MirrorBytes(), 6);
  TFileInfoList& copies = backup.GetAllCopyFiles();
  ASSERT_EQ(copies.Count(), 4);
  copies.Remove(copies[2]);  // the first record of item B
  EXPECT_EQ(backup.Items[1]->CopyFiles.Count(), 1);
  backup.DiscardCopyFile(backup.Items[0]->CopyFiles[0]);
  EXPECT_EQ(backup.Items[0]->CopyFiles.Count(), 1);
  EXPECT_EQ(copies.Count(), 2);  // the view lost the discarded record too
  TFileInfoList& mirror = backup.GetAllMirrorFiles();
  mirror.Remove(mirror[0]);
  EXPECT_TRUE(backup.Items[0]->MirrorFiles.Empty());
  EXPECT_EQ(backup.Items[1]->MirrorFiles.Count(), 1);
}

}  // namespace
}  // namespace vog::test
