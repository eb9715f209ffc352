#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "engine/BackupHistoryDatabase.h"
#include "model/BackupInfo.h"
#include "support/MemoryFixture.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

using Lines = std::vector<std::wstring>;

void AddFile(TOwnedFileInfoList& list, const std::wstring& root, const std::wstring& sub, const std::wstring& name,
             int64_t size, int32_t time = 0x58211000, uint32_t attr = 32) {
  auto record = std::make_unique<TBackupFileInfo>();
  record->SetPath(root, sub, name);
  record->Size = size;
  record->Time = time;
  record->Attr = attr;
  list.Add(std::move(record));
}

template <class List>
std::vector<std::wstring> FullPaths(const List& list) {
  std::vector<std::wstring> paths;
  for (const TFileInfo* r : list) paths.push_back(r->FullPath());
  return paths;
}

class HistoryDatabaseTest : public test::MemoryTest {
protected:
  std::wstring file;

  void SetUp() override {
    MemoryTest::SetUp();
    file = Files().ProgramFolder() + L"FileList.his";
  }
  void Put(const Lines& lines) { Fs().AddFile(file, EncodeUtf16LeWithBom(JoinLinesCrLf(lines))); }
  std::string Bytes() {
    std::string bytes;
    EXPECT_TRUE(Fs().ReadContent(file, bytes));
    return bytes;
  }
  Lines FileLines() {
    const std::string bytes = Bytes();
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    return SplitLines(FromUtf16Le(std::string_view(bytes).substr(2)));
  }
};

TEST_F(HistoryDatabaseTest, DefaultFileIsBesideTheProgramAndMissingFileIsEmpty) {
  TBackupHistoryDatabase db;
  EXPECT_EQ(db.DatabaseFile, file);
  db.Load();
  EXPECT_EQ(db.Entries().Count(), 0);
}

TEST_F(HistoryDatabaseTest, LoadQueryAndSaveRoundTrip) {
  const Lines lines = {L"D:\\B\\T\\\ttop.txt\t100\t1478627328\t32",
                       L"D:\\B\\T\\sub\tin-sub.txt\t5000000000\t-1\t4294967295", L"D:\\B\\T2\tother.txt\t1\t2\t3",
                       L"D:\\B\\T\\sub\\deeper\tx\t0\t0\t0"};
  Put(lines);
  TBackupHistoryDatabase db;
  db.Load();
  ASSERT_EQ(db.Entries().Count(), 4);
  EXPECT_EQ(FullPaths(db.Entries()), (Lines{L"D:\\B\\T\\top.txt", L"D:\\B\\T\\sub\\in-sub.txt", L"D:\\B\\T2\\other.txt",
                                            L"D:\\B\\T\\sub\\deeper\\x"}));
  EXPECT_EQ(db.Entries()[1]->Size, 5000000000);
  EXPECT_EQ(db.Entries()[1]->Time, -1);
  EXPECT_EQ(db.Entries()[1]->Attr, 4294967295u);

  TBackupInfo item;
  TOwnedFileInfoList target;
  db.SetFolder(L"D:\\B\\T");
  db.SetTarget(&target);
  db.SetItem(&item);
  db.SetIncludeSubFolders(false);
  db.FillFolder();
  EXPECT_EQ(FullPaths(target), (Lines{L"D:\\B\\T\\top.txt"}));
  EXPECT_EQ(target[0]->RootFolder(), L"D:\\B\\T\\");
  EXPECT_EQ(target[0]->SubFolder(), L"");
  EXPECT_EQ(target[0]->RelativePath(), L"top.txt");
  EXPECT_EQ(static_cast<TBackupFileInfo*>(target[0])->BackupInfo, &item);

  target.Clear();
  db.SetIncludeSubFolders(true);
  db.FillFolder();
  EXPECT_EQ(FullPaths(target),
            (Lines{L"D:\\B\\T\\top.txt", L"D:\\B\\T\\sub\\in-sub.txt", L"D:\\B\\T\\sub\\deeper\\x"}));
  EXPECT_EQ(target[2]->RelativePath(), L"sub\\deeper\\x");
  // T2 is not below T, though its name begins the same.
  EXPECT_EQ(db.Entries()[2]->RootFolder(), L"");

  // Re-rooting does not change what is saved.
  db.Save();
  EXPECT_EQ(FileLines(), lines);
  EXPECT_FALSE(Fs().Exists(file + L".$$$"));
}

