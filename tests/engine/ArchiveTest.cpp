// Phase 3 of a run: archived items, plain and encrypted as a whole, with their work
// copies, history copies and the failures that must leave the old archive intact.
#include "base/CodePage.h"
#include "base/DateTime.h"
#include "base/Error.h"
#include "engine/ArchiveWork.h"
#include "engine/EngineTestSupport.h"
#include "services/archive/ArchiveFile.h"
#include "services/cipher/CipherManager.h"

namespace vog::test {
namespace {

using Names = std::vector<std::wstring>;

class ArchiveTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    TDateTime start = 0;
    TryEncodeDateTime(2009, 1, 2, 12, 0, 0, 0, start);
    ManualClock().SetLocalNow(start);
    Fs().AddVolume(L"W:");
    Fs().AddFolder(L"W:\\Work");
  }

  TBackupInfo& Archived(const std::wstring& name, const std::wstring& archiveName, bool encrypt) {
    TBackupInfo& item = Item(name);
    item.Archive = true;
    item.ArchiveName = archiveName;
    item.Encrypt = encrypt;
    item.CipherKey = encrypt ? "secret" : "";
    return item;
  }

  // One complete run; returns the errors' codes.
  std::vector<uint32_t> Run(std::vector<TBackupInfo*> items, int* copied = nullptr) {
    TBackup backup;
    backup.SetWorkFolder(L"W:\\Work");
    for (TBackupInfo* item : items) backup.AddItem(item);
    backup.Plan();
    backup.Execute();
    if (copied) *copied = backup.CopiedFiles.Count();
    std::vector<uint32_t> codes;
    for (const TFileInfo* record : backup.ErrorFiles) codes.push_back(record->Attr);
    problems_ = backup.Problems.Messages();
    return codes;
  }

  std::string Read(const std::wstring& path) {
    std::string content;
    Fs().ReadContent(path, content);
    return content;
  }

  // The plain archive of an item (decoded into W:\Plain.<ext> when encrypted).
  std::wstring PlainArchive(const TBackupInfo& item) {
    const std::wstring path = ArchivePathOf(item);
    if (!item.Encrypt) return path;
    const std::wstring plain = L"W:\\Plain" + path.substr(path.rfind(L'.'));
    TCipherManager cipher;
    cipher.SetMode(TCipherMode::cmCBC);
    cipher.SetKeyText(item.CipherKey);
    cipher.DecipherFile(path, plain);
    return plain;
  }

  Names Entries(const TBackupInfo& item) { return ListArchiveEntries(PlainArchive(item)); }

  std::string Entry(const TBackupInfo& item, const std::wstring& name) {
    TArchiveFile archive;
    archive.SetFileName(PlainArchive(item));
    Fs().AddFolder(L"W:\\Out");
    EXPECT_EQ(archive.Extract(L"W:\\Out", {name}), 0u);
    return Read(L"W:\\Out\\" + name);
  }

  std::vector<std::wstring> problems_;
};

TEST_F(ArchiveTest, FirstRunPacksSecondRunTouchesNothingChangesUpdateAndRemoveEntries) {
  struct Case {
    std::wstring archiveName;
    bool encrypt;
  } cases[] = {{L"Backup.lzh", false}, {L"Backup.zip", false}, {L"Backup.lzh", true}, {L"B.zip", true}};
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring name = L"S" + std::to_wstring(n++);
    SCOPED_TRACE(name);
    TBackupInfo& item = Archived(name, c.archiveName, c.encrypt);
    Fs().AddFile(L"D:\\" + name + L"\\a.txt", "alpha");
    Fs().AddFile(L"D:\\" + name + L"\\sub\\b.txt", "beta");
    int copied = 0;
    EXPECT_TRUE(Run({&item}, &copied).empty());
    EXPECT_EQ(copied, 2);
    EXPECT_EQ(Entries(item), (Names{L"a.txt", L"sub\\b.txt"}));
    EXPECT_EQ(Entry(item, L"sub\\b.txt"), "beta");
    const std::string first = Read(ArchivePathOf(item));
    if (c.encrypt) {
      EXPECT_EQ(first.find("alpha"), std::string::npos);
    }

    // No change: the archive keeps its bytes and the work copy does not stay behind.
    ManualClock().Advance(60000);
    EXPECT_TRUE(Run({&item}, &copied).empty());
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(Read(ArchivePathOf(item)), first);
    EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});

    // A changed file is packed again, a deleted one leaves the archive.
    Fs().AddFile(L"D:\\" + name + L"\\a.txt", "alpha, longer");
    Fs().RemoveFile(L"D:\\" + name + L"\\sub\\b.txt");
    EXPECT_TRUE(Run({&item}, &copied).empty());
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(Entries(item), Names{L"a.txt"});
    EXPECT_EQ(Entry(item, L"a.txt"), "alpha, longer");
    EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});
  }
}

