// Source folders a run cannot read and links it does not follow: each is reported, and
// mirroring keeps the backup of everything below them.
#include "engine/BackupHistoryDatabase.h"
#include "engine/EngineTestSupport.h"
#include "scan/FileUtils.h"

namespace vog::test {
namespace {

using Set = std::set<std::wstring>;

TEST_F(EngineTest, UnreadableFoldersAndLinksAreReportedAndMirroringSparesTheirBackup) {
  const uint32_t link = attr::Directory | attr::ReparsePoint;
  struct Case {
    const char* what;
    std::function<void(TMemoryFileSystem&)> arrange;  // on a source holding a.txt, Sub\b.txt
    Set failed;                                       // ErrorFiles: path and code
    TProblemKind kind;
  } cases[] = {
      {"a subfolder that denies its listing",
       [](TMemoryFileSystem& fs) { fs.InjectFault({L"D:\\Src\\Sub", TFaultOp::List, err::AccessDenied}); },
       {L"D:\\Src\\Sub 5"},
       TProblemKind::FolderUnreadable},
      {"the source folder itself",
       [](TMemoryFileSystem& fs) { fs.InjectFault({L"D:\\Src", TFaultOp::List, err::AccessDenied}); },
       {L"D:\\Src 5"},
       TProblemKind::FolderUnreadable},
      {"a subfolder that is a link (a loop up the tree)",
       [link](TMemoryFileSystem& fs) {
         fs.RemoveFile(L"D:\\Src\\Sub\\b.txt");
         fs.RemoveFolder(L"D:\\Src\\Sub");
         fs.AddFolder(L"D:\\Src\\Sub", link);
         fs.AddFile(L"D:\\Src\\Sub\\a.txt", "what the link shows");
       },
       {},
       TProblemKind::LinkSkipped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fs().AddFile(L"D:\\Src\\a.txt", "a");
    Fs().AddFile(L"D:\\Src\\Sub\\b.txt", "b");
    Fs().AddFile(L"E:\\Dst\\Src\\Sub\\b.txt", "b");
    Fs().AddFile(L"E:\\Dst\\Src\\Sub\\Deep\\c.txt", "c");  // backed up when Sub could be read
    Fs().AddFile(L"E:\\Dst\\Src\\a.txt", "a");
    c.arrange(Fs());
    TBackupInfo& item = Item();
    TBackup backup;
    backup.AddItem(&item);
    backup.Plan();
    backup.Execute();
    Set failed;
    for (const TFileInfo* record : backup.ErrorFiles) failed.insert(record->FullPath() + L" " + std::to_wstring(record->Attr));
    EXPECT_EQ(failed, c.failed);
    ASSERT_EQ(backup.Problems.Count(), 1u);
    EXPECT_EQ(backup.Problems.Items()[0].Kind, c.kind);
    EXPECT_NE(backup.Problems.Items()[0].Message.find(L"D:\\Src"), std::wstring::npos);
    EXPECT_EQ(Fs().ListTree(L"E:\\Dst\\Src"),
              (std::vector<std::wstring>{L"a.txt", L"Sub\\", L"Sub\\b.txt", L"Sub\\Deep\\", L"Sub\\Deep\\c.txt"}));
    EXPECT_EQ(backup.GetAllMirrorFiles().Count(), 0);
    Fs().ClearFaults();
    DeleteFolderTree(L"D:\\Src");
    DeleteFolderTree(L"E:\\Dst\\Src");
  }
}

TEST_F(EngineTest, HistoryDatabaseEntriesOfFilesAlreadyGoneCountAsDeleted) {
  for (bool keepHistory : {false, true}) {
    SCOPED_TRACE(keepHistory ? "keeping history" : "deleting");
    TBackupInfo& item = Item();
    item.UseHistoryDatabase = true;
    item.KeepHistory = keepHistory;
    Fs().AddFile(L"D:\\Src\\kept.txt", "k");
    Fs().AddFile(L"E:\\Dst\\Src\\kept.txt", "k");
    Fs().AddFile(L"E:\\Dst\\Src\\old.txt", "o");
    TBackupHistoryDatabase db;
    // gone.txt fails its delete with 2, Sub\gone.txt with 3 (no such folder).
    ListInDatabase(db, L"E:\\Dst\\Src\\",
                   {{L"", L"kept.txt"}, {L"", L"old.txt"}, {L"", L"gone.txt"}, {L"Sub", L"gone.txt"}});
    TBackup backup;
    RunWithDatabase(backup, db, item);
    EXPECT_EQ(backup.ErrorFiles.Count(), 0);
    EXPECT_EQ(Paths(backup.GetAllMirrorFiles()),
              (Set{L"E:\\Dst\\Src\\old.txt", L"E:\\Dst\\Src\\gone.txt", L"E:\\Dst\\Src\\Sub\\gone.txt"}));
    db.RemoveDeleted(backup.GetAllMirrorFiles());
    EXPECT_EQ(Paths(db.Entries()), Set{L"E:\\Dst\\Src\\kept.txt"});
    DeleteFolderTree(L"D:\\Src");
    DeleteFolderTree(L"E:\\Dst\\Src");
  }
}

}  // namespace
}  // namespace vog::test