TEST_F(HistoryDatabaseTest, EntriesOfADestinationInsideTheQueriedFolderKeepTheirPaths) {
  // A file directly in a destination folder that lies inside the queried one.
  Put({L"D:\\B\\T\\nested\\\tn.txt\t1\t2\t3"});
  TBackupHistoryDatabase db;
  db.Load();
  db.SetFolder(L"D:\\B\\T");
  EXPECT_EQ(db.Entries()[0]->FullPath(), L"D:\\B\\T\\nested\\n.txt");
  EXPECT_EQ(db.Entries()[0]->RelativePath(), L"nested\\n.txt");
  TOwnedFileInfoList target;
  db.SetTarget(&target);
  db.SetIncludeSubFolders(true);
  db.FillFolder();
  ASSERT_EQ(target.Count(), 1);
  EXPECT_EQ(target[0]->RelativePath(), L"nested\\n.txt");
}

TEST_F(HistoryDatabaseTest, QueryIgnoresCaseAndLoadHonoursAFolderSetBefore) {
  Put({L"d:\\b\\t\\\ta\t1\t2\t3", L"D:\\B\\T\\Sub\tb\t1\t2\t3"});
  TBackupHistoryDatabase db;
  db.SetFolder(L"D:\\B\\T");
  db.Load();
  EXPECT_EQ(db.Entries()[1]->RootFolder(), L"D:\\B\\T\\");
  EXPECT_EQ(db.Entries()[1]->SubFolder(), L"Sub");
  TOwnedFileInfoList target;
  db.SetTarget(&target);
  db.SetIncludeSubFolders(false);
  db.FillFolder();
  EXPECT_EQ(target.Count(), 1);
}

TEST_F(HistoryDatabaseTest, AddCopiedUpdatesInPlaceAndAppendsNewAtTheEnd) {
  Put({L"E:\\B\\T\\\ta.txt\t1\t2\t32", L"E:\\B\\T\\s\tb.txt\t1\t2\t32"});
  TBackupHistoryDatabase db;
  db.Load();
  TOwnedFileInfoList copied;
  AddFile(copied, L"E:\\B\\T\\", L"s", L"B.TXT", 77, 1234, 33);
  AddFile(copied, L"E:\\B\\T\\", L"", L"new.txt", 5);
  AddFile(copied, L"E:\\B\\T\\", L"", L"A.txt", 9);
  db.AddCopied(copied.View());
  ASSERT_EQ(db.Entries().Count(), 3);
  db.Save();
  const Lines lines = FileLines();
  // The update takes every field of the copied record, the name's letter case included.
  EXPECT_EQ(lines, (Lines{L"E:\\B\\T\\\tA.txt\t9\t1478561792\t32", L"E:\\B\\T\\s\tB.TXT\t77\t1234\t33",
                          L"E:\\B\\T\\\tnew.txt\t5\t1478561792\t32"}));
}

TEST_F(HistoryDatabaseTest, RemoveDeletedTakesOutMatchingEntries) {
  TBackupHistoryDatabase db;
  TOwnedFileInfoList copied;
  for (int i = 0; i < 6; ++i) AddFile(copied, L"E:\\B\\", L"", L"f" + std::to_wstring(i), i);
  db.AddCopied(copied.View());
  TOwnedFileInfoList deleted;
  AddFile(deleted, L"e:\\b\\", L"", L"F1", 0);
  AddFile(deleted, L"E:\\B\\", L"", L"f4", 0);
  AddFile(deleted, L"E:\\B\\", L"", L"missing", 0);
  db.RemoveDeleted(deleted.View());
  EXPECT_EQ(FullPaths(db.Entries()), (Lines{L"E:\\B\\f0", L"E:\\B\\f2", L"E:\\B\\f3", L"E:\\B\\f5"}));
  // Still findable afterwards.
  EXPECT_NE(db.Entries().ItemByFullPath(L"E:\\B\\f3"), nullptr);
}

