// The presenters of the run windows: texts, the progress details, the result trees and
// labels on a real run, the free-space and error-list dialogs.
#include <gtest/gtest.h>

#include "app/ProgressPresenter.h"
#include "app/ResultPresenter.h"
#include "app/RunTexts.h"
#include "engine/EngineTestSupport.h"
#include "platform/memory/MemoryDrives.h"
#include "support/ScriptedRunWindows.h"

namespace vog::test {
namespace {

constexpr int64_t KB = 1024, MB = KB * KB, GB = MB * KB;

TEST(RunTexts, SizesTakeTheUnitAndDecimalsOfTheirRange) {
  const struct {
    int64_t Bytes;
    const wchar_t* Text;
  } cases[] = {
      {0, L"0 バイト "},           {1024, L"1,024 バイト "},      {1536, L"1.50 KB "},
      {10 * KB, L"10.00 KB "},     {100 * KB, L"100.0 KB "},      {MB, L"1,024 KB "},
      {MB + 1, L"1.00 MB "},       {150 * MB, L"150 MB "},        {GB, L"1,024 MB "},
      {GB * 3 / 2, L"1.50 GB "},   {2000 * GB, L"2,000 GB "},     {-5, L"-5 バイト "},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.Bytes), c.Text) << c.Bytes;
  EXPECT_EQ(CountAndSizeText(3, 1536), L"3 個   1.50 KB ");
}

TEST(RunTexts, ElapsedTimeShowsTheHoursInFull) {
  const double second = 1.0 / 86400;
  const struct {
    double Days;
    const wchar_t* Text;
  } cases[] = {
      {3723 * second, L"01:02:03"},  {25.0 / 24, L"25:00:00"}, {100 + 59 * second, L"2400:00:59"},
      {0.4 * second, L"00:00:00"},   {-1, L"00:00:00"},        {59.9996 * second, L"00:01:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(ElapsedText(c.Days), c.Text) << c.Days;
}

TEST(RunTexts, SpeedAndTimeLeft) {
  EXPECT_EQ(RateText(4.2 * MB), L"4.20 MB/秒");
  EXPECT_EQ(RateText(0), L"0 バイト/秒");
  const struct {
    double Seconds;
    const wchar_t* Text;
  } cases[] = {{0.2, L"約 1 秒"}, {45, L"約 45 秒"}, {185, L"約 3 分 05 秒"}, {7800, L"約 2 時間 10 分"}};
  for (const auto& c : cases) EXPECT_EQ(TimeLeftText(c.Seconds), c.Text) << c.Seconds;
}

class ProgressPresenterTest : public MemoryTest {
protected:
  struct TCounting : TProgressPresenter {
    int Changes = 0;
    void DetailsChanged() override { ++Changes; }
  };
  void Advance(uint64_t ms) { ManualClock().Advance(ms); }
};

TEST_F(ProgressPresenterTest, DetailsShowBytesThenSpeedAndTimeLeftAtMostFourTimesASecond) {
  TCounting p;
  p.SetDone(5 * MB);
  EXPECT_EQ(p.DetailText(), L"");  // no total: scanning, nothing to count
  EXPECT_EQ(p.TaskbarState(), TTaskbarState::Indeterminate);
  p.SetTotal(100 * MB);
  EXPECT_EQ(p.DetailText(), L"5.00 MB / 100.0 MB");
  EXPECT_EQ(p.TaskbarState(), TTaskbarState::Normal);
  const int changes = p.Changes;
  Advance(100);
  p.SetDone(6 * MB);
  EXPECT_EQ(p.Changes, changes);  // within a quarter second: not redrawn
  Advance(900);
  p.ShowPartial(19 * MB);  // 20 MB more than at the start, in one second
  EXPECT_EQ(p.DetailText(), L"25.0 MB / 100.0 MB  ・  20.0 MB/秒  ・  残り 約 4 秒");
  EXPECT_EQ(p.Position(), 25);
  EXPECT_EQ(p.Done(), 6 * MB);
}

TEST_F(ProgressPresenterTest, PausedTimeDoesNotSlowTheSpeedAndStopEndsThePause) {
  TScriptedPump pump;
  TCounting p;
  p.SetTotal(100 * MB);
  Advance(500);
  pump.At(1, [&] {
    EXPECT_EQ(p.DetailText(), L"0 バイト / 100.0 MB  ・  一時停止中");
    EXPECT_EQ(p.TaskbarState(), TTaskbarState::Paused);
    Advance(60000);  // a minute away from the machine
  });
  pump.At(2, [&] {
    p.TogglePause();  // resume
    p.Stop();         // and a stop right after: seen by the work at its next check
  });
  p.TogglePause();
  EXPECT_FALSE(p.Paused());
  EXPECT_TRUE(p.StopRequested());
  EXPECT_TRUE(p.CopyCancelFlag().load());
  Advance(500);
  p.SetDone(10 * MB);  // one second of copying in all
  EXPECT_EQ(p.DetailText(), L"10.00 MB / 100.0 MB  ・  10.00 MB/秒  ・  残り 約 9 秒");

  // Stop pressed during a pause ends the pause loop by itself.
  TCounting q;
  pump.At(3, [&] { q.Stop(); });
  q.TogglePause();
  EXPECT_TRUE(q.StopRequested());
  EXPECT_EQ(q.PauseButtonCaption(), L"再開");
}

TEST(ProgressLayout, ALargerAnimationGrowsTheWindowAndMovesTheRestDown) {
  const TProgressLayout design = TProgressPresenter::LayoutFor(272, 60);
  EXPECT_EQ(design.WindowHeight, TProgressLayout{}.WindowHeight);
  EXPECT_EQ(design.WindowWidth, TProgressLayout{}.WindowWidth);
  const TProgressLayout tall = TProgressPresenter::LayoutFor(272, 100);
  EXPECT_EQ(tall.WindowHeight - design.WindowHeight, 40);
  EXPECT_EQ(tall.StateTop - design.StateTop, 40);
  EXPECT_EQ(tall.BarTop - design.BarTop, 40);
  EXPECT_EQ(tall.ButtonTop - design.ButtonTop, 40);
  const TProgressLayout wide = TProgressPresenter::LayoutFor(500, 60);
  EXPECT_EQ(wide.WindowWidth, 2 * 13 + 500 + 3);
  EXPECT_EQ(wide.PauseLeft, wide.WindowWidth - 93);
  EXPECT_EQ(wide.TextWidth, wide.WindowWidth - 26 - 3);
}

// ---- trees -------------------------------------------------------------------------------

std::vector<std::wstring> Outline(const TResultTree& tree) {
  std::vector<std::wstring> lines;
  std::function<void(const TResultNode&, int)> walk = [&](const TResultNode& node, int depth) {
    lines.push_back(std::wstring(static_cast<size_t>(depth) * 2, L' ') + node.Text +
                    (node.Kind == TTreeNodeKind::File ? L"" : L"/"));
    for (const auto& child : node.Children) walk(*child, depth + 1);
  };
  for (const auto& root : tree.Roots()) walk(*root, 0);
  return lines;
}

struct TRecords {
  std::vector<std::unique_ptr<TFileInfo>> Owned;
  TFileInfoList List;
  void Add(const std::wstring& root, const std::wstring& sub, const std::wstring& name, int64_t size = 0,
           uint32_t attr = 0) {
    Owned.push_back(std::make_unique<TFileInfo>());
    Owned.back()->SetPath(root, sub, name);
    Owned.back()->Size = size;
    Owned.back()->Attr = attr;
    List.Add(Owned.back().get());
  }
};

TEST(ResultTree, DrivesFoldersBeforeFilesAndTheRootFolderAsAnEmptyNode) {
  TRecords r;
  r.Add(L"C:\\", L"a", L"x.txt");
  r.Add(L"C:\\", L"a\\b", L"y.txt");
  r.Add(L"C:\\", L"", L"top.txt");
  r.Add(L"\\\\srv\\share\\", L"Docs", L"報告.doc");
  r.Add(L"C:\\", L"A\\c", L"z.txt");  // another spelling of a: its own node, sorted in
  TResultTree tree;
  tree.Build(r.List);
  EXPECT_EQ(Outline(tree), (std::vector<std::wstring>{L"C:/", L"  /", L"    top.txt", L"  a/", L"    b/", L"      y.txt",
                                                      L"    x.txt", L"  A/", L"    c/", L"      z.txt", L"\\\\srv\\share/",
                                                      L"  Docs/", L"    報告.doc"}));
  const TResultNode& b = *tree.Roots()[0]->Children[1]->Children[0];
  EXPECT_EQ(TResultTree::NodePath(b), L"C:\\a\\b");
}

TEST(ResultTree, ExpandsEverythingUpToTwentyThousandFiles) {
  for (const int count : {20000, 20001}) {
    TRecords r;
    for (int i = 0; i < count; ++i) r.Add(L"C:\\", L"d" + std::to_wstring(i % 100), std::to_wstring(i));
    TResultTree tree;
    tree.Build(r.List);
    EXPECT_EQ(tree.ExpandAll(), count == 20000);
    EXPECT_EQ(tree.Roots()[0]->Children.size(), 100u);
  }
}

// ---- the result window on a real run --------------------------------------------------------

TEST_F(EngineTest, ResultWindowShowsWhatARealRunCopiedFailedAndDeleted) {
  TBackupInfo& item = Item(L"Src");
  Fs().AddFile(L"D:\\Src\\写真\\a.jpg", std::string(1536, 'a'));
  Fs().AddFile(L"D:\\Src\\b.txt", "bb");
  Fs().AddFile(L"D:\\Src\\locked.txt", "cc");
  Fs().AddFile(L"E:\\Dst\\Src\\gone.txt", "dddd");
  Fs().InjectFault({L"D:\\Src\\locked.txt", TFaultOp::Copy, err::AccessDenied});
  TScriptedRunWindows windows;  // the run's progress windows are the run windows'
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  backup.Execute();
  const TFileInfoList copied = backup.CopiedFiles.View(), errors = backup.ErrorFiles.View();
  TRunResult result{&copied, &errors, &backup.GetAllMirrorFiles(), &backup.Problems, 3723.0 / 86400};
  TResultPresenter p(result);
  EXPECT_GE(windows.ProgressWindows, 2);  // planning and copying
  TAppData settings(L"x.ini");
  windows.ShowResult(result, settings);
  ASSERT_EQ(windows.Results.size(), 1u);
  EXPECT_EQ(windows.Results[0].ErrorLabel, L"1 個   2 バイト ");
  EXPECT_EQ(Outline(p.CopiedTree()), (std::vector<std::wstring>{L"E:/", L"  Dst/", L"    Src/", L"      写真/",
                                                                L"        a.jpg", L"      b.txt"}));
  EXPECT_EQ(p.SuccessLabel(), L"01:02:03  2 個   1.50 KB ");
  EXPECT_EQ(p.ErrorLabel(), L"1 個   2 バイト ");
  EXPECT_EQ(p.MirroringLabel(), L"1 個   4 バイト ");
  EXPECT_TRUE(p.ShowsErrorPanel());
  EXPECT_TRUE(p.ShowsMirroringBar());

  const TResultNode* failed = p.FailedTree().Roots()[0].get();
  EXPECT_EQ(p.FailureReason(*failed), L"");  // a drive node has no reason
  while (!failed->Children.empty()) failed = failed->Children.back().get();
  EXPECT_EQ(failed->Text, L"locked.txt");
  EXPECT_EQ(p.FailureReason(*failed), FallbackErrorMessage(err::AccessDenied));
  EXPECT_TRUE(p.Register(*failed, true));
  EXPECT_TRUE(p.Register(*failed, true));
  EXPECT_EQ(p.RegisteredExcluded(), std::vector<std::wstring>{L"locked.txt"});

  // A run without failures, deletions or problems: neither the error panel nor the bar.
  const TFileInfoList none;
  TResultPresenter clean(TRunResult{&copied, &none, &none, nullptr, 0});
  EXPECT_FALSE(clean.ShowsErrorPanel());
  EXPECT_FALSE(clean.ShowsMirroringBar());
  // A problem alone (no failed file) still opens the panel.
  TRunProblems problems;
  problems.Add(TProblemKind::LinkSkipped, L"D:\\Src\\link", 0, L"リンクをたどりませんでした");
  TResultPresenter warned(TRunResult{&none, &none, &none, &problems, 0});
  EXPECT_TRUE(warned.ShowsErrorPanel());
  EXPECT_FALSE(warned.ShowsFailedFiles());
  EXPECT_EQ(warned.Problems(), std::vector<std::wstring>{L"リンクをたどりませんでした"});
}

TEST(ResultFont, NameUnlessTheSeparatorAndSizeOnlyWhenAWholeNumber) {
  TResultPresenter p(TRunResult{});
  const struct {
    const wchar_t* Name;
    const wchar_t* Size;
    bool Applies;
    const wchar_t* FontName;
    int FontSize;
  } steps[] = {
      {L"", L"12", false, L"", 9},                                  // no name chosen: nothing changes
      {TResultPresenter::kFontSeparator, L"12", false, L"", 12},    // the separator is no font
      {L"ＭＳ ゴシック", L"1x", true, L"ＭＳ ゴシック", 12},          // text is no size
      {TResultPresenter::kFontSeparator, L"16", true, L"ＭＳ ゴシック", 16},
      {L"Meiryo UI", L"0", true, L"Meiryo UI", 16},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(p.ChooseFont(step.Name, step.Size), step.Applies) << step.Name << " " << step.Size;
    EXPECT_EQ(p.FontName, step.FontName);
    EXPECT_EQ(p.FontSize, step.FontSize);
  }
  EXPECT_EQ(TResultPresenter::FontSizes().size(), 18u);
}

TEST(ResultPlace, UsedOnlyWithWidthAndHeightAndStoredBack) {
  TAppData settings(L"x.ini");
  settings.CopyResultWindowLeft = 40;
  settings.CopyResultWindowHeight = 300;
  settings.CopyResultWindowErrorHeight = 150;
  EXPECT_FALSE(TResultPresenter::StoredPlace(settings).Known());  // width 0: the design place
  EXPECT_EQ(TResultPresenter::StoredErrorHeight(settings), TResultPresenter::kErrorPanelHeight);
  TResultPresenter::StorePlace(settings, {10, 20, 640, 480}, 120);
  const TWindowPlace place = TResultPresenter::StoredPlace(settings);
  EXPECT_EQ(place.Left + place.Top + place.Width + place.Height, 10 + 20 + 640 + 480);
  EXPECT_EQ(TResultPresenter::StoredErrorHeight(settings), 120);
}

TEST_F(EngineTest, FreeSpaceListsTheDrivesThatAnswerAndErrorListTheFailedPaths) {
  Mem().MemVolumes->AddDrive(L'F', TDriveType::Fixed, L"", true, 10 * MB);
  Fs().AddFile(L"F:\\used.bin", std::string(MB + 512, 'x'));
  TFreeSpacePresenter p(1234567.8, {L"F:", L"\\\\nosuch\\share", L"Q:"});
  EXPECT_EQ(p.CopyLabel(), L"コピーファイル容量：1,234,568 KB");
  const auto rows = p.Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Drive, L"F:");
  EXPECT_EQ(rows[0].Free, L" 9,215 KB");  // 9 MB less 512 bytes, in whole kilobytes

  TRecords failed;
  failed.Add(L"D:\\", L"a", L"1.txt", 0, err::AccessDenied);
  failed.Add(L"D:\\", L"", L"2.txt", 0, err::SharingViolation);
  EXPECT_EQ(ErrorListRows(failed.List), (std::vector<std::wstring>{L"D:\\a\\1.txt", L"D:\\2.txt"}));
}

}  // namespace
}  // namespace vog::test
