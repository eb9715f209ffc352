// The rules of the dialogs: the item settings dialog's checks and write back, the cipher
// key entry, the version box's centring and the folder dialog's start.
#include <functional>

#include "app/ItemSettings.h"
#include "app/SmallDialogs.h"
#include "datafile/DataFileSupport.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

class DialogsTest : public MemoryTest {};

// An item with every edited field away from its default, and the fields the dialog does
// not edit set too.
void FillValidItem(TBackupInfo& item) {
  item.Title = L"写真 2024";
  item.SourceFolder = L"D:\\写真";
  item.DestFolder = L"E:\\Backup\\写真 2024";
  item.IncludeSubFolders = false;
  item.TargetCondition.Files = {L"*.jpg", L"*.png"};
  item.TargetCondition.Folders = {L"~*.tmp"};
  item.ExcludeCondition.Folders = {L"D:\\写真\\一時", L"cache*"};
  item.ExcludeCondition.Files = {L"kept.txt"};
  item.Condition.CopyNew = false;
  item.Condition.CopySizeChanged = false;
  item.Condition.CopyNewer = false;
  item.Condition.CopyTimeChanged = true;
  item.Condition.CopyAll = true;
  item.Condition.Mirroring = true;
  item.ConfirmOverwrite = true;
  item.UseTempFile = true;
  item.KeepHistory = true;
  item.HistoryCount = 30;
  item.HistoryFolderFormat = L"'旧' yyyymmdd";
  item.UseHistoryFolder = true;
  item.HistoryFolder = L"E:\\世代";
  item.UseHistoryDatabase = true;
  item.Archive = true;
  item.ArchiveName = L"写真.zip";
  item.Encrypt = true;
  item.Decrypt = true;
  item.CipherName = "Blowfish";
  item.CipherKey = "\x88\x9f key";  // "亜 key" in code page 932
  item.NetLogon = true;
  item.NetUser = "backup";
  item.NetPassword = "p ass";
  item.NetDisconnect = true;
  item.CheckVolumeLabel = true;
  item.VolumeLabel = L"外付け";
  item.SpareFlag = true;
  item.SecondLogon = true;
  item.SecondUser = "second";
  item.SecondPassword = "secret";
  item.SecondDisconnect = true;
}

class TScriptedSettingsView : public IItemSettingsView {
public:
  TItemFields Fields;
  std::vector<std::wstring> Shown;
  std::vector<TItemField> Focused;

  TItemFields Read() override { return Fields; }
  void ShowProblem(const std::wstring& message) override { Shown.push_back(message); }
  void Focus(TItemField field) override { Focused.push_back(field); }
};

TEST_F(DialogsTest, OkWritesEveryEditedFieldAndKeepsTheOthers) {
  TBackupInfo source;
  FillValidItem(source);
  TBackupInfo target;
  target.DestFolder = source.DestFolder;
  target.ExcludeCondition.Files = source.ExcludeCondition.Files;
  target.SpareFlag = target.SecondLogon = target.SecondDisconnect = true;
  target.SecondUser = source.SecondUser;
  target.SecondPassword = source.SecondPassword;

  TScriptedSettingsView view;
  view.Fields = FieldsOf(source);
  TItemSettings settings(target);
  ASSERT_TRUE(settings.Ok(view)) << (view.Shown.empty() ? "" : "refused");
  ExpectSameItem(source, target);
  EXPECT_TRUE(view.Shown.empty());
}

TEST_F(DialogsTest, OkTrimsTextsAndDropsEmptyListLines) {
  TBackupInfo item;
  TScriptedSettingsView view;
  view.Fields = FieldsOf(item);
  view.Fields.Title = L"  資料 ";
  view.Fields.SourceFolder = L"\tC:\\資料\u3000";
  view.Fields.TargetFiles = L"*.doc \r\n\r\n  *.xls\n\n";
  view.Fields.CipherKey = view.Fields.CipherKeyRepeat = L" k ";
  ASSERT_TRUE(TItemSettings(item).Ok(view));
  EXPECT_EQ(item.Title, L"資料");
  EXPECT_EQ(item.SourceFolder, L"C:\\資料");
  EXPECT_EQ(item.TargetCondition.Files, (std::vector<std::wstring>{L"*.doc", L"*.xls"}));
  EXPECT_EQ(item.CipherKey, " k ");  // a key's blanks are part of it
}

