#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "scan/BackupLog.h"
#include "scan/FileInfoList.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

using Lines = std::vector<std::wstring>;

void AddFile(TOwnedFileInfoList& list, const std::wstring& root, const std::wstring& sub, const std::wstring& name,
             int64_t size, uint32_t attr = 32) {
  auto record = std::make_unique<TBackupFileInfo>();
  record->SetPath(root, sub, name);
  record->Size = size;
  record->Attr = attr;
  list.Add(std::move(record));
}

const std::wstring kHeader = L"Vogmeristログファイル\tVer.\t1";

class BackupLogTest : public test::MemoryTest {
protected:
  const std::wstring path = L"C:\\Log\\Vogratel.log";
  TOwnedFileInfoList copied, failed, deleted;

  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddFolder(L"C:\\Log");
    TDateTime now = 0;
    ASSERT_TRUE(TryEncodeDateTime(2024, 4, 1, 12, 34, 56, 0, now));
    ManualClock().SetLocalNow(now);
  }

  void Write(int keep = 10, TDateTime elapsed = 0, uint8_t code = 0) {
    TBackupLog log;
    log.SetLogFileName(path);
    log.SetDataFileName(L"C:\\Program\\VogratelData.vgd");
    const TFileInfoList c = copied.View(), e = failed.View(), d = deleted.View();
    log.SetCopiedFiles(&c);
    log.SetErrorFiles(&e);
    log.SetDeletedFiles(&d);
    log.SetKeepCount(keep);
    log.SetElapsedTime(elapsed);
    log.SetResultCode(code);
    log.Write();
  }
  std::string Bytes() {
    std::string bytes;
    EXPECT_TRUE(Fs().ReadContent(path, bytes));
    return bytes;
  }
  Lines FileLines() {
    const std::string bytes = Bytes();
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    return SplitLines(FromUtf16Le(std::string_view(bytes).substr(2)));
  }
  void Put(const Lines& lines) { Fs().AddFile(path, EncodeUtf16LeWithBom(JoinLinesCrLf(lines))); }
  // Entries of a log: the entry lines (those starting with "【").
  std::vector<std::wstring> EntryLines() {
    std::vector<std::wstring> entries;
    for (const auto& line : FileLines()) {
      if (line.rfind(L"【", 0) == 0) entries.push_back(line);
    }
    return entries;
  }
  void ExpectCorruptAndUnchanged(const Lines& lines, int keep = 10) {
    Put(lines);
    const std::string before = Bytes();
    try {
      Write(keep);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), L"ログファイルが壊れている可能性があります");
    }
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(Fs().Exists(path + L".$$$"));
  }
};

TEST_F(BackupLogTest, NewLogHoldsHeaderAndOneEntryInUtf16WithCrLf) {
  AddFile(copied, L"E:\\B\\Item\\", L"sub", L"a.txt", 3000000000);
  AddFile(copied, L"E:\\B\\Item\\", L"", L"b.txt", 2000000000);
  AddFile(failed, L"D:\\Src\\", L"", L"locked.doc", 7, 5);
  AddFile(deleted, L"E:\\B\\Item\\", L"old", L"gone.txt", 11);
  Write(10, 1 + (2 * 3600 + 5 * 60 + 7) / 86400.0, 3);

  const std::string bytes = Bytes();
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\n\0", 4));
  EXPECT_EQ(FileLines(), (Lines{
                             kHeader,
                             L"【2024/04/01 12:34:56】\tVogratelData.vgd\t26:05:07\t5000000000\t7\t11\t3",
                             L"コピーファイル\t2",
                             L"E:\\B\\Item\\sub\\a.txt",
                             L"E:\\B\\Item\\b.txt",
                             L"エラーファイル\t1",
                             L"D:\\Src\\locked.doc\t5",
                             L"削除ファイル\t1",
                             L"E:\\B\\Item\\old\\gone.txt",
                         }));
}

