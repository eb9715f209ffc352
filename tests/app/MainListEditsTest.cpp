// The main window's rules without its controls: list edits and title clashes, drops and
// imports, the buttons, and the arrival of a volume; a scripted dialog set answers.
#include <deque>
#include <optional>

#include "app/MainForm.h"
#include "app/RunChecks.h"
#include "base/Text.h"
#include "model/TitleRules.h"
#include "support/ScriptedUi.h"
#include "tests/app/AppTestSupport.h"

namespace vog::test {
namespace {

const std::wstring kDataFile = L"C:\\Program\\VogratelData.vgd";

class TScriptedDialogs : public IDialogs {
public:
  std::deque<std::optional<std::wstring>> Titles;  // EditTitle answers; nullopt = Cancel
  std::function<bool(TBackupInfo&, bool)> OnEditItem;
  std::optional<bool> StartAnswer;  // AskBackupStart: the preview chosen, nullopt = Cancel
  bool StartAvailable = false, StartPreviewIn = false;
  std::optional<std::wstring> Folder;  // BrowseForFolder's answer
  std::wstring FolderCaption, FolderIn;
  std::vector<std::wstring> AboutTitles;
  int Calls = 0;

  bool AskBackupStart(bool previewAvailable, bool& preview) override {
    ++Calls;
    StartAvailable = previewAvailable;
    StartPreviewIn = preview;
    if (!StartAnswer) return false;
    preview = *StartAnswer;
    return true;
  }
  bool EditTitle(std::wstring& title) override {
    ++Calls;
    std::optional<std::wstring> answer = Titles.empty() ? std::nullopt : Titles.front();
    if (!Titles.empty()) Titles.pop_front();
    if (answer) title = *answer;
    return answer.has_value();
  }
  bool EditItem(TBackupInfo& item, bool isNew) override {
    ++Calls;
    return OnEditItem && OnEditItem(item, isNew);
  }
  void ShowAbout(const TAboutTexts& texts) override {
    ++Calls;
    AboutTitles.push_back(texts.Title + L"|" + texts.Url);
  }
  bool BrowseForFolder(const std::wstring& caption, std::wstring& folder) override {
    ++Calls;
    FolderCaption = caption;
    FolderIn = folder;
    if (Folder) folder = *Folder;
    return Folder.has_value();
  }
};

class MainListEditsTest : public AppTest {
protected:
  TScriptedDialogs Dialogs;
  std::vector<std::pair<bool, bool>> InteractiveRuns;

