// What a run finds in a destination that is not a plain copy of an earlier source: the
// temporary files of a run that was killed, a folder that became a file (and back), and a
// folder renamed in letter case only.
#include "base/DateTime.h"
#include "engine/EngineTestSupport.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPaths.h"

namespace vog::test {
namespace {

using Tree = std::set<std::wstring>;

const std::wstring kMarker(kHistoryMarkerName);
const std::wstring kMarkerTemp = kMarker + L".$$$";
const std::wstring kTemp(kTempFileName);

class DestinationShapeTest : public EngineTest {
protected:
  // One run of `item`; its engine lives until the next run.
  TBackup& Run(TBackupInfo& item) {
    backup_ = std::make_unique<TBackup>();
    backup_->AddItem(&item);
    backup_->Plan();
    backup_->Execute();
    return *backup_;
  }
  static int Count(const TRunProblems& problems, TProblemKind kind) {
    int n = 0;
    for (const TRunProblem& problem : problems)
      if (problem.Kind == kind) ++n;
    return n;
  }
  Tree TreeOf(const std::wstring& root) {
    const std::vector<std::wstring> paths = Fs().ListTree(root);
    return Tree(paths.begin(), paths.end());
  }
  std::string Content(const std::wstring& path) {
    std::string content;
    EXPECT_TRUE(Fs().ReadContent(path, content)) << WideToUtf8(path);
    return content;
  }