TEST_F(ArchiveTest, EncryptedItemsAtZeroAndThreeWorkOnTempZeroAndTempThree) {
  TBackupInfo& first = Archived(L"A", L"Backup.lzh", true);
  TBackupInfo& plain1 = Item(L"P1");
  TBackupInfo& plain2 = Item(L"P2");
  TBackupInfo& fourth = Archived(L"B", L"Data.zip", true);
  for (const wchar_t* source : {L"A", L"P1", L"P2", L"B"}) Fs().AddFile(L"D:\\" + std::wstring(source) + L"\\f", "f");
  TBackup backup;
  backup.SetWorkFolder(L"W:\\Work");
  for (TBackupInfo* item : {&first, &plain1, &plain2, &fourth}) backup.AddItem(item);
  backup.Plan();
  EXPECT_EQ(backup.Items[0]->TempArchive, "W:\\Work\\Temp0.lzh");
  EXPECT_EQ(backup.Items[1]->TempArchive, "");
  EXPECT_EQ(backup.Items[3]->TempArchive, "W:\\Work\\Temp3.zip");
  backup.PackArchives();
  // Sealed into the destinations at the end of the phase; the work copies are gone.
  EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});
  EXPECT_EQ(Entries(fourth), Names{L"f"});
  EXPECT_EQ(backup.Items[3]->TempArchive, "");
}

TEST_F(ArchiveTest, KeepHistorySavesReplacedAndMirroredEntriesIntoTheDatedFolder) {
  for (bool encrypt : {false, true}) {
    SCOPED_TRACE(encrypt);
    const std::wstring name = encrypt ? L"E" : L"P";
    TBackupInfo& item = Archived(name, L"Backup.lzh", encrypt);
    item.KeepHistory = true;
    item.HistoryFolder = L"E:\\Hist" + name;
    Fs().AddFile(L"D:\\" + name + L"\\docs\\a.txt", "old a");
    Fs().AddFile(L"D:\\" + name + L"\\gone.txt", "old gone");
    ASSERT_TRUE(Run({&item}).empty());
    ManualClock().Advance(60000);
    Fs().AddFile(L"D:\\" + name + L"\\docs\\a.txt", "new a!");
    Fs().RemoveFile(L"D:\\" + name + L"\\gone.txt");
    ASSERT_TRUE(Run({&item}).empty());
    EXPECT_EQ(Entries(item), Names{L"docs\\a.txt"});
    EXPECT_EQ(Entry(item, L"docs\\a.txt"), "new a!");
    const std::wstring dated = item.HistoryFolder + L"\\世代 2009-01-02";
    EXPECT_EQ(Fs().ListTree(dated), (Names{L"docs\\", L"docs\\a.txt", L"docs\\Vogmerist世代管理フォルダ", L"gone.txt",
                                           L"Vogmerist世代管理フォルダ"}));
    std::string saved = Read(dated + L"\\docs\\a.txt");
    if (encrypt) {
      // The history copy of an encrypted archive is encoded like the archive.
      TCipherManager cipher;
      cipher.SetMode(TCipherMode::cmCBC);
      cipher.SetKeyText(item.CipherKey);
      EXPECT_NE(saved, "old a");
      cipher.DecipherFile(dated + L"\\docs\\a.txt", L"W:\\a.txt");
      saved = Read(L"W:\\a.txt");
    }
    EXPECT_EQ(saved, "old a");
  }
}

TEST_F(ArchiveTest, ConfirmOverwriteAsksOnlyForEntriesTheArchiveHolds) {
  TBackupInfo& item = Archived(L"S", L"Backup.zip", false);
  item.ConfirmOverwrite = true;
  Fs().AddFile(L"D:\\S\\a.txt", "a");
  Fs().AddFile(L"D:\\S\\b.txt", "b");
  ASSERT_TRUE(Run({&item}).empty());
  ManualClock().Advance(60000);
  Fs().AddFile(L"D:\\S\\a.txt", "a2");
  Fs().AddFile(L"D:\\S\\b.txt", "b2");
  Fs().AddFile(L"D:\\S\\c.txt", "c");
  TScriptedQuestions questions;
  questions.Answer(TAnswer::No);
  questions.Answer(TAnswer::Yes);
  int copied = 0;
  EXPECT_TRUE(Run({&item}, &copied).empty());
  EXPECT_EQ(questions.Asked(), (Names{L"a.txtを上書きしてもいいですか?", L"b.txtを上書きしてもいいですか?"}));
  EXPECT_EQ(copied, 2);
  EXPECT_EQ(Entry(item, L"a.txt"), "a");
  EXPECT_EQ(Entry(item, L"b.txt"), "b2");
  EXPECT_EQ(Entry(item, L"c.txt"), "c");
}