TEST_F(BackupLogTest, EmptyListsAndMidnightAndUnformattableDuration) {
  TDateTime midnight = 0;
  ASSERT_TRUE(TryEncodeDateTime(2024, 4, 2, 0, 0, 0, 0, midnight));
  ManualClock().SetLocalNow(midnight);
  Write(10, -1.0);  // a duration that cannot be shown gives the short form
  EXPECT_EQ(FileLines(), (Lines{kHeader, L"【2024/04/02】\tVogratelData.vgd", L"コピーファイル\t0",
                                L"エラーファイル\t0", L"削除ファイル\t0"}));
  // The short form reads back and counts as an entry.
  Write(10, 0.5);
  EXPECT_EQ(EntryLines().size(), 2u);
  EXPECT_EQ(EntryLines()[1], L"【2024/04/02】\tVogratelData.vgd\t12:00:00\t0\t0\t0\t0");
}

TEST_F(BackupLogTest, KeepCountTrimsOldestEntries) {
  for (int i = 0; i < 10; ++i) {
    copied.Clear();
    AddFile(copied, L"E:\\", L"", L"run" + std::to_wstring(i), i);
    ManualClock().Advance(60000);
    Write(0);  // 0 keeps every entry
  }
  EXPECT_EQ(EntryLines().size(), 10u);

  copied.Clear();
  Write(10);
  auto entries = EntryLines();
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_NE(entries[0].find(L"12:36:56"), std::wstring::npos);  // the first (12:35:56) is gone
  Lines lines = FileLines();
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kHeader), 1);
  EXPECT_EQ(lines[3], L"E:\\run1");

  Write(1);
  EXPECT_EQ(EntryLines().size(), 1u);
  EXPECT_EQ(FileLines().size(), 5u);
}

TEST_F(BackupLogTest, HeaderlessLogsGetTheirHeader) {
  Put({L"【2024/03/01 10:00:00】\tx.vgd\t00:00:01\t0\t0\t0\t0", L"コピーファイル\t0", L"エラーファイル\t0",
       L"削除ファイル\t0"});
  Write();
  Lines lines = FileLines();
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1], L"【2024/03/01 10:00:00】\tx.vgd\t00:00:01\t0\t0\t0\t0");
  EXPECT_EQ(EntryLines().size(), 2u);

  // An existing empty file starts with the header too.
  Fs().AddFile(path, "");
  Write();
  EXPECT_EQ(FileLines()[0], kHeader);
  EXPECT_EQ(EntryLines().size(), 1u);
}

TEST_F(BackupLogTest, EarlierLayoutIsConvertedAndSavedAtOnce) {
  const Lines old = {L"【2020/01/01 09:00:00】\told.vgd",
                     L"コピーファイル\t1",
                     L"C:\\a.txt",
                     L"エラーファイル\t1",
                     L"C:\\b.txt\t32",
                     L"【2020/01/02】\told.vgd",
                     L"コピーファイル\t0",
                     L"エラーファイル\t0"};
  Put(old);
  TBackupLog log;
  log.SetLogFileName(path);
  Lines lines = old;
  log.NormaliseHeader(lines);
  const Lines converted = {kHeader,
                           L"【2020/01/01 09:00:00】\told.vgd",
                           L"コピーファイル\t1",
                           L"C:\\a.txt",
                           L"エラーファイル\t1",
                           L"C:\\b.txt\t32",
                           L"削除ファイル\t0",
                           L"【2020/01/02】\told.vgd",
                           L"コピーファイル\t0",
                           L"エラーファイル\t0",
                           L"削除ファイル\t0"};
  EXPECT_EQ(lines, converted);
  EXPECT_EQ(FileLines(), converted);  // saved before any entry is added
  EXPECT_EQ(log.CountEntries(lines), 2);

  Put(old);
  Write();
  Lines written = FileLines();
  EXPECT_EQ(std::count(written.begin(), written.end(), kHeader), 1);
  EXPECT_EQ(Lines(written.begin(), written.begin() + 11), converted);
  EXPECT_EQ(EntryLines().size(), 3u);
}

