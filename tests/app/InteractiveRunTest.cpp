// The interactive run and the restore of the main window, with scripted windows: on a
// scripted engine for the sequence and its refusals, on the real engine (memory platform)
// for what reaches the disk.
#include "app/EngineRunner.h"
#include "app/ExitCodes.h"
#include "app/InteractiveRun.h"
#include "base/DateTime.h"
#include "scan/BackupLog.h"
#include "scan/Questions.h"
#include "support/ScriptedUi.h"
#include "tests/app/AppTestSupport.h"

namespace vog::test {
namespace {

using Texts = std::vector<std::wstring>;

class TScriptedRunView : public IRunView {
public:
  bool PreviewAnswer = true;
  TRestoreChoice RestoreAnswer{true, L""};
  bool WarningAnswer = true;
  Texts Shown;  // "preview", "result", "info <text>", "errors <count>", ...
  std::function<void(IBackupRunner&)> DuringPreview;

  bool ShowPreview(IBackupRunner& runner, TWindowPlace& place) override {
    Shown.push_back(L"preview");
    if (DuringPreview) DuringPreview(runner);
    place.Width = 500;
    place.Height = 400;
    return PreviewAnswer;
  }
  void ShowResult(IBackupRunner&, TDateTime, TAppData&) override { Shown.push_back(L"result"); }
  void ShowInformation(const std::wstring& message) override { Shown.push_back(L"info " + message); }
  void ShowLastRun(const std::wstring& label) override { Shown.push_back(L"label " + label); }
  TRestoreChoice AskRestoreStart() override {
    Shown.push_back(L"restore?");
    return RestoreAnswer;
  }
  bool ConfirmWarning(const std::wstring& message) override {
    Shown.push_back(L"warning " + message);
    return WarningAnswer;
  }
  void ShowErrorList(const std::wstring& caption, TFileInfoList files) override {
    Shown.push_back(caption + L" " + std::to_wstring(files.Count()));
  }
};

class TKeyAnswer : public TScriptedQuestions {
public:
  bool Given = true;
  int Asked = 0;
  bool AskCipherKey(std::string& key) override {
    ++Asked;
    key = "entered";
    return Given;
  }
};

class InteractiveRunTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    TDateTime now = 0;
    TryEncodeDateTime(2009, 1, 20, 12, 34, 0, 0, now);
    Mem().MemClock->SetLocalNow(now);
    Fs().AddVolume(L"D:");
    Fs().AddFile(L"C:\\Src\\A\\a.txt", "alpha");
    Fs().AddFile(L"C:\\Src\\B\\日本\\b.txt", "beta");
    form = MakeForm({});
    form->DestinationText = L"D:\\Backup";
    form->Data.WriteLog = true;
    form->Data.LogFileName = "run.log";
  }
  TBackupInfo& AddItem(const std::wstring& title, const std::wstring& source, bool checked = true) {
    TBackupInfo& item = *form->Items[form->Items.Add(std::make_unique<TBackupInfo>())];
    item.Title = title;
    item.SourceFolder = source;
    form->CheckList.Rows.emplace_back(title, checked);
    return item;
  }
  TInteractiveResult Run(bool preview = true, bool showResult = true) {
    return RunInteractiveBackup(*form, View, RunView, preview, showResult);
  }
  bool Logged() { return Fs().Exists(L"C:\\Program\\run.log"); }

  TScriptedRunView RunView;
  std::unique_ptr<TMainForm> form;
};

