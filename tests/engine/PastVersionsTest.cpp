// Past versions read from the history folders real backups made, day by day, on the
// memory platform: each day's tree comes back as it was, in both history layouts and
// for an enciphered item.
#include "base/Error.h"
#include "engine/EngineTestSupport.h"
#include "engine/PastVersions.h"
#include "scan/FileUtils.h"

namespace vog::test {
namespace {

using Names = std::vector<std::wstring>;

class PastVersionsTest : public EngineTest {
protected:
  void Day(int day) {
    TDateTime now = 0;
    TryEncodeDateTime(2009, 1, day, 10, 0, 0, 0, now);
    Mem().MemClock->SetLocalNow(now);
  }
  TDateTime Date(int day) {
    TDateTime date = 0;
    TryEncodeDateTime(2009, 1, day, 0, 0, 0, 0, date);
    return date;
  }
  void Run(TBackupInfo& item) {
    TBackup backup;
    backup.AddItem(&item);
    backup.Plan();
    backup.Execute();
    ASSERT_EQ(backup.ErrorFiles.Count(), 0);
  }
  // a.txt replaced on days 3, 5 and 9; gone.txt deleted on day 6; folder Old renamed to
  // New on day 7; a backup run every day from 1 to 10.
  void History(TBackupInfo& item) {
    item.KeepHistory = true;
    for (int day = 1; day <= 10; ++day) {
      Day(day);
      if (day == 1) {
        Fs().AddFile(L"D:\\Src\\a.txt", "v1");
        Fs().AddFile(L"D:\\Src\\gone.txt", "gone");
        Fs().AddFile(L"D:\\Src\\Old\\x.txt", "x");
      }
      if (day == 3 || day == 5 || day == 9) Fs().AddFile(L"D:\\Src\\a.txt", "v" + std::to_string(day));
      if (day == 6) DeleteFileForce(std::wstring(L"D:\\Src\\gone.txt"));
      if (day == 7) {
        DeleteFolderTree(std::wstring(L"D:\\Src\\Old"));
        Fs().AddFile(L"D:\\Src\\New\\x.txt", "x");
      }
      Run(item);
    }
  }
  // What each file of the tree as of `day` holds once restored into F:\R<day>.
  std::map<std::wstring, std::string> Restored(const TBackupInfo& item, const TPastVersions& versions, int day) {
    const std::wstring target = L"F:\\R" + std::to_wstring(day);
    EXPECT_TRUE(RestoreVersions(item, versions.AsOf(Date(day)), target, "").empty());
    std::map<std::wstring, std::string> files;
    for (const std::wstring& path : Fs().ListTree(target)) {
      if (path.back() == L'\\') continue;
      Fs().ReadContent(target + L"\\" + path, files[path]);
    }
    return files;
  }
  // Both ways of answering, each day: the probes without Load and the answers from Load
  // agree to the copy, and the tree restored is that day's.
  void ExpectEveryDay(const TBackupInfo& item) {
    TPastVersions loaded(item), probing(item);
    loaded.Load();
    EXPECT_TRUE(loaded.Problems.Empty());
    Fs().AddVolume(L"F:");
    for (int day = 1; day <= 10; ++day) {
      SCOPED_TRACE(day);
      std::map<std::wstring, std::string> expected{{L"a.txt", day < 3 ? "v1" : day < 5 ? "v3" : day < 9 ? "v5" : "v9"}};
      if (day < 6) expected[L"gone.txt"] = "gone";
      expected[day < 7 ? L"Old\\x.txt" : L"New\\x.txt"] = "x";
      EXPECT_EQ(Restored(item, probing, day), expected);
      for (const wchar_t* folder : {L"", L"old", L"a.txt", L"New\\x.txt"})
        EXPECT_EQ(Summary(probing.AsOf(Date(day), folder)), Summary(loaded.AsOf(Date(day), folder))) << folder;
    }
    EXPECT_EQ(probing.Paths(), loaded.Paths());
    for (const std::wstring& path : loaded.Paths()) {
      EXPECT_EQ(Summary(probing.VersionsOf(path)), Summary(loaded.VersionsOf(path))) << path;
      EXPECT_EQ(probing.DaysBelow(path), loaded.DaysBelow(path)) << path;
    }
    EXPECT_EQ(probing.DaysBelow(L"Old"), std::vector<TDateTime>({Date(7)}));
    EXPECT_TRUE(probing.Problems.Empty());
    const std::vector<TFileVersion> a = probing.VersionsOf(L"A.TXT");
    ASSERT_EQ(a.size(), 4u);
    EXPECT_TRUE(a[0].Current);
    EXPECT_EQ(std::vector<TDateTime>({a[1].Day, a[2].Day, a[3].Day}), std::vector<TDateTime>({Date(9), Date(5), Date(3)}));
    EXPECT_EQ(probing.DaysBelow(L""), std::vector<TDateTime>({Date(9), Date(7), Date(6), Date(5), Date(3)}));
    EXPECT_EQ(loaded.DaysBelow(L""), probing.DaysBelow(L""));
  }
  static std::vector<std::wstring> Summary(const std::vector<TFileVersion>& versions) {
    std::vector<std::wstring> lines;
    for (const TFileVersion& v : versions)
      lines.push_back(UpperText(v.Path) + L" " + std::to_wstring(v.Day) + L" " + std::to_wstring(v.Size) + L" " +
                      std::to_wstring(v.LastWrite) + (v.Current ? L" current" : L""));
    return lines;
  }
  // (Paths keep the spelling asked for where the backup no longer has them.)
  static std::vector<std::wstring> Summary(const TVersionTree& tree) {
    std::vector<std::wstring> lines;
    for (const auto& [relative, version] : tree) lines.push_back(UpperText(relative) + L" " + Summary({version}).front());
    return lines;
  }
};

TEST_F(PastVersionsTest, EachDayResolvesToThatDaysTreeBesideTheFiles) {
  TBackupInfo& item = Item();
  History(item);
  ExpectEveryDay(item);
}

TEST_F(PastVersionsTest, EachDayResolvesToThatDaysTreeInASeparateHistoryFolder) {
  TBackupInfo& item = Item();
  item.UseHistoryFolder = true;
  item.HistoryFolder = L"E:\\Hist";
  History(item);
  ExpectEveryDay(item);
}

TEST_F(PastVersionsTest, EncipheredVersionsAreDecipheredWithTheItemsKey) {
  TBackupInfo& item = Item();
  item.Encrypt = true;
  item.CipherKey = "key";
  History(item);
  ExpectEveryDay(item);
}

// A dated folder without a readable marker is left out and named once, in either layout
// and either way of answering; the backup itself and the history folders are never a
// restore's target.
TEST_F(PastVersionsTest, UnreadableMarkersAreReportedAndTargetsInTheBackupRefused) {
  struct TCase {
    bool Separate;
    const wchar_t* Marker;
    const char* Content;  // null: the marker is gone
  };
  for (const TCase& c : {TCase{false, L"E:\\Dst\\Src\\世代 2009-01-05\\Vogmerist世代管理フォルダ", "no date here"},
                         TCase{true, L"E:\\Hist\\世代 2009-01-05\\Vogmerist世代管理フォルダ", nullptr},
                         TCase{true, L"E:\\Hist\\世代 2009-01-05\\Vogmerist世代管理フォルダ", ""}}) {
    SCOPED_TRACE(c.Marker);
    for (const wchar_t* tree : {L"D:\\Src", L"E:\\Dst", L"E:\\Hist"}) DeleteFolderTree(std::wstring(tree));
    TBackupInfo& item = Item();
    item.UseHistoryFolder = c.Separate;
    item.HistoryFolder = L"E:\\Hist";
    History(item);
    if (c.Content) {
      Fs().AddFile(c.Marker, c.Content);
    } else {
      ASSERT_TRUE(DeleteFileForce(std::wstring(c.Marker)));
    }
    TPastVersions loaded(item), probing(item);
    loaded.Load();
    for (TPastVersions* versions : {&loaded, &probing}) {
      EXPECT_EQ(versions->VersionsOf(L"a.txt").size(), 3u);
      // The copy of day 9 was written on day 5: as of day 4 the left-out folder held a.txt.
      EXPECT_EQ(versions->AsOf(Date(4)).count(L"a.txt"), 0u);
      EXPECT_EQ(versions->AsOf(Date(5)).at(L"a.txt").Day, Date(9));
      EXPECT_EQ(versions->DaysBelow(L"").size(), 4u);
      EXPECT_EQ(versions->Problems.Messages().size(), 1u);
    }
  }
  TBackupInfo& item = Item();
  TPastVersions versions(item);
  for (const wchar_t* target : {L"E:\\Dst\\Src", L"E:\\Dst\\Src\\sub", L"E:\\Dst", L"relative"}) {
    SCOPED_TRACE(target);
    EXPECT_THROW(RestoreVersions(item, versions.AsOf(Date(4)), target, ""), Error);
  }
}

// A backup or dated folder that cannot be listed is named, never silently left out.
TEST_F(PastVersionsTest, UnlistableFoldersAreReported) {
  for (const wchar_t* folder : {L"E:\\Dst\\Src\\世代 2009-01-05", L"E:\\Dst\\Src\\Old"}) {
    SCOPED_TRACE(folder);
    for (const wchar_t* tree : {L"D:\\Src", L"E:\\Dst"}) DeleteFolderTree(std::wstring(tree));
    TBackupInfo& item = Item();
    History(item);
    Fs().InjectFault({folder, TFaultOp::List, err::AccessDenied});
    TPastVersions loaded(item), probing(item);
    loaded.Load();
    for (TPastVersions* versions : {&loaded, &probing}) {
      versions->AsOf(Date(1));
      ASSERT_EQ(versions->Problems.Messages().size(), 1u);
      EXPECT_NE(versions->Problems.Messages()[0].find(folder), std::wstring::npos);
    }
    Fs().ClearFaults();
  }
}

}  // namespace
}  // namespace vog::test