  std::unique_ptr<TBackup> backup_;
};

TEST_F(DestinationShapeTest, LeftoversOfAKilledRunAreRemovedNeverLoggedNorKept) {
  struct TCase {
    const char* Name;
    bool Mirroring, KeepHistory;
    std::vector<std::wstring> Before;  // files of E:\Dst\Src besides the backup of a.txt
    Tree After;                        // the whole of E:\Dst\Src afterwards
    int Cleaned;                       // Leftover problems
  };
  const std::wstring h = L"世代 2024-03-01\\";
  const std::vector<TCase> cases = {
      {"temporary names in the root and a subfolder, mirroring with history",
       true,
       true,
       {kTemp, L"sub\\" + kTemp},
       {L"a.txt"},
       2},
      {"a temporary name without mirroring", false, false, {kTemp}, {L"a.txt"}, 1},
      {"the temporary names of a run on four workers", false, false, {L"Vogmerist%%3.$$$", L"vogmerist%%12.$$$"},
       {L"a.txt"}, 2},
      {"a history folder whose marker was being written is finished, not mirrored into itself",
       true,
       true,
       {h + kMarkerTemp, h + L"old.txt"},
       {L"a.txt", h, h + kMarker, h + L"old.txt"},
       1},
      {"a marker temporary beside its marker just goes",
       true,
       false,
       {h + kMarker, h + kMarkerTemp, h + L"old.txt"},
       {L"a.txt", h, h + kMarker, h + L"old.txt"},
       1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    TBackupInfo& item = Item(L"Src", c.Mirroring);
    item.KeepHistory = c.KeepHistory;
    Fs().AddFile(L"D:\\Src\\a.txt", "a");
    Fs().AddFile(L"E:\\Dst\\Src\\a.txt", "a");
    for (const std::wstring& path : c.Before) Fs().AddFile(L"E:\\Dst\\Src\\" + path, "partial");
    TBackup& backup = Run(item);
    EXPECT_EQ(TreeOf(L"E:\\Dst\\Src"), c.After);
    EXPECT_TRUE(backup.GetAllMirrorFiles().Empty());
    EXPECT_TRUE(backup.ErrorFiles.Empty());
    EXPECT_EQ(Count(backup.Problems, TProblemKind::Leftover), c.Cleaned);
    TearDown();
  }
  SetUp();
}

TEST_F(DestinationShapeTest, AFinishedMarkerCarriesTheDateOfTheInterruptedRun) {
  TBackupInfo& item = Item();
  item.KeepHistory = true;
  item.HistoryCount = 10;
  Fs().AddFolder(L"D:\\Src");
  const std::wstring folder = L"E:\\Dst\\Src\\世代 2024-03-01";
  TDateTime written = 0;
  TryEncodeDateTime(2024, 3, 1, 10, 0, 0, 0, written);
  Fs().AddFile(folder + L"\\" + kMarkerTemp, "", attr::Archive, ManualClock().LocalToUtc(DateTimeToFileTime(written)));
  Run(item);
  TDateTime date = 0;
  ASSERT_EQ(ReadHistoryMarkerDate(folder + L"\\" + kMarker, date), 0u);
  EXPECT_EQ(static_cast<int>(date), static_cast<int>(written));
}

TEST_F(DestinationShapeTest, AHalfWrittenMarkerInASeparateHistoryFolderSharedByTwoItemsIsFinishedOnce) {
  const std::wstring folder = L"E:\\Hist\\世代 2024-03-01\\";
  Fs().AddFile(folder + kMarkerTemp, "");
  Fs().AddFile(folder + L"Dst\\A\\old.txt", "old");
  backup_ = std::make_unique<TBackup>();
  for (const wchar_t* name : {L"A", L"B"}) {
    TBackupInfo& item = Item(name);
    item.KeepHistory = item.UseHistoryFolder = true;
    item.HistoryFolder = L"E:\\Hist";
    Fs().AddFolder(item.SourceFolder);
    backup_->AddItem(&item);
  }
  backup_->Plan();
  backup_->Execute();
  EXPECT_TRUE(Fs().Exists(folder + kMarker));
  EXPECT_FALSE(Fs().Exists(folder + kMarkerTemp));
  ASSERT_EQ(backup_->Problems.Count(), 1u);
  EXPECT_EQ(backup_->Problems.Items()[0].Kind, TProblemKind::Leftover);
}

TEST_F(DestinationShapeTest, AFileOfTheSourceWithTheTemporaryNameIsData) {
  TBackupInfo& item = Item();
  Fs().AddFile(L"D:\\Src\\" + kTemp, "mine");
  Fs().AddFile(L"E:\\Dst\\Src\\" + kTemp, "mine");
  TBackup& backup = Run(item);
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\" + kTemp), "mine");
  EXPECT_TRUE(backup.Problems.Empty());
}

TEST_F(DestinationShapeTest, AFolderReplacedByAFileAndBackConvergesOnTheNextRun) {
  struct TCase {
    const char* Name;
    bool KeepHistory;
    std::vector<std::wstring> Source, Dest;  // relative to D:\Src and E:\Dst\Src; "x\" a folder
    Tree After;                              // E:\Dst\Src after one run
  };
  const std::wstring h = L"世代 2024-04-01\\";
  const std::wstring old = L"世代 2024-03-01\\";
  const std::vector<TCase> cases = {
      {"folder to file", false, {L"X"}, {L"X\\a.txt", L"X\\s\\b.txt"}, {L"X"}},
      {"file to folder",
       false,
       {L"X\\a.txt", L"X\\s\\b.txt"},
       {L"X"},
       {L"X\\", L"X\\a.txt", L"X\\s\\", L"X\\s\\b.txt"}},
      {"folder to file with history: the folder goes into the history of its parent",
       true,
       {L"X"},
       {L"X\\a.txt", L"X\\" + old + kMarker, L"X\\" + old + L"a.txt"},
       {h, h + kMarker, h + L"X\\", h + L"X\\a.txt", h + L"X\\" + old, h + L"X\\" + old + kMarker,
        h + L"X\\" + old + L"a.txt", L"X"}},
      {"file to folder with history", true, {L"X\\a.txt"}, {L"X"}, {h, h + kMarker, h + L"X", L"X\\", L"X\\a.txt"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    TBackupInfo& item = Item();
    item.KeepHistory = c.KeepHistory;
    for (const std::wstring& path : c.Source) Fs().AddFile(L"D:\\Src\\" + path, "new");
    for (const std::wstring& path : c.Dest) Fs().AddFile(L"E:\\Dst\\Src\\" + path, "old");
    TBackup& backup = Run(item);
    EXPECT_EQ(TreeOf(L"E:\\Dst\\Src"), c.After);
    EXPECT_TRUE(backup.ErrorFiles.Empty());
    EXPECT_EQ(backup.CopiedFiles.Count(), static_cast<int>(c.Source.size()));
    for (const std::wstring& path : c.Source) EXPECT_EQ(Content(L"E:\\Dst\\Src\\" + path), "new");
    // The old version of a file is where its history (or nothing) says.
    if (c.KeepHistory) {
      EXPECT_EQ(Content(L"E:\\Dst\\Src\\" + h + c.Dest.front()), "old");
    }
    TearDown();
  }
  SetUp();
}

TEST_F(DestinationShapeTest, AFolderAndAFileThatReplaceEachOtherOnOneDayBothStayInTheHistory) {
  TBackupInfo& item = Item();
  item.KeepHistory = true;
  Fs().AddFile(L"D:\\Src\\X", "file");
  Fs().AddFile(L"E:\\Dst\\Src\\X\\a.txt", "folder");
  EXPECT_TRUE(Run(item).ErrorFiles.Empty());
  Fs().RemoveFile(L"D:\\Src\\X");
  Fs().AddFile(L"D:\\Src\\X\\c.txt", "folder again");
  EXPECT_TRUE(Run(item).ErrorFiles.Empty());
  const std::wstring h = L"E:\\Dst\\Src\\世代 2024-04-01\\";
  EXPECT_EQ(Content(h + L"X\\a.txt"), "folder");
  EXPECT_EQ(Content(h + L"X (2)"), "file");
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\X\\c.txt"), "folder again");
}

TEST_F(DestinationShapeTest, FoldersAndFilesRenamedInLetterCaseAreRenamedInTheDestination) {
  for (const bool locked : {false, true}) {
    SCOPED_TRACE(locked ? "the rename fails" : "the rename succeeds");
    SetUp();
    TBackupInfo& item = Item();
    Fs().AddFile(L"D:\\Src\\folder\\A.TXT", "a");
    Fs().AddFile(L"D:\\Src\\folder\\SUB\\b.txt", "b");
    Fs().AddFile(L"E:\\Dst\\Src\\Folder\\a.txt", "a");
    Fs().AddFile(L"E:\\Dst\\Src\\Folder\\sub\\b.txt", "b");
    if (locked) Fs().InjectFault({L"E:\\Dst\\Src\\Folder", TFaultOp::Move, err::AccessDenied});
    TBackup& backup = Run(item);
    EXPECT_EQ(TreeOf(L"E:\\Dst\\Src"),
              (locked ? Tree{L"Folder\\", L"Folder\\a.txt", L"Folder\\sub\\", L"Folder\\sub\\b.txt"}
                      : Tree{L"folder\\", L"folder\\A.TXT", L"folder\\SUB\\", L"folder\\SUB\\b.txt"}));
    EXPECT_TRUE(backup.CopiedFiles.Empty() && backup.ErrorFiles.Empty());
    EXPECT_EQ(Count(backup.Problems, TProblemKind::CaseNotFollowed), locked ? 3 : 0);
    TearDown();
  }
  SetUp();
}

}  // namespace
}  // namespace vog::test
