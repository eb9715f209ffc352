#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/TransferPhase.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileInfoList.h"
#include "scan/Progress.h"
#include "services/cipher/CipherManager.h"
#include "engine/EngineTestSupport.h"
#include "support/MemoryFixture.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

using Paths = std::vector<std::wstring>;

class TransferTest : public test::MemoryTest {
protected:
  TBackupInfo a, b;
  TOwnedFileInfoList planA, planB, copied, errors;
  TSortedFolderList newFolders;
  TTransferOptions options;
  TFolderOptions folderOptions;
  std::unique_ptr<test::TScriptedPump> pump;
  std::unique_ptr<test::TScriptedProgress> progress;
  std::unique_ptr<THistoryMover> history;
  std::unique_ptr<TFileTransfer> transfer;

  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddVolume(L"D:");
    pump = std::make_unique<test::TScriptedPump>();
    progress = std::make_unique<test::TScriptedProgress>();
    a.SourceFolder = L"C:\\SrcA";
    a.DestFolder = L"D:\\DestA";
    b.SourceFolder = L"C:\\SrcB";
    b.DestFolder = L"D:\\DestB";
  }

  // A source file and its planned record.
  const TBackupFileInfo& Plan(TBackupInfo& item, TOwnedFileInfoList& list, const std::wstring& sub,
                              const std::wstring& name, const std::string& content) {
    const std::wstring path = item.SourceFolder + L"\\" + (sub.empty() ? name : sub + L"\\" + name);
    Fs().AddFile(path, content);
    TFindData info;
    Fs().GetInfo(path, info);
    auto record = std::make_unique<TBackupFileInfo>();
    record->SetPath(item.SourceFolder + L"\\", sub, name);
    record->Size = info.Size;
    record->Time = DosTimeOfFileTime(info.LastWriteTime);
    record->Attr = info.Attr;
    record->BackupInfo = &item;
    const TBackupFileInfo& added = *record;
    list.Add(std::move(record));
    return added;
  }

  TFileTransfer& Transfer() {
    if (!transfer) {
      history = std::make_unique<THistoryMover>(Clock().Now(), nullptr);
      transfer = std::make_unique<TFileTransfer>(copied, errors, options, progress.get(), *history, nullptr);
    }
    return *transfer;
  }

  void Run() {
    std::vector<TTransferItem> items{{&a, &planA, ""}, {&b, &planB, ""}};
    TransferFiles(items, newFolders, Transfer(), folderOptions, progress.get());
  }

  std::string Read(const std::wstring& path) {
    std::string content;
    return Fs().ReadContent(path, content) ? content : "<none>";
  }

  static Paths FullPaths(const TOwnedFileInfoList& list) { return test::FullPathsOf(list); }
  static std::vector<uint32_t> Codes(const TOwnedFileInfoList& list) { return test::CodesOf(list); }
};

// A new file is written under the temporary name and renamed once complete: a run killed
// while it is being written never leaves part of it under its final name.
TEST_F(TransferTest, NewFileIsNeverPartlyUnderItsFinalName) {
  Fs().AddFolder(L"D:\\DestA");
  for (bool encrypt : {false, true}) {
    SCOPED_TRACE(encrypt);
    planA.Clear();
    copied.Clear();
    a.Encrypt = encrypt;
    a.CipherKey = "key";
    const std::wstring name = encrypt ? L"e.txt" : L"p.txt";
    Plan(a, planA, L"", name, std::string(300000, 'x'));
    int watched = 0;
    bool seen = false;
    for (int call = pump->Calls() + 1; call < pump->Calls() + 100; ++call)
      pump->At(call, [&] {
        ++watched;
        seen = seen || (copied.Empty() && Fs().Exists(L"D:\\DestA\\" + name));
      });
    Run();
    EXPECT_GT(watched, 3);  // the pumps inside the write saw it
    EXPECT_FALSE(seen);
    EXPECT_EQ(FullPaths(copied), Paths{L"D:\\DestA\\" + name});
  }
}

