// The mass-delete guard of mirroring: a real plan on the memory platform, weighed before
// the deletions of Execute, in the unattended run (held back) and the interactive one
// (asked once per item).
#include <gtest/gtest.h>

#include <string>

#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "support/MemoryFixture.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

class MirrorGuardTest : public test::MemoryTest {
protected:
  TBackupInfo item;

  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddVolume(L"D:");
    item.Title = L"文書";
    item.Condition.Mirroring = true;
  }

  // A fresh source and destination for the item (named after `run`): `kept` files in
  // both, `gone` only in the destination.
  void MakeTrees(int run, int kept, int gone) {
    item.SourceFolder = L"C:\\Src" + std::to_wstring(run);
    item.DestFolder = L"D:\\B" + std::to_wstring(run) + L"\\文書";
    Fs().AddFolder(item.SourceFolder);
    for (int i = 0; i < kept; ++i) {
      Fs().AddFile(item.SourceFolder + L"\\k" + std::to_wstring(i) + L".txt", "same");
      Fs().AddFile(item.DestFolder + L"\\k" + std::to_wstring(i) + L".txt", "same");
    }
    Fs().AddFile(item.SourceFolder + L"\\new.txt", "new");  // copied whatever the guard decides
    for (int i = 0; i < gone; ++i) Fs().AddFile(item.DestFolder + L"\\sub\\g" + std::to_wstring(i) + L".txt", "old");
  }

  int Remaining(int gone) {
    int count = 0;
    for (int i = 0; i < gone; ++i) count += Fs().Exists(item.DestFolder + L"\\sub\\g" + std::to_wstring(i) + L".txt");
    return count;
  }

  // One run over `item`; true when the guard held its deletions back.
  bool Run(bool asks, TBackup& backup) {
    backup.SetSilent(true);
    backup.MirrorGuard = TMirrorGuard{true, 50, 10};
    backup.MirrorGuardAsks = asks;
    backup.AddItem(&item);
    backup.Plan();
    backup.Execute();
    return !backup.HeldBack.empty();
  }
};

TEST_F(MirrorGuardTest, TripsPastTheShareAndTheMinimumNotAtThem) {
  struct Case {
    int kept, gone;
    bool trips;
  } cases[] = {
      {11, 11, false},  // 11 of 22: exactly half
      {10, 11, true},   // 11 of 21: past half and past ten
      {0, 10, false},   // all of 10: not more than the minimum
      {0, 11, true},    // all of 11: the empty source
      {100, 40, false},
  };
  int run = 0;
  for (const Case& c : cases) {
    MakeTrees(++run, c.kept, c.gone);
    TBackup backup;
    EXPECT_EQ(Run(false, backup), c.trips) << c.kept << " " << c.gone;
    EXPECT_EQ(Remaining(c.gone), c.trips ? c.gone : 0) << c.kept << " " << c.gone;
    EXPECT_EQ(backup.GetAllMirrorFiles().Count(), c.trips ? 0 : c.gone);
    EXPECT_TRUE(Fs().Exists(item.DestFolder + L"\\new.txt"));
    if (c.trips) {
      ASSERT_EQ(backup.HeldBack.size(), 1u);
      EXPECT_EQ(backup.HeldBack[0].Title, L"文書");
      EXPECT_EQ(backup.HeldBack[0].Deletions, c.gone);
      EXPECT_EQ(backup.HeldBack[0].DestinationFiles, c.kept + c.gone);
      EXPECT_TRUE(Fs().Exists(item.DestFolder + L"\\sub"));  // its folder stays too
    }
  }
}

TEST_F(MirrorGuardTest, InteractiveRunAsksOncePerItemAndDeletesOnlyOnYes) {
  int run = 0;
  for (TAnswer answer : {TAnswer::Yes, TAnswer::No, TAnswer::None}) {
    MakeTrees(++run, 10, 11);
    test::TScriptedQuestions questions;
    questions.Answer(answer);
    TBackup backup;
    EXPECT_EQ(Run(true, backup), answer != TAnswer::Yes);
    ASSERT_EQ(questions.Asked().size(), 1u);
    EXPECT_NE(questions.Asked()[0].find(L"「文書」"), std::wstring::npos);
    EXPECT_NE(questions.Asked()[0].find(L"21 個のファイルのうち 11 個"), std::wstring::npos);
    EXPECT_EQ(Remaining(11), answer == TAnswer::Yes ? 0 : 11);
  }
  // Below the boundary nothing is asked.
  MakeTrees(++run, 11, 11);
  test::TScriptedQuestions questions;
  TBackup backup;
  EXPECT_FALSE(Run(true, backup));
  EXPECT_TRUE(questions.Asked().empty());
}

TEST_F(MirrorGuardTest, HistoryFoldersDoNotCountAndTheGuardCanBeTurnedOff) {
  // 30 kept versions in a history folder would otherwise hide that every live file goes.
  MakeTrees(1, 0, 12);
  const std::wstring history = item.DestFolder + L"\\世代 2009-01-02\\";
  for (int i = 0; i < 30; ++i) Fs().AddFile(history + L"h" + std::to_wstring(i) + L".txt", "v");
  Fs().AddFile(history + std::wstring(kHistoryMarkerName), "m");
  TBackup held;
  EXPECT_TRUE(Run(false, held));
  EXPECT_EQ(held.HeldBack.at(0).DestinationFiles, 12);

  TBackup off;
  off.SetSilent(true);
  off.AddItem(&item);  // the engine's default: no guard
  off.Plan();
  off.Execute();
  EXPECT_TRUE(off.HeldBack.empty());
  EXPECT_EQ(Remaining(12), 0);
  EXPECT_TRUE(Fs().Exists(history + L"h0.txt"));
}

}  // namespace
}  // namespace vog
