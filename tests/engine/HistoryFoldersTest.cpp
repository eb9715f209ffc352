#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/DateTime.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "engine/HistoryFolders.h"
#include "model/BackupInfo.h"
#include "scan/FileInfo.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

TDateTime Day(int year, int month, int day, int hour = 0) {
  TDateTime value = 0;
  TryEncodeDateTime(year, month, day, hour, 0, 0, 0, value);
  return value;
}

class HistoryFoldersTest : public test::MemoryTest {
protected:
  TBackupInfo item;
  TBackupFileInfo record;

  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddVolume(L"D:");
    Fs().AddVolume(L"H:");
    item.DestFolder = L"D:\\B\\T";
    record.SetPath(L"C:\\Src\\", L"docs", L"a.txt");
    record.BackupInfo = &item;
  }

  std::string Read(const std::wstring& path) {
    std::string content;
    Fs().ReadContent(path, content);
    return content;
  }

  TFileTime LocalFileTime(TDateTime local) { return ManualClock().LocalToUtc(DateTimeToFileTime(local)); }
};

TEST_F(HistoryFoldersTest, HistoryPathsWithAndWithoutSeparateFolder) {
  struct Case {
    bool separate;
    std::wstring dest, expected;
  } cases[] = {
      {false, L"D:\\B\\T\\docs\\a.txt", L"D:\\B\\T\\docs\\世代 2009-01-02\\a.txt"},
      {true, L"D:\\B\\T\\docs\\a.txt", L"H:\\Hist\\世代 2009-01-02\\B\\T\\docs\\a.txt"},
      {true, L"\\\\srv\\share\\B\\a.txt", L"H:\\Hist\\世代 2009-01-02\\B\\a.txt"},
      {true, L"D:\\a.txt", L"H:\\Hist\\世代 2009-01-02\\a.txt"},
  };
  for (const Case& c : cases) {
    item.UseHistoryFolder = c.separate;
    item.HistoryFolder = L"H:\\Hist";
    const std::wstring name = HistoryFolderName(item.HistoryFolderFormat, Day(2009, 1, 2, 13));
    EXPECT_EQ(PlainHistoryTarget(item, name, c.dest).File, c.expected) << c.dest;
  }
}

TEST_F(HistoryFoldersTest, MarkerIsUtf16WithTwoCrLfLines) {
  Fs().AddFolder(L"D:\\B\\世代 2009-01-02");
  TDateTime start = 0;
  TryEncodeDateTime(2009, 1, 2, 9, 5, 7, 0, start);
  ASSERT_EQ(WriteHistoryMarker(L"D:\\B\\世代 2009-01-02", start), 0u);
  EXPECT_EQ(Read(L"D:\\B\\世代 2009-01-02\\Vogmerist世代管理フォルダ"),
            EncodeUtf16LeWithBom(L"2009/01/02 09:05:07\r\nD:\\B\\世代 2009-01-02\r\n"));
  TDateTime read = 0;
  EXPECT_EQ(ReadHistoryMarkerDate(L"D:\\B\\世代 2009-01-02\\Vogmerist世代管理フォルダ", read), 0u);
  EXPECT_EQ(read, start);
}

TEST_F(HistoryFoldersTest, TwoRunsOnOneDayKeepTheVersionTheSecondReplaced) {
  for (bool separate : {false, true}) {
    item.UseHistoryFolder = separate;
    item.HistoryFolder = L"H:\\Hist";
    const std::wstring dest = L"D:\\B\\T\\docs\\a.txt";
    const std::wstring history =
        separate ? L"H:\\Hist\\世代 2009-01-02\\B\\T\\docs" : L"D:\\B\\T\\docs\\世代 2009-01-02";
    THistoryMover first(Day(2009, 1, 2, 9), nullptr), second(Day(2009, 1, 2, 18), nullptr);
    Fs().AddFile(dest, "v1");
    EXPECT_EQ(first.MoveToHistory(record), THistoryMove::Moved);
    Fs().AddFile(dest, "v2");
    EXPECT_EQ(second.MoveToHistory(record), THistoryMove::Moved);
    EXPECT_EQ(Read(history + L"\\a.txt"), "v2");
    EXPECT_FALSE(Fs().Exists(dest));
    EXPECT_TRUE(Fs().Exists(history + L"\\Vogmerist世代管理フォルダ"));
    if (separate) {
      EXPECT_TRUE(Fs().Exists(L"H:\\Hist\\世代 2009-01-02\\Vogmerist世代管理フォルダ"));
    }
    EXPECT_EQ(first.MoveToHistory(record), THistoryMove::NoFile);

    // A move the failed write takes back: the file returns, and so does the version of
    // the day it had set aside.
    Fs().AddFile(dest, "v3");
    THistoryUndo undo;
    EXPECT_EQ(second.MoveToHistory(record, &undo), THistoryMove::Moved);
    EXPECT_EQ(THistoryMover::Undo(undo), 0u);
    EXPECT_EQ(Read(dest), "v3");
    EXPECT_EQ(Read(history + L"\\a.txt"), "v2");
    Fs().RemoveFile(dest);
  }
}