TEST_F(TransferTest, ProtectedTargetIsOverwrittenAndKeepsItsAttributes) {
  for (uint32_t attributes : {attr::ReadOnly, attr::Hidden, attr::ReadOnly | attr::Hidden | attr::Archive}) {
    copied.Clear();
    const TBackupFileInfo& record = Plan(a, planA, L"", L"f.txt", "new");
    Fs().AddFile(L"D:\\DestA\\f.txt", "old", attributes);
    EXPECT_TRUE(Transfer().CopyOneFile(record, L"D:\\DestA\\f.txt"));
    EXPECT_EQ(Read(L"D:\\DestA\\f.txt"), "new");
    uint32_t now = 0;
    Fs().GetAttributes(L"D:\\DestA\\f.txt", now);
    EXPECT_EQ(now, attributes);
    EXPECT_EQ(FullPaths(copied), Paths{L"D:\\DestA\\f.txt"});
  }
}

TEST_F(TransferTest, TargetTheSystemCannotEncryptIsCopiedThroughStreams) {
  const TBackupFileInfo& good = Plan(a, planA, L"", L"1.txt", std::string(300000, 'x'));
  Plan(a, planA, L"sub", L"2.txt", "second");
  Plan(a, planA, L"", L"3.txt", "third");
  Fs().SetAttributes(good.FullPath(), attr::ReadOnly | attr::Archive);
  // The bytes go under the temporary name first (one per folder here).
  Fs().InjectFault({L"D:\\DestA\\Vogmerist%%.$$$", TFaultOp::Copy, err::Encrypted, -1, -1, 1});
  Fs().InjectFault({L"D:\\DestA\\sub\\Vogmerist%%.$$$", TFaultOp::Copy, err::Encrypted});
  // The stream copy of the second file fails on its own: recorded, nothing partial left.
  Fs().InjectFault({L"D:\\DestA\\sub\\Vogmerist%%.$$$", TFaultOp::Write, err::DiskFull, 3});
  Fs().AddFolder(L"D:\\DestA\\sub");
  Run();
  EXPECT_EQ(FullPaths(copied), (Paths{L"D:\\DestA\\1.txt", L"D:\\DestA\\3.txt"}));
  EXPECT_EQ(FullPaths(errors), Paths{L"C:\\SrcA\\sub\\2.txt"});
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::DiskFull});
  EXPECT_EQ(Read(L"D:\\DestA\\1.txt"), std::string(300000, 'x'));
  EXPECT_EQ(Fs().ListTree(L"D:\\DestA\\sub"), Paths{});
  TFindData source, target;
  Fs().GetInfo(good.FullPath(), source);
  Fs().GetInfo(L"D:\\DestA\\1.txt", target);
  EXPECT_EQ(target.Attr, source.Attr);
  EXPECT_EQ(DosTimeOfFileTime(target.LastWriteTime), good.Time);
}

TEST_F(TransferTest, LineFeedInANameIsRecordedAsInvalidAndEscaped) {
  auto record = std::make_unique<TBackupFileInfo>();
  record->SetPath(L"C:\\SrcA\\", L"sub", L"a\nb\r.txt");
  record->BackupInfo = &a;
  planA.Add(std::move(record));
  Fs().AddFolder(L"D:\\DestA\\sub");
  Run();
  ASSERT_EQ(Codes(errors), std::vector<uint32_t>{err::InvalidName});
  EXPECT_EQ(errors[0]->FullPath(), L"C:\\SrcA\\sub\\a[0A]b[0D].txt");
}

TEST_F(TransferTest, NoToAllSkipsLaterFilesOfConfirmingItemsOnly) {
  test::TScriptedQuestions questions;
  questions.Answer(TAnswer::Yes);
  questions.Answer(TAnswer::NoToAll);
  a.ConfirmOverwrite = true;
  for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"}) {
    Plan(a, planA, L"", name, "new");
    Fs().AddFile(std::wstring(L"D:\\DestA\\") + name, "old");
  }
  Plan(b, planB, L"", L"4.txt", "new");
  Fs().AddFile(L"D:\\DestB\\4.txt", "old");
  Run();
  EXPECT_EQ(FullPaths(copied), (Paths{L"D:\\DestA\\1.txt", L"D:\\DestB\\4.txt"}));
  EXPECT_EQ(Read(L"D:\\DestA\\3.txt"), "old");
  ASSERT_EQ(questions.Asked().size(), 2u);
  EXPECT_TRUE(
      questions.Asked()[0].starts_with(L"D:\\DestA\\1.txt を上書きしてもいいですか?\r\n\r\nバックアップ元： 2024/04/01 "
                                       L"12:00:00\r\nバックアップ先： 2024/04/01 12:00:00"));
  EXPECT_EQ(Transfer().BytesDone, 6);  // the skipped files add nothing
}

