// The folder walk and the source scan thread on the memory platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>

#include "base/Error.h"
#include "model/BackupInfo.h"
#include "scan/FolderInfo.h"
#include "scan/FolderWalk.h"
#include "scan/Progress.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class FolderWalkTest : public test::MemoryTest {
protected:
  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddVolume(L"D:");
  }
  void TearDown() override {
    files_.Clear();
    MemoryTest::TearDown();
  }

  // Runs a walk of `root` into files_ and folders_.
  void Walk(const std::wstring& root, bool includeSubFolders = true) {
    TFolderWalk walk;
    walk.RootFolder = root;
    walk.Folders = &folders_;
    walk.Files = &files_;
    walk.IncludeSubFolders = includeSubFolders;
    walk.BackupInfo = &item_;
    walk.Run();
  }

  std::set<std::wstring> FullPaths() {
    std::set<std::wstring> paths;
    for (TFileInfo* record : files_) paths.insert(record->FullPath());
    return paths;
  }
  std::vector<std::wstring> FolderPaths() {
    std::vector<std::wstring> paths;
    for (const TFolderEntry& entry : folders_) paths.push_back(entry.Path);
    return paths;
  }

  TBackupInfo item_;
  TOwnedFileInfoList files_;
  TFolderList folders_;
};

TEST_F(FolderWalkTest, RecordsFilesAndFoldersDepthFirst) {
  const TFileTime written = DosToFileTime(0x58A56000);  // a local time, 2024-05-05 12:00:00
  Fs().AddFile(L"D:\\Src\\a.txt", "12345", attr::Archive, ManualClock().LocalToUtc(written));
  Fs().AddFile(L"D:\\Src\\Sub\\b.txt", "", attr::Archive | attr::Hidden | attr::System);
  Fs().AddFile(L"D:\\Src\\Sub\\Deeper\\c.txt", "c");
  Fs().AddFolder(L"D:\\Src\\Empty");

  Walk(L"D:\\Src");
  EXPECT_EQ(FullPaths(),
            (std::set<std::wstring>{L"D:\\Src\\a.txt", L"D:\\Src\\Sub\\b.txt", L"D:\\Src\\Sub\\Deeper\\c.txt"}));
  std::vector<std::wstring> folders = FolderPaths();
  EXPECT_EQ(folders.size(), 4u);
  EXPECT_EQ(folders[0], L"");  // the root's own "." comes first
  // Each folder is listed before anything below it.
  auto at = [&folders](const std::wstring& path) {
    return std::find(folders.begin(), folders.end(), path) - folders.begin();
  };
  EXPECT_LT(at(L"Sub"), at(L"Sub\\Deeper"));
  EXPECT_LT(at(L"Empty"), static_cast<ptrdiff_t>(folders.size()));
  for (const TFolderEntry& entry : folders_) EXPECT_EQ(entry.Item, &item_);

  for (TFileInfo* record : files_) {
    auto* backup = dynamic_cast<TBackupFileInfo*>(record);
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(backup->BackupInfo, &item_);
    EXPECT_EQ(record->RootFolder(), L"D:\\Src\\");
    if (record->FileName == L"a.txt") {
      EXPECT_EQ(record->SubFolder(), L"");
      EXPECT_EQ(record->Size, 5);
      EXPECT_EQ(record->Time, 0x58A56000);
      EXPECT_EQ(record->Attr, attr::Archive);
    } else if (record->FileName == L"b.txt") {
      EXPECT_EQ(record->SubFolder(), L"Sub");
      EXPECT_EQ(record->Attr, attr::Archive | attr::Hidden | attr::System);  // listed like any other
    } else {
      EXPECT_EQ(record->SubFolder(), L"Sub\\Deeper");
    }
  }
  // Files of one folder share one folder text.
  files_.SortByRelativePath();
  EXPECT_EQ(&files_.ItemByRelativePath(L"sub\\deeper\\C.TXT")->RootFolder(), &files_[0]->RootFolder());
}

TEST_F(FolderWalkTest, WithoutSubfoldersOnlyTheRootsFilesAndNoFolders) {
  Fs().AddFile(L"D:\\Src\\a.txt", "");
  Fs().AddFile(L"D:\\Src\\Sub\\b.txt", "");
  Walk(L"D:\\Src", false);
  EXPECT_EQ(FullPaths(), std::set<std::wstring>{L"D:\\Src\\a.txt"});
  EXPECT_TRUE(folders_.empty());
}

TEST_F(FolderWalkTest, DriveRootHasNoFolderEntryOfItsOwn) {
  Fs().AddFile(L"D:\\top.txt", "");
  Fs().AddFile(L"D:\\Dir\\x.txt", "");
  Walk(L"D:");
  EXPECT_EQ(FullPaths(), (std::set<std::wstring>{L"D:\\top.txt", L"D:\\Dir\\x.txt"}));
  EXPECT_EQ(FolderPaths(), std::vector<std::wstring>{L"Dir"});
  // Given with its backslash, the root is walked the same way.
  files_.Clear();
  folders_.clear();
  Walk(L"D:\\");
  EXPECT_EQ(FullPaths(), (std::set<std::wstring>{L"D:\\top.txt", L"D:\\Dir\\x.txt"}));
}