TEST_F(BackupLogTest, OlderEncodingsAreReadAndRewrittenAsUtf16) {
  const std::wstring text = kHeader +
                            L"\r\n【2024/03/01】\tデータ.vgd\r\nコピーファイル\t1\r\nC:\\日本語.txt\r\n"
                            L"エラーファイル\t0\r\n削除ファイル\t0\r\n";
  Fs().AddFile(path, "\xEF\xBB\xBF" + WideToUtf8(text));
  Write();
  EXPECT_EQ(FileLines()[3], L"C:\\日本語.txt");

  Fs().AddFile(path, CodePage().WideToAnsi(text));
  Write();
  EXPECT_EQ(FileLines()[1], L"【2024/03/01】\tデータ.vgd");
  EXPECT_EQ(EntryLines().size(), 2u);
}

TEST_F(BackupLogTest, MalformedLogsRaiseAndStayUntouched) {
  const std::wstring entry = L"【2024/03/01】\tx.vgd";
  ExpectCorruptAndUnchanged({kHeader, entry, L"コピーファイル\tX", L"エラーファイル\t0", L"削除ファイル\t0"});
  ExpectCorruptAndUnchanged({kHeader, entry, L"コピーファイル", L"エラーファイル\t0", L"削除ファイル\t0"});
  ExpectCorruptAndUnchanged({kHeader, entry, L"コピーファイル\t-3", L"エラーファイル\t0", L"削除ファイル\t0"});
  // A count that runs past the end of the file.
  ExpectCorruptAndUnchanged({kHeader, entry, L"コピーファイル\t0", L"エラーファイル\t0", L"削除ファイル\t5", L"a"});
  ExpectCorruptAndUnchanged({kHeader, entry, L"コピーファイル\t0", L"エラーファイル\t0"});
  ExpectCorruptAndUnchanged(
      {kHeader, entry, L"コピーファイル\t99999999999999999999", L"エラーファイル\t0", L"削除ファイル\t0"});
  // Sections out of order.
  ExpectCorruptAndUnchanged({kHeader, entry, L"エラーファイル\t0", L"コピーファイル\t0", L"削除ファイル\t0"});
  // More than 256 fields on one line.
  std::wstring wide = L"コピーファイル";
  for (int i = 0; i < 300; ++i) wide += L"\t0";
  ExpectCorruptAndUnchanged({kHeader, entry, wide, L"エラーファイル\t0", L"削除ファイル\t0"});
  // An earlier-layout log that breaks off: nothing is converted or saved.
  ExpectCorruptAndUnchanged({L"【2020/01/01】\told.vgd", L"コピーファイル\t3", L"C:\\a.txt"});
}

TEST_F(BackupLogTest, FailedSaveLeavesThePreviousLogWhole) {
  Write();
  const std::string before = Bytes();
  Fs().InjectFault({path + L".$$$", TFaultOp::Write, err::DiskFull, 10});
  AddFile(copied, L"E:\\", L"", L"x", 1);
  EXPECT_THROW(Write(), Error);
  EXPECT_EQ(Bytes(), before);
  EXPECT_FALSE(Fs().Exists(path + L".$$$"));
}

TEST_F(BackupLogTest, ReadEntryParsesFieldsAndSections) {
  AddFile(copied, L"E:\\B\\", L"s\\t", L"a.txt", 10);
  AddFile(failed, L"D:\\", L"", L"b.txt", 20, 32);
  AddFile(failed, L"D:\\", L"x", L"c.txt", 1, 1392);
  AddFile(deleted, L"E:\\B\\", L"", L"d", 40);
  Write(10, 1 + (2 * 3600 + 5 * 60 + 7) / 86400.0, 7);

  bool exists = false;
  const auto lines = TBackupLog::LoadLines(path, exists);
  ASSERT_TRUE(exists);
  TOwnedFileInfoList c, e, d;
  TBackupLog log;
  log.SetReadTargets(&c, &e, &d);
  EXPECT_EQ(log.CountEntries(lines), 1);
  log.ReadEntry(lines, 2);
  EXPECT_EQ(log.CopiedSize, 10);
  EXPECT_EQ(log.ErrorSize, 21);
  EXPECT_EQ(log.DeletedSize, 40);
  EXPECT_EQ(log.ResultCode, 7);
  EXPECT_NEAR(log.ElapsedTime * 86400.0, 26 * 3600 + 5 * 60 + 7, 1e-3);
  ASSERT_EQ(c.Count(), 1);
  EXPECT_EQ(c[0]->RootFolder(), L"");
  EXPECT_EQ(c[0]->SubFolder(), L"E:\\B\\s\\t");
  EXPECT_EQ(c[0]->FileName, L"a.txt");
  ASSERT_EQ(e.Count(), 2);
  EXPECT_EQ(e[1]->FullPath(), L"D:\\x\\c.txt");
  EXPECT_EQ(e[1]->Attr, 1392u);
  ASSERT_EQ(d.Count(), 1);
  EXPECT_EQ(log.SkipEntry(lines, 2), static_cast<int>(lines.size()));
}

