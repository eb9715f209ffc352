#include <gtest/gtest.h>

#include "scan/Progress.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

using test::TScriptedProgress;
using test::TScriptedPump;

TEST(ProgressState, BarFollowsDoneAndPartialBytes) {
  TProgressState p;
  EXPECT_EQ(p.Caption(), L"コピー中");
  EXPECT_EQ(p.PauseButtonCaption(), L"一時停止");
  EXPECT_EQ(p.Animation().Kind, TAnimationKind::CopyFile);

  // Nothing to do: the bar stays at 0 whatever is reported.
  p.SetDone(500);
  p.ShowPartial(100);
  EXPECT_EQ(p.Position(), 0);

  p.SetTotal(200);
  p.SetDone(100);
  EXPECT_EQ(p.Position(), 50);
  p.ShowPartial(50);
  EXPECT_EQ(p.Position(), 75);
  EXPECT_EQ(p.Done(), 100);  // partial progress never moves `done`

  p.SetTotal(3);
  p.SetDone(2);
  EXPECT_EQ(p.Position(), 66);  // truncated, not rounded

  // Sizes beyond 32 bits, and more bytes than announced.
  p.SetTotal(int64_t{1} << 40);
  p.SetDone(int64_t{1} << 39);
  EXPECT_EQ(p.Position(), 50);
  p.ShowPartial(int64_t{1} << 40);
  EXPECT_EQ(p.Position(), 100);
}

TEST(ProgressState, StopSetsRequestAndCopyCancelFlag) {
  TProgressState p;
  EXPECT_FALSE(p.StopRequested());
  EXPECT_FALSE(p.CopyCancelFlag().load());
  p.Stop();
  EXPECT_TRUE(p.StopRequested());
  EXPECT_TRUE(p.CopyCancelFlag().load());
  // The work clears the flag before each copy; the stop request stays.
  p.CopyCancelFlag() = false;
  EXPECT_TRUE(p.StopRequested());
}

TEST(ProgressState, PauseHoldsTheWorkUntilResumed) {
  TScriptedPump pump;
  TProgressState p;
  int stepsDone = 0;
  bool pausedSeen = false;
  pump.At(4, [&] {
    pausedSeen = p.Paused();
    EXPECT_EQ(p.PauseButtonCaption(), L"再開");
    EXPECT_FALSE(p.BusyCursor());
    EXPECT_EQ(stepsDone, 1);  // the work is held inside the pump call of step 2
  });
  pump.PauseThenResume(p, 2, 5);
  for (int i = 0; i < 3; ++i) {
    ProcessMessages();
    if (p.StopRequested()) break;
    ++stepsDone;
  }
  EXPECT_TRUE(pausedSeen);
  EXPECT_EQ(stepsDone, 3);
  EXPECT_FALSE(p.Paused());
  EXPECT_EQ(p.PauseButtonCaption(), L"一時停止");
  EXPECT_TRUE(p.BusyCursor());
  EXPECT_EQ(pump.MaxDepth(), 2);
  EXPECT_EQ(pump.Waited(), 500u);  // five rounds of the pause loop
}

TEST(ProgressState, StopDuringPauseEndsThePause) {
  TScriptedPump pump;
  TProgressState p;
  int stepsDone = 0;
  pump.At(1, [&] { p.TogglePause(); });
  pump.At(3, [&] { p.Stop(); });
  for (int i = 0; i < 10; ++i) {
    ProcessMessages();
    if (p.StopRequested()) break;
    ++stepsDone;
  }
  EXPECT_EQ(stepsDone, 0);
  EXPECT_TRUE(p.StopRequested());
  EXPECT_EQ(p.PauseButtonCaption(), L"再開");
  EXPECT_TRUE(p.BusyCursor());
}

TEST(ScriptedProgress, StopsAtTheNthPoll) {
  TScriptedProgress p;
  p.StopAtPoll(3);
  EXPECT_FALSE(p.StopRequested());
  EXPECT_FALSE(p.StopRequested());
  EXPECT_TRUE(p.StopRequested());
  EXPECT_TRUE(p.CopyCancelFlag().load());
  EXPECT_EQ(p.Polls(), 3);
}

TEST(ProgressFactory, DefaultIsHeadlessAndReplaceable) {
  auto headless = ProgressFactory().CreateProgress();
  ASSERT_NE(dynamic_cast<TProgressState*>(headless.get()), nullptr);

  struct TCounting : IProgressFactory {
    int made = 0;
    std::unique_ptr<IProgress> CreateProgress() override {
      ++made;
      return std::make_unique<TScriptedProgress>();
    }
  } counting;
  IProgressFactory* previous = InstallProgressFactory(&counting);
  auto made = ProgressFactory().CreateProgress();
  EXPECT_EQ(counting.made, 1);
  EXPECT_NE(dynamic_cast<TScriptedProgress*>(made.get()), nullptr);
  InstallProgressFactory(previous);
}

}  // namespace
}  // namespace vog
