// The unattended run and its checks, on the memory platform with a scripted engine.
#include "app/ExitCodes.h"
#include "app/RunChecks.h"
#include "engine/BackupHistoryDatabase.h"
#include "base/TextFile.h"
#include "scan/BackupLog.h"
#include "tests/app/AppTestSupport.h"

namespace vog::test {
namespace {

class QuietRunTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    Fs().AddVolume(L"D:");
    Fs().AddFolder(L"C:\\Src\\A");
    Fs().AddFolder(L"C:\\Src\\B");
    form = MakeForm({});
    form->DestinationText = L"D:\\Backup";
    form->Data.WriteLog = true;
    form->Data.LogFileName = "run.log";
  }
  TBackupInfo& AddItem(const std::wstring& title, const std::wstring& source) {
    TBackupInfo& item = *form->Items[form->Items.Add(std::make_unique<TBackupInfo>())];
    item.Title = title;
    item.SourceFolder = source;
    return item;
  }
  // The result code of the log's last entry.
  std::wstring LoggedCode() {
    bool exists = false;
    const auto lines = TBackupLog::LoadLines(L"C:\\Program\\run.log", exists);
    for (auto line = lines.rbegin(); exists && line != lines.rend(); ++line)
      if (line->starts_with(L"【")) return std::wstring(SplitLogLine(*line).back());
    return L"(no entry)";
  }
  // The lines of Vogratel.err (0 when there is none).
  size_t ErrorLines() {
    std::string bytes;
    if (!Fs().ReadContent(L"C:\\Program\\Vogratel.err", bytes)) return 0;
    Fs().RemoveFile(L"C:\\Program\\Vogratel.err");
    const std::wstring text = DecodeText(bytes, CodePage());
    size_t lines = 0;
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++lines;
    return lines;
  }
  std::unique_ptr<TMainForm> form;
};

TEST_F(QuietRunTest, MissingSourceIsLeftOutWithCodeOne) {
  AddItem(L"A", L"C:\\Src\\A");
  AddItem(L"Gone", L"C:\\Src\\Gone");
  AddItem(L"B", L"C:\\Src\\B");
  const TQuietRunResult result = form->RunQuietBackup();
  ASSERT_EQ(Runs.size(), 1u);
  EXPECT_EQ(Runs[0].Titles, (std::vector<std::wstring>{L"A", L"B"}));
  EXPECT_EQ(Runs[0].Calls, (std::vector<std::wstring>{L"Plan", L"Execute"}));
  EXPECT_EQ(result.RunErrorCode, 1);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(LoggedCode(), L"1");
  EXPECT_FALSE(form->Busy);
}

