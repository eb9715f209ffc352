// A chosen past version put back where it came from (the replaced file kept in today's
// history folder) or below another folder, on the memory platform.
#include <tuple>

#include "base/Error.h"
#include "engine/EngineTestSupport.h"
#include "engine/HistoryFolders.h"
#include "engine/VersionRestore.h"

namespace vog::test {
namespace {

class VersionRestoreTest : public EngineTest {
protected:
  TDateTime At(int day) {
    TDateTime date = 0;
    TryEncodeDateTime(2009, 1, day, 10, 0, 0, 0, date);
    return date;
  }
  // a.txt backed up on day 1 ("v1") and replaced on day 3 ("v3"); then edited at the
  // source ("edited") without a backup since.
  TPastVersions Backed(TBackupInfo& item) {
    item.KeepHistory = true;
    for (const auto& [day, text] : {std::pair{1, "v1"}, std::pair{3, "v3"}}) {
      Mem().MemClock->SetLocalNow(At(day));
      Fs().AddFile(item.SourceFolder + L"\\docs\\a.txt", text);
      TBackup backup;
      backup.AddItem(&item);
      backup.Plan();
      backup.Execute();
    }
    Fs().AddFile(item.SourceFolder + L"\\docs\\a.txt", "edited");
    TPastVersions versions(item);
    versions.Load();
    return versions;
  }
  std::string Content(const std::wstring& path) {
    std::string text;
    EXPECT_TRUE(Fs().ReadContent(path, text)) << WideToUtf8(path);
    return text;
  }
};

// In place, the file the version replaces is copied into the backup's history folder of
// today, where a run would have put it (with its marker), and is listed among the file's
// versions; nothing but the restored file appears in the source. A file already in a
// chosen folder is never replaced.
TEST_F(VersionRestoreTest, InPlaceKeepsTheReplacedFileInTheBackupsHistory) {
  Fs().AddVolume(L"F:");
  struct TCase {
    const wchar_t* Name;
    bool Separate;
    const wchar_t* Kept;
    const wchar_t* Marked;
  } cases[] = {
      {L"Beside", false, L"E:\\Dst\\Beside\\docs\\世代 2009-01-07\\a.txt", L"E:\\Dst\\Beside\\docs\\世代 2009-01-07"},
      {L"Apart", true, L"E:\\Hist\\世代 2009-01-07\\Dst\\Apart\\docs\\a.txt", L"E:\\Hist\\世代 2009-01-07"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.Kept));
    TBackupInfo& item = Item(c.Name);
    item.UseHistoryFolder = c.Separate;
    item.HistoryFolder = c.Separate ? L"E:\\Hist" : L"";
    const TPastVersions versions = Backed(item);
    const std::vector<TFileVersion> a = versions.VersionsOf(L"docs\\a.txt");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[1], L"", "", At(7)), err::Success);
    EXPECT_EQ(Content(item.SourceFolder + L"\\docs\\a.txt"), "v1");
    EXPECT_EQ(Fs().ListTree(item.SourceFolder), std::vector<std::wstring>({L"docs\\", L"docs\\a.txt"}));
    EXPECT_EQ(Content(c.Kept), "edited");
    TDateTime marked = 0;
    EXPECT_EQ(ReadHistoryMarkerDate(std::wstring(c.Marked) + L"\\" + std::wstring(kHistoryMarkerName), marked),
              err::Success);
    EXPECT_EQ(marked, At(7));
    TPastVersions after(item);
    after.Load();
    const std::vector<TFileVersion> now = after.VersionsOf(L"docs\\a.txt");
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[1].Path, c.Kept);
    EXPECT_EQ(static_cast<int>(now[1].Day), static_cast<int>(At(7)));

    const std::wstring out = L"F:\\" + std::wstring(c.Name);
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[0], out, "", At(7)), err::Success);
    EXPECT_EQ(Content(out + L"\\docs\\a.txt"), "v3");
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[1], out, "", At(7)), err::FileExists);
    EXPECT_EQ(Content(out + L"\\docs\\a.txt"), "v3");
    EXPECT_EQ(Fs().ListTree(out), std::vector<std::wstring>({L"docs\\", L"docs\\a.txt"}));
    EXPECT_THROW(RestoreVersion(item, L"docs\\a.txt", a[0], L"E:\\Dst", "", At(7)), Error);
  }
}

// Two restores in place on one day: the person's own file that the first replaced is not
// given up for the one the second replaces; the newer takes the name, as on a run.
TEST_F(VersionRestoreTest, ASecondRestoreOnTheSameDayKeepsWhatTheFirstReplaced) {
  TBackupInfo& item = Item();
  const TPastVersions versions = Backed(item);
  const std::vector<TFileVersion> a = versions.VersionsOf(L"docs\\a.txt");
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[1], L"", "", At(7)), err::Success);
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[0], L"", "", At(7)), err::Success);
  EXPECT_EQ(Content(L"D:\\Src\\docs\\a.txt"), "v3");
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\docs\\世代 2009-01-07\\a.txt"), "v1");
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\docs\\世代 2009-01-07\\a.txt (2)"), "edited");
}