TEST_F(HistoryDatabaseTest, BackgroundSortThenUpdate) {
  TBackupHistoryDatabase db;
  TOwnedFileInfoList copied;
  for (int i = 999; i >= 0; --i) AddFile(copied, L"E:\\B\\", L"d" + std::to_wstring(i % 7), std::to_wstring(i), i);
  db.AddCopied(copied.View());
  db.StartSort();
  EXPECT_TRUE(db.Sorting());
  db.FinishSort();
  EXPECT_FALSE(db.Sorting());
  EXPECT_TRUE(db.Entries().SortedByFullPath());
  for (int i = 1; i < db.Entries().Count(); ++i) {
    EXPECT_LT(CompareFullPaths(*db.Entries()[i - 1], *db.Entries()[i]), 0);
  }
  // Abandoning a sort keeps every entry.
  copied.Clear();
  AddFile(copied, L"E:\\B\\", L"", L"zzz", 1);
  db.AddCopied(copied.View());
  db.StartSort();
  db.AbandonSort();
  EXPECT_EQ(db.Entries().Count(), 1001);
  // The database's own operations wait for a running sort and use it.
  db.StartSort();
  db.AddCopied(copied.View());  // "zzz" is there already: updated in place
  EXPECT_FALSE(db.Sorting());
  EXPECT_TRUE(db.Entries().SortedByFullPath());
  EXPECT_EQ(db.Entries().Count(), 1001);
  db.StartSort();  // and the destructor stops one still running
}

TEST_F(HistoryDatabaseTest, MalformedFilesRaiseAndChangeNothing) {
  const std::vector<Lines> bad = {
      {L"D:\\B\\\ta\t1\t2"},                              // four fields
      {L"D:\\B\\\ta\t1\t2\t3\t4"},                        // six fields
      {L"D:\\B\\\ta\tx\t2\t3"},                           // size not a number
      {L"D:\\B\\\ta\t1\t99999999999\t3"},                 // time beyond 32 bits
      {L"D:\\B\\\ta\t1\t2\t3", L"D:\\B\\\tb\t-1\t2\t3"},  // negative size, on line 2
      {L"D:\\B\\\t\t1\t2\t3"},                            // no name
  };
  for (const Lines& lines : bad) {
    Put(lines);
    const std::string before = Bytes();
    TBackupHistoryDatabase db;
    TOwnedFileInfoList copied;
    AddFile(copied, L"E:\\", L"", L"kept", 1);
    db.AddCopied(copied.View());
    EXPECT_THROW(db.Load(), Error) << WideToUtf8(lines.back());
    EXPECT_EQ(Bytes(), before);
  }
  std::wstring many = L"D:\\B\\\ta";
  for (int i = 0; i < 300; ++i) many += L"\t1";
  Put({many});
  TBackupHistoryDatabase db;
  try {
    db.Load();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(e.Message().find(L"1 行目"), std::wstring::npos);
  }
}

