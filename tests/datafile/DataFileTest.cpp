// The backup data file on the memory platform: round trips of every field, the layout of
// the settings text, refused and damaged files that change nothing, and saving that never
// destroys the current file.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "datafile/DataFileSupport.h"
#include "model/DataStream.h"
#include "model/SettingsText.h"
#include "services/cipher/CipherManager.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

constexpr wchar_t kPath[] = L"C:\\Program\\VogratelData.vgd";
constexpr wchar_t kBad[] = L"データファイルが正しくありません";

class DataFileTest : public MemoryTest {
protected:
  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddFolder(L"C:\\Program");
  }
  void Save(TBackupInfoList& list, TAppBackupData& data, const std::wstring& path = kPath) {
    TAppBackupDataFile file;
    file.SetFileName(path);
    file.SetData(&data);
    file.SetList(&list);
    file.Save();
  }
  void Load(TBackupInfoList& list, TAppBackupData& data, const std::wstring& path = kPath) {
    TAppBackupDataFile file;
    file.SetFileName(path);
    file.SetData(&data);
    file.SetList(&list);
    file.Load();
  }
  // Expects Load to fail with the damaged-file message.
  void ExpectRefused(TBackupInfoList& list, TAppBackupData& data) {
    try {
      Load(list, data);
      FAIL() << "loaded";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), kBad);
    }
  }
  static TCipherManager& Cipher() {
    static TCipherManager* cipher = [] {
      auto* c = new TCipherManager;
      c->SetMode(TCipherMode::cmCTS);
      c->SetKeyText(DataFileKey());
      return c;
    }();
    return *cipher;
  }
  void WritePlain(std::string plain) {
    Cipher().EncipherBuffer(plain.data(), plain.data(), plain.size());
    Fs().AddFile(kPath, plain);
  }
  std::string ReadPlain() {
    std::string bytes;
    EXPECT_TRUE(Fs().ReadContent(kPath, bytes));
    Cipher().DecipherBuffer(bytes.data(), bytes.data(), bytes.size());
    return bytes;
  }
  // A plain stream with the given settings text and a default application block.
  static std::string PlainWith(const std::vector<std::wstring>& lines) {
    TBackupInfoList none;
    TAppBackupData data;
    std::string whole = EncodePlainStream(none, data);
    TDataWriter prefix;
    prefix.String(L"VogAppBackupData\tVer.1.00");
    auto empty = BuildSettingsText(none, Cipher());
    prefix.Int32(static_cast<int32_t>(empty.size()));
    for (auto& l : empty) prefix.String(l);
    TDataWriter out;
    out.String(L"VogAppBackupData\tVer.1.00");
    out.Int32(static_cast<int32_t>(lines.size()));
    for (auto& l : lines) out.String(l);
    return out.Bytes() + whole.substr(prefix.Bytes().size());
  }
};

TEST_F(DataFileTest, SaveThenLoadKeepsEveryFieldAndTheReservedBytes) {
  TOwnedList saved;
  FillItem(saved.Add(), 1);
  FillItem(saved.Add(), 2);
  saved.Add().Title = L"defaults";
  // Titles the run refuses (a file written before the rule) still load and show.
  for (const wchar_t* title : {L"..", L"", L"CON"}) saved.Add().Title = title;
  TAppBackupData block;
  FillBlock(block);
  Save(saved.List, block);

  TOwnedList loaded;
  loaded.Add().Title = L"replaced by the load";
  TAppBackupData read;
  Load(loaded.List, read);
  ASSERT_EQ(loaded.List.Count(), 6);
  for (int i = 0; i < 6; ++i) ExpectSameItem(*loaded.List[i], *saved.List[i]);
  ExpectSameBlock(read, block);
  EXPECT_EQ(read.IconImage.Picture().ClassName, "TIcon");
  EXPECT_EQ(read.IconImage.Picture().Height(), 32);

  // And the file written back from what was read is the same file.
  std::string first;
  ASSERT_TRUE(Fs().ReadContent(kPath, first));
  Save(loaded.List, read);
  std::string second;
  ASSERT_TRUE(Fs().ReadContent(kPath, second));
  EXPECT_EQ(first, second);
}