TEST_F(ArchiveTest, FailuresLeaveTheOldArchiveAndAreReported) {
  struct Case {
    const char* what;
    bool encrypt;
    std::wstring archiveName;
    TFault fault;
    uint32_t code;
    bool workCopyStays;
  } cases[] = {
      {"a source file that cannot be read fails the pack",
       false,
       L"Backup.lzh",
       {L"D:\\S0\\a.txt", TFaultOp::Open, err::SharingViolation},
       err::SharingViolation,
       false},
      {"the same for an encrypted archive",
       true,
       L"Backup.zip",
       {L"D:\\S1\\a.txt", TFaultOp::Open, err::SharingViolation},
       err::SharingViolation,
       false},
      {"the sealed archive cannot replace the old one",
       true,
       L"Backup.lzh",
       {L"E:\\Dst\\S2\\Backup.lzh", TFaultOp::Move, err::AccessDenied},
       err::AccessDenied,
       true},
      {"the encoded archive cannot be written",
       true,
       L"Backup.lzh",
       {L"E:\\Dst\\S3\\Backup.lzh.$$$", TFaultOp::Write, err::DiskFull},
       err::DiskFull,
       true},
      {"an archive type the archiver cannot write", false, L"Backup.cab", {}, kArchiveTypeNotSupported, false},
  };
  int n = 0;
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring name = L"S" + std::to_wstring(n++);
    TBackupInfo& item = Archived(name, c.archiveName, c.encrypt);
    Fs().AddFile(L"D:\\" + name + L"\\a.txt", "a");
    if (c.code == kArchiveTypeNotSupported) {
      Fs().AddFile(ArchivePathOf(item), "an old cabinet");
    } else {
      ASSERT_TRUE(Run({&item}).empty());
      ManualClock().Advance(60000);
      Fs().AddFile(L"D:\\" + name + L"\\a.txt", "a changed");
    }
    const std::string before = Read(ArchivePathOf(item));
    if (!c.fault.Path.empty()) Fs().InjectFault(c.fault);
    int copied = 0;
    EXPECT_EQ(Run({&item}, &copied), std::vector<uint32_t>{c.code});
    Fs().ClearFaults();
    EXPECT_EQ(copied, c.workCopyStays ? 1 : 0) << "packed into the work copy before the sealing failed";
    EXPECT_EQ(Read(ArchivePathOf(item)), before);
    EXPECT_FALSE(Fs().Exists(ArchivePathOf(item) + L".$$$"));
    EXPECT_EQ(problems_.size(), 1u);
    const std::wstring work = L"W:\\Work\\Temp0" + c.archiveName.substr(c.archiveName.rfind(L'.'));
    EXPECT_EQ(Fs().Exists(work), c.workCopyStays);
    if (c.workCopyStays) {
      // The next run keeps the unsealed work copy aside instead of decoding over it.
      std::string unsealed;
      Fs().ReadContent(work, unsealed);
      Run({&item});
      std::string aside;
      Fs().ReadContent(work + L".old", aside);
      EXPECT_EQ(aside, unsealed);
      ASSERT_EQ(problems_.size(), 1u);
      EXPECT_NE(problems_[0].find(L"Temp0.lzh.old"), std::wstring::npos);
      Fs().RemoveFile(work + L".old");
    }
    items_.pop_back();
  }
}

TEST_F(ArchiveTest, ASealingBesideThePackThatCannotWriteIsDoneAgainFromTheWorkCopy) {
  TBackupInfo& item = Archived(L"S", L"Backup.zip", true);
  Fs().AddFile(L"D:\\S\\a.txt", "alpha");
  Fs().InjectFault({ArchivePathOf(item) + L".$$$", TFaultOp::Write, err::DiskFull, -1, -1, 1});
  EXPECT_TRUE(Run({&item}).empty());
  EXPECT_EQ(Entry(item, L"a.txt"), "alpha");
  EXPECT_FALSE(Fs().Exists(ArchivePathOf(item) + L".$$$"));
  EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});
}

