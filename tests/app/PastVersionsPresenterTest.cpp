// The past-versions window's rules with a recording view, on backups real runs made on the
// memory platform.
#include "app/PastVersionsPresenter.h"
#include "engine/EngineTestSupport.h"

namespace vog::test {
namespace {

class TRecordingVersionsView : public IPastVersionsView {
public:
  std::vector<std::wstring> Statuses, Questions, Errors, Infos;
  std::vector<TVersionRow> Rows;
  bool VersionActions = false, AsOfActions = false, Busy = false, Answer = true;
  std::wstring Folder = L"F:\\Out";
  std::vector<TDateTime> Days;
  int DayChosen = 0;  // index into the days offered

  void SetCaption(const std::wstring&) override {}
  void ShowTree() override {}
  void ShowVersions(const std::vector<TVersionRow>& rows) override { Rows = rows; }
  void ShowStatus(const std::wstring& text) override { Statuses.push_back(text); }
  void EnableActions(bool version, bool asOf) override {
    VersionActions = version;
    AsOfActions = asOf;
  }
  void SetBusy(bool busy) override { Busy = busy; }
  bool Confirm(const std::wstring& question) override {
    Questions.push_back(question);
    return Answer;
  }
  void ShowError(const std::wstring& message) override { Errors.push_back(message); }
  void ShowInfo(const std::wstring& message) override { Infos.push_back(message); }
  std::wstring Started;  // where the folder dialog started
  bool BrowseForFolder(const std::wstring&, std::wstring& folder) override {
    Started = folder;
    folder = Folder;
    return !Folder.empty();
  }
  bool ChooseDay(const std::vector<TDateTime>& days, TDateTime& day) override {
    Days = days;
    day = days.at(static_cast<size_t>(DayChosen));
    return true;
  }
  bool AskCipherKey(std::string&) override { return false; }
};

class PastVersionsPresenterTest : public EngineTest {
protected:
  void Day(int day) {
    TDateTime now = 0;
    TryEncodeDateTime(2009, 1, day, 10, 0, 0, 0, now);
    Mem().MemClock->SetLocalNow(now);
  }
  // a.txt "v1" on day 1, "v22" on day 2; gone.txt deleted on day 3; edited at the source
  // on day 4.
  TBackupInfo& Backed() {
    TBackupInfo& item = Item();
    item.KeepHistory = true;
    for (int day = 1; day <= 3; ++day) {
      Day(day);
      if (day == 1) Fs().AddFile(L"D:\\Src\\sub\\gone.txt", "gone");
      if (day == 3) Fs().RemoveFile(L"D:\\Src\\sub\\gone.txt");
      if (day <= 2) Fs().AddFile(L"D:\\Src\\a.txt", day == 1 ? "v1" : "v22");
      TBackup backup;
      backup.AddItem(&item);
      backup.Plan();
      backup.Execute();
    }
    Day(4);
    Fs().AddFile(L"D:\\Src\\a.txt", "edited");
    Fs().AddVolume(L"F:");
    return item;
  }
  int NodeOf(const TPastVersionsPresenter& presenter, const std::wstring& path) {
    for (size_t i = 0; i < presenter.Nodes().size(); ++i)
      if (presenter.Nodes()[i].Path == path) return static_cast<int>(i);
    return -1;
  }
  std::string Content(const std::wstring& path) {
    std::string text;
    Fs().ReadContent(path, text);
    return text;
  }
  TRecordingVersionsView view;
};

TEST_F(PastVersionsPresenterTest, TheTreeMarksDeletedFilesAndListsVersionsNewestFirst) {
  TPastVersionsPresenter presenter(view, Backed());
  ASSERT_TRUE(presenter.Open());
  EXPECT_TRUE(view.Busy);
  presenter.Load();
  EXPECT_FALSE(view.Busy);
  EXPECT_EQ(view.Statuses.back(), L"");
  const auto& nodes = presenter.Nodes();
  ASSERT_EQ(nodes.size(), 4u);  // the item, sub, a.txt, sub\gone.txt
  EXPECT_EQ(nodes[0].Children, std::vector<int>({NodeOf(presenter, L"sub"), NodeOf(presenter, L"a.txt")}));
  EXPECT_TRUE(nodes[NodeOf(presenter, L"sub\\gone.txt")].Deleted);
  EXPECT_TRUE(nodes[NodeOf(presenter, L"sub")].Deleted);
  EXPECT_FALSE(nodes[NodeOf(presenter, L"a.txt")].Deleted);
  EXPECT_FALSE(view.VersionActions);
  EXPECT_TRUE(view.AsOfActions);

  presenter.Select(NodeOf(presenter, L"a.txt"));
  ASSERT_EQ(view.Rows.size(), 2u);
  EXPECT_EQ(view.Rows[0].Date, L"現在");
  EXPECT_EQ(view.Rows[0].Size, L"3 バイト ");
  EXPECT_EQ(view.Rows[1].Date, L"2009/01/02");
  EXPECT_EQ(view.Rows[1].LastWrite.substr(0, 10), L"2009/01/01");
  EXPECT_TRUE(view.VersionActions);
}

// In place only after the question naming the file and the day; the file there is kept.
TEST_F(PastVersionsPresenterTest, RestoringInPlaceAsksFirstAndKeepsTheCurrentFile) {
  TPastVersionsPresenter presenter(view, Backed());
  presenter.Open();
  presenter.Load();
  presenter.Select(NodeOf(presenter, L"a.txt"));
  presenter.SelectVersion(1);
  view.Answer = false;
  presenter.RestoreToOriginal();
  ASSERT_EQ(view.Questions.size(), 1u);
  EXPECT_NE(view.Questions[0].find(L"D:\\Src\\a.txt"), std::wstring::npos);
  EXPECT_NE(view.Questions[0].find(L"2009/01/02"), std::wstring::npos);
  EXPECT_EQ(Content(L"D:\\Src\\a.txt"), "edited");

  view.Answer = true;
  presenter.RestoreToOriginal();
  EXPECT_EQ(Content(L"D:\\Src\\a.txt"), "v1");
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\世代 2009-01-04\\a.txt"), "edited");
  EXPECT_EQ(view.Infos, std::vector<std::wstring>({L"リストアが終了しました"}));

  presenter.RestoreToFolder();
  EXPECT_EQ(view.Started, L"D:");  // beside the item's source
  EXPECT_EQ(Content(L"F:\\Out\\a.txt"), "v1");
  presenter.SelectVersion(0);
  presenter.RestoreToFolder();  // a file already there is left alone, and that is said
  EXPECT_EQ(Content(L"F:\\Out\\a.txt"), "v1");
  ASSERT_EQ(view.Errors.size(), 1u);
  EXPECT_NE(view.Errors[0].find(L"F:\\Out\\a.txt"), std::wstring::npos);
  view.Folder = L"E:\\Dst\\Src\\x";  // inside the backup: refused, and said
  presenter.RestoreToFolder();
  ASSERT_EQ(view.Errors.size(), 2u);
  EXPECT_NE(view.Errors[1].find(L"重なっています"), std::wstring::npos);
}

TEST_F(PastVersionsPresenterTest, RestoringAsOfADayOffersTheDaysThingsChanged) {
  TPastVersionsPresenter presenter(view, Backed());
  presenter.Open();
  presenter.Load();
  view.DayChosen = 1;  // day 2: a.txt as that day's run left it, gone.txt not yet deleted
  presenter.RestoreAsOf();
  ASSERT_EQ(view.Days.size(), 2u);
  EXPECT_EQ(FormatDateTime(L"yyyy/mm/dd", view.Days[0]), L"2009/01/03");
  EXPECT_EQ(Fs().ListTree(L"F:\\Out"), std::vector<std::wstring>({L"a.txt", L"sub\\", L"sub\\gone.txt"}));
  EXPECT_EQ(Content(L"F:\\Out\\a.txt"), "v22");
  EXPECT_TRUE(view.Errors.empty());
}

TEST_F(PastVersionsPresenterTest, AnItemWithoutBackupOrHistorySaysSo) {
  TBackupInfo& none = Item(L"None");
  TPastVersionsPresenter missing(view, none);
  EXPECT_FALSE(missing.Open());
  EXPECT_EQ(view.Statuses.back(), L"この項目のバックアップがありません\r\nE:\\Dst\\None");

  TBackupInfo& archived = Item(L"Packed");
  archived.Archive = true;
  TPastVersionsPresenter packed(view, archived);
  EXPECT_FALSE(packed.Open());
  EXPECT_EQ(view.Statuses.back(), kArchivedItem);

  TBackupInfo& fresh = Item(L"Fresh");
  Fs().AddFile(L"E:\\Dst\\Fresh\\a.txt", "a");
  Fs().AddFile(L"E:\\Dst\\Fresh\\世代 2009-01-05\\Vogmerist世代管理フォルダ", "no date");
  TPastVersionsPresenter plain(view, fresh);
  ASSERT_TRUE(plain.Open());
  plain.Load();
  // Without history, and a dated folder left out is named: a version looked for may be in it.
  EXPECT_EQ(view.Statuses.back().rfind(kNoHistory, 0), 0u);
  EXPECT_NE(view.Statuses.back().find(L"E:\\Dst\\Fresh\\世代 2009-01-05"), std::wstring::npos);
}

}  // namespace
}  // namespace vog::test