TEST_F(DataFileTest, EmptySetupHasTheDefaultsAndTheFixedLayout) {
  TOwnedList list;
  TAppBackupData block;
  Save(list.List, block);
  std::string plain = ReadPlain();
  TDataReader in(plain);
  EXPECT_EQ(in.String(), L"VogAppBackupData\tVer.1.00");
  ASSERT_EQ(in.Int32(), 21);
  std::vector<std::wstring> lines;
  for (int i = 0; i < 21; ++i) lines.push_back(in.String());
  EXPECT_EQ(lines[0], L"Vogmerist\tVer.\t3\t0");
  EXPECT_EQ(lines[1], L"[バックアップ設定]");
  EXPECT_EQ(lines[2], L"0");
  EXPECT_EQ(lines[3], L"[ファイル設定]");
  for (int i = 4; i < 21; ++i) EXPECT_EQ(lines[i], L"");
  EXPECT_EQ(in.String(), L"バックアップ");  // AppTitle

  TOwnedList loaded;
  loaded.Add();
  TAppBackupData read;
  read.LogKeepCount = 99;
  Load(loaded.List, read);
  EXPECT_EQ(loaded.List.Count(), 0);
  ExpectSameBlock(read, TAppBackupData());
  EXPECT_TRUE(read.IconImage.Picture().Empty());
}

TEST_F(DataFileTest, ItemLinesHoldTheirFieldsInOrder) {
  TOwnedList list;
  TBackupInfo& a = list.Add();
  FillItem(a, 1);
  a.Title = L"a]b";
  a.NetPassword = "same";
  a.SecondPassword = "same";
  a.CipherKey.clear();
  TBackupInfo& b = list.Add();
  b.NetPassword = "same";
  auto lines = BuildSettingsText(list.List, Cipher());
  EXPECT_EQ(lines[3], L"[a]b]");
  EXPECT_EQ(lines[8], L"1\t0\t0\t0\t1\t");
  EXPECT_EQ(lines[9], L"1\tyyyy'年'mm\t-6\t1\tF:\\History\t");
  EXPECT_EQ(lines[13], L"1\t1\t\tBlowfish\t");  // an empty key stays empty
  std::wstring same(Cipher().EncipherText("same").size(), L' ');
  std::string enc = Cipher().EncipherText("same");
  same.assign(enc.begin(), enc.end());
  // Each field starts from the cipher's initial state: equal passwords, equal texts.
  EXPECT_EQ(lines[15], L"1\tuser\t" + same + L"\t1\t1\tother\t" + same + L"\t1");
  EXPECT_EQ(lines[18], L"\t\t\t\t");
  EXPECT_EQ(lines[20], L"\t\t");
  EXPECT_EQ(lines[25], L"3");  // the empty mask counts
  EXPECT_EQ(lines[27], L"");

  std::vector<std::unique_ptr<TBackupInfo>> items = ParseSettingsText(lines, Cipher());
  ASSERT_EQ(items.size(), 2u);
  ExpectSameItem(*items[0], a);
  ExpectSameItem(*items[1], b);
  EXPECT_EQ(items[0]->Title, L"a]b");
  EXPECT_EQ(items[0]->TargetCondition.Files, (std::vector<std::wstring>{L"*.txt", L"", L"*.doc"}));
}

TEST_F(DataFileTest, OptionalFieldsAndTheSpareFlagKeepTheirDefaults) {
  TOwnedList list;
  TBackupInfo& a = list.Add();
  FillItem(a, 1);
  auto lines = BuildSettingsText(list.List, Cipher());
  lines[8] = L"1\t0\t0\t0";       // no CopyTimeChanged field
  lines[15] = L"1\tuser\t\t1\t";  // an empty fifth field: no second logon
  lines[17] = L"yes";             // an unreadable spare flag
  lines[7] = L"257";              // a Boolean is the number's low byte: 257 is on, 256 off
  lines[6] = L"256";
  auto items = ParseSettingsText(lines, Cipher());
  ASSERT_EQ(items.size(), 1u);
  const TBackupInfo& r = *items[0];
  EXPECT_FALSE(r.Condition.CopyTimeChanged);
  EXPECT_FALSE(r.SecondLogon);
  EXPECT_EQ(r.SecondUser, "");
  EXPECT_FALSE(r.SecondDisconnect);
  EXPECT_EQ(r.NetPassword, "");
  EXPECT_FALSE(r.SpareFlag);
  EXPECT_TRUE(r.Condition.Mirroring);
  EXPECT_FALSE(r.IncludeSubFolders);
}

