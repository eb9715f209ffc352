// The program's engine runner under the unattended run, on the memory platform: the real
// plan, transfer, mirroring with history, expiry of old history folders and the guard.
#include "app/EngineRunner.h"
#include "app/ExitCodes.h"
#include "base/DateTime.h"
#include "base/TextFile.h"
#include "engine/Backup.h"
#include "engine/HistoryFolders.h"
#include "tests/app/AppTestSupport.h"

namespace vog::test {
namespace {

class EngineRunnerTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    TDateTime now = 0;
    TryEncodeDateTime(2009, 1, 20, 12, 0, 0, 0, now);
    Mem().MemClock->SetLocalNow(now);
    Fs().AddVolume(L"D:");
    form = MakeForm({});
    form->RunnerFactory = CreateEngineRunner;
    form->DestinationText = L"D:\\Backup";
    auto item = std::make_unique<TBackupInfo>();
    item->Title = L"文書";
    item->SourceFolder = L"C:\\Src";
    item->Condition.Mirroring = true;
    item->KeepHistory = true;
    item->HistoryCount = 7;
    form->Items.Add(std::move(item));
  }
  // A history folder of the item dated `day` of January 2009.
  void AddHistoryFolder(int day) {
    TDateTime date = 0;
    TryEncodeDateTime(2009, 1, day, 0, 0, 0, 0, date);
    const std::wstring folder = L"D:\\Backup\\文書\\" + HistoryFolderName(L"'世代' yyyy-mm-dd", date);
    Fs().AddFolder(folder);
    WriteHistoryMarker(folder, date);
    Fs().AddFile(folder + L"\\kept.txt", "v");
  }
  std::unique_ptr<TMainForm> form;
};

TEST_F(EngineRunnerTest, BacksUpMovesReplacedFilesToHistoryAndRemovesExpiredFolders) {
  for (int i = 0; i < 3; ++i) Fs().AddFile(L"C:\\Src\\f" + std::to_wstring(i) + L".txt", "new");
  Fs().AddFile(L"D:\\Backup\\文書\\gone.txt", "old");
  AddHistoryFolder(2);   // older than 7 days: removed
  AddHistoryFolder(15);  // kept
  const TQuietRunResult result = form->RunQuietBackup();
  EXPECT_EQ(result.ExitCode, exitcode::Success);
  EXPECT_TRUE(Fs().Exists(L"D:\\Backup\\文書\\f2.txt"));
  EXPECT_TRUE(Fs().Exists(L"D:\\Backup\\文書\\世代 2009-01-20\\gone.txt"));
  EXPECT_FALSE(Fs().Exists(L"D:\\Backup\\文書\\gone.txt"));
  EXPECT_FALSE(Fs().Exists(L"D:\\Backup\\文書\\世代 2009-01-02"));
  EXPECT_TRUE(Fs().Exists(L"D:\\Backup\\文書\\世代 2009-01-15\\kept.txt"));
}

TEST_F(EngineRunnerTest, EmptySourceKeepsTheDestinationAndEndsWithTheGuardsCode) {
  Fs().AddFolder(L"C:\\Src");
  for (int i = 0; i < 11; ++i) Fs().AddFile(L"D:\\Backup\\文書\\f" + std::to_wstring(i) + L".txt", "old");
  EXPECT_EQ(form->RunQuietBackup().ExitCode, exitcode::DeletionsHeldBack);
  EXPECT_TRUE(Fs().Exists(L"D:\\Backup\\文書\\f10.txt"));
  form->RunOptions.Guard.Enabled = false;
  EXPECT_EQ(form->RunQuietBackup().ExitCode, exitcode::Success);
  EXPECT_FALSE(Fs().Exists(L"D:\\Backup\\文書\\f10.txt"));
}

// What the log cannot name reaches the error file beside the program, with the run's exit code.
TEST_F(EngineRunnerTest, ProblemsTheLogCannotHoldGoToTheErrorFile) {
  Fs().AddFile(L"C:\\Src\\a.txt", "new");
  auto packed = std::make_unique<TBackupInfo>();
  packed->Title = L"書庫";
  packed->SourceFolder = L"C:\\Src";
  packed->Archive = true;
  packed->ArchiveName = L"Backup.cab";
  form->Items.Add(std::move(packed));
  Fs().AddFolder(L"C:\\Empty");
  form->Items[0]->SourceFolder = L"C:\\Empty";
  for (int i = 0; i < 11; ++i) Fs().AddFile(L"D:\\Backup\\文書\\f" + std::to_wstring(i) + L".txt", "old");

  EXPECT_EQ(form->RunQuietBackup().ExitCode, exitcode::FilesFailed);
  std::string bytes;
  ASSERT_TRUE(Fs().ReadContent(L"C:\\Program\\Vogratel.err", bytes));
  const std::wstring text = DecodeText(bytes, CodePage());
  for (const wchar_t* expected : {L"Backup.cab\" の形式には対応していません", L"11 個を削除するところだったため"})
    EXPECT_NE(text.find(expected), std::wstring::npos) << WideToUtf8(expected);
}

}  // namespace
}  // namespace vog::test