// Every refusal happens before anything changes: no engine ran, the texts are as they
// were, the buttons are back, nothing was logged.
TEST_F(InteractiveRunTest, EveryRefusalLeavesItemsAndStateAsBefore) {
  struct Case {
    const char* Name;
    std::function<void()> Arrange;
    std::wstring Message;
    bool Planned;  // a per-item check: the engine was made, not planned
  };
  TKeyAnswer keys;
  Mem().MemEnv->Set(L"SRCROOT", L"C:\\Src");
  const Case cases[] = {
      {"archive clash",
       [&] {
         AddItem(L"X", L"C:\\Src\\A").Archive = true;
         AddItem(L"x", L"C:\\Src\\B").Archive = true;
       },
       L"圧縮ファイル名が重なっています", false},
      {"folder clash", [&] { AddItem(L"X", L"C:\\Src\\A"), AddItem(L"x", L"C:\\Src\\B"); },
       L"バックアップ先フォルダが重なっています", false},
      {"unusable title", [&] { AddItem(L"a\\b", L"C:\\Src\\A"); }, L"", false},
      {"key cancelled",
       [&] {
         AddItem(L"X", L"C:\\Src\\A");
         AddItem(L"Coded", L"C:\\Src\\B", false).Encrypt = true;  // unchecked still asks
         keys.Given = false;
       },
       L"暗号キーを入力してください", false},
      {"missing source", [&] { AddItem(L"X", L"C:\\Src\\A"), AddItem(L"Y", L"<ENV:SRCROOT>\\Gone"); },
       L"バックアップ元フォルダが存在しません\r\nY", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    form->Items.Clear();
    form->CheckList.Rows.clear();
    View.Errors.clear();
    Runs.clear();
    keys.Given = true;
    c.Arrange();
    Texts before;
    for (const TBackupInfo* item : form->Items) before.push_back(item->SourceFolder);
    const TInteractiveResult result = Run();
    EXPECT_TRUE(result.Refused);
    ASSERT_EQ(View.Errors.size(), 1u);
    if (!c.Message.empty()) EXPECT_EQ(View.Errors[0], c.Message);
    EXPECT_EQ(Runs.size(), c.Planned ? 1u : 0u);
    if (c.Planned) EXPECT_EQ(Runs[0].Calls, Texts{});
    Texts after;
    for (const TBackupInfo* item : form->Items) after.push_back(item->SourceFolder);
    EXPECT_EQ(after, before);  // macro texts put back
    EXPECT_FALSE(form->Busy);
    EXPECT_FALSE(Logged());
    EXPECT_EQ(form->Settings.Time, L"");
  }
}

TEST_F(InteractiveRunTest, ResultStepFollowsPreviewAndShowResult) {
  AddItem(L"A", L"C:\\Src\\A");
  struct Case {
    bool Preview, ShowResult, Failed;
    Texts Shown;
  };
  const Case cases[] = {
      {true, true, false, {L"preview", L"info バックアップが終了しました", L"label 前回バックアップ日時： 2009/01/20 12:34"}},
      {true, true, true, {L"preview", L"result", L"label 前回バックアップ日時： 2009/01/20 12:34"}},
      {false, true, false, {L"result", L"label 前回バックアップ日時： 2009/01/20 12:34"}},
      {false, false, true, {L"label 前回バックアップ日時： 2009/01/20 12:34"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Preview) + std::to_string(c.ShowResult) + std::to_string(c.Failed));
    RunView.Shown.clear();
    form->Settings.CopyResultWindowWidth = 0;
    PrepareRunner = [&](TScriptedRunner& runner) {
      if (c.Failed) runner.Errors.Add(MakeRecord(L"C:\\Src\\A\\", L"a.txt"));
    };
    const TInteractiveResult result = Run(c.Preview, c.ShowResult);
    EXPECT_TRUE(result.Ran);
    EXPECT_EQ(result.ExitCode, c.Failed ? exitcode::FilesFailed : exitcode::Success);
    EXPECT_EQ(RunView.Shown, c.Shown);
    EXPECT_EQ(form->Settings.Time, L"2009/01/20 12:34");
    EXPECT_EQ(form->Settings.CopyResultWindowWidth, c.Preview ? 500 : 0);
  }
  EXPECT_TRUE(Logged());
}

// Whatever ends the run, the end step puts the macro texts back, frees the buttons and
// writes no log; a stop shows nothing, an error its message.
TEST_F(InteractiveRunTest, AStopDuringPlanningOrAnErrorGoesToTheEndStep) {
  Mem().MemEnv->Set(L"SRCROOT", L"C:\\Src");
  TBackupInfo& item = AddItem(L"A", L"<ENV:SRCROOT>\\A");
  struct Case {
    const char* Name;
    std::function<void(TScriptedRunner&)> Arrange;
    Texts Calls, Errors;
    int ExitCode;
  };
  const Case cases[] = {
      {"stop", [](TScriptedRunner& r) { r.StopInPlan = true; }, {L"Plan"}, {}, exitcode::Success},
      {"plan fails", [](TScriptedRunner& r) { r.FailPlan = true; }, {L"Plan"}, {L"計画に失敗しました"}, exitcode::RunError},
      {"execute fails", [](TScriptedRunner& r) { r.FailExecute = true; }, {L"Plan", L"Execute"}, {L"実行に失敗しました"},
       exitcode::RunError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Runs.clear();
    View.Errors.clear();
    RunView.Shown.clear();
    PrepareRunner = c.Arrange;
    EXPECT_EQ(Run(false, true).ExitCode, c.ExitCode);
    EXPECT_EQ(Runs.at(0).Sources, Texts{L"C:\\Src\\A"});
    EXPECT_EQ(Runs.at(0).Calls, c.Calls);
    EXPECT_EQ(View.Errors, c.Errors);
    EXPECT_EQ(RunView.Shown, Texts{});
    EXPECT_EQ(item.SourceFolder, L"<ENV:SRCROOT>\\A");
    EXPECT_FALSE(form->Busy);
    EXPECT_FALSE(Logged());
    EXPECT_EQ(form->Settings.Time, L"");
  }
}

// Cancel in the preview of a real plan: nothing copied, no log, the last-run time kept;
// OK after taking a file out copies exactly the rest.
TEST_F(InteractiveRunTest, PreviewCancelCopiesNothingAndOkCopiesWhatRemains) {
  form->RunnerFactory = CreateEngineRunner;
  AddItem(L"A", L"C:\\Src\\A");
  AddItem(L"B", L"C:\\Src\\B");
  RunView.PreviewAnswer = false;
  EXPECT_TRUE(Run().Cancelled);
  EXPECT_FALSE(Fs().Exists(L"D:\\Backup\\A"));
  EXPECT_FALSE(Logged());
  EXPECT_EQ(form->Settings.Time, L"");

  TKeyAnswer keys;
  form->Items[1]->Encrypt = true;
  RunView.PreviewAnswer = true;
  const TInteractiveResult result = Run();
  EXPECT_TRUE(result.Ran);
  EXPECT_EQ(keys.Asked, 1);
  std::string content;
  EXPECT_TRUE(Fs().ReadContent(L"D:\\Backup\\A\\a.txt", content));
  EXPECT_EQ(content, "alpha");
  EXPECT_TRUE(Fs().ReadContent(L"D:\\Backup\\B\\日本\\b.txt", content));
  EXPECT_NE(content, "beta");  // enciphered with the entered key
  EXPECT_TRUE(Logged());
}

TEST_F(InteractiveRunTest, RestoreAsksTwiceAndGoesWhereChosen) {
  form->RunnerFactory = CreateEngineRunner;
  AddItem(L"A", L"C:\\Src\\A");
  RunView.PreviewAnswer = true;
  Run(false, false);

  struct Case {
    const char* Name;
    TRestoreChoice Choice;
    bool Warning;
    std::string Original;
    bool Elsewhere;
  };
  const Case cases[] = {
      {"cancelled", {false, L""}, true, "changed", false},
      {"no to the warning", {true, L""}, false, "changed", false},
      {"original places", {true, L""}, true, "alpha", false},
      {"another folder", {true, L"F:\\見る"}, true, "changed", true},
  };
  Fs().AddVolume(L"F:");
  form->Data.RestoreChangedOnly = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RunView.RestoreAnswer = c.Choice;
    RunView.WarningAnswer = c.Warning;
    RunView.Shown.clear();
    Fs().AddFile(L"C:\\Src\\A\\a.txt", "changed");
    RunRestore(*form, View, RunView);
    std::string content;
    Fs().ReadContent(L"C:\\Src\\A\\a.txt", content);
    EXPECT_EQ(content, c.Original);
    EXPECT_EQ(Fs().Exists(L"F:\\見る\\A\\a.txt"), c.Elsewhere);
    EXPECT_EQ(RunView.Shown.back() == L"info リストアが終了しました", c.Choice.Confirmed && c.Warning);
    EXPECT_FALSE(form->Busy);
  }
  for (const auto& [other, folder, refused] : {std::tuple{false, L"", false}, {true, L"", true},
                                              {true, L"relative\\x", true}, {true, L"F:\\x", false}})
    EXPECT_EQ(RestoreChoiceProblem(other, folder).empty(), !refused) << folder;
  form->DestinationText = L"D:\\Nothing";
  RunRestore(*form, View, RunView);
  EXPECT_EQ(View.Errors.back(), L"リストア元\r\nD:\\Nothing\\A\r\nが存在しません");
}

}  // namespace
}  // namespace vog::test
