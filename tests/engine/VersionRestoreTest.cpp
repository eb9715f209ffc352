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

// In place, the file the version replaces goes to today's history folder in the item's
// layout (with its marker); to another folder, nothing is moved.
TEST_F(VersionRestoreTest, InPlaceKeepsTheReplacedFileInTodaysHistory) {
  Fs().AddVolume(L"F:");
  struct TCase {
    const wchar_t* Name;
    bool Separate;
    const wchar_t* Kept;
    const wchar_t* Marked;
  } cases[] = {
      {L"Beside", false, L"D:\\Beside\\docs\\世代 2009-01-07\\a.txt", L"D:\\Beside\\docs\\世代 2009-01-07"},
      {L"Apart", true, L"E:\\Hist\\世代 2009-01-07\\Apart\\docs\\a.txt", L"E:\\Hist\\世代 2009-01-07"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.Kept));
    TBackupInfo& item = Item(c.Name);
    item.UseHistoryFolder = c.Separate;
    item.HistoryFolder = c.Separate ? L"E:\\Hist" : L"";
    const TPastVersions versions = Backed(item);
    const std::wstring file = item.SourceFolder + L"\\docs\\a.txt";
    const std::vector<TFileVersion> a = versions.VersionsOf(L"docs\\a.txt");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[1], L"", "", At(7)), err::Success);
    EXPECT_EQ(Content(file), "v1");
    EXPECT_EQ(Content(c.Kept), "edited");
    TDateTime marked = 0;
    EXPECT_EQ(ReadHistoryMarkerDate(std::wstring(c.Marked) + L"\\" + std::wstring(kHistoryMarkerName), marked),
              err::Success);
    EXPECT_EQ(marked, At(7));

    const std::wstring out = L"F:\\" + std::wstring(c.Name);
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[0], out, "", At(7)), err::Success);
    EXPECT_EQ(Content(out + L"\\docs\\a.txt"), "v3");
    EXPECT_EQ(Fs().ListTree(out), std::vector<std::wstring>({L"docs\\", L"docs\\a.txt"}));
    EXPECT_THROW(RestoreVersion(item, L"docs\\a.txt", a[0], L"E:\\Dst", "", At(7)), Error);
  }
}

// Two restores in place on one day: the person's own file that the first replaced is not
// given up for the backup's copy the second replaces.
TEST_F(VersionRestoreTest, ASecondRestoreOnTheSameDayKeepsWhatTheFirstReplaced) {
  TBackupInfo& item = Item();
  const TPastVersions versions = Backed(item);
  const std::vector<TFileVersion> a = versions.VersionsOf(L"docs\\a.txt");
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[1], L"", "", At(7)), err::Success);
  EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", a[0], L"", "", At(7)), err::Success);
  EXPECT_EQ(Content(L"D:\\Src\\docs\\a.txt"), "v3");
  EXPECT_EQ(Content(L"D:\\Src\\docs\\世代 2009-01-07\\a.txt"), "v1");
  EXPECT_EQ(Content(L"D:\\Src\\docs\\世代 2009-01-07\\a.txt (2)"), "edited");
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
  EXPECT_EQ(Content(L"D:\\Src\\docs\\世代 2009-01-07\\a.txt"), "edited");
}

// A write that fails at any step leaves the current file where and as it was, and nothing
// under the temporary name or in the history.
TEST_F(VersionRestoreTest, AFailedWriteLeavesTheCurrentFileIntact) {
  int n = 0;
  for (const auto& [at, op, code] : {std::tuple{L"docs\\" + std::wstring(kTempFileName), TFaultOp::Copy, err::DiskFull},
                                     std::tuple{L"docs\\" + std::wstring(kTempFileName), TFaultOp::Move, err::AccessDenied},
                                     std::tuple{std::wstring(L"docs\\世代 2009-01-07"), TFaultOp::Any, err::AccessDenied},
                                     std::tuple{std::wstring(L"docs\\a.txt"), TFaultOp::Move, err::SharingViolation}}) {
    SCOPED_TRACE(WideToUtf8(at));
    TBackupInfo& item = Item(L"Src" + std::to_wstring(++n));
    const TPastVersions versions = Backed(item);
    Fs().InjectFault({item.SourceFolder + L"\\" + at, op, code});
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", versions.VersionsOf(L"docs\\a.txt")[1], L"", "", At(7)), code);
    Fs().ClearFaults();
    EXPECT_EQ(Content(item.SourceFolder + L"\\docs\\a.txt"), "edited");
    // A version that went from the backup after the window read it fails the same way.
    const TFileVersion old = versions.VersionsOf(L"docs\\a.txt")[1];
    Fs().RemoveFile(old.Path);
    EXPECT_EQ(RestoreVersion(item, L"docs\\a.txt", old, L"", "", At(7)), err::FileNotFound);
    EXPECT_EQ(Content(item.SourceFolder + L"\\docs\\a.txt"), "edited");
    // (a history folder made on the way may stay, empty but for its marker)
    for (const std::wstring& left : Fs().ListTree(item.SourceFolder + L"\\docs"))
      EXPECT_TRUE(left == L"a.txt" || left.back() == L'\\' || left.ends_with(kHistoryMarkerName)) << WideToUtf8(left);
  }
}

}  // namespace
}  // namespace vog::test
