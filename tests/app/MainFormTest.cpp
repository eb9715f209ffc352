// Start-up, the command line and the data file of the main form, on the memory platform.
#include "app/ExitCodes.h"
#include "app/MainForm.h"
#include "app/RunChecks.h"
#include "base/TextFile.h"
#include "scan/BackupLog.h"
#include "services/power/ExitWin.h"
#include "tests/app/AppTestSupport.h"

namespace vog::test {
namespace {

const std::wstring kDataFile = L"C:\\Program\\VogratelData.vgd";

class MainFormTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    TExitWin::ResetVersion();
    Fs().AddFolder(L"C:\\Src\\A");
    Fs().AddFolder(L"C:\\Src\\B");
  }
  std::vector<std::string> PowerRequests() { return Mem().MemPower->Requests(); }
};

TEST_F(MainFormTest, AutoRunsTheDataFileFoundBesideTheProgramAndEnds) {
  WriteDataFile(L"C:\\Program\\VogSetup.vgd", {L"A"});
  Fs().AddVolume(L"D:");
  Fs().AddFolder(L"C:\\Program\\Vogfolder.vgd");  // a folder is never the data file
  auto form = MakeForm({L"-autosave"});
  StoreDestination(L"D:\\Backup");
  form->FormCreate();
  ASSERT_EQ(Runs.size(), 1u);
  EXPECT_EQ(Runs[0].Titles, std::vector<std::wstring>{L"A"});
  EXPECT_TRUE(Runs[0].Silent);
  EXPECT_EQ(form->DataFilePath, L"C:\\Program\\VogSetup.vgd");
  EXPECT_EQ(form->Items[0]->DestFolder, L"D:\\Backup\\A");
  EXPECT_TRUE(form->EndRequested);
  EXPECT_EQ(View.Calls.front(), "Hide");
  EXPECT_EQ(form->ExitCode, exitcode::Success);
}

TEST_F(MainFormTest, OpenLoadsAnUpperCasedPathUnderItsStoredCase) {
  WriteDataFile(L"C:\\Data\\Setup.vgd", {L"A", L"B"});
  auto form = MakeForm({L"-OPEN:c:\\data\\setup.vgd", L"-OPENFILE"});
  form->FormCreate();
  EXPECT_EQ(form->DataFilePath, L"C:\\Data\\Setup.vgd");
  EXPECT_EQ(form->PendingDataFile, L"C:\\Data\\Setup.vgd");
  EXPECT_EQ(form->Items.Count(), 2);
  EXPECT_FALSE(form->EndRequested);
  EXPECT_TRUE(Runs.empty());
}

TEST_F(MainFormTest, OptionsSetTheirStateAndIgnoreWhatTheyDoNotKnow) {
  auto form =
      MakeForm({L"-", L"-nosuch", L"-FILELISTDB:C:\\his.his", L"-WORKDIR", L"-workdir:c:\\w", L"-FILELISTDB",
                L"-DESTNOCHECK", L"-ACLCOPY", L"-CREATIONTIMECOPY", L"-NORESULT", L"-BACKUPONLY", L"-RESTOREONLY"});
  form->FormCreate();
  EXPECT_EQ(form->HistoryDatabasePath, L"");  // FILELISTDB without a colon clears it
  EXPECT_EQ(form->WorkFolder, L"C:\\W");
  EXPECT_TRUE(form->NoDestinationCheck && form->CopyAcl && form->CopyCreationTime);
  EXPECT_TRUE(form->Requests.NoResult && form->BackupOnly && form->RestoreOnly);
  EXPECT_FALSE(form->EndRequested);
  EXPECT_TRUE(View.Errors.empty());
}

TEST_F(MainFormTest, AclCopyIsIgnoredOutsideTheNtLine) {
  Mem().MemPower->Version = {false, 4, 10};
  auto form = MakeForm({L"-ACLCOPY"});
  form->FormCreate();
  EXPECT_FALSE(form->CopyAcl);
}

