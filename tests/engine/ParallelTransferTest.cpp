// The transfer on worker threads: order of the lists, exact byte counts, stop and pause on
// every worker, failures of single files, history moves of several workers at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/Text.h"
#include "engine/HistoryFolders.h"
#include "engine/TransferPhase.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileInfoList.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "services/cipher/CipherManager.h"
#include "engine/EngineTestSupport.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

using Paths = std::vector<std::wstring>;
using namespace std::chrono_literals;

// Runs `Each` in every ProcessMessages (nested calls included); waits take no time.
class TEveryPump : public IMessagePump {
public:
  std::function<void()> Each;
  TEveryPump() { previous_ = InstallMessagePump(this); }
  ~TEveryPump() override { InstallMessagePump(previous_); }
  void ProcessMessages() override {
    if (Each) Each();
  }
  void Wait(unsigned) override {}

private:
  IMessagePump* previous_ = nullptr;
};

// Waits until `done` holds, for at most two seconds (a fault then shows as a failed
// check, not as a test that never ends).
template <class F>
void WaitFor(F done) {
  for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(1ms);
}

class ParallelTransferTest : public test::MemoryTest {
protected:
  TBackupInfo a, b;
  TOwnedFileInfoList planA, planB, copied, errors;
  TTransferOptions options;
  TFolderOptions folderOptions;
  TEveryPump pump;
  TProgressState progress;
  std::unique_ptr<THistoryMover> history;
  std::unique_ptr<TFileTransfer> transfer;
  std::atomic<int> started{0};

  void SetUp() override {
    MemoryTest::SetUp();
    for (TOwnedFileInfoList* list : {&planA, &planB, &copied, &errors}) list->Clear();
    Fs().AddVolume(L"D:");
    a.SourceFolder = L"C:\\SrcA";
    a.DestFolder = L"D:\\DestA";
    b.SourceFolder = L"C:\\SrcB";
    b.DestFolder = L"D:\\DestB";
    Fs().AddFolder(a.DestFolder);
    Fs().AddFolder(b.DestFolder);
  }
  void TearDown() override {
    Fs().SetCopyWatch(nullptr);
    MemoryTest::TearDown();
  }

  void Plan(TBackupInfo& item, TOwnedFileInfoList& list, const std::wstring& name, const std::string& content) {
    const std::wstring path = item.SourceFolder + L"\\" + name;
    Fs().AddFile(path, content);
    TFindData info;
    Fs().GetInfo(path, info);
    auto record = std::make_unique<TBackupFileInfo>();
    record->SetPath(item.SourceFolder + L"\\", L"", name);
    record->Size = info.Size;
    record->Time = DosTimeOfFileTime(info.LastWriteTime);
    record->Attr = info.Attr;
    record->BackupInfo = &item;
    list.Add(std::move(record));
  }
  // `count` files n0.txt ... of `size` bytes (the number in the content).
  void PlanMany(TBackupInfo& item, TOwnedFileInfoList& list, int count, size_t size) {
    for (int i = 0; i < count; ++i) Plan(item, list, L"n" + std::to_wstring(i) + L".txt", Content(i, size));
  }
  static std::string Content(int i, size_t size) { return std::to_string(i) + std::string(size, 'x'); }

  void Run(int threads) {
    history = std::make_unique<THistoryMover>(Clock().Now(), nullptr);
    transfer = std::make_unique<TFileTransfer>(copied, errors, options, &progress, *history, nullptr);
    TWorkerSetup workers;
    workers.Threads = threads;
    workers.StartTime = Clock().Now();
    std::vector<TTransferItem> items{{&a, &planA, ""}, {&b, &planB, ""}};
    TransferFiles(items, TSortedFolderList(), *transfer, folderOptions, &progress, &workers);
  }

  static Paths FullPaths(const TOwnedFileInfoList& list) { return test::FullPathsOf(list); }
  static std::vector<uint32_t> Codes(const TOwnedFileInfoList& list) { return test::CodesOf(list); }
  // No temporary file of any worker is left in `folder`.
  bool NoTempFiles(const std::wstring& folder) {
    for (const std::wstring& path : Fs().ListTree(folder))
      if (IsTempFileName(NamePartOf(path))) return false;
    return true;
  }
};