TEST_F(TransferTest, TempNameIsRenamedOverTheTargetOrTheCopyBecomesAnError) {
  a.UseTempFile = true;
  Plan(a, planA, L"", L"1.txt", "new");
  Plan(a, planA, L"", L"2.txt", "new");
  Fs().AddFile(L"D:\\DestA\\1.txt", "old", attr::ReadOnly);
  Fs().AddFile(L"D:\\DestA\\2.txt", "old");
  Fs().InjectFault({L"D:\\DestA\\2.txt", TFaultOp::Move, err::SharingViolation});
  Run();
  EXPECT_EQ(Read(L"D:\\DestA\\1.txt"), "new");
  EXPECT_EQ(FullPaths(copied), Paths{L"D:\\DestA\\1.txt"});
  EXPECT_EQ(FullPaths(errors), Paths{L"D:\\DestA\\2.txt"});
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::SharingViolation});
  EXPECT_FALSE(Fs().Exists(L"D:\\DestA\\Vogmerist%%.$$$"));
}

// A failed write (full disk, or a copy that reads back wrong) leaves the old version in
// place, with or without history and the temporary name (a file that replaces another is
// always written beside it first).
TEST_F(TransferTest, FailedWriteWithKeepHistoryMovesTheOldVersionBack) {
  options.Verify = true;
  struct Case {
    bool keep, temp, verifyFails;
    uint32_t code;
    std::string left;  // what the destination holds afterwards
  } cases[] = {{true, false, false, err::DiskFull, "old"},
               {true, true, false, err::DiskFull, "old"},
               {true, false, true, kVerifyMismatch, "old"},
               {true, true, true, kVerifyMismatch, "old"},
               {false, false, true, kVerifyMismatch, "old"}};  // a wrong copy never stays
  for (const Case& c : cases) {
    planA.Clear();
    errors.Clear();
    a.KeepHistory = c.keep;
    a.UseTempFile = c.temp;
    Plan(a, planA, L"", L"f.txt", std::string(100000, 'n'));
    Fs().AddFile(L"D:\\DestA\\f.txt", "old");
    const std::wstring written = L"D:\\DestA\\Vogmerist%%.$$$";
    if (c.verifyFails)
      Fs().InjectFault({written, TFaultOp::Corrupt, 0, 500});
    else
      Fs().InjectFault({written, TFaultOp::Copy, err::DiskFull, 70000});
    Run();
    EXPECT_EQ(Read(L"D:\\DestA\\f.txt"), c.left) << c.temp << c.verifyFails;
    EXPECT_EQ(Codes(errors), std::vector<uint32_t>{c.code});
    EXPECT_FALSE(Fs().Exists(L"D:\\DestA\\世代 2024-04-01\\f.txt"));
    EXPECT_FALSE(Fs().Exists(L"D:\\DestA\\Vogmerist%%.$$$"));
    Fs().ClearFaults();
  }
}

TEST_F(TransferTest, StopInItemOneOfTwoCopiesNothingMoreButMakesEmptyFolders) {
  Plan(a, planA, L"", L"1.txt", std::string(200000, '1'));
  Plan(a, planA, L"", L"2.txt", std::string(200000, '2'));
  Plan(a, planA, L"", L"3.txt", "3");
  Plan(b, planB, L"", L"4.txt", "4");
  newFolders.Add(L"D:\\DestA\\empty", &a);
  newFolders.Add(L"D:\\DestB\\e1\\e2", &b);
  Fs().AddFolder(L"D:\\DestA");
  Fs().AddFolder(L"D:\\DestB");
  // Stop while the second file is being copied.
  for (int call = 1; call < 100; ++call)
    pump->At(call, [this] {
      if (Fs().Exists(L"D:\\DestA\\1.txt") && Fs().Exists(L"D:\\DestA\\Vogmerist%%.$$$")) progress->Stop();
    });
  Run();
  EXPECT_TRUE(Transfer().Stopped);
  EXPECT_EQ(FullPaths(copied), Paths{L"D:\\DestA\\1.txt"});
  EXPECT_EQ(FullPaths(errors), Paths{L"C:\\SrcA\\2.txt"});
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::RequestAborted});
  EXPECT_EQ(Fs().ListTree(L"D:\\DestA"), (Paths{L"1.txt", L"empty\\"}));
  EXPECT_EQ(Fs().ListTree(L"D:\\DestB"), (Paths{L"e1\\", L"e1\\e2\\"}));
}

