#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/BackupInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FolderCompare.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

int32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  const uint32_t date = ((year - 1980) << 9) | (month << 5) | day;
  const uint32_t time = (hour << 11) | (minute << 5) | (second / 2);
  return static_cast<int32_t>((date << 16) | time);
}

// A DOS date-time on 2024-05-01.
int32_t At(int hour, int minute, int second) { return Dos(2024, 5, 1, hour, minute, second); }

void AddFile(TOwnedFileInfoList& list, const std::wstring& root, const std::wstring& path, int32_t time, int64_t size,
             uint32_t attr = 32) {
  auto record = std::make_unique<TBackupFileInfo>();
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) {
    record->SetPath(root, L"", path);
  } else {
    record->SetPath(root, path.substr(0, slash), path.substr(slash + 1));
  }
  record->Time = time;
  record->Size = size;
  record->Attr = attr;
  list.Add(std::move(record));
}

class FolderCompareTest : public ::testing::Test {
protected:
  TBackupInfo item;
  TOwnedFileInfoList source, dest, copy;

  // Compares one source file against one destination file of the same name.
  bool Copied(int32_t sourceTime, int64_t sourceSize, int32_t destTime, int64_t destSize) {
    source.Clear();
    dest.Clear();
    copy.Clear();
    AddFile(source, L"D:\\Src\\", L"a\\x.txt", sourceTime, sourceSize);
    AddFile(dest, L"E:\\Backup\\Item\\", L"A\\X.TXT", destTime, destSize);
    Run();
    return copy.Count() == 1;
  }
  bool Run(IProgress* progress = nullptr) {
    TFolderCompare compare;
    compare.SetSourceFiles(&source);
    compare.SetDestFiles(&dest);
    compare.SetCopyFiles(&copy);
    compare.SetBackupInfo(&item);
    compare.SetProgressForm(progress);
    compare.Execute();
    return compare.Cancelled;
  }
};

TEST_F(FolderCompareTest, DefaultConditionCopiesNewerBeyondThreeSeconds) {
  EXPECT_TRUE(Copied(At(10, 0, 6), 5, At(10, 0, 2), 5));   // 4 seconds newer
  EXPECT_FALSE(Copied(At(10, 0, 4), 5, At(10, 0, 2), 5));  // 2 seconds
  EXPECT_FALSE(Copied(At(10, 0, 2), 5, At(10, 0, 2), 5));
  // A newer destination copy is left alone unless the sizes differ.
  EXPECT_FALSE(Copied(At(10, 0, 2), 5, At(10, 0, 10), 5));
  EXPECT_TRUE(Copied(At(10, 0, 2), 5, At(10, 0, 10), 6));
  // Across midnight and the end of a month: 4 seconds, and 2 seconds.
  EXPECT_TRUE(Copied(At(0, 0, 2), 5, Dos(2024, 4, 30, 23, 59, 58), 5));
  EXPECT_FALSE(Copied(At(0, 0, 0), 5, Dos(2024, 4, 30, 23, 59, 58), 5));
  EXPECT_TRUE(Copied(Dos(2024, 3, 1, 0, 0, 0), 5, Dos(2024, 2, 29, 23, 59, 56), 5));
}

TEST_F(FolderCompareTest, ConditionFlagsChooseTheTests) {
  item.Condition.CopyNewer = false;
  item.Condition.CopyTimeChanged = true;
  EXPECT_TRUE(Copied(At(10, 0, 0), 5, At(10, 0, 10), 5));  // destination 10 s newer
  EXPECT_TRUE(Copied(At(10, 0, 10), 5, At(10, 0, 0), 5));
  EXPECT_FALSE(Copied(At(10, 0, 0), 5, At(10, 0, 2), 5));

  item.Condition.CopyTimeChanged = false;
  item.Condition.CopySizeChanged = false;
  EXPECT_FALSE(Copied(At(12, 0, 0), 5, At(10, 0, 0), 6));  // an existing copy is never replaced

  item.Condition.CopySizeChanged = true;
  // Sizes compare in 64 bits.
  EXPECT_TRUE(Copied(At(10, 0, 0), int64_t{1} << 32, At(10, 0, 0), 0));

  // A missing destination copy follows CopyNew.
  source.Clear();
  dest.Clear();
  copy.Clear();
  AddFile(source, L"D:\\Src\\", L"new.txt", At(1, 0, 0), 1);
  item.Condition.CopyNew = false;
  Run();
  EXPECT_EQ(copy.Count(), 0);
  item.Condition.CopyNew = true;
  Run();
  EXPECT_EQ(copy.Count(), 1);
}

