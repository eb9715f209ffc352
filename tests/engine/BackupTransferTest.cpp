#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/Backup.h"
#include "engine/HistoryFolders.h"
#include "engine/EngineTestSupport.h"

namespace vog {
namespace {

using TreePaths = std::vector<std::wstring>;

class BackupTransferTest : public test::EngineTest {
protected:
  void RunOn(int day, TBackupInfo& item) {
    TDateTime now = 0;
    TryEncodeDateTime(2009, 1, day, 10, 0, 0, 0, now);
    ManualClock().SetLocalNow(now);
    TBackup backup;
    backup.AddItem(&item);
    backup.Plan();
    backup.Execute();
    EXPECT_EQ(backup.ErrorFiles.Count(), 0);
  }

  std::string Read(const std::wstring& path) {
    std::string content;
    return Fs().ReadContent(path, content) ? content : "<none>";
  }

  // The destination's tree without its history folders, against the source's.
  void ExpectMirror(const std::wstring& source, const std::wstring& dest) {
    TreePaths copy;
    for (const std::wstring& p : Fs().ListTree(dest))
      if (p.find(L"世代 ") == std::wstring::npos) copy.push_back(p);
    ASSERT_EQ(copy, Fs().ListTree(source));
    for (const std::wstring& p : copy) {
      if (p.back() == L'\\') continue;
      TFindData a, b;
      Fs().GetInfo(source + L"\\" + p, a);
      Fs().GetInfo(dest + L"\\" + p, b);
      EXPECT_EQ(Read(source + L"\\" + p), Read(dest + L"\\" + p));
      EXPECT_EQ(a.Attr, b.Attr);
      EXPECT_EQ(a.LastWriteTime.Value / 10000000, b.LastWriteTime.Value / 10000000);
    }
  }
};

TEST_F(BackupTransferTest, MirroringWithHistoryKeepsReplacedAndDeletedVersions) {
  TBackupInfo& item = Item();
  item.KeepHistory = true;
  TDateTime before = 0;
  TryEncodeDateTime(2009, 1, 1, 9, 0, 0, 0, before);
  ManualClock().SetLocalNow(before);
  Fs().AddFile(L"D:\\Src\\文書\\報告.txt", "v1");
  Fs().AddFolder(L"D:\\Src\\空のフォルダ");
  Fs().AddFile(L"D:\\Src\\読み取り専用.txt", "r", attr::ReadOnly);
  Fs().AddFile(L"D:\\Src\\zero.bin", "");
  Fs().AddFile(L"D:\\Src\\old.txt", "old");
  RunOn(2, item);
  ExpectMirror(L"D:\\Src", L"E:\\Dst\\Src");

  Fs().AddFile(L"D:\\Src\\文書\\報告.txt", "v2");
  Fs().AddFile(L"D:\\Src\\読み取り専用.txt", "r2", attr::ReadOnly);
  Fs().RemoveFile(L"D:\\Src\\old.txt");
  RunOn(3, item);
  ExpectMirror(L"D:\\Src", L"E:\\Dst\\Src");
  EXPECT_EQ(Read(L"E:\\Dst\\Src\\文書\\世代 2009-01-03\\報告.txt"), "v1");
  EXPECT_EQ(Read(L"E:\\Dst\\Src\\世代 2009-01-03\\読み取り専用.txt"), "r");
  EXPECT_EQ(Read(L"E:\\Dst\\Src\\世代 2009-01-03\\old.txt"), "old");
  for (const wchar_t* folder : {L"E:\\Dst\\Src\\文書\\世代 2009-01-03", L"E:\\Dst\\Src\\世代 2009-01-03"})
    EXPECT_TRUE(Fs().Exists(std::wstring(folder) + L"\\" + std::wstring(kHistoryMarkerName)));
}

TEST_F(BackupTransferTest, APlannedNameOutsideTheDestinationIsRefused) {
  TBackupInfo& item = Item(L"Src", false);
  Fs().AddFile(L"D:\\Src\\a.txt", "a");
  Fs().AddFile(L"E:\\Dst\\victim.txt", "keep");
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  auto crafted = std::make_unique<TBackupFileInfo>();
  crafted->SetPath(L"D:\\Src\\", L"..", L"victim.txt");
  crafted->BackupInfo = &item;
  backup.Items[0]->CopyFiles.Add(std::move(crafted));
  backup.Execute();
  EXPECT_EQ(Read(L"E:\\Dst\\victim.txt"), "keep");
  EXPECT_EQ(Read(L"E:\\Dst\\Src\\a.txt"), "a");
  ASSERT_EQ(backup.ErrorFiles.Count(), 1);
  EXPECT_EQ(backup.ErrorFiles[0]->Attr, kOutsideDestinationCode);
  EXPECT_EQ(backup.Problems.Count(), 1u);
}

}  // namespace
}  // namespace vog