TEST_F(HistoryFoldersTest, MovesOutsideTheItemAreRefused) {
  item.HistoryFolderFormat = L"'..\\..\\..\\Other'";
  Fs().AddFile(L"D:\\B\\T\\docs\\a.txt", "v1");
  auto inside = [](std::wstring_view path, std::wstring_view root) {
    return path.size() > root.size() && path.substr(0, root.size()) == root && path.find(L"..") == path.npos;
  };
  THistoryMover mover(Day(2009, 1, 2), inside);
  EXPECT_EQ(mover.MoveToHistory(record), THistoryMove::Refused);
  EXPECT_EQ(mover.RefusedPath(), L"D:\\B\\T\\docs\\..\\..\\..\\Other\\a.txt");
  EXPECT_EQ(Read(L"D:\\B\\T\\docs\\a.txt"), "v1");
}

// Expiry on 2009-01-10 with HistoryCount 7, in a separate history folder and below the
// destination: each folder with how its date is known and whether it must survive.
TEST_F(HistoryFoldersTest, ExpiryKeepsRecentUnmarkedCurrentAndUnreadable) {
  struct Folder {
    std::wstring name;
    enum { Marker, NoDate, NoMarker, Unreadable } kind;
    TDateTime date;  // marker date, or last-write date for NoDate
    bool survives;
  } folders[] = {
      {L"世代 2009-01-02", Folder::Marker, Day(2009, 1, 2, 23), false},
      {L"世代 2009-01-03", Folder::Marker, Day(2009, 1, 3, 1), true},
      {L"old but no date", Folder::NoDate, Day(2009, 1, 1), false},
      {L"new but no date", Folder::NoDate, Day(2009, 1, 9), true},
      {L"not history", Folder::NoMarker, Day(2000, 1, 1), true},
      {L"世代 2009-01-10", Folder::Marker, Day(2001, 1, 1), true},  // the coming run's folder
      {L"damaged", Folder::Unreadable, Day(2000, 1, 1), true},
  };
  ManualClock().SetLocalNow(Day(2009, 1, 10, 12));
  for (bool separate : {true, false}) {
    const std::wstring root = separate ? L"H:\\Hist" : L"D:\\B\\T";
    Fs().AddFolder(root);
    for (const Folder& f : folders) {
      const std::wstring folder = separate ? root + L"\\" + f.name : root + L"\\docs\\" + f.name;
      const std::wstring marker = folder + L"\\Vogmerist世代管理フォルダ";
      Fs().AddFile(folder + L"\\a.txt", "x");
      if (f.kind == Folder::Marker) {
        ASSERT_EQ(WriteHistoryMarker(folder, f.date), 0u);
      } else if (f.kind != Folder::NoMarker) {
        Fs().AddFile(marker, EncodeUtf16LeWithBom(L"not a date\r\n"), attr::Archive, LocalFileTime(f.date));
        const TFileTime written = LocalFileTime(f.date);
        Fs().SetTimes(folder, nullptr, nullptr, &written);
      }
      if (f.kind == Folder::Unreadable) Fs().InjectFault({marker, TFaultOp::Open, err::AccessDenied});
    }
    TRemoveOverrideHistoryFolder remove;
    remove.SetFolder(root);
    remove.SetKeepDays(7);
    remove.SetSeparateFolder(separate);
    remove.SetCurrentFolderName(L"世代 2009-01-10");
    remove.Execute();
    for (const Folder& f : folders) {
      const std::wstring folder = separate ? root + L"\\" + f.name : root + L"\\docs\\" + f.name;
      EXPECT_EQ(Fs().Exists(folder), f.survives) << (separate ? "separate " : "below ") << WideToUtf8(f.name);
    }
    EXPECT_TRUE(Fs().Exists(root));
    ASSERT_EQ(remove.Problems().size(), 1u);
    EXPECT_NE(remove.Problems()[0].find(root), std::wstring::npos);
    EXPECT_NE(remove.Problems()[0].find(L"damaged"), std::wstring::npos);
    Fs().ClearFaults();
  }
}

TEST_F(HistoryFoldersTest, ExpiryNeverRemovesTheFolderItCleans) {
  ManualClock().SetLocalNow(Day(2009, 1, 10));
  Fs().AddFile(L"D:\\B\\T\\a.txt", "x");
  ASSERT_EQ(WriteHistoryMarker(L"D:\\B\\T", Day(2000, 1, 1)), 0u);
  TRemoveOverrideHistoryFolder remove;
  remove.SetFolder(L"D:\\B\\T");
  remove.SetKeepDays(1);
  remove.Execute();
  EXPECT_TRUE(Fs().Exists(L"D:\\B\\T\\a.txt"));
}

}  // namespace
}  // namespace vog