TEST_F(FolderWalkTest, FoldersThatCannotBeListedAndLinksAreGapsTheWalkGoesOnAround) {
  const uint32_t link = attr::Directory | attr::ReparsePoint;
  Fs().AddFile(L"D:\\Src\\a.txt", "");
  Fs().AddFile(L"D:\\Src\\Locked\\secret.txt", "");
  Fs().AddFile(L"D:\\Src\\Z\\z.txt", "");
  Fs().AddFolder(L"D:\\Src\\Z\\Up", link);  // a link looping up the tree
  Fs().AddFile(L"D:\\Src\\Z\\Up\\z.txt", "");
  Fs().AddFolder(L"D:\\Src\\Elsewhere", link);
  Fs().AddFile(L"D:\\Src\\Elsewhere\\far.txt", "");
  Fs().AddFile(L"D:\\Src\\filelink.txt", "target", attr::Archive | attr::ReparsePoint);
  Fs().InjectFault({L"D:\\Src\\Locked", TFaultOp::List, err::AccessDenied});
  Fs().InjectFault({L"D:\\Src\\Gone", TFaultOp::List, err::PathNotFound});  // deleted meanwhile
  Fs().AddFolder(L"D:\\Src\\Gone");
  TFolderWalk walk;
  walk.RootFolder = L"D:\\Src";
  walk.Folders = &folders_;
  walk.Files = &files_;
  walk.Run();
  EXPECT_EQ(FullPaths(), (std::set<std::wstring>{L"D:\\Src\\a.txt", L"D:\\Src\\filelink.txt", L"D:\\Src\\Z\\z.txt"}));
  EXPECT_EQ(files_.ItemByRelativePath(L"filelink.txt")->Attr, attr::Archive);
  const auto folders = FolderPaths();
  for (const wchar_t* notEntered : {L"Locked", L"Z\\Up", L"Elsewhere", L"Gone"})
    EXPECT_EQ(std::count(folders.begin(), folders.end(), notEntered), 0) << notEntered;
  std::set<std::tuple<std::wstring, uint32_t, bool>> gaps;
  for (const TWalkGap& gap : walk.Gaps) gaps.insert({gap.RelativePath, gap.Code, gap.Link});
  EXPECT_EQ(gaps, (std::set<std::tuple<std::wstring, uint32_t, bool>>{
                      {L"Locked", err::AccessDenied, false}, {L"Z\\Up", 0, true}, {L"Elsewhere", 0, true}}));

  // A root that cannot be listed is a gap of its own; a missing one is none.
  Fs().InjectFault({L"D:\\Src", TFaultOp::List, err::AccessDenied});
  walk.Run();
  ASSERT_EQ(walk.Gaps.size(), 1u);
  EXPECT_EQ(walk.Gaps[0].RelativePath, L"");
  walk.RootFolder = L"D:\\Nowhere";
  walk.Run();
  EXPECT_TRUE(walk.Gaps.empty());
}

TEST_F(FolderWalkTest, MissingRootGivesEmptyLists) {
  Walk(L"D:\\Nowhere");
  EXPECT_EQ(files_.Count(), 0);
  EXPECT_TRUE(folders_.empty());
  Walk(L"Q:\\NoDrive");
  EXPECT_EQ(files_.Count(), 0);
}

TEST_F(FolderWalkTest, CorruptOrUnreachableFoldersRaiseTheCheckError) {
  Fs().AddFile(L"D:\\Src\\a.txt", "");
  Fs().AddFile(L"D:\\Src\\Deep\\Bad\\x.txt", "");
  for (uint32_t code : {53u, 54u, 59u, 64u, 1005u, 1392u, 1393u}) {
    Fs().ClearFaults();
    Fs().InjectFault({L"D:\\Src\\Deep\\Bad", TFaultOp::List, code});
    files_.Clear();
    try {
      Walk(L"D:\\Src");
      ADD_FAILURE() << "no error for " << code;
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), L"フォルダのチェックに失敗しました[" + std::to_wstring(code) +
                                 L"]\r\nフォルダが壊れている可能性があります");
    }
  }
  // Also when the listing breaks in the middle, whatever the code: a listing that began
  // and did not end is never taken as complete.
  for (uint32_t code : {err::DiskCorrupt, err::AccessDenied, err::SharingViolation}) {
    Fs().ClearFaults();
    Fs().InjectFault({L"D:\\Src", TFaultOp::List, code, -1, 3});
    EXPECT_THROW(Walk(L"D:\\Src"), Error) << code;
  }
}