TEST_F(FolderCompareTest, CopyAllIgnoresTheDestination) {
  item.Condition.CopyAll = true;
  item.Condition.CopyNew = false;
  AddFile(source, L"D:\\Src\\", L"a.txt", At(1, 0, 0), 1);
  AddFile(source, L"D:\\Src\\", L"b.txt", At(1, 0, 0), 1);
  AddFile(dest, L"E:\\B\\", L"a.txt", At(1, 0, 0), 1);
  Run();
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_FALSE(dest.SortedByRelativePath());  // not even consulted

  TFolderCompare compare;  // and no destination list at all
  compare.SetSourceFiles(&source);
  compare.SetCopyFiles(&copy);
  compare.SetBackupInfo(&item);
  compare.Execute();
  EXPECT_EQ(copy.Count(), 4);
}

TEST_F(FolderCompareTest, OutputRecordsAreSourceCopiesWithTheItemInSourceOrder) {
  TBackupInfo other;
  AddFile(source, L"D:\\Src\\", L"z.txt", At(1, 0, 0), 3, 1);
  AddFile(source, L"D:\\Src\\", L"sub\\a.txt", At(2, 0, 0), 4, 33);
  static_cast<TBackupFileInfo*>(source[0])->SetBackupInfo(&other);
  Run();
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy[0]->FullPath(), L"D:\\Src\\z.txt");
  EXPECT_EQ(copy[1]->FullPath(), L"D:\\Src\\sub\\a.txt");
  EXPECT_EQ(copy[1]->Time, At(2, 0, 0));
  EXPECT_EQ(copy[1]->Size, 4);
  EXPECT_EQ(copy[1]->Attr, 33u);
  EXPECT_NE(copy[0], source[0]);
  EXPECT_EQ(static_cast<TBackupFileInfo*>(copy[0])->BackupInfo, &item);
  EXPECT_EQ(static_cast<TBackupFileInfo*>(source[0])->BackupInfo, &other);
}

TEST_F(FolderCompareTest, InvalidTimesCountAsChanged) {
  EXPECT_TRUE(Copied(0, 5, At(10, 0, 0), 5));
  EXPECT_TRUE(Copied(At(10, 0, 0), 5, static_cast<int32_t>(0xFFFFFFFF), 5));
  int64_t seconds = 0;
  EXPECT_FALSE(DosTimeDifference(At(10, 0, 0), 0, seconds));
  // 2024-02-29 exists, 2023-02-29 does not.
  const int32_t leapDay = static_cast<int32_t>((((2024 - 1980) << 9) | (2 << 5) | 29) << 16);
  const int32_t noDay = static_cast<int32_t>((((2023 - 1980) << 9) | (2 << 5) | 29) << 16);
  const int32_t march1 = static_cast<int32_t>((((2024 - 1980) << 9) | (3 << 5) | 1) << 16);
  ASSERT_TRUE(DosTimeDifference(march1, leapDay, seconds));
  EXPECT_EQ(seconds, 86400);
  EXPECT_FALSE(DosTimeDifference(noDay, leapDay, seconds));
}

TEST_F(FolderCompareTest, StopAfterFirstFileLeavesItsRecordAndCancels) {
  for (int i = 0; i < 5; ++i) AddFile(source, L"D:\\Src\\", L"f" + std::to_wstring(i), At(1, 0, 0), 1);
  test::TScriptedPump pump;
  test::TScriptedProgress progress;
  progress.StopAtPoll(1);
  EXPECT_TRUE(Run(&progress));
  EXPECT_EQ(copy.Count(), 1);
  EXPECT_EQ(pump.Calls(), 1);
}

}  // namespace
}  // namespace vog