TEST_F(DialogsTest, EachRefusalNamesItsFieldAndLeavesTheItemAsItWas) {
  struct TCase {
    const char* name;
    std::function<void(TItemFields&)> change;
    TItemField field;
    std::wstring words;  // part of the message
  };
  const TCase cases[] = {
      {"empty title", [](TItemFields& f) { f.Title = L" "; }, TItemField::Title, L"タイトルを入力"},
      {"title with a separator", [](TItemFields& f) { f.Title = L"a\\b"; }, TItemField::Title, L"a\\b"},
      {"title of dots", [](TItemFields& f) { f.Title = L".."; }, TItemField::Title, L"フォルダ名に使えません"},
      {"empty source", [](TItemFields& f) { f.SourceFolder = L"  "; }, TItemField::SourceFolder,
       L"バックアップ元フォルダを入力"},
      {"days not a number", [](TItemFields& f) { f.HistoryCount = L"7日"; }, TItemField::HistoryCount, L"保存日数"},
      {"days below zero", [](TItemFields& f) { f.HistoryCount = L"-1"; }, TItemField::HistoryCount, L"0 から 36500"},
      {"days too many", [](TItemFields& f) { f.HistoryCount = L"36501"; }, TItemField::HistoryCount, L"保存日数"},
      {"empty history format", [](TItemFields& f) { f.HistoryFolderFormat = L""; }, TItemField::HistoryFolderFormat,
       L"書式"},
      {"history format naming a path", [](TItemFields& f) { f.HistoryFolderFormat = L"'..\\x' yyyy"; },
       TItemField::HistoryFolderFormat, L"..\\x 2026"},
      {"history place missing", [](TItemFields& f) { f.HistoryFolder = L""; }, TItemField::HistoryFolder,
       L"世代フォルダの場所"},
      {"archive name without extension", [](TItemFields& f) { f.ArchiveName = L"写真"; }, TItemField::ArchiveName,
       L".lzh か .zip"},
      {"archive name .rar", [](TItemFields& f) { f.ArchiveName = L"a.rar"; }, TItemField::ArchiveName, L"a.rar"},
      {"unknown cipher", [](TItemFields& f) { f.CipherName = L"Rot13"; }, TItemField::CipherName, L"Rot13"},
      {"key not repeated", [](TItemFields& f) { f.CipherKeyRepeat = L"other"; }, TItemField::CipherKeyRepeat,
       L"一致しません"},
      {"key outside the code page", [](TItemFields& f) { f.CipherKey = f.CipherKeyRepeat = L"키"; },
       TItemField::CipherKey, L"暗号キー"},
      {"user outside the code page", [](TItemFields& f) { f.NetUser = L"사용자"; }, TItemField::NetUser,
       L"ユーザー名"},
      {"password outside the code page", [](TItemFields& f) { f.NetPassword = L"암호"; }, TItemField::NetPassword,
       L"パスワード"},
      {"logon without user", [](TItemFields& f) { f.NetUser = L" "; }, TItemField::NetUser, L"ユーザー名を入力"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBackupInfo item, before;
    FillValidItem(item);
    FillValidItem(before);
    TScriptedSettingsView view;
    view.Fields = FieldsOf(item);
    view.Fields.SourceFolder = L"C:\\Other";  // a valid change that must not land either
    c.change(view.Fields);
    EXPECT_FALSE(TItemSettings(item).Ok(view));
    ASSERT_EQ(view.Shown.size(), 1u);
    EXPECT_NE(view.Shown[0].find(c.words), std::wstring::npos);
    EXPECT_EQ(view.Focused, std::vector<TItemField>{c.field});
    ExpectSameItem(before, item);
  }
}

TEST_F(DialogsTest, SwitchedOffOptionsAreNotChecked) {
  TBackupInfo item;
  FillValidItem(item);
  TItemFields f = FieldsOf(item);
  f.KeepHistory = f.Archive = f.Encrypt = f.NetLogon = false;
  f.HistoryFolderFormat = f.HistoryFolder = f.ArchiveName = f.NetUser = L"";
  f.CipherName = L"Rot13";
  f.HistoryCount = L"-5";
  EXPECT_FALSE(CheckFields(f));
  TBackupInfo written;
  FillValidItem(written);
  WriteFields(f, written);
  EXPECT_EQ(written.HistoryCount, 30);  // the stored days stay
  f.CipherKeyRepeat = L"x";  // a stored key must still match, or a later switch-on would use a typo
  EXPECT_EQ(CheckFields(f).Field, TItemField::CipherKeyRepeat);
}

TEST_F(DialogsTest, SwitchesGreyTheOptionsBehindThem) {
  TItemFields f;
  const TItemEnabled off = EnabledParts(f);
  EXPECT_FALSE(off.HistoryOptions || off.HistoryFolder || off.ArchiveName || off.CipherOptions || off.LogonOptions ||
               off.VolumeLabel || off.CopyTimeChanged);
  EXPECT_TRUE(off.ConfirmOverwrite);
  f.KeepHistory = f.Archive = f.Encrypt = f.NetLogon = f.CheckVolumeLabel = true;
  f.CopyNewer = false;
  const TItemEnabled on = EnabledParts(f);
  EXPECT_TRUE(on.HistoryOptions && on.ArchiveName && on.CipherOptions && on.LogonOptions && on.VolumeLabel &&
              on.CopyTimeChanged);
  EXPECT_FALSE(on.HistoryFolder || on.ConfirmOverwrite);  // its own switch is off; history makes it moot
}

TEST_F(DialogsTest, CipherChoicesPutAnUnknownStoredNameFirst) {
  const auto plain = CipherChoices(L"Blowfish");
  EXPECT_EQ(std::count(plain.begin(), plain.end(), L"Blowfish"), 1);
  const auto odd = CipherChoices(L"Rot13");
  ASSERT_EQ(odd.size(), plain.size() + 1);
  EXPECT_EQ(odd.front(), L"Rot13");
}

TEST_F(DialogsTest, CipherKeyInputBoxReplacesOnlyWithText) {
  TCipherKeyEntry entry;
  entry.Text = L"typed";
  entry.TakeInputBox(L"");  // cancelled
  EXPECT_EQ(entry.Text, L"typed");
  entry.TakeInputBox(L"見える鍵");
  EXPECT_EQ(entry.Text, L"見える鍵");

  std::string key = "old";
  entry.Text = L"";
  EXPECT_EQ(entry.Accept(key), L"");
  EXPECT_EQ(key, "");  // an empty key is accepted
  entry.Text = L"키";
  key = "old";
  EXPECT_NE(entry.Accept(key), L"");
  EXPECT_EQ(key, "old");
}

TEST_F(DialogsTest, VersionBoxLabelsAreCentred) {
  const int cases[][3] = {{300, 100, 100}, {300, 301, 0}, {300, 101, 100}, {300, 103, 98}, {200, 260, -30}};
  for (const auto& c : cases) EXPECT_EQ(CentredLeft(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST_F(DialogsTest, FolderDialogStartsOnlyAtAnExistingFolder) {
  Fs().AddFolder(L"C:\\写真");
  Fs().AddFile(L"C:\\写真\\a.jpg", "x");
  EXPECT_EQ(FolderDialogStart(L"C:\\写真"), L"C:\\写真");
  EXPECT_EQ(FolderDialogStart(L"C:\\写真\\a.jpg"), L"");
  EXPECT_EQ(FolderDialogStart(L"C:\\無い"), L"");
  EXPECT_EQ(FolderDialogStart(L""), L"");
  // The main window keeps a drive root as "C:"; the dialog selects roots by "C:\".
  EXPECT_EQ(FolderDialogStart(L"C:"), L"C:\\");
}

}  // namespace
}  // namespace vog::test