TEST_F(DataFileTest, ForeignOrDamagedFilesAreRefusedAndChangeNothing) {
  TOwnedList good;
  FillItem(good.Add(), 1);
  TAppBackupData goodBlock;
  FillBlock(goodBlock);
  Save(good.List, goodBlock);
  std::string plain = ReadPlain();
  TBackupInfoList none;
  auto lines = BuildSettingsText(good.List, Cipher());

  std::vector<std::pair<const char*, std::string>> cases;
  std::string header = plain;
  header[4 + 2 * 24] = '1';  // "Ver.1.01"
  cases.push_back({"other version", header});
  cases.push_back({"ends early", plain.substr(0, plain.size() - 3)});
  cases.push_back({"ends in the settings text", plain.substr(0, 200)});
  cases.push_back({"empty file", ""});
  auto bad = lines;
  bad[2] = L"2";  // announces an item the text does not hold
  cases.push_back({"fewer lines than announced", PlainWith(bad)});
  bad = lines;
  bad[6] = L"x";
  cases.push_back({"not a number", PlainWith(bad)});
  bad = lines;
  bad[25] = L"99";
  cases.push_back({"list count past the end", PlainWith(bad)});
  bad = lines;
  bad[9] = L"1";
  cases.push_back({"missing fields", PlainWith(bad)});
  bad = lines;
  bad[27] = std::wstring(256, L'\t');
  cases.push_back({"257 fields are only allowed in a list entry", PlainWith(bad)});
  bad = lines;
  bad[15] = std::wstring(256, L'\t');
  cases.push_back({"257 fields", PlainWith(bad)});
  bad = lines;
  bad[4] = std::wstring(1025, L'x');
  cases.push_back({"string over 1024 units", PlainWith(bad)});
  std::string odd = PlainWith(lines);
  odd[0] = 51;  // an odd byte count in the header
  cases.push_back({"odd byte count", odd});
  std::string negative = plain;
  negative.replace(54, 4, std::string("\xff\xff\xff\xff", 4));  // line count -1
  cases.push_back({"negative line count", negative});

  for (auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    WritePlain(bytes);
    TOwnedList list;
    FillItem(list.Add(), 7);
    TBackupInfo* kept = list.List[0];
    TAppBackupData block;
    block.WindowWidth = 12;
    if (std::string(what) == "257 fields are only allowed in a list entry") {
      // A list entry is one whole line; its tabs are part of the mask.
      Load(list.List, block);
      EXPECT_EQ(list.List[0]->TargetCondition.Files[1], std::wstring(256, L'\t'));
      continue;
    }
    ExpectRefused(list.List, block);
    ASSERT_EQ(list.List.Count(), 1);
    EXPECT_EQ(list.List[0], kept);
    EXPECT_EQ(kept->Title, L"項目7");
    EXPECT_EQ(block.WindowWidth, 12);
  }
}

TEST_F(DataFileTest, AStringOf1024UnitsIsTheLongestAccepted) {
  TOwnedList list;
  list.Add().SourceFolder = std::wstring(1024, L'x');
  TAppBackupData block;
  Save(list.List, block);
  TOwnedList read;
  Load(read.List, block);
  EXPECT_EQ(read.List[0]->SourceFolder.size(), 1024u);

  // Longer texts are refused before anything is written: the file could not be read back.
  list.List[0]->SourceFolder += L"x";
  std::string before;
  ASSERT_TRUE(Fs().ReadContent(kPath, before));
  EXPECT_THROW(Save(list.List, block), Error);
  std::string after;
  ASSERT_TRUE(Fs().ReadContent(kPath, after));
  EXPECT_EQ(before, after);
}

TEST_F(DataFileTest, AFailedSaveLeavesTheCurrentFile) {
  TOwnedList list;
  FillItem(list.Add(), 1);
  TAppBackupData block;
  Save(list.List, block);
  std::string before;
  ASSERT_TRUE(Fs().ReadContent(kPath, before));

  FillItem(list.Add(), 2);
  Fs().InjectFault({L"C:\\Program\\VogratelData.vgd.$$$", TFaultOp::Write, err::DiskFull, 100});
  try {
    Save(list.List, block);
    FAIL() << "saved";
  } catch (const Error& e) {
    EXPECT_NE(e.Message().find(kPath), std::wstring::npos) << "names the file";
  }
  std::string after;
  ASSERT_TRUE(Fs().ReadContent(kPath, after));
  EXPECT_EQ(before, after);
  EXPECT_FALSE(Fs().Exists(L"C:\\Program\\VogratelData.vgd.$$$"));

  Fs().ClearFaults();
  Fs().InjectFault({kPath, TFaultOp::Move, err::AccessDenied});
  EXPECT_THROW(Save(list.List, block), Error);
  ASSERT_TRUE(Fs().ReadContent(kPath, after));
  EXPECT_EQ(before, after);
}

TEST_F(DataFileTest, AFileThatCannotBeOpenedIsNamedInTheError) {
  TOwnedList list;
  TAppBackupData block;
  try {
    Load(list.List, block, L"C:\\none.vgd");
    FAIL() << "loaded";
  } catch (const Error& e) {
    EXPECT_NE(e.Message().find(L"C:\\none.vgd"), std::wstring::npos);
  }
}

TEST_F(DataFileTest, TheKeyIsBuiltFromItsPartsAndKeptForever) {
  // The key is part of the file format: changing it makes every saved setup unreadable.
  EXPECT_EQ(DataFileKey(), "k8aT6eUR1gC9yFR5zB7jPR3xH0dKR6sW2mLR8rVtR4nQ");
}

}  // namespace
}  // namespace vog::test