TEST_F(TransferTest, DiskFullLeavesTheOldFileUnderItsNameAndTheNextFileIsTried) {
  a.UseTempFile = true;
  Plan(a, planA, L"", L"1.txt", std::string(5000, 'n'));
  Plan(a, planA, L"", L"2.txt", "two");
  Fs().AddFile(L"D:\\DestA\\1.txt", "old");
  Fs().InjectFault({L"D:\\DestA\\Vogmerist%%.$$$", TFaultOp::Copy, err::DiskFull, 1000, -1, 1});
  Run();
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::DiskFull});
  EXPECT_EQ(Read(L"D:\\DestA\\1.txt"), "old");
  EXPECT_EQ(Read(L"D:\\DestA\\2.txt"), "two");
  EXPECT_EQ(Fs().ListTree(L"D:\\DestA"), (Paths{L"1.txt", L"2.txt"}));
}

TEST_F(TransferTest, NetworkLostMidRunRecordsEachLaterFileAfterItsRetries) {
  Fs().AddVolume(L"\\\\srv\\share");
  a.DestFolder = L"\\\\srv\\share\\Dest";
  Fs().AddFolder(a.DestFolder);
  options.RetryCount = 2;
  options.RetryWaitSeconds = 3;
  for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"}) Plan(a, planA, L"", name, "x");
  std::vector<std::wstring> texts;
  bool lost = false;
  for (int call = 1; call < 400; ++call)
    pump->At(call, [this, &texts, &lost] {
      if (!lost && Fs().Exists(L"\\\\srv\\share\\Dest\\1.txt")) {
        Fs().InjectFault({L"\\\\srv\\share", TFaultOp::Any, 64});
        lost = true;
      }
      if (texts.empty() || texts.back() != progress->StateText()) texts.push_back(progress->StateText());
    });
  Run();
  EXPECT_EQ(FullPaths(copied), Paths{L"\\\\srv\\share\\Dest\\1.txt"});
  EXPECT_EQ(Codes(errors), (std::vector<uint32_t>{64, 64}));
  EXPECT_EQ(pump->Waited(), 2u * 2u * 3000u);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"再試行 2/2: C:\\SrcA\\3.txt"), texts.end());
}

TEST_F(TransferTest, RetrySucceedsWhenTheFailurePassesAndStopEndsTheWait) {
  options.RetryCount = 3;
  options.RetryWaitSeconds = 1;
  const TBackupFileInfo& record = Plan(a, planA, L"", L"1.txt", "x");
  Fs().AddFolder(L"D:\\DestA");
  Fs().InjectFault({record.FullPath(), TFaultOp::Copy, err::SharingViolation, -1, -1, 2});
  EXPECT_TRUE(Transfer().CopyOneFile(record, L"D:\\DestA\\1.txt"));
  EXPECT_EQ(pump->Waited(), 2000u);

  Fs().InjectFault({record.FullPath(), TFaultOp::Copy, err::LockViolation});
  pump->At(pump->Calls() + 3, [this] { progress->Stop(); });
  EXPECT_FALSE(Transfer().CopyOneFile(record, L"D:\\DestA\\1.txt"));
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::LockViolation});
  EXPECT_LT(pump->Waited(), 2000u + 1000u);
}