  // A shown form over a data file with these titles (sources C:\Src\<title>).
  std::unique_ptr<TMainForm> Shown(const std::vector<std::wstring>& titles, std::vector<std::wstring> arguments = {}) {
    if (!titles.empty()) WriteDataFile(kDataFile, titles);
    auto form = MakeForm(std::move(arguments));
    form->Dialogs = &Dialogs;
    form->InteractiveRun = [this](bool preview, bool showResult) { InteractiveRuns.emplace_back(preview, showResult); };
    form->FormCreate();
    form->FormShow();
    View.Errors.clear();
    return form;
  }
  static std::vector<std::wstring> Titles(const TMainForm& form) {
    std::vector<std::wstring> titles;
    for (const TBackupInfo* item : form.Items) titles.push_back(item->Title);
    EXPECT_EQ(form.CheckList.Count(), form.Items.Count());
    for (int i = 0; i < form.Items.Count() && i < form.CheckList.Count(); ++i)
      EXPECT_EQ(form.CheckList.Rows[static_cast<size_t>(i)].first, form.Items[i]->Title);
    return titles;
  }
  static std::vector<bool> Marks(const TMainForm& form) {
    std::vector<bool> marks;
    for (const auto& row : form.CheckList.Rows) marks.push_back(row.second);
    return marks;
  }
};

using Strings = std::vector<std::wstring>;

TEST_F(MainListEditsTest, RenameRefusesTitlesThatWouldNotNameAFolderOfTheirOwn) {
  struct Case {
    std::optional<std::wstring> Answer;
    std::wstring Title;  // the title afterwards
    std::wstring Error;
  };
  const Case cases[] = {
      {L"新しい名前", L"新しい名前", L""},
      {std::nullopt, L"B", L""},
      {L"A", L"B", kTitleExistsOnRename},
      {L"..", L"B", TitleProblem(L"..")},
      {L"", L"B", TitleProblem(L"")},
      {L"a", L"B", std::wstring(kDestinationClashMessage) + L"\r\na"},
  };
  for (const Case& c : cases) {
    auto form = Shown({L"A", L"B", L"C"});
    Dialogs.Titles = {c.Answer};
    EXPECT_EQ(form->RenameItem(1), c.Error.empty() && c.Answer.has_value());
    EXPECT_EQ(Titles(*form), (Strings{L"A", c.Title, L"C"}));
    EXPECT_EQ(View.Errors, c.Error.empty() ? Strings{} : Strings{c.Error});
    EXPECT_EQ(form->Modified, c.Title != L"B");
  }
}

TEST_F(MainListEditsTest, DeleteAsksAndMovesCarryTheCheckMark) {
  auto form = Shown({L"A", L"B", L"C"});
  form->CheckList.SetChecked(0, false);
  EXPECT_EQ(form->MoveItem(0, -1), 0);  // the first row cannot go up
  EXPECT_EQ(form->MoveItem(2, +1), 2);  // nor the last down
  EXPECT_FALSE(form->Modified);
  EXPECT_EQ(form->MoveItem(0, +1), 1);
  EXPECT_EQ(Titles(*form), (Strings{L"B", L"A", L"C"}));
  EXPECT_EQ(Marks(*form), (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(form->Modified);

  EXPECT_FALSE(form->DeleteItem(-1));  // no selection: no question
  EXPECT_TRUE(View.Questions.empty());
  View.Answer = IMainView::TAnswer::Cancel;
  EXPECT_FALSE(form->DeleteItem(1));
  View.Answer = IMainView::TAnswer::Yes;
  EXPECT_TRUE(form->DeleteItem(0));
  EXPECT_EQ(View.Questions, (Strings{kDeleteQuestion, kDeleteQuestion}));
  EXPECT_EQ(Titles(*form), (Strings{L"A", L"C"}));
  EXPECT_EQ(Marks(*form), (std::vector<bool>{false, true}));
}

TEST_F(MainListEditsTest, WithoutAllowEditOrDuringARunTheListCannotBeChanged) {
  // During a run the engine holds the items: none may go, move or change under it.
  for (const bool busy : {false, true}) {
    auto form = Shown({L"A", L"B"});
    form->Data.AllowEdit = busy;
    form->Busy = busy;
    Dialogs.Calls = 0;
    Dialogs.Titles = {L"X"};
    Dialogs.OnEditItem = [](TBackupInfo& item, bool) {
      item.Title = L"Y";
      return true;
    };
    View.Answer = IMainView::TAnswer::Yes;
    Fs().AddFolder(L"C:\\In\\Z");
    WriteDataFile(L"C:\\Other\\More.vgd", {L"P"});
    EXPECT_FALSE(form->DeleteItem(0));
    EXPECT_EQ(form->MoveItem(0, +1), 0);
    EXPECT_FALSE(form->RenameItem(0));
    EXPECT_FALSE(form->EditItemSettings(0));
    EXPECT_FALSE(form->NewItem());
    form->DropFiles({L"C:\\In\\Z", L"C:\\Other\\More.vgd"});
    EXPECT_EQ(Titles(*form), (Strings{L"A", L"B"})) << busy;
    EXPECT_EQ(Dialogs.Calls, 0) << busy;
    EXPECT_TRUE(View.Questions.empty()) << busy;
    EXPECT_FALSE(form->Modified) << busy;
  }
}

TEST_F(MainListEditsTest, DropsAddFoldersAndFilesAndStopAtTheFirstRefusal) {
  Fs().AddFolder(L"C:\\In\\X");
  Fs().AddFolder(L"C:\\In\\b");  // "b" names the folder of item "B"
  Fs().AddFolder(L"C:\\In\\Y");
  Fs().AddFile(L"C:\\Docs\\report.txt", "r");
  struct Case {
    Strings Drop;
    Strings Titles;
    std::wstring Error;
  };
  const Case cases[] = {
      {{L"C:\\In\\X", L"C:\\In\\b", L"C:\\In\\Y"},
       {L"B", L"X"},
       std::wstring(kDestinationClashMessage) + L"\r\nb"},
      {{L"C:\\Docs\\report.txt", L"C:\\Docs\\report.txt", L"C:\\In\\Y"}, {L"B", L"report"}, kTitleExists},
      {{L"C:\\In\\Nowhere", L"C:\\In\\Y"}, {L"B"}, L"追加するフォルダまたはファイルが見つかりません\r\nC:\\In\\Nowhere"},
  };
  for (const Case& c : cases) {
    Fs().RemoveFile(kDataFile);
    auto form = MakeForm({});
    form->FormCreate();
    form->FormShow();  // no data file yet
    Fs().AddFolder(L"C:\\Src\\B");
    form->DropFiles({L"C:\\Src\\B"});
    form->DropFiles(c.Drop);
    EXPECT_EQ(Titles(*form), c.Titles);
    EXPECT_EQ(View.Errors, Strings{c.Error});
    EXPECT_EQ(form->DataFilePath, kDataFile);  // a later save creates the program's data file
    EXPECT_TRUE(form->Modified);
    View.Errors.clear();
  }
  auto form = Shown({L"B"});
  form->DropFiles({L"C:\\Docs\\report.txt"});
  const TBackupInfo& file = *form->Items[1];
  EXPECT_EQ(file.SourceFolder, L"C:\\Docs");
  EXPECT_EQ(file.TargetCondition.Files, Strings{L"report.txt"});
  EXPECT_FALSE(file.IncludeSubFolders);
  EXPECT_TRUE(file.Condition.Mirroring && file.UseTempFile);
}

TEST_F(MainListEditsTest, ImportKeepsTheItemsBeforeAClash) {
  WriteDataFile(L"C:\\Other\\More.VGD", {L"P", L"A", L"Q"});
  WriteDataFile(L"C:\\Other\\Twice.vgd", {L"R", L"R", L"S"});
  auto form = Shown({L"A"});
  form->Data.IconImage.SetPicture({"TIcon", std::string(22, '\1')});
  form->DropFiles({L"C:\\Other\\More.VGD", L"C:\\Other\\Twice.vgd"});
  EXPECT_EQ(form->Data.IconImage.Picture().ClassName, "TIcon");  // the file has no icon to replace it
  EXPECT_EQ(Titles(*form), (Strings{L"A", L"P"}));
  EXPECT_EQ(form->Items[1]->SourceFolder, L"C:\\Src\\P");
  EXPECT_EQ(View.Errors, Strings{kTitleExists});
  EXPECT_TRUE(form->Modified);
  // Two items of one file with one title would share one folder: the second is refused.
  EXPECT_THROW(form->ImportDataFile(L"C:\\Other\\Twice.vgd"), Error);
  EXPECT_EQ(Titles(*form), (Strings{L"A", L"P", L"R"}));
}

TEST_F(MainListEditsTest, ItemSettingsReplaceTheItemOnOkAndNewItemsJoinTheList) {
  auto form = Shown({L"A", L"B"});
  Dialogs.OnEditItem = [](TBackupInfo& item, bool isNew) {
    EXPECT_FALSE(isNew);
    item.SourceFolder = L"D:\\Elsewhere";
    item.KeepHistory = true;
    return false;  // Cancel
  };
  EXPECT_FALSE(form->EditItemSettings(1));
  EXPECT_EQ(form->Items[1]->SourceFolder, L"C:\\Src\\B");
  Dialogs.OnEditItem = [](TBackupInfo& item, bool) {
    item.SourceFolder = L"D:\\Elsewhere";
    item.Title = L"B2";
    return true;
  };
  EXPECT_TRUE(form->EditItemSettings(1));
  EXPECT_EQ(form->Items[1]->SourceFolder, L"D:\\Elsewhere");
  EXPECT_EQ(Titles(*form), (Strings{L"A", L"B2"}));
  EXPECT_TRUE(form->Modified);

  bool sawDefaults = false;
  Dialogs.OnEditItem = [&](TBackupInfo& item, bool isNew) {
    sawDefaults = isNew && item.Condition.Mirroring && item.UseTempFile && item.Title.empty();
    item.Title = L"A";
    return true;
  };
  EXPECT_FALSE(form->NewItem());  // "A" is taken
  EXPECT_TRUE(sawDefaults);
  EXPECT_EQ(View.Errors, Strings{kTitleExists});
  Dialogs.OnEditItem = [](TBackupInfo& item, bool) {
    item.Title = L"新規";
    item.SourceFolder = L"C:\\New";
    return true;
  };
  EXPECT_TRUE(form->NewItem());
  EXPECT_EQ(Titles(*form), (Strings{L"A", L"B2", L"新規"}));
  EXPECT_EQ(Marks(*form), (std::vector<bool>{true, true, true}));
}

TEST_F(MainListEditsTest, SaveWritesTheDataFileAtOnceAndMakesOneWhenNoneIsKnown) {
  auto form = Shown({});
  Dialogs.OnEditItem = [](TBackupInfo& item, bool) {
    item.Title = L"N";
    return true;
  };
  form->NewItem();
  form->DataFilePath.clear();
  ASSERT_TRUE(form->SaveCommand());
  EXPECT_EQ(form->DataFilePath, kDataFile);
  EXPECT_FALSE(form->Modified);
  auto again = Shown({});
  EXPECT_EQ(Titles(*again), Strings{L"N"});

  // A full disk: the error shows, the file on disk stays as it was, the list stays unsaved.
  std::string before, after;
  ASSERT_TRUE(Fs().ReadContent(kDataFile, before));
  Dialogs.OnEditItem = [](TBackupInfo& item, bool) {
    item.Title = L"M";
    return true;
  };
  ASSERT_TRUE(again->NewItem());
  Fs().SetCapacity(L"C:", 1);
  EXPECT_FALSE(again->SaveCommand());
  EXPECT_EQ(View.Errors.size(), 1u);
  EXPECT_TRUE(again->Modified);
  ASSERT_TRUE(Fs().ReadContent(kDataFile, after));
  EXPECT_EQ(after, before);
}

// The past-versions window opens on the chosen item's backup where a run would write it, and
// not while a run holds the items.
TEST_F(MainListEditsTest, PastVersionsOpenOnTheChosenItemsBackupOutsideARun) {
  auto form = Shown({L"A", L"B"});
  form->DestinationText = L"E:\\Backup";
  std::vector<std::wstring> opened;
  form->PastVersionsRun = [&](const TBackupInfo& item) { opened.push_back(item.Title + L"|" + item.DestFolder); };
  form->PastVersionsClick(1);
  form->PastVersionsClick(5);
  form->Busy = true;
  form->PastVersionsClick(0);
  EXPECT_EQ(opened, (Strings{L"B|E:\\Backup\\B"}));
}

TEST_F(MainListEditsTest, BackupButtonOffersThePreviewOnlyWhenAllowed) {
  struct Case {
    bool Allow, Stored;
    std::optional<bool> Answer;
    bool ShownChecked, RunPreview, StoredAfter;
  };
  const Case cases[] = {
      {true, true, false, true, false, false},   {true, false, true, false, true, true},
      {false, true, true, false, false, true},   // a hidden box keeps the stored choice
      {true, true, std::nullopt, true, false, true},  // Cancel: no run
  };
  for (const Case& c : cases) {
    auto form = Shown({L"A"});
    form->DestinationText = L"E:\\Out";
    form->Data.AllowPreview = c.Allow;
    form->Settings.IsPreview = c.Stored;
    Dialogs.StartAnswer = c.Answer;
    InteractiveRuns.clear();
    form->BackupStartButtonClick();
    EXPECT_EQ(Dialogs.StartAvailable, c.Allow);
    EXPECT_EQ(Dialogs.StartPreviewIn, c.ShownChecked);
    EXPECT_EQ(form->Settings.IsPreview, c.StoredAfter);
    if (!c.Answer) {
      EXPECT_TRUE(InteractiveRuns.empty());
      continue;
    }
    EXPECT_EQ(InteractiveRuns, (std::vector<std::pair<bool, bool>>{{c.RunPreview, true}}));
    EXPECT_EQ(form->Items[0]->DestFolder, L"E:\\Out\\A");
  }
}

TEST_F(MainListEditsTest, DestinationAndVersionBoxButtons) {
  auto form = Shown({L"A"});
  Fs().AddVolume(L"D:");
  form->DestinationText = L"C:\\Missing";
  Dialogs.Folder = L"D:\\";
  EXPECT_TRUE(form->ChooseDestination());
  EXPECT_EQ(Dialogs.FolderCaption, kChooseDestinationCaption);
  EXPECT_EQ(Dialogs.FolderIn, L"");  // a folder that is not there opens the dialog empty
  EXPECT_EQ(form->DestinationText, L"D:");
  Dialogs.Folder.reset();
  EXPECT_FALSE(form->ChooseDestination());
  EXPECT_EQ(Dialogs.FolderIn, L"D:");
  EXPECT_EQ(form->DestinationText, L"D:");
  EXPECT_FALSE(form->Modified);

  form->Data.AboutTitle = CodePage().WideToAnsi(L"社内バックアップ");
  form->VerBtnClick();
  EXPECT_EQ(Dialogs.AboutTitles, Strings{L"社内バックアップ|"});
}

class DeviceArrivalTest : public MainListEditsTest {
protected:
  TScriptedPump Pump;

  // Items A (source C:), F (source F:) and L (destination label "MEDIA" checked); the
  // destination on E:.
  std::unique_ptr<TMainForm> Ready() {
    Mem().MemVolumes->AddDrive(L'E', TDriveType::Removable, L"OTHER");
    Mem().MemVolumes->AddDrive(L'F', TDriveType::Removable, L"");
    Mem().MemVolumes->AddDrive(L'D', TDriveType::Fixed, L"");
    auto form = Shown({L"A", L"F", L"L"});
    form->Items[1]->SourceFolder = L"F:\\Data";
    form->Items[2]->CheckVolumeLabel = true;
    form->Items[2]->VolumeLabel = L"MEDIA";
    form->DestinationText = L"E:\\Backup";
    form->Data.AutoRunOnVolume = true;
    return form;
  }
};

TEST_F(DeviceArrivalTest, TheArrivedDriveChecksItsItemsAndRuns) {
  struct Case {
    uint32_t Event, Type, Mask;
    std::vector<bool> Marks;
    bool Ran;
  };
  const uint32_t e = 1u << 4, f = 1u << 5;
  const Case cases[] = {
      {kDeviceArrival, kDeviceTypeVolume, e, {true, true, false}, true},  // the destination: all but the label
      {kDeviceArrival, kDeviceTypeVolume, f | (1u << 7), {false, true, false}, true},  // the lowest bit: F
      {kDeviceArrival, kDeviceTypeVolume, 1u << 3, {false, false, false}, false},      // D: nothing matches
      {kDeviceArrival, kDeviceTypeVolume, 0, {true, true, true}, false},                // no letter
      {0x8004, kDeviceTypeVolume, e, {true, true, true}, false},                          // removal
      {kDeviceArrival, 3, e, {true, true, true}, false},                                  // not a volume
  };
  for (const Case& c : cases) {
    auto form = Ready();
    form->DeviceChangeMessage(c.Event, c.Type, c.Mask);
    EXPECT_EQ(Marks(*form), c.Marks) << c.Mask;
    EXPECT_EQ(InteractiveRuns.size(), c.Ran ? 1u : 0u) << c.Mask;
    EXPECT_TRUE(View.Errors.empty());
    InteractiveRuns.clear();
  }
}

TEST_F(DeviceArrivalTest, ADriveThatNeverAppearsIsReportedAfterTheWait) {
  auto form = Ready();
  form->DeviceChangeMessage(kDeviceArrival, kDeviceTypeVolume, 1u << 6);  // G: is no drive
  EXPECT_EQ(View.Errors, Strings{kDriveMissing});
  EXPECT_EQ(Pump.Waited(), (kDriveWaitTests - 1) * kDriveWaitStep);
  EXPECT_GE(Pump.Calls(), kDriveWaitTests - 1);  // the window's messages ran meanwhile
  EXPECT_TRUE(InteractiveRuns.empty());
}

TEST_F(DeviceArrivalTest, EjectAndRemovalFollowTheRunAndABusyWindowIsLeftAlone) {
  auto form = Ready();
  form->Data.AutoRunEject = form->Data.AutoRunRemove = true;
  form->Data.AutoRunPreview = true;
  form->DeviceChangeMessage(kDeviceArrival, kDeviceTypeVolume, 1u << 5);
  EXPECT_EQ(InteractiveRuns, (std::vector<std::pair<bool, bool>>{{true, true}}));
  EXPECT_EQ(form->Items[1]->DestFolder, L"E:\\Backup\\F");
  EXPECT_EQ(Mem().MemDevices->Ejects(), std::vector<wchar_t>{L'F'});
  EXPECT_EQ(Mem().MemDevices->Removals(), std::vector<wchar_t>{L'F'});
  EXPECT_EQ(Pump.Waited(), 2 * kDeviceSettleWait);

  auto busy = Ready();
  busy->Busy = true;
  busy->CheckList.SetChecked(0, false);
  busy->DeviceChangeMessage(kDeviceArrival, kDeviceTypeVolume, 1u << 4);
  EXPECT_EQ(Marks(*busy), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(busy->Items[0]->DestFolder, L"");
  EXPECT_EQ(InteractiveRuns.size(), 1u);
}

}  // namespace
}  // namespace vog::test