TEST_F(FolderWalkTest, StopCheckAndAfterFileStep) {
  for (int i = 0; i < 10; ++i) Fs().AddFile(L"D:\\Src\\d" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(i), "");
  TFolderWalk walk;
  walk.RootFolder = L"D:\\Src";
  walk.Files = &files_;
  int checks = 0;
  std::vector<std::wstring> seen;
  walk.StopCheck = [&checks] { return ++checks > 12; };
  walk.AfterFile = [&seen](TBackupFileInfo& record) { seen.push_back(record.FullPath()); };
  walk.Run();
  EXPECT_TRUE(walk.Stopped());
  EXPECT_EQ(checks, 13);  // no entry is looked at after the stop, at any level
  EXPECT_GT(files_.Count(), 0);
  EXPECT_LT(files_.Count(), 10);
  ASSERT_EQ(seen.size(), static_cast<size_t>(files_.Count()));
  for (int i = 0; i < files_.Count(); ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], files_[i]->FullPath());
}

TEST_F(FolderWalkTest, TimesOutsideTheDosRangeAreClampedAndTheScanGoesOn) {
  const TFileTime y1970 = DateTimeToFileTime(25569.0);  // 1970-01-01
  TDateTime future = 0;
  ASSERT_TRUE(TryEncodeDateTime(2200, 1, 1, 0, 0, 0, 0, future));
  Fs().AddFile(L"D:\\Src\\old.txt", "", attr::Archive, ManualClock().LocalToUtc(y1970));
  Fs().AddFile(L"D:\\Src\\new.txt", "", attr::Archive, ManualClock().LocalToUtc(DateTimeToFileTime(future)));
  Fs().AddFile(L"D:\\Src\\ok.txt", "");
  Walk(L"D:\\Src");
  ASSERT_EQ(files_.Count(), 3);
  EXPECT_EQ(files_.ItemByRelativePath(L"old.txt")->Time, kFirstDosTime);
  EXPECT_EQ(files_.ItemByRelativePath(L"new.txt")->Time, kLastDosTime);
  TDateTime last = 0;
  ASSERT_TRUE(TryDosToDateTime(kLastDosTime, last));
  EXPECT_EQ(DecodeDateTime(last).Year, 2107);
}

TEST_F(FolderWalkTest, ThreadExitValues) {
  Fs().AddFile(L"D:\\Src\\a.txt", "");
  Fs().AddFile(L"D:\\Src\\s\\b.txt", "");
  {
    TThreadFolderInfo thread(L"D:\\Src", &folders_, &item_, &files_, true);
    EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);
    EXPECT_EQ(thread.LastError(), err::NoMoreFiles);
  }
  EXPECT_EQ(files_.Count(), 2);
  EXPECT_EQ(FolderPaths(), (std::vector<std::wstring>{L"", L"s"}));
  {
    TThreadFolderInfo thread(L"", &folders_, &item_, &files_, true);
    EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::EmptyRootFolder);
  }
  {
    TThreadFolderInfo thread(L"D:\\Missing", nullptr, &item_, &files_, true);
    EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);
  }
  Fs().InjectFault({L"D:\\Src\\s", TFaultOp::List, err::BadNetPath});
  {
    TThreadFolderInfo thread(L"D:\\Src", nullptr, &item_, &files_, true);
    EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::WalkFailed);
  }
}

TEST_F(FolderWalkTest, TerminatedThreadLeavesPartialListsWithoutError) {
  for (int i = 0; i < 2000; ++i)
    Fs().AddFile(L"D:\\Big\\d" + std::to_wstring(i / 50) + L"\\f" + std::to_wstring(i), "");
  TThreadFolderInfo thread(L"D:\\Big", &folders_, &item_, &files_, true);
  thread.Terminate();
  EXPECT_TRUE(thread.Terminated());
  EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);
  EXPECT_LE(files_.Count(), 2000);
}

// The destination check's label shows the full path of each file it finds.
TEST_F(FolderWalkTest, DestinationCheckShowsEachFilesPath) {
  struct TRecordingFactory : IProgressFactory {
    struct TWindow : TProgressState {
      std::vector<std::wstring>* Texts = nullptr;
      void SetStateText(std::wstring_view text) override { Texts->emplace_back(text); }
    };
    std::vector<std::wstring> Texts;
    std::unique_ptr<IProgress> CreateProgress() override {
      auto window = std::make_unique<TWindow>();
      window->Texts = &Texts;
      return window;
    }
  } factory;
  IProgressFactory* previous = InstallProgressFactory(&factory);
  Fs().AddFile(L"D:\\Dst\\a.txt", "");
  Fs().AddFile(L"D:\\Dst\\Sub\\b.txt", "");
  TFolderInfo scan;
  scan.SetFiles(&files_);
  scan.SetFolders(&folders_);
  scan.SetRootFolder(L"D:\\Dst");
  scan.Execute();
  InstallProgressFactory(previous);
  ASSERT_GE(factory.Texts.size(), 2u);
  const std::vector<std::wstring> tail(factory.Texts.end() - 2, factory.Texts.end());
  EXPECT_EQ(tail, (std::vector<std::wstring>{L"D:\\Dst\\a.txt", L"D:\\Dst\\Sub\\b.txt"}));
}

}  // namespace
}  // namespace vog