TEST_F(MainFormTest, WinExitWithoutDataFilePowersOffWithoutARun) {
  auto form = MakeForm({L"-WINEXIT"});
  form->FormCreate();
  EXPECT_TRUE(Runs.empty());
  EXPECT_EQ(PowerRequests(), (std::vector<std::string>{"Privilege", "PowerOff"}));
  EXPECT_TRUE(form->EndRequested);
  EXPECT_EQ(form->ExitCode, exitcode::NoDataFile);
}

TEST_F(MainFormTest, NamedDataFileThatIsMissingKeepsTheMachineRunning) {
  auto form = MakeForm({L"-WINEXIT:C:\\typo.vgd"});
  form->FormCreate();
  EXPECT_TRUE(Runs.empty());
  EXPECT_TRUE(PowerRequests().empty());
  EXPECT_TRUE(form->EndRequested);
  EXPECT_EQ(form->ExitCode, exitcode::NoDataFile);
}

TEST_F(MainFormTest, AutoWithWinExitRunsTwiceThenPowersOff) {
  WriteDataFile(kDataFile, {L"A"});
  Fs().AddVolume(L"D:");
  auto form = MakeForm({L"-WINEXIT", L"-AUTO"});
  StoreDestination(L"D:\\Backup");
  form->FormCreate();
  EXPECT_EQ(Runs.size(), 2u);
  EXPECT_EQ(PowerRequests(), (std::vector<std::string>{"Privilege", "PowerOff"}));
  EXPECT_EQ(form->ExitCode, exitcode::Success);
  EXPECT_TRUE(form->EndRequested);
}

TEST_F(MainFormTest, EachPowerOptionRunsItsAction) {
  const std::pair<const wchar_t*, std::vector<std::string>> cases[] = {
      {L"-WINSTANDBY", {"SuspendAllowed", "Privilege", "Suspend"}},
      {L"-WINHIBER", {"HibernateAllowed", "Privilege", "Hibernate"}},
      {L"-WINREBOOT", {"Privilege", "Reboot"}},
  };
  for (const auto& [option, requests] : cases) {
    auto platform = CreateMemoryPlatform();
    TMemoryPower* power = platform->MemPower;
    ScopedPlatform scoped(std::move(platform));
    auto form = MakeForm({option});
    form->FormCreate();
    EXPECT_EQ(power->Requests(), requests) << WideToUtf8(option);
  }
}

TEST_F(MainFormTest, FailedPowerActionEndsTheProgramWithoutABox) {
  Mem().MemPower->ExitResult = 5;
  auto form = MakeForm({L"-WINEXIT", L"-WINMIN"});
  form->FormCreate();
  EXPECT_TRUE(View.Errors.empty());  // nobody is there to close a box
  EXPECT_EQ(form->UnattendedError, kPowerOffFailed);
  EXPECT_TRUE(form->EndRequested);
  EXPECT_EQ(form->ExitCode, exitcode::RunError);
  EXPECT_TRUE(View.Calls.empty());  // WINMIN, later in the order, was skipped
}

TEST_F(MainFormTest, RunErrorSkipsThePowerActionIsLoggedAndEnds) {
  TAppBackupData data;
  data.WriteLog = true;
  data.LogFileName = "run.log";
  WriteDataFile(kDataFile, {L"A"}, data);
  PrepareRunner = [](TScriptedRunner& runner) {
    runner.FailPlan = true;
    runner.Copied.Add(MakeRecord(L"D:\\B\\A\\", L"done.txt"));
  };
  auto form = MakeForm({L"-WINEXIT"});
  form->FormCreate();
  EXPECT_TRUE(View.Errors.empty());
  EXPECT_EQ(form->UnattendedError, L"計画に失敗しました");
  EXPECT_TRUE(PowerRequests().empty());
  EXPECT_FALSE(form->Busy);
  EXPECT_TRUE(form->EndRequested);
  EXPECT_EQ(form->ExitCode, exitcode::RunError);
  TBackupLog log;
  TOwnedFileInfoList copied, failed, deleted;
  log.SetReadTargets(&copied, &failed, &deleted);
  bool exists = false;
  const auto lines = TBackupLog::LoadLines(L"C:\\Program\\run.log", exists);
  ASSERT_TRUE(exists);
  log.ReadEntry(lines, 2);
  EXPECT_EQ(log.ResultCode, runcode::RunError);
  EXPECT_EQ(copied.Count(), 1);  // what the run did before the error
  std::string error;
  ASSERT_TRUE(Fs().ReadContent(L"C:\\Program\\Vogratel.err", error));
  const std::wstring text = DecodeText(error, CodePage());
  EXPECT_NE(text.find(L"\t" + kDataFile + L"\t計画に失敗しました\r\n"), std::wstring::npos);
}