TEST_F(QuietRunTest, ClashingItemsAreLeftOutAndTheOthersRun) {
  struct Case {
    const char* Name;
    std::vector<std::pair<const wchar_t*, bool>> Items;  // title, archive
    std::vector<std::wstring> Ran;
    int Code;
  };
  const Case cases[] = {
      {"titles differing in case", {{L"Docs", false}, {L"docs", false}, {L"B", false}}, {L"B"}, 7},
      {"one archive", {{L"Docs", true}, {L"docs", true}, {L"B", false}}, {L"B"}, 6},
      {"archive beside a mirror", {{L"Docs", true}, {L"DOCS", false}, {L"B", true}}, {L"B"}, 7},
      {"both kinds", {{L"A", true}, {L"a", true}, {L"Docs", false}, {L"docs", false}}, {}, 7},
      {"no clash", {{L"A", true}, {L"B", true}}, {L"A", L"B"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Runs.clear();
    form->Items.Clear();
    for (const auto& [title, archive] : c.Items) AddItem(title, L"C:\\Src\\A").Archive = archive;
    const TQuietRunResult result = form->RunQuietBackup();
    EXPECT_EQ(Runs.at(0).Titles, c.Ran);
    EXPECT_EQ(result.RunErrorCode, c.Code);
    EXPECT_EQ(result.ExitCode, c.Code);
    EXPECT_EQ(LoggedCode(), std::to_wstring(c.Code));
    EXPECT_EQ(ErrorLines(), c.Items.size() - c.Ran.size());
  }
}

TEST_F(QuietRunTest, LaterItemProblemOverwritesTheClashCode) {
  AddItem(L"Docs", L"C:\\Src\\A").Archive = true;
  AddItem(L"docs", L"C:\\Src\\B").Archive = true;
  AddItem(L"Gone", L"C:\\Src\\Gone");
  EXPECT_EQ(form->RunQuietBackup().RunErrorCode, runcode::SourceMissing);
}

TEST_F(QuietRunTest, ItemsWhoseFolderIsNotOneFolderInsideTheDestinationAreLeftOut) {
  Fs().AddFolder(L"D:\\Backup");
  Fs().AddFile(L"D:\\keep.txt", "not the item's");
  Mem().MemEnv->Set(L"DEST", L"D:\\Out");
  struct Case {
    const wchar_t* Destination;
    std::vector<const wchar_t*> Titles;
    std::vector<std::wstring> Ran;
    int Code;
  };
  const Case cases[] = {
      {L"D:\\Backup", {L"..", L"写真", L"", L".", L"CON.txt", L"a\\..\\..", L"x."}, {L"写真"}, 13},
      {L"<ENV:DEST>", {L"写真"}, {L"写真"}, 0},
      {L"D:\\", {L"写真"}, {L"写真"}, 0},
      {L"<ENV:NOSUCH>", {L"写真"}, {}, 4},  // a macro without a value: the destination is missing
      {L"", {L"写真"}, {}, 4},
      {L"Backup", {L"写真"}, {}, 13},
      {L"D:\\Backup\\..", {L"写真"}, {}, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.Destination));
    Runs.clear();
    form->Items.Clear();
    form->DestinationText = c.Destination;
    form->NoDestinationCheck = true;  // the folder check stands on its own
    for (const wchar_t* title : c.Titles) AddItem(title, L"C:\\Src\\A").Condition.Mirroring = true;
    const TQuietRunResult result = form->RunQuietBackup();
    EXPECT_EQ(Runs.at(0).Titles, c.Ran);
    EXPECT_EQ(result.RunErrorCode, c.Code);
    EXPECT_EQ(result.ExitCode, c.Code);
    EXPECT_EQ(ErrorLines(), c.Titles.size() - c.Ran.size());
    EXPECT_EQ(form->Items[0]->Title, c.Titles[0]);  // the item itself is kept as it was
  }
}

TEST_F(QuietRunTest, EncryptingItemWithoutKeyIsLeftOut) {
  AddItem(L"A", L"C:\\Src\\A").Encrypt = true;
  TBackupInfo& keyed = AddItem(L"B", L"C:\\Src\\B");
  keyed.Encrypt = true;
  keyed.CipherKey = "secret";
  AddItem(L"C", L"C:\\Src\\A").Encrypt = false;
  const TQuietRunResult result = form->RunQuietBackup();
  EXPECT_EQ(Runs.at(0).Titles, (std::vector<std::wstring>{L"B", L"C"}));
  EXPECT_EQ(result.RunErrorCode, 14);
  EXPECT_EQ(result.ExitCode, 14);
  EXPECT_EQ(LoggedCode(), L"14");
  EXPECT_EQ(ErrorLines(), 1u);
}

TEST_F(QuietRunTest, ExpiredHistoryIsRemovedOnlyForItemsThatRun) {
  for (const wchar_t* title : {L"Gone", L"A"}) {
    TBackupInfo& item = AddItem(title, std::wstring(L"C:\\Src\\") + title);
    item.KeepHistory = true;
    item.HistoryCount = 7;
  }
  form->RunQuietBackup();
  EXPECT_EQ(Runs.at(0).Calls, (std::vector<std::wstring>{L"Plan", L"History D:\\Backup\\A 7", L"Execute"}));
}

TEST_F(QuietRunTest, ASecondRunOfTheSameDataFileDoesNotRun) {
  AddItem(L"A", L"C:\\Src\\A");
  form->DataFilePath = L"C:\\Program\\VogratelData.vgd";
  std::unique_ptr<IHeldLock> otherRun;  // another process's run, of the same file in other letters
  ASSERT_EQ(Platform().Locks->TryLock(DataFileLockName(L"c:\\PROGRAM\\vogratelData.VGD"), otherRun), 0u);
  const TQuietRunResult refused = form->RunQuietBackup();
  EXPECT_TRUE(Runs.empty());
  EXPECT_EQ(refused.ExitCode, exitcode::OtherRunActive);
  EXPECT_EQ(LoggedCode(), L"(no entry)");  // the log belongs to the run under way
  EXPECT_EQ(ErrorLines(), 1u);
  otherRun.reset();
  EXPECT_EQ(form->RunQuietBackup().ExitCode, exitcode::Success);
  EXPECT_EQ(Runs.size(), 1u);
  EXPECT_FALSE(Mem().MemLocks->Held(DataFileLockName(form->DataFilePath)));  // released after the run
}

TEST_F(QuietRunTest, MacrosAreExpandedForTheRunAndPutBack) {
  Mem().MemEnv->Set(L"SRCROOT", L"C:\\Src");
  Mem().MemEnv->Set(L"DEST", L"D:\\Out");
  form->DestinationText = L"<ENV:DEST>";
  AddItem(L"A", L"<ENV:SRCROOT>\\A").KeepHistory = true;
  form->Items[0]->HistoryCount = 7;
  form->RunQuietBackup();
  EXPECT_EQ(Runs.at(0).Sources, std::vector<std::wstring>{L"C:\\Src\\A"});
  EXPECT_EQ(Runs[0].Calls, (std::vector<std::wstring>{L"Plan", L"History D:\\Out\\A 7", L"Execute"}));
  EXPECT_EQ(form->Items[0]->SourceFolder, L"<ENV:SRCROOT>\\A");
  EXPECT_EQ(form->Items[0]->DestFolder, L"<ENV:DEST>\\A");

  PrepareRunner = [](TScriptedRunner& runner) { runner.FailPlan = true; };
  EXPECT_THROW(form->RunQuietBackup(), Error);
  EXPECT_EQ(form->Items[0]->SourceFolder, L"<ENV:SRCROOT>\\A");
  EXPECT_FALSE(form->Busy);
}

TEST_F(QuietRunTest, HistoryDatabaseIsUpdatedWhenSomethingWasCopied) {
  AddItem(L"A", L"C:\\Src\\A").UseHistoryDatabase = true;
  form->HistoryDatabasePath = L"C:\\his\\db.his";
  Fs().AddFolder(L"C:\\his");
  form->RunQuietBackup();
  EXPECT_FALSE(Fs().Exists(L"C:\\his\\db.his"));  // nothing copied, nothing saved

  PrepareRunner = [](TScriptedRunner& runner) { runner.Copied.Add(MakeRecord(L"D:\\Backup\\A\\", L"x.txt", 32)); };
  form->RunQuietBackup();
  TBackupHistoryDatabase database;
  database.SetDatabaseFile(L"C:\\his\\db.his");
  database.Load();
  ASSERT_EQ(database.Entries().Count(), 1);
  EXPECT_EQ(database.Entries()[0]->FullPath(), L"D:\\Backup\\A\\x.txt");
}

TEST_F(QuietRunTest, FailedFilesAndHeldDeletionsGiveTheirExitCodes) {
  AddItem(L"A", L"C:\\Src\\A");
  PrepareRunner = [](TScriptedRunner& runner) { runner.Holds.push_back({L"A", 20, 30}); };
  EXPECT_EQ(form->RunQuietBackup().ExitCode, exitcode::DeletionsHeldBack);
  EXPECT_EQ(LoggedCode(), L"11");
  PrepareRunner = [](TScriptedRunner& runner) {
    runner.Holds.push_back({L"A", 20, 30});
    runner.Errors.Add(MakeRecord(L"C:\\Src\\A\\", L"locked.txt", 32));
  };
  const TQuietRunResult result = form->RunQuietBackup();
  EXPECT_EQ(result.ExitCode, exitcode::FilesFailed);
  EXPECT_EQ(result.RunErrorCode, 0);
  EXPECT_EQ(LoggedCode(), L"11");
}

TEST_F(QuietRunTest, NothingRunsWhileBusyAndIdlePriorityIsRestored) {
  AddItem(L"A", L"C:\\Src\\A");
  form->Busy = true;
  EXPECT_FALSE(form->RunQuietBackup().Ran);
  EXPECT_TRUE(Runs.empty());
  form->Busy = false;
  form->Data.IdlePriority = true;
  form->RunQuietBackup();
  EXPECT_EQ(View.Calls, (std::vector<std::string>{"Idle", "Normal"}));
}

TEST_F(QuietRunTest, UnwritableLogIsIgnored) {
  AddItem(L"A", L"C:\\Src\\A");
  form->Data.LogFileName = "Q:\\nowhere\\run.log";
  EXPECT_EQ(form->RunQuietBackup().ExitCode, exitcode::Success);
}

TEST_F(QuietRunTest, ItemChecksInTheirOrder) {
  Fs().AddFolder(L"C:\\Denied");
  Fs().InjectFault({L"C:\\Denied", TFaultOp::List, err::AccessDenied});
  Mem().MemVolumes->AddDrive(L'E', TDriveType::Removable, L"DISK1");
  Mem().MemNetwork->AddShare(L"\\\\srv\\share", L"user", L"pw");
  struct Case {
    const wchar_t* Source;
    const wchar_t* Dest;
    bool NetLogon;
    const char* Password;
    const wchar_t* Label;
    uint8_t Code;
    const wchar_t* Message;
  };
  const Case cases[] = {
      {L"C:\\Gone", L"D:\\B\\T", false, "", nullptr, 1, L"バックアップ元フォルダが存在しません\r\nT"},
      {L"C:\\Denied", L"D:\\B\\T", false, "", nullptr, 2,
       L"バックアップ元フォルダにアクセス権がありません\r\nC:\\Denied"},
      {L"C:\\Src\\A", L"\\\\srv\\share\\T", true, "bad", nullptr, 3,
       L"ネットワークにログインできません\r\n\\\\srv\\share"},
      {L"C:\\Src\\A", L"\\\\srv\\share\\T", true, "pw", nullptr, 0, L""},
      {L"C:\\Src\\A", L"Q:\\B\\T", false, "", nullptr, 4, L"バックアップ先が存在しません\r\nQ:"},
      {L"C:\\Src\\A", L"D:\\Missing\\T", false, "", nullptr, 0, L""},
      {L"C:\\Src\\A", L"E:\\T", false, "", L"disk1", 5, L"ボリュームラベルが異なります\r\nDISK1"},
      {L"C:\\Src\\A", L"E:\\T", false, "", L"DISK1", 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.Source) + " " + WideToUtf8(c.Dest));
    TBackupInfo item;
    item.Title = L"T";
    item.SourceFolder = c.Source;
    item.DestFolder = c.Dest;
    item.NetLogon = c.NetLogon;
    item.NetUser = "user";
    item.NetPassword = c.Password;
    item.CheckVolumeLabel = c.Label != nullptr;
    if (c.Label) item.VolumeLabel = c.Label;
    const TItemCheck check = CheckItem(item, false);
    EXPECT_EQ(check.Code, c.Code);
    EXPECT_EQ(check.Message, c.Message);
  }
  TBackupInfo noCheck;
  noCheck.SourceFolder = L"C:\\Src\\A";
  noCheck.DestFolder = L"Q:\\B\\T";
  EXPECT_EQ(CheckItem(noCheck, true).Code, 0);  // DESTNOCHECK
}

}  // namespace
}  // namespace vog::test