TEST_F(HistoryDatabaseTest, PathsTheProgramNeverWritesAreRefusedWithTheirLine) {
  const std::wstring good = L"D:\\B\\T\\\tok.txt\t1\t2\t3";
  const struct {
    std::wstring folder, name, refused;
  } cases[] = {
      {L"D:\\B\\T\\", L"..\\..\\victim.txt", L"ファイル名 \"..\\..\\victim.txt\""},
      {L"D:\\B\\T", L"\\x.topt", L"ファイル名 \"\\x.topt\""},
      {L"D:\\B\\T", L"a/b", L"ファイル名 \"a/b\""},
      {L"D:\\B\\T", L"c:d", L"ファイル名 \"c:d\""},
      {L"D:\\B\\T", L"..", L"ファイル名 \"..\""},
      {L"D:\\B\\T", std::wstring(L"a\0b", 3), L"ファイル名 \"a[00]b\""},
      {L"D:\\B\\T", L"", L"ファイル名 \"\""},
      {L"B\\T", L"a", L"フォルダ \"B\\T\""},
      {L"\\B\\T\\", L"a", L"フォルダ \"\\B\\T\\\""},
      {L"\\\\srv\\", L"a", L"フォルダ \"\\\\srv\\\""},
      {L"D:\\B\\T\\..\\..", L"a", L"フォルダ \"D:\\B\\T\\..\\..\""},
      {L"D:\\B\\T\\\x1F", L"a", L"フォルダ \"D:\\B\\T\\[1F]\""},
  };
  for (const auto& c : cases) {
    Put({good, c.folder + L"\t" + c.name + L"\t1\t2\t3"});
    TBackupHistoryDatabase db;
    try {
      db.Load();
      ADD_FAILURE() << "no error: " << WideToUtf8(c.refused);
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(),
                L"履歴データベース \"" + file + L"\" の 2 行目を読み込めません。(" + c.refused + L" は使えません)");
    }
  }
  // Shares, and names with dots inside, are written and read.
  Put({good, L"\\\\srv\\share\\\ta..b\t1\t2\t3", L"\\\\srv\\share\\d\\\\e\t. x\t1\t2\t3"});
  TBackupHistoryDatabase db;
  db.Load();
  EXPECT_EQ(FullPaths(db.Entries()),
            (Lines{L"D:\\B\\T\\ok.txt", L"\\\\srv\\share\\a..b", L"\\\\srv\\share\\d\\\\e\\. x"}));
}

TEST_F(HistoryDatabaseTest, UnreadableFileIsAnErrorNotAnEmptyDatabase) {
  Put({L"D:\\B\\\ta\t1\t2\t3"});
  Fs().InjectFault({file, TFaultOp::Open, err::SharingViolation});
  TBackupHistoryDatabase db;
  EXPECT_THROW(db.Load(), Error);
}

TEST_F(HistoryDatabaseTest, OtherEncodingsAndBlankLinesAreRead) {
  const std::wstring text = L"D:\\日本\\\t名前.txt\t1\t2\t3\r\n\r\nD:\\x\ty\t4\t5\t6";
  Fs().AddFile(file, "\xEF\xBB\xBF" + WideToUtf8(text));
  TBackupHistoryDatabase db;
  db.Load();
  ASSERT_EQ(db.Entries().Count(), 2);
  EXPECT_EQ(db.Entries()[0]->FullPath(), L"D:\\日本\\名前.txt");

  Fs().AddFile(file, CodePage().WideToAnsi(text));
  db.Load();
  ASSERT_EQ(db.Entries().Count(), 2);
  EXPECT_EQ(db.Entries()[0]->FileName, L"名前.txt");

  std::string be = "\xFE\xFF";
  for (wchar_t c : text) {
    be.push_back(static_cast<char>((c >> 8) & 0xFF));
    be.push_back(static_cast<char>(c & 0xFF));
  }
  Fs().AddFile(file, be);
  db.Load();
  ASSERT_EQ(db.Entries().Count(), 2);
  EXPECT_EQ(db.Entries()[1]->Attr, 6u);
}

TEST_F(HistoryDatabaseTest, FailedSaveLeavesThePreviousFile) {
  Put({L"D:\\B\\\ta\t1\t2\t3"});
  const std::string before = Bytes();
  TBackupHistoryDatabase db;
  db.Load();
  Fs().InjectFault({file + L".$$$", TFaultOp::Write, err::DiskFull, 4});
  EXPECT_THROW(db.Save(), Error);
  EXPECT_EQ(Bytes(), before);
  EXPECT_FALSE(Fs().Exists(file + L".$$$"));
}

TEST_F(HistoryDatabaseTest, FillFolderLetsMessagesRun) {
  Put({L"D:\\B\\\ta\t1\t2\t3", L"D:\\B\\\tb\t1\t2\t3", L"D:\\C\\\tc\t1\t2\t3"});
  TBackupHistoryDatabase db;
  db.Load();
  TOwnedFileInfoList target;
  db.SetFolder(L"D:\\B");
  db.SetTarget(&target);
  test::TScriptedPump pump;
  db.FillFolder();
  EXPECT_EQ(pump.Calls(), 3);
  EXPECT_EQ(target.Count(), 2);
}

}  // namespace
}  // namespace vog