TEST_F(TransferTest, CipherCopyRoundTripsAndAStopRemovesThePartialFile) {
  const std::string plain(200000, 'p');
  const TBackupFileInfo& record = Plan(a, planA, L"", L"f.txt", plain);
  a.Encrypt = true;
  a.CipherKey = "key";
  Fs().AddFile(L"D:\\DestA\\f.txt", "old", attr::ReadOnly);
  auto cipher = CreateItemCipher(a, "");
  Transfer().InstallCipherProgress(*cipher);
  ASSERT_TRUE(Transfer().EncryptOneFile(*cipher, record, L"D:\\DestA\\f.txt"));
  const std::string coded = Read(L"D:\\DestA\\f.txt");
  EXPECT_EQ(coded.size(), plain.size());
  EXPECT_NE(coded, plain);
  uint32_t attributes = 0;
  Fs().GetAttributes(L"D:\\DestA\\f.txt", attributes);
  EXPECT_EQ(attributes, attr::ReadOnly);

  b.Encrypt = b.Decrypt = true;
  b.CipherKey = "key";
  const TBackupFileInfo& back = Plan(b, planB, L"", L"f.txt", coded);
  Fs().AddFolder(L"D:\\DestB");
  auto decipher = CreateItemCipher(b, "");
  Transfer().InstallCipherProgress(*decipher);
  ASSERT_TRUE(Transfer().EncryptOneFile(*decipher, back, L"D:\\DestB\\f.txt"));
  EXPECT_EQ(Read(L"D:\\DestB\\f.txt"), plain);

  pump->At(pump->Calls() + 2, [this] { progress->Stop(); });
  EXPECT_FALSE(Transfer().EncryptOneFile(*decipher, back, L"D:\\DestB\\g.txt"));
  EXPECT_EQ(Codes(errors), std::vector<uint32_t>{err::RequestAborted});
  EXPECT_FALSE(Fs().Exists(L"D:\\DestB\\g.txt"));
}

TEST_F(TransferTest, FoldersGetAccessListsAndCreationTimesLevelByLevel) {
  const TFileTime created{0x01C0000000000000ull};
  Plan(a, planA, L"x\\y", L"f.txt", "f");
  Plan(a, planA, L"z", L"g.txt", "g");
  for (const wchar_t* folder : {L"C:\\SrcA\\x", L"C:\\SrcA\\x\\y", L"C:\\SrcA\\e1", L"C:\\SrcA\\e1\\e2"})
    Fs().SetTimes(folder, &created, nullptr, nullptr);
  Fs().AddFolder(L"C:\\SrcA\\e1\\e2");
  Fs().SetTimes(L"C:\\SrcA\\e1", &created, nullptr, nullptr);
  Fs().SetTimes(L"C:\\SrcA\\e1\\e2", &created, nullptr, nullptr);
  Fs().AddFolder(L"D:\\DestA\\z");  // exists: touched by nothing
  Paths acl;
  folderOptions.CopyAcl = folderOptions.CopyCreationTime = true;
  folderOptions.CopyDacl = [&acl](const std::wstring& source, const std::wstring& dest) {
    acl.push_back(source + L">" + dest);
    return true;
  };
  CreateDestinationFolders({{&a, &planA, ""}}, folderOptions);
  newFolders.Add(L"D:\\DestA\\e1\\e2", &a);
  CreateEmptyFolders(newFolders, folderOptions, nullptr);
  EXPECT_EQ(acl, (Paths{L"C:\\SrcA\\x>D:\\DestA\\x", L"C:\\SrcA\\x\\y>D:\\DestA\\x\\y", L"C:\\SrcA\\e1>D:\\DestA\\e1",
                        L"C:\\SrcA\\e1\\e2>D:\\DestA\\e1\\e2"}));
  for (const wchar_t* folder : {L"D:\\DestA\\x", L"D:\\DestA\\x\\y", L"D:\\DestA\\e1\\e2"}) {
    TFindData info;
    Fs().GetInfo(folder, info);
    EXPECT_EQ(info.CreationTime, created) << WideToUtf8(folder);
  }
  TFindData z;
  Fs().GetInfo(L"D:\\DestA\\z", z);
  EXPECT_NE(z.CreationTime, created);
}

}  // namespace
}  // namespace vog

namespace vog {
namespace {

TEST_F(TransferTest, PauseDuringACopyHoldsThatFileUntilResumed) {
  Plan(a, planA, L"", L"1.txt", std::string(300000, '1'));
  Fs().AddFolder(L"D:\\DestA");
  bool pausedMidCopy = false;
  pump->At(4, [this] { progress->TogglePause(); });  // inside the copy's progress routine
  pump->At(6, [this, &pausedMidCopy] { pausedMidCopy = progress->Paused() && copied.Empty(); });
  pump->At(9, [this] { progress->TogglePause(); });
  Run();
  EXPECT_TRUE(pausedMidCopy);
  EXPECT_GT(pump->MaxDepth(), 1);
  EXPECT_EQ(Read(L"D:\\DestA\\1.txt"), std::string(300000, '1'));
}

}  // namespace
}  // namespace vog