// A run later on the day of a restore in place (the restored file edited since) moves the
// backup's copy into the slot where the restore kept the person's own file. That file,
// newer than the copy coming in, is no earlier version of a run: it is set aside under
// "a.txt (2)" for good.
TEST_F(VersionRestoreTest, ARunLaterOnTheDayKeepsWhatARestoreKept) {
  TBackupInfo& item = Item();
  const TPastVersions versions = Backed(item);
  Mem().MemClock->SetLocalNow(At(5));
  Fs().AddFile(L"D:\\Src\\docs\\a.txt", "edited");
  Mem().MemClock->SetLocalNow(At(7));
  ASSERT_EQ(RestoreVersion(item, L"docs\\a.txt", versions.VersionsOf(L"docs\\a.txt")[1], L"", "", At(7)),
            err::Success);
  Fs().AddFile(L"D:\\Src\\docs\\a.txt", "v7");
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();
  backup.Execute();
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\docs\\a.txt"), "v7");
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\docs\\世代 2009-01-07\\a.txt"), "v3");
  EXPECT_EQ(Content(L"E:\\Dst\\Src\\docs\\世代 2009-01-07\\a.txt (2)"), "edited");
}

TEST_F(VersionRestoreTest, EncipheredVersionsComeBackDecipheredWithTheKeyGiven) {
  TBackupInfo& item = Item();
  item.Encrypt = true;
  item.CipherKey = "key";
  const TPastVersions versions = Backed(item);
  item.CipherKey.clear();  // a key the item does not store is asked for
  const TFileVersion old = versions.VersionsOf(L"docs\\a.txt")[1];
  EXPECT_THROW(RestoreVersion(item, L"docs\\a.txt", old, L"", "", At(7)), Error);
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", old, L"", "key", At(7)), err::Success);
  EXPECT_EQ(Content(L"D:\\Src\\docs\\a.txt"), "v1");
  // The replaced file is kept enciphered with the item's key, like the backup's copies.
  EXPECT_NE(Content(L"E:\\Dst\\Src\\docs\\世代 2009-01-07\\a.txt"), "edited");
  TPastVersions after(item);
  after.Load();
  Fs().AddVolume(L"F:");
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", after.VersionsOf(L"docs\\a.txt")[1], L"F:\\Out", "key", At(7)),
            err::Success);
  EXPECT_EQ(Content(L"F:\\Out\\docs\\a.txt"), "edited");
}

// A failure at any step, the copy into the backup's history (a full backup disk, a held
// current file) or the write of the version, leaves the current file where and as it was,
// nothing new in the source and nothing under the temporary name.
TEST_F(VersionRestoreTest, AFailedWriteLeavesTheCurrentFileIntact) {
  const std::wstring temp = L"\\" + std::wstring(kTempFileName);
  const std::wstring kept = L"\\docs\\世代 2009-01-07";
  struct TCase {
    bool InBackup;
    std::wstring At;
    TFaultOp Op;
    uint32_t Code;
  } cases[] = {{true, L"", TFaultOp::Any, err::DiskFull},  // the backup's volume is full
               {true, kept + temp, TFaultOp::Copy, err::DiskFull},
               {true, kept + temp, TFaultOp::Move, err::AccessDenied},
               {false, L"\\docs\\a.txt", TFaultOp::Copy, err::SharingViolation},
               {false, L"\\docs" + temp, TFaultOp::Copy, err::DiskFull},
               {false, L"\\docs" + temp, TFaultOp::Move, err::AccessDenied}};
  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.At));
    TBackupInfo& item = Item(L"Src" + std::to_wstring(++n));
    const TPastVersions versions = Backed(item);
    if (c.At.empty())
      Fs().SetCapacity(L"E:", 1);
    else
      Fs().InjectFault({(c.InBackup ? item.DestFolder : item.SourceFolder) + c.At, c.Op, c.Code});
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", versions.VersionsOf(L"docs\\a.txt")[1], L"", "", At(7)), c.Code);
    Fs().ClearFaults();
    Fs().SetCapacity(L"E:", -1);
    EXPECT_EQ(Content(item.SourceFolder + L"\\docs\\a.txt"), "edited");
    EXPECT_EQ(Fs().ListTree(item.SourceFolder), std::vector<std::wstring>({L"docs\\", L"docs\\a.txt"}));
    for (const std::wstring& left : Fs().ListTree(item.DestFolder))
      EXPECT_EQ(left.find(kTempFileName), std::wstring::npos) << WideToUtf8(left);
  }
  // A version that went from the backup after the window read it fails the same way.
  TBackupInfo& item = Item(L"Gone");
  const TFileVersion old = Backed(item).VersionsOf(L"docs\\a.txt")[1];
  Fs().RemoveFile(old.Path);
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", old, L"", "", At(7)), err::FileNotFound);
  EXPECT_EQ(Content(item.SourceFolder + L"\\docs\\a.txt"), "edited");
}

}  // namespace
}  // namespace vog::test