TEST_F(ArchiveTest, AWorkCopyOfARunGivenUpIsDiscardedAndDestructionTouchesNothing) {
  struct Case {
    const char* what;
    std::function<void(TBackup&)> giveUp;  // after AddItem; the work copy must go
  } cases[] = {
      {"the caller gives the run up after Plan",
       [this](TBackup& backup) {
         backup.Plan();
         EXPECT_TRUE(Fs().Exists(L"W:\\Work\\Temp0.zip"));  // the decoded archive, kept for the run
         backup.DiscardWorkCopies();
       }},
      {"Plan throws on a later item",
       [this](TBackup& backup) {
         TBackupInfo& broken = Item(L"Broken");
         broken.SourceFolder.clear();
         backup.AddItem(&broken);
         EXPECT_THROW(backup.Plan(), Error);
       }},
      {"the plan is stopped, then executed",
       [this](TBackup& backup) {
         windows_.StopWindow = windows_.Made + 2;  // the item's check window, after the destination's
         backup.Plan();
         EXPECT_TRUE(backup.Stopped);
         backup.Execute();
       }},
  };
  TBackupInfo& item = Archived(L"S", L"Backup.zip", true);
  Fs().AddFile(L"D:\\S\\a.txt", "a");
  ASSERT_TRUE(Run({&item}).empty());
  const std::string sealed = Read(ArchivePathOf(item));
  ManualClock().Advance(60000);
  Fs().AddFile(L"D:\\S\\b.txt", "b");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      TBackup backup;
      backup.SetWorkFolder(L"W:\\Work");
      backup.AddItem(&item);
      c.giveUp(backup);
    }
    EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});
    EXPECT_EQ(Read(ArchivePathOf(item)), sealed);
  }
  // Destroying the engine does no work: a work copy it leaves is set aside by the next run.
  {
    TBackup backup;
    backup.SetWorkFolder(L"W:\\Work");
    backup.AddItem(&item);
    backup.Plan();
  }
  EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{L"Temp0.zip"});
  EXPECT_EQ(Read(ArchivePathOf(item)), sealed);
  EXPECT_TRUE(Run({&item}).empty());
  EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{L"Temp0.zip.old"});
  EXPECT_EQ(Entries(item), (Names{L"a.txt", L"b.txt"}));
}

TEST_F(ArchiveTest, AnEncryptedArchiveTheScanDoesNotReadKeepsItsOtherEntries) {
  // Without mirroring nothing leaves an archive: the entry of a file deleted at the source
  // stays, also when the plan does not list the archive.
  struct Case {
    const char* what;
    bool copyAll, useDatabase;
  } cases[] = {{"CopyAll without mirroring", true, false}, {"the history database", false, true}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring name = L"S" + std::to_wstring(n++);
    TBackupInfo& item = Archived(name, L"Backup.lzh", true);
    item.Condition.Mirroring = false;
    item.Condition.CopyAll = c.copyAll;
    item.UseHistoryDatabase = c.useDatabase;
    Fs().AddFile(L"D:\\" + name + L"\\a.txt", "a");
    Fs().AddFile(L"D:\\" + name + L"\\b.txt", "b");
    ASSERT_TRUE(Run({&item}).empty());
    ManualClock().Advance(60000);
    Fs().AddFile(L"D:\\" + name + L"\\a.txt", "a2");
    Fs().RemoveFile(L"D:\\" + name + L"\\b.txt");
    ASSERT_TRUE(Run({&item}).empty());
    EXPECT_EQ(Entries(item), (Names{L"a.txt", L"b.txt"}));
    EXPECT_EQ(Entry(item, L"a.txt"), "a2");
    EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});
  }
}

TEST_F(ArchiveTest, AFileThatVanishesBeforePackingIsLeftOutAndTheRestIsPacked) {
  int n = 0;
  for (const wchar_t* archiveName : {L"Backup.lzh", L"Backup.zip"}) {
    for (bool firstRun : {true, false}) {
      const std::wstring name = L"S" + std::to_wstring(n++);
      SCOPED_TRACE(name);
      TBackupInfo& item = Archived(name, archiveName, false);
      const std::wstring source = L"D:\\" + name;
      Fs().AddFile(source + L"\\a.txt", "a");
      Fs().AddFile(source + L"\\b.txt", "b");
      if (!firstRun) {
        ASSERT_TRUE(Run({&item}).empty());
        ManualClock().Advance(60000);
        Fs().AddFile(source + L"\\a.txt", "a2");
        Fs().AddFile(source + L"\\b.txt", "b2");
      }
      TBackup backup;
      backup.AddItem(&item);
      backup.Plan();
      Fs().RemoveFile(source + L"\\a.txt");  // between the walk and the pack
      backup.Execute();
      ASSERT_EQ(backup.ErrorFiles.Count(), 1);
      EXPECT_EQ(backup.ErrorFiles[0]->FullPath() + L" " + std::to_wstring(backup.ErrorFiles[0]->Attr),
                source + L"\\a.txt 2");
      EXPECT_EQ(Paths(backup.CopiedFiles), std::set<std::wstring>{source + L"\\b.txt"});
      ASSERT_EQ(backup.Problems.Count(), 1u);
      EXPECT_EQ(backup.Problems.Items()[0].Kind, TProblemKind::FileLeftOut);
      EXPECT_EQ(Entries(item), firstRun ? Names{L"b.txt"} : (Names{L"a.txt", L"b.txt"}));
      EXPECT_EQ(Entry(item, L"b.txt"), firstRun ? "b" : "b2");
      if (!firstRun) {
        EXPECT_EQ(Entry(item, L"a.txt"), "a");  // the old entry stays
      }
    }
  }
}