TEST_F(MainFormTest, InteractiveRunErrorStillShowsItsBox) {
  WriteDataFile(kDataFile, {L"A"});
  auto form = MakeForm({L"-AUTO", L"-BACKUP"});
  form->InteractiveRun = [](bool, bool) { throw Error(L"失敗"); };
  form->FormCreate();
  EXPECT_EQ(View.Errors, std::vector<std::wstring>{L"失敗"});
  EXPECT_FALSE(form->EndRequested);
}

TEST_F(MainFormTest, UnattendedIsDecidedBeforeTheDataFileIsOpened) {
  // A data file five folders deep, named in other letters: the error file names it as it is.
  const std::wstring dataFile = L"C:\\tmp\\vog-e2e.AbS7T\\t4\\prog\\VogratelData.vgd";
  Fs().AddFolder(L"C:\\tmp\\vog-e2e.AbS7T\\t4\\prog");
  Fs().AddFile(dataFile, std::string(200, 'x'));
  Fs().SetCurrentFolder(L"C:\\tmp\\vog-e2e.AbS7T");
  for (const auto& arguments : {std::vector<std::wstring>{L"-OPEN:" + dataFile, L"-AUTO"},
                                std::vector<std::wstring>{L"-open:c:\\TMP\\VOG-E2E.ABS7T\\T4\\PROG\\VOGRATELDATA.VGD",
                                                          L"-WINREBOOT"},
                                std::vector<std::wstring>{L"-AUTO:c:\\tmp\\VOG-E2E.abs7t\\t4\\prog\\vograteldata.vgd"},
                                // relative to the drive's current folder, as a script may give it
                                std::vector<std::wstring>{L"-AUTO:C:t4\\prog\\VogratelData.vgd"}}) {
    SCOPED_TRACE(WideToUtf8(arguments[0]));
    View.Errors.clear();
    Fs().RemoveFile(L"C:\\Program\\Vogratel.err");
    auto form = MakeForm(arguments);
    form->FormCreate();
    EXPECT_TRUE(View.Errors.empty());
    EXPECT_TRUE(form->EndRequested);
    EXPECT_EQ(form->ExitCode, exitcode::RunError);
    EXPECT_TRUE(PowerRequests().empty());
    std::string error;
    ASSERT_TRUE(Fs().ReadContent(L"C:\\Program\\Vogratel.err", error));
    EXPECT_NE(DecodeText(error, CodePage()).find(L"】\t" + dataFile + L"\tデータファイルが正しくありません"),
              std::wstring::npos)
        << WideToUtf8(DecodeText(error, CodePage()));
  }
}

TEST_F(MainFormTest, ASecondInteractiveRunSaysSoAndDoesNotRun) {
  WriteDataFile(kDataFile, {L"A"});
  std::unique_ptr<IHeldLock> otherRun;
  ASSERT_EQ(Platform().Locks->TryLock(DataFileLockName(kDataFile), otherRun), 0u);
  int interactive = 0;
  auto form = MakeForm({L"-BACKUP"});
  form->InteractiveRun = [&](bool, bool) { ++interactive; };
  form->FormCreate();
  EXPECT_EQ(interactive, 0);
  EXPECT_EQ(View.Errors, std::vector<std::wstring>{form->OtherRunMessage()});
  EXPECT_NE(form->OtherRunMessage().find(kDataFile), std::wstring::npos);
  EXPECT_EQ(form->ExitCode, exitcode::OtherRunActive);
}