// Whatever order the workers finish in (the first files are held back longest), the lists
// keep the plan's order, a failing file is recorded while the others are written, an
// enciphered item's files are enciphered on the workers, and the bar ends on the exact
// byte total.
TEST_F(ParallelTransferTest, ListsKeepThePlanOrderAndTheBytesAddUpExactly) {
  for (int threads : {2, 4, 8}) {
    SCOPED_TRACE(threads);
    SetUp();
    PlanMany(a, planA, 30, 1000);
    b.Encrypt = true;
    b.CipherKey = "key";
    Plan(b, planB, L"e1.txt", std::string(300000, 'e'));
    Plan(b, planB, L"e2.txt", "second");
    Fs().InjectFault({L"C:\\SrcA\\n7.txt", TFaultOp::Copy, err::SharingViolation});
    Fs().SetCopyWatch([](const std::wstring& from, const std::wstring&, const std::atomic<bool>*) {
      const std::wstring_view name = NamePartOf(from);
      if (name.size() == 6 && name[1] < L'4') std::this_thread::sleep_for(20ms);  // n0 ... n3 finish last
    });
    Run(threads);
    Paths expected;
    for (int i = 0; i < 30; ++i)
      if (i != 7) expected.push_back(L"D:\\DestA\\n" + std::to_wstring(i) + L".txt");
    expected.push_back(L"D:\\DestB\\e1.txt");
    expected.push_back(L"D:\\DestB\\e2.txt");
    EXPECT_EQ(FullPaths(copied), expected);
    EXPECT_EQ(FullPaths(errors), Paths{L"C:\\SrcA\\n7.txt"});
    EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::SharingViolation});
    const int64_t total = planA.TotalSize() + planB.TotalSize();
    EXPECT_EQ(transfer->BytesDone, total);
    EXPECT_EQ(progress.Done(), total);
    EXPECT_EQ(progress.Position(), 100);
    std::string content;
    EXPECT_TRUE(Fs().ReadContent(L"D:\\DestA\\n29.txt", content) && content == Content(29, 1000));
    auto cipher = CreateItemCipher(b, "");
    cipher->DecipherFile(std::wstring(L"D:\\DestB\\e1.txt"), std::wstring(L"D:\\back.txt"));
    EXPECT_TRUE(Fs().ReadContent(L"D:\\back.txt", content) && content == std::string(300000, 'e'));
    EXPECT_TRUE(NoTempFiles(L"D:\\"));
    TearDown();
  }
  SetUp();
}

// A stop while every worker is inside a copy ends each of those copies at once (1235, in
// the plan's order), leaves nothing under a final or temporary name and starts no other
// file.
TEST_F(ParallelTransferTest, StopEndsTheCopyOnEveryWorker) {
  PlanMany(a, planA, 12, 200000);
  Fs().SetCopyWatch([this](const std::wstring&, const std::wstring&, const std::atomic<bool>* cancel) {
    ++started;
    WaitFor([cancel] { return cancel && cancel->load(); });
  });
  pump.Each = [this] {
    if (started == 4 && !progress.StopRequested()) progress.Stop();
  };
  Run(4);
  EXPECT_TRUE(transfer->Stopped);
  EXPECT_EQ(started, 4);
  EXPECT_TRUE(copied.Empty());
  EXPECT_EQ(FullPaths(errors), (Paths{L"C:\\SrcA\\n0.txt", L"C:\\SrcA\\n1.txt", L"C:\\SrcA\\n2.txt", L"C:\\SrcA\\n3.txt"}));
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>(4, err::RequestAborted));
  EXPECT_EQ(Fs().ListTree(L"D:\\DestA"), Paths{});
}

