// Phase 2 of a run: mirroring removes what the plan listed, child folders first, and never
// anything outside the item's destination folder.
#include "engine/BackupHistoryDatabase.h"
#include "engine/Containment.h"
#include "engine/EngineTestSupport.h"
#include "scan/FolderInfo.h"

namespace vog::test {
namespace {

using Set = std::set<std::wstring>;

TEST_F(EngineTest, MirroringRemovesFilesAndFoldersChildFirstAndReportsWhatStays) {
  TBackupInfo& item = Item();
  Fs().AddFolder(L"D:\\Src");
  Fs().AddFolder(L"E:\\Dst\\Src\\a\\b");
  Fs().AddFile(L"E:\\Dst\\Src\\ro.txt", "", attr::ReadOnly);
  Fs().AddFile(L"E:\\Dst\\Src\\locked.txt", "");
  Fs().InjectFault({L"E:\\Dst\\Src\\locked.txt", TFaultOp::Remove, err::SharingViolation});
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  EXPECT_EQ(Paths(backup.MirrorFolders), (Set{L"E:\\Dst\\Src\\a", L"E:\\Dst\\Src\\a\\b"}));
  backup.Execute();
  EXPECT_FALSE(Fs().Exists(L"E:\\Dst\\Src\\ro.txt"));  // after its read-only bit was cleared
  EXPECT_FALSE(Fs().Exists(L"E:\\Dst\\Src\\a"));       // a\b went first
  EXPECT_TRUE(Fs().Exists(L"E:\\Dst\\Src\\locked.txt"));
  // The locked file is not logged as deleted but shows as failed, with its code.
  EXPECT_EQ(Paths(backup.GetAllMirrorFiles()), Set{L"E:\\Dst\\Src\\ro.txt"});
  ASSERT_EQ(backup.ErrorFiles.Count(), 1);
  EXPECT_EQ(backup.ErrorFiles[0]->FullPath(), L"E:\\Dst\\Src\\locked.txt");
  EXPECT_EQ(backup.ErrorFiles[0]->Attr, err::SharingViolation);
  EXPECT_EQ(windows_.Shown.back(), L"ミラーリング中...");
}

TEST_F(EngineTest, StopDuringMirroringEndsOnlyThatPhase) {
  TBackupInfo& item = Item();
  Fs().AddFolder(L"D:\\Src");
  for (int i = 0; i < 4; ++i) Fs().AddFile(L"E:\\Dst\\Src\\Old\\f" + std::to_wstring(i), "");
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  windows_.StopWindow = windows_.Made + 1;  // the mirroring window
  windows_.StopPoll = 3;
  backup.Execute();
  EXPECT_TRUE(backup.Stopped);
  EXPECT_EQ(Fs().ListTree(L"E:\\Dst\\Src"), (std::vector<std::wstring>{L"Old\\", L"Old\\f2", L"Old\\f3"}));
  EXPECT_EQ(backup.GetAllMirrorFiles().Count(), 2);  // what was deleted
}

TEST_F(EngineTest, KeepHistoryMovesMirroredFilesIntoTheHistoryFolder) {
  TBackupInfo& item = Item();
  item.KeepHistory = true;
  Fs().AddFolder(L"D:\\Src");
  Fs().AddFile(L"E:\\Dst\\Src\\old.txt", "");
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  backup.Execute();
  EXPECT_FALSE(Fs().Exists(L"E:\\Dst\\Src\\old.txt"));
  EXPECT_TRUE(Fs().Exists(L"E:\\Dst\\Src\\世代 2024-04-01\\old.txt"));
  EXPECT_EQ(backup.GetAllMirrorFiles().Count(), 1);
  EXPECT_EQ(backup.ErrorFiles.Count(), 0);
}

// ---- containment ------------------------------------------------------------------------

TEST(Containment, ResolvesAsWindowsDoes) {
  struct TCase {
    const wchar_t* Path;
    const wchar_t* Resolved;  // null: refused
  } cases[] = {
      {L"C:\\a\\b\\..\\c", L"C:\\a\\c"},
      {L"C:/a//b/./c/", L"C:\\a\\b\\c"},
      {L"C:\\a\\..\\..\\..\\x", L"C:\\x"},
      {L"C:\\dir. . \\file.txt.. ", L"C:\\dir\\file.txt"},
      {L"C:", L"C:\\"},
      {L"\\\\srv\\share\\a\\..\\..\\b", L"\\\\srv\\share\\b"},
      {L"\\\\srv\\share", L"\\\\srv\\share"},
      {L"relative\\x", nullptr},
      {L"C:relative", nullptr},
      {L"\\\\?\\C:\\x", nullptr},
      {L"\\\\.\\pipe\\x", nullptr},
      {L"C:\\a\\...\\x", nullptr},
      {L"C:\\a\\x:stream", nullptr},
      {L"C:\\a\\x\x01y", nullptr},
  };
  for (const TCase& c : cases) {
    std::wstring resolved;
    const bool ok = ResolveWindowsPath(c.Path, resolved);
    EXPECT_EQ(ok, c.Resolved != nullptr) << WideToUtf8(c.Path);
    if (ok && c.Resolved) {
      EXPECT_EQ(resolved, c.Resolved) << WideToUtf8(c.Path);
    }
  }
}

TEST(Containment, InsideIsWholeSegmentsIgnoringCase) {
  EXPECT_TRUE(IsInsideFolder(L"C:\\DEST\\x.txt", L"c:\\dest"));
  EXPECT_TRUE(IsInsideFolder(L"C:\\dest\\sub\\..\\x.txt", L"C:\\dest\\"));
  EXPECT_TRUE(IsInsideFolder(L"E:\\x", L"E:"));
  EXPECT_FALSE(IsInsideFolder(L"C:\\dest2\\x", L"C:\\dest"));
  EXPECT_FALSE(IsInsideFolder(L"C:\\dest\\..\\..\\victim.txt", L"C:\\dest"));
  EXPECT_FALSE(IsInsideFolder(L"C:\\dest", L"C:\\dest"));
  EXPECT_TRUE(IsInsideFolder(L"C:\\dest\\.", L"C:\\dest", true));
  EXPECT_FALSE(IsInsideFolder(L"D:\\dest\\x", L"C:\\dest"));
  EXPECT_FALSE(IsInsideFolder(L"\\\\srv\\share2\\x", L"\\\\srv\\share"));
  EXPECT_FALSE(IsInsideFolder(L"C:\\dest\\x", L"dest"));
}

TEST(Containment, ArchiveEntryNamesThatLeaveTheirFolderAreRefused) {
  for (const wchar_t* name : {L"a.txt", L"dir\\sub\\b.txt", L"..a", L"a..b\\c"}) EXPECT_TRUE(IsSafeRelativeName(name));
  for (const wchar_t* name : {L"", L"..\\x", L"a\\..\\..\\x", L"\\x", L"C:x", L"a\\\\b", L"a\\.\\b", L"a\\", L"x\x01"})
    EXPECT_FALSE(IsSafeRelativeName(name)) << WideToUtf8(name);
}

TEST_F(EngineTest, CraftedHistoryDatabaseEntryDeletesNothingOutside) {
  Fs().AddFile(L"E:\\victim.txt", "precious");
  Fs().AddFile(L"E:\\Dst\\Src\\gone.txt", "");
  Fs().AddFolder(L"D:\\Src");
  TBackupInfo& item = Item();
  item.UseHistoryDatabase = true;
  TBackupHistoryDatabase db;
  // "<dest>\" TAB "..\..\victim.txt"
  ListInDatabase(db, L"E:\\Dst\\Src\\", {{L"", L"..\\..\\victim.txt"}, {L"", L"gone.txt"}});
  TBackup backup;
  RunWithDatabase(backup, db, item);
  EXPECT_TRUE(Fs().Exists(L"E:\\victim.txt"));
  EXPECT_FALSE(Fs().Exists(L"E:\\Dst\\Src\\gone.txt"));
  EXPECT_EQ(Paths(backup.GetAllMirrorFiles()), Set{L"E:\\Dst\\Src\\gone.txt"});
  ASSERT_EQ(backup.ErrorFiles.Count(), 1);
  EXPECT_EQ(backup.ErrorFiles[0]->FullPath(), L"E:\\Dst\\Src\\..\\..\\victim.txt");
  EXPECT_EQ(backup.ErrorFiles[0]->Attr, kOutsideDestinationCode);
  ASSERT_EQ(backup.Problems.Count(), 1u);
  EXPECT_NE(backup.Problems.Items()[0].Message.find(L"victim.txt"), std::wstring::npos);
}

// A file system whose listing of one folder also returns a name no real one would.
class TOddNames : public IFileSystem {
public:
  TOddNames(std::unique_ptr<IFileSystem> inner, std::wstring folder, std::wstring oddName)
      : inner_(std::move(inner)), folder_(std::move(folder)), odd_(std::move(oddName)) {}
  uint32_t FindFirst(const std::wstring& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first) override {
    const uint32_t code = inner_->FindFirst(pattern, handle, first);
    if (code == 0 && SameText(pattern, folder_ + L"\\*.*")) handle = std::make_unique<THandle>(std::move(handle), odd_);
    return code;
  }
  uint32_t GetAttributes(const std::wstring& p, uint32_t& a) override { return inner_->GetAttributes(p, a); }
  uint32_t SetAttributes(const std::wstring& p, uint32_t a) override { return inner_->SetAttributes(p, a); }
  uint32_t GetInfo(const std::wstring& p, TFindData& i) override { return inner_->GetInfo(p, i); }
  uint32_t SetTimes(const std::wstring& p, const TFileTime* c, const TFileTime* a, const TFileTime* w) override {
    return inner_->SetTimes(p, c, a, w);
  }
  uint32_t MakeFolder(const std::wstring& p) override { return inner_->MakeFolder(p); }
  uint32_t RemoveFolder(const std::wstring& p) override { return inner_->RemoveFolder(p); }
  uint32_t RemoveFile(const std::wstring& p) override { return inner_->RemoveFile(p); }
  uint32_t MoveEntry(const std::wstring& f, const std::wstring& t, bool r) override {
    return inner_->MoveEntry(f, t, r);
  }
  uint32_t CopyEntry(const std::wstring& f, const std::wstring& t, bool e, const TCopyProgress& p,
                     const std::atomic<bool>* c) override {
    return inner_->CopyEntry(f, t, e, p, c);
  }
  uint32_t OpenFile(const std::wstring& p, TOpenMode m, uint32_t s, std::unique_ptr<IFileStream>& f) override {
    return inner_->OpenFile(p, m, s, f);
  }
  std::wstring TempFolder() override { return inner_->TempFolder(); }
  std::wstring ProgramFolder() override { return inner_->ProgramFolder(); }

private:
  class THandle : public IFindHandle {
  public:
    THandle(std::unique_ptr<IFindHandle> inner, std::wstring odd) : inner_(std::move(inner)), odd_(std::move(odd)) {}
    uint32_t Next(TFindData& data) override {
      const uint32_t code = inner_->Next(data);
      if (code != err::NoMoreFiles || done_) return code;
      done_ = true;
      data = TFindData();
      data.Name = odd_;
      return 0;
    }

  private:
    std::unique_ptr<IFindHandle> inner_;
    std::wstring odd_;
    bool done_ = false;
  };
  std::unique_ptr<IFileSystem> inner_;
  std::wstring folder_, odd_;
};

TEST_F(EngineTest, OddNamesFromAWalkNeverReachOutside) {
  Fs().AddFile(L"E:\\victim.txt", "precious");
  Fs().AddFile(L"E:\\Dst\\Src\\gone.txt", "");
  Fs().AddFolder(L"D:\\Src");
  Mem().Files = std::make_unique<TOddNames>(std::move(Mem().Files), L"E:\\Dst\\Src", L"..\\..\\victim.txt");
  TBackupInfo& item = Item();
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  backup.Execute();
  EXPECT_TRUE(Fs().Exists(L"E:\\victim.txt"));
  EXPECT_FALSE(Fs().Exists(L"E:\\Dst\\Src\\gone.txt"));
  ASSERT_EQ(backup.ErrorFiles.Count(), 1);
  EXPECT_EQ(backup.ErrorFiles[0]->Attr, kOutsideDestinationCode);
}

}  // namespace
}  // namespace vog::test