TEST_F(MainFormTest, RunGuardsFromTheSettingsFileAndTheCommandLine) {
  WriteDataFile(kDataFile, {L"A"});
  const std::wstring ini = L"C:\\Program\\Vogratel.ini";
  Fs().AddFile(
      ini, "[Run]\r\nMirrorGuardPercent=70\r\nMirrorGuardMinFiles=abc\r\nRetryCount=5\r\nRetryWait=-1\r\nVerify=1\r\nThreads=3\r\n");
  struct Case {
    std::vector<std::wstring> arguments;
    TMirrorGuard guard;
    int32_t retry, wait;
    bool verify;
    int32_t threads;
  } cases[] = {
      {{L"-AUTO"}, {true, 70, 10}, 5, 2, true, 3},
      {{L"-AUTO", L"-MIRRORGUARD:60,20", L"-RETRY:0", L"-RETRYWAIT:9", L"-VERIFY:OFF", L"-THREADS:1"},
       {true, 60, 20},
       0,
       9,
       false,
       1},
      {{L"-AUTO", L"-mirrorguard:off", L"-threads:0"}, {false, 70, 10}, 5, 2, true, 0},
      {{L"-AUTO", L"-MIRRORGUARD:101", L"-MIRRORGUARD:5,x", L"-RETRY:-1", L"-RETRYWAIT", L"-THREADS:65"},
       {true, 70, 10},
       5,
       2,
       true,
       3},
  };
  for (const Case& c : cases) {
    Runs.clear();
    auto form = MakeForm(c.arguments);
    form->FormCreate();
    ASSERT_EQ(Runs.size(), 1u);
    const TRunRecord& run = Runs[0];
    EXPECT_EQ(run.Guard.Enabled, c.guard.Enabled);
    EXPECT_EQ(run.Guard.SharePercent, c.guard.SharePercent);
    EXPECT_EQ(run.Guard.MinimumFiles, c.guard.MinimumFiles);
    EXPECT_FALSE(run.GuardAsks);  // the unattended run never asks
    EXPECT_EQ(run.RetryCount, c.retry);
    EXPECT_EQ(run.RetryWait, c.wait);
    EXPECT_EQ(run.Verify, c.verify);
    EXPECT_EQ(run.Threads, c.threads);
  }
}

TEST_F(MainFormTest, BackupWithoutDataFileEndsWithoutARun) {
  int interactive = 0;
  auto form = MakeForm({L"-BACKUP"});
  form->InteractiveRun = [&](bool, bool) { ++interactive; };
  form->FormCreate();
  EXPECT_EQ(interactive, 0);
  EXPECT_TRUE(form->EndRequested);
}

TEST_F(MainFormTest, BackupRunsInteractivelyWithoutPreview) {
  WriteDataFile(kDataFile, {L"A"});
  std::vector<std::pair<bool, bool>> calls;
  auto form = MakeForm({L"-BACKUP", L"-NORESULT"});
  form->InteractiveRun = [&](bool preview, bool showResult) { calls.emplace_back(preview, showResult); };
  form->FormCreate();
  EXPECT_EQ(calls, (std::vector<std::pair<bool, bool>>{{false, false}}));
  EXPECT_EQ(form->DataFilePath, kDataFile);
}

TEST_F(MainFormTest, WindowSizesFromTheCommandLine) {
  struct Case {
    const wchar_t* Width;
    int32_t Expected, Button, RestoreLeft;
  };
  const Case cases[] = {{L"-WINDOWWIDTH:abc", 0, 145, 169},
                        {L"-WINDOWWIDTH:-5", 0, 145, 169},
                        {L"-WINDOWWIDTH:500", 500, 214, 237},
                        {L"-WINDOWWIDTH:502", 502, 216, 239}};  // 215.5 rounds to even
  for (const Case& c : cases) {
    TRecordingView view;
    TMainForm form(view, {c.Width, L"-WINDOWHEIGHT:300"});
    form.FormCreate();
    form.FormShow();
    EXPECT_EQ(form.Layout.Width, c.Expected) << WideToUtf8(c.Width);
    EXPECT_EQ(form.Layout.BackupWidth, c.Button);
    EXPECT_EQ(form.Layout.RestoreWidth, c.Button);
    EXPECT_EQ(form.Layout.RestoreLeft, c.RestoreLeft);
    EXPECT_EQ(form.Layout.Height, 300);
    EXPECT_EQ(form.Data.WindowWidth, c.Expected);
  }
}