// A pause holds every worker between files: the files already handed out finish, no
// other one starts until the pause ends, and then every file is written.
TEST_F(ParallelTransferTest, PauseHoldsEveryWorkerBetweenFiles) {
  PlanMany(a, planA, 40, 100);
  Fs().SetCopyWatch([this](const std::wstring&, const std::wstring&, const std::atomic<bool>*) { ++started; });
  int state = 0, nested = 0, atPause = 0, atResume = 0;
  pump.Each = [&] {
    if (state == 0 && started >= 8) {
      state = 1;
      atPause = started;
      progress.TogglePause();  // runs the pause loop, which pumps on (below)
    } else if (state == 1) {
      std::this_thread::sleep_for(10ms);  // time for a worker that does not hold to go on
      if (++nested == 20) {
        state = 2;
        atResume = started;
        progress.TogglePause();
      }
    }
  };
  Run(4);
  EXPECT_EQ(state, 2);
  EXPECT_LE(atResume - atPause, 4);
  EXPECT_EQ(copied.Count(), 40);
  EXPECT_TRUE(errors.Empty());
}

// Four workers replace files at once, into a history folder the run makes or one where
// an earlier run of the same day kept versions: the folder is made once with one marker,
// every replaced file is in it with its own content, and no temporary name is left.
TEST_F(ParallelTransferTest, FourWorkersMoveIntoOneHistoryFolder) {
  for (bool earlier : {false, true}) {
    SCOPED_TRACE(earlier);
    SetUp();
    a.KeepHistory = true;
    const std::wstring folder = L"D:\\DestA\\" + HistoryFolderName(a.HistoryFolderFormat, Clock().Now());
    for (int i = 0; i < 24; ++i) {
      const std::wstring name = L"n" + std::to_wstring(i) + L".txt";
      Fs().AddFile(L"D:\\DestA\\" + name, "old" + std::to_string(i));
      if (earlier) Fs().AddFile(folder + L"\\" + name, "earlier");
    }
    if (earlier) WriteHistoryMarker(folder, Clock().Now());
    PlanMany(a, planA, 24, 10);
    // The first four copies end together, so four moves into the folder start at once.
    started = 0;
    Fs().SetCopyWatch([this](const std::wstring&, const std::wstring&, const std::atomic<bool>*) {
      ++started;
      WaitFor([this] { return started >= 4; });
    });
    Run(4);
    EXPECT_EQ(copied.Count(), 24);
    EXPECT_TRUE(errors.Empty());
    const Paths tree = Fs().ListTree(folder);
    EXPECT_EQ(std::count(tree.begin(), tree.end(), std::wstring(kHistoryMarkerName)), 1);
    EXPECT_EQ(tree.size(), 25u);
    TDateTime date = 0;
    EXPECT_EQ(ReadHistoryMarkerDate(folder + L"\\" + std::wstring(kHistoryMarkerName), date), 0u);
    for (int i = 0; i < 24; ++i) {
      std::string content;
      Fs().ReadContent(folder + L"\\n" + std::to_wstring(i) + L".txt", content);
      EXPECT_EQ(content, "old" + std::to_string(i));
    }
    EXPECT_TRUE(NoTempFiles(L"D:\\DestA"));
    TearDown();
  }
  SetUp();
}

// Without a number the destination's kind decides: a local disk at least 4 (more with more
// processors), a network share 8, a removable drive 1.
TEST_F(ParallelTransferTest, DefaultThreadsFollowTheDestinationKind) {
  Mem().MemVolumes->AddDrive(L'F', TDriveType::Fixed, L"", true);
  Mem().MemVolumes->AddDrive(L'R', TDriveType::Removable, L"", true);
  Fs().AddVolume(L"\\\\srv\\share");
  const struct {
    const wchar_t* dest;
    unsigned processors;
    int threads;
  } cases[] = {{L"F:\\B", 2, 4}, {L"F:\\B", 6, 6}, {L"F:\\B", 32, 8}, {L"\\\\srv\\share\\B", 2, 8}, {L"R:\\B", 8, 1}};
  for (const auto& c : cases) EXPECT_EQ(DefaultTransferThreads(c.dest, c.processors), c.threads) << WideToUtf8(c.dest);
  // Where one server answers every file call, workers only add hand-offs: one thread.
  Fs().OneCallAtATime = true;
  for (const auto& c : cases) EXPECT_EQ(DefaultTransferThreads(c.dest, c.processors), 1) << WideToUtf8(c.dest);
}

}  // namespace
}  // namespace vog