TEST_F(BackupLogTest, ReadEntryRefusesPathsWriteNeverMakes) {
  const std::wstring entry = L"【2024/03/01】\tx.vgd";
  for (const std::wstring bad : {L"a.txt", L"E:\\B\\..\\..\\x", L"E:\\B\\", L"\\\\srv\\x",
                                 L"E:\\a\x01"
                                 L"b",
                                 L"E:/x"}) {
    // In each section in turn; the error section's line carries a code after the path.
    for (int section = 0; section < 3; ++section) {
      Lines lines = {
          kHeader,  entry, L"コピーファイル\t1", L"E:\\ok", L"エラーファイル\t1", L"E:\\ok\t5", L"削除ファイル\t1",
          L"E:\\ok"};
      lines[static_cast<size_t>(3 + 2 * section)] = bad + (section == 1 ? L"\t5" : L"");
      TOwnedFileInfoList c, e, d;
      TBackupLog log;
      log.SetReadTargets(&c, &e, &d);
      try {
        log.ReadEntry(lines, 2);
        ADD_FAILURE() << "no error: " << WideToUtf8(bad);
      } catch (const Error& error) {
        EXPECT_EQ(error.Message(), L"ログファイルが壊れている可能性があります。(" + std::to_wstring(4 + 2 * section) +
                                       L" 行目のパス \"" + ShowControlCharacters(bad) + L"\" は使えません)");
      }
    }
  }
}

TEST(BackupLogText, DurationsAndResultCodes) {
  std::wstring text;
  ASSERT_TRUE(TBackupLog::FormatDuration(0, text));
  EXPECT_EQ(text, L"00:00:00");
  ASSERT_TRUE(TBackupLog::FormatDuration(101 + 1.0 / 86400, text));
  EXPECT_EQ(text, L"2424:00:01");
  EXPECT_FALSE(TBackupLog::FormatDuration(-0.5, text));
  TDateTime elapsed = 0;
  ASSERT_TRUE(TBackupLog::ParseDuration(L"2424:00:01", elapsed));
  EXPECT_NEAR(elapsed, 101 + 1.0 / 86400, 1e-9);
  EXPECT_FALSE(TBackupLog::ParseDuration(L"1:2:3", elapsed));
  EXPECT_FALSE(TBackupLog::ParseDuration(L"01:60:00", elapsed));
  EXPECT_FALSE(TBackupLog::ParseDuration(L":00:00", elapsed));

  EXPECT_EQ(ResultCodeText(0), L"エラーなし");
  EXPECT_EQ(ResultCodeText(7), L"バックアップ先フォルダが重なっています");
  EXPECT_EQ(ResultCodeText(10), L"省メモリバックアップ時、圧縮・高速ファイルチェック機能は使用できません");
  EXPECT_EQ(ResultCodeText(11), L"大量の削除を防ぐため、ミラーリングの削除を控えました");
  EXPECT_EQ(ResultCodeText(14), L"暗号キーが設定されていません");
  EXPECT_EQ(ResultCodeText(15), L"");
}

}  // namespace
}  // namespace vog