TEST_F(MainFormTest, OneRunButtonTakesBothPlaces) {
  TMainForm backupOnly(View, {L"-BACKUPONLY"});
  backupOnly.FormCreate();
  backupOnly.FormShow();
  EXPECT_FALSE(backupOnly.Layout.RestoreVisible);
  EXPECT_EQ(backupOnly.Layout.BackupWidth, 298);
  TMainForm restoreOnly(View, {L"-RESTOREONLY"});
  restoreOnly.FormCreate();
  restoreOnly.FormShow();
  EXPECT_FALSE(restoreOnly.Layout.BackupVisible);
  EXPECT_EQ(restoreOnly.Layout.RestoreLeft, 16);
  EXPECT_EQ(restoreOnly.Layout.RestoreWidth, 298);
}

TEST_F(MainFormTest, UnreadableDataFileShowsItsErrorAndStopsFirstShowing) {
  Fs().AddFile(kDataFile, "not a data file");
  auto form = MakeForm({L"C:\\Src\\A", L"-WINDOWWIDTH:500"});
  form->FormCreate();
  form->FormShow();
  ASSERT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(form->Items.Count(), 0);  // the path argument was not added
  EXPECT_EQ(form->Layout.Width, 0);   // nor the layout applied
  std::string content;
  ASSERT_TRUE(Fs().ReadContent(kDataFile, content));
  EXPECT_EQ(content, "not a data file");
}

TEST_F(MainFormTest, PathArgumentsBecomeItemsAndImplyTheDataFile) {
  Fs().AddFile(L"C:\\Src\\B\\note.txt", "x");
  auto form = MakeForm({L"C:\\src\\a", L"C:\\nowhere", L"C:\\Src\\B\\note.txt", L"C:\\Src\\A"});
  form->FormCreate();
  form->FormShow();
  ASSERT_EQ(form->Items.Count(), 2);
  EXPECT_EQ(form->Items[0]->Title, L"A");
  EXPECT_EQ(form->Items[0]->SourceFolder, L"C:\\Src\\A");
  EXPECT_EQ(form->Items[1]->Title, L"note");
  EXPECT_EQ(form->DataFilePath, kDataFile);
  EXPECT_EQ(View.Errors, std::vector<std::wstring>{kTitleExists});  // the second C:\Src\A
  EXPECT_TRUE(form->Modified);
}

TEST_F(MainFormTest, ClosingAsksAboutChangesAndSavesOnlyOnYes) {
  auto form = MakeForm({L"C:\\Src\\A"});
  form->FormCreate();
  form->FormShow();
  View.Answer = IMainView::TAnswer::Cancel;
  EXPECT_FALSE(form->FormCloseQuery());
  View.Answer = IMainView::TAnswer::No;
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_FALSE(Fs().Exists(kDataFile));
  View.Answer = IMainView::TAnswer::Yes;
  // During a run the items hold their expanded folders: saving then would write them in
  // place of their macros. The close is refused without a question and nothing is written.
  form->Busy = true;
  EXPECT_FALSE(form->FormCloseQuery());
  EXPECT_FALSE(form->SaveCommand());
  EXPECT_FALSE(Fs().Exists(kDataFile));
  EXPECT_EQ(View.Questions.size(), 2u);
  form->Busy = false;
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_TRUE(Fs().Exists(kDataFile));
}

TEST_F(MainFormTest, SettingsKeepTheDestinationAndAStoredPlace) {
  {
    TMainForm form(View, {});
    form.FormCreate();
    EXPECT_TRUE(form.Layout.Centred);
    form.DestinationText = L"E:\\Out";
    form.Layout = {false, 40, 50};
    form.FormDestroy();
  }
  TMainForm form(View, {L"-AUTO"});  // a run without a window keeps the stored place
  form.FormCreate();
  EXPECT_EQ(form.DestinationText, L"E:\\Out");
  EXPECT_FALSE(form.Layout.Centred);
  form.FormDestroy();
  TMainForm again(View, {});
  again.FormCreate();
  EXPECT_EQ(again.Layout.Left, 40);
  EXPECT_EQ(again.Layout.Top, 50);
}

}  // namespace
}  // namespace vog::test