TEST_F(ArchiveTest, FilesDatedPastWhatDosTimesHoldArePackedOnce) {
  TDateTime future = 0;
  ASSERT_TRUE(TryEncodeDateTime(2150, 6, 1, 12, 0, 0, 0, future));
  for (const wchar_t* archiveName : {L"Backup.lzh", L"Backup.zip"}) {
    SCOPED_TRACE(archiveName);
    const std::wstring name = std::wstring(L"F") + archiveName[7];
    TBackupInfo& item = Archived(name, archiveName, false);
    Fs().AddFile(L"D:\\" + name + L"\\future.txt", "f", attr::Archive,
                 ManualClock().LocalToUtc(DateTimeToFileTime(future)));
    int copied = 0;
    ASSERT_TRUE(Run({&item}, &copied).empty());
    EXPECT_EQ(copied, 1);
    ManualClock().Advance(60000);
    ASSERT_TRUE(Run({&item}, &copied).empty());
    EXPECT_EQ(copied, 0);
  }
}

TEST_F(ArchiveTest, AStopInsideAnEncipheredFileFailsItAndRemovesThePartlyWrittenTarget) {
  TBackupInfo& item = Item(L"C", false);
  item.Encrypt = true;
  item.CipherKey = "key";
  Fs().AddFile(L"D:\\C\\big.bin", std::string(3 * TCipherManager::ChunkSize, 'x'));
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  // The transfer window: its first poll comes before the file, the next ones from the
  // cipher's chunks.
  windows_.StopWindow = windows_.Made + 1;
  windows_.StopPoll = 3;
  backup.Execute();
  ASSERT_EQ(backup.ErrorFiles.Count(), 1);
  EXPECT_EQ(backup.ErrorFiles[0]->Attr, err::RequestAborted);
  EXPECT_FALSE(Fs().Exists(L"E:\\Dst\\C\\big.bin"));
  EXPECT_EQ(backup.CopiedFiles.Count(), 0);
}

TEST_F(ArchiveTest, AStopDuringThePackLeavesEachArchiveAsItWasAndFailsItsFiles) {
  for (bool encrypt : {false, true}) {
    SCOPED_TRACE(encrypt ? "encrypted" : "plain");
    TBackupInfo& item = Archived(encrypt ? L"E" : L"P", L"Backup.zip", encrypt);
    const std::wstring source = L"D:\\" + item.Title;
    Fs().AddFile(source + L"\\a.txt", "a");
    ASSERT_TRUE(Run({&item}).empty());
    const std::string before = Read(ArchivePathOf(item));
    ManualClock().Advance(60000);
    Fs().AddFile(source + L"\\b.txt", "b");
    Fs().AddFile(source + L"\\c.txt", "c");
    TBackup backup;
    backup.SetWorkFolder(L"W:\\Work");
    backup.AddItem(&item);
    backup.Plan();
    // The pack window, asked before each file: b is packed (and, encrypted, enciphered
    // beside the pack) before the stop comes.
    windows_.StopWindow = windows_.Made + 1;
    windows_.StopPoll = 2;
    backup.Execute();
    EXPECT_EQ(windows_.Shown.back(), L"書庫を作成中...");
    EXPECT_TRUE(backup.Stopped);
    ASSERT_EQ(backup.ErrorFiles.Count(), 2);
    EXPECT_EQ(backup.ErrorFiles[0]->Attr, err::RequestAborted);
    EXPECT_EQ(backup.CopiedFiles.Count(), 0);
    EXPECT_EQ(Read(ArchivePathOf(item)), before);
    EXPECT_EQ(Fs().ListTree(L"W:\\Work"), Names{});
    EXPECT_EQ(Fs().ListTree(L"E:\\Dst\\" + item.Title), Names{L"Backup.zip"});
  }
}

}  // namespace
}  // namespace vog::test
