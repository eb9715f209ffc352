// The settings file "Vogratel.ini": files as Windows' own profile functions write them
// (ANSI and UTF-16LE with a mark), other encodings, defaults, unknown keys kept, and the
// check marks that follow positions.
#include <gtest/gtest.h>

#include <vector>

#include "base/Text.h"
#include "base/TextFile.h"
#include "model/AppData.h"
#include "model/IniFile.h"
#include "platform/Platform.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

constexpr wchar_t kIni[] = L"C:\\Program\\Vogratel.ini";

class TCheckList : public ICheckList {
public:
  std::vector<bool> Marks;
  int Count() const override { return static_cast<int>(Marks.size()); }
  bool Checked(int index) const override { return Marks.at(static_cast<size_t>(index)); }
  void SetChecked(int index, bool checked) override { Marks.at(static_cast<size_t>(index)) = checked; }
};

// What WritePrivateProfileString leaves: sections separated by a blank line, CR LF.
const wchar_t kWindowsText[] =
    L"[Program]\r\nLeft=120\r\nTop=200\r\n\r\n[Window]\r\nCopyResultWindowLeft=10\r\nCopyResultWindowTop=20\r\n"
    L"CopyResultWindowWidth=600\r\nCopyResultWindowHeight=400\r\nCopyResultWindowErrorHeight=90\r\nIsPreview=1\r\n\r\n"
    L"[Folder]\r\nDest=E:\\バックアップ先\r\n\r\n[Info]\r\nTime=2024/03/31 23:59\r\n\r\n"
    L"[CheckBox]\r\n1=0\r\n2=1\r\n3=0\r\n";

void ExpectWindowsValues(const TAppData& s) {
  EXPECT_EQ(s.Left, 120);
  EXPECT_EQ(s.Top, 200);
  EXPECT_EQ(s.CopyResultWindowLeft, 10);
  EXPECT_EQ(s.CopyResultWindowTop, 20);
  EXPECT_EQ(s.CopyResultWindowWidth, 600);
  EXPECT_EQ(s.CopyResultWindowHeight, 400);
  EXPECT_EQ(s.CopyResultWindowErrorHeight, 90);
  EXPECT_TRUE(s.IsPreview);
  EXPECT_EQ(s.Dest, L"E:\\バックアップ先");
  EXPECT_EQ(s.Time, L"2024/03/31 23:59");
}

using AppDataTest = MemoryTest;

TEST_F(AppDataTest, ReadsWindowsProfilesInEveryEncoding) {
  std::string utf16le = EncodeUtf16LeWithBom(kWindowsText);
  std::string utf16be = "\xFE\xFF";
  for (size_t i = 2; i < utf16le.size(); i += 2) {
    utf16be += utf16le[i + 1];
    utf16be += utf16le[i];
  }
  std::vector<std::pair<const char*, std::string>> files = {
      {"ANSI", CodePage().WideToAnsi(kWindowsText)},
      {"UTF-16LE", utf16le},
      {"UTF-16BE", utf16be},
      {"UTF-8", "\xEF\xBB\xBF" + WideToUtf8(kWindowsText)},
  };
  for (auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    Fs().AddFile(kIni, bytes);
    TAppData settings;
    EXPECT_EQ(settings.FileName, kIni) << "beside the program";
    settings.LoadSettings();
    ExpectWindowsValues(settings);
    TCheckList list;
    list.Marks = {true, false, true, false};
    settings.SetCheckList(&list);
    settings.LoadCheckMarks();
    EXPECT_EQ(list.Marks, (std::vector<bool>{false, true, false, true})) << "position 4 has no mark: checked";
  }
}

TEST_F(AppDataTest, MissingFileKeysAndUnreadableNumbersGiveTheDefaults) {
  TAppData none;
  none.Left = 5;
  none.LoadSettings();
  EXPECT_EQ(none.Left, 0);
  EXPECT_EQ(none.Dest, L"");
  EXPECT_FALSE(none.IsPreview);
  TCheckList list;
  list.Marks = {false, false};
  none.SetCheckList(&list);
  none.LoadCheckMarks();
  EXPECT_EQ(list.Marks, (std::vector<bool>{true, true}));

  Fs().AddFile(kIni,
               CodePage().WideToAnsi(L"[program]\r\n left = 7 \r\nTop=abc\r\n[Window]\r\nCopyResultWindowWidth=\r\n"
                                     L"CopyResultWindowHeight=99999999999\r\nIsPreview=x\r\n[Folder]\r\n"
                                     L"Dest=\"C:\\q\"\r\n"));
  TAppData settings;
  settings.Top = 3;
  settings.LoadSettings();
  EXPECT_EQ(settings.Left, 7) << "names ignore case, values are trimmed";
  EXPECT_EQ(settings.Top, 0);
  EXPECT_EQ(settings.CopyResultWindowWidth, 0);
  EXPECT_EQ(settings.CopyResultWindowHeight, 0);
  EXPECT_FALSE(settings.IsPreview);
  EXPECT_EQ(settings.Dest, L"C:\\q") << "enclosing quotes are removed";
}

TEST_F(AppDataTest, SavingWritesUtf16AndKeepsWhatItDoesNotKnow) {
  Fs().AddFile(kIni,
               CodePage().WideToAnsi(L"; comment\r\n[Other]\r\nKey=値\r\n\r\n[Program]\r\nLeft=1\r\nExtra=keep\r\n\r\n"
                                     L"[CheckBox]\r\n1=1\r\n2=1\r\n3=0\r\n"));
  TAppData settings;
  settings.LoadSettings();
  TCheckList list;
  list.Marks = {false, true};
  settings.SetCheckList(&list);
  settings.Left = -20;
  settings.Dest = L"\\\\server\\share\\バックアップ";
  settings.Time = L"2024/04/01 12:00";
  settings.SaveSettings();

  std::string bytes;
  ASSERT_TRUE(Fs().ReadContent(kIni, bytes));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  std::wstring text = FromUtf16Le(bytes.substr(2));
  EXPECT_EQ(text.find(L"; comment\r\n[Other]\r\nKey=値\r\n\r\n[Program]\r\nLeft=-20\r\nExtra=keep\r\nTop=0\r\n\r\n"),
            0u)
      << WideToUtf8(text);
  EXPECT_NE(text.find(L"[CheckBox]\r\n1=0\r\n2=1\r\n3=0\r\n"), std::wstring::npos) << "key 3 stays as it was";
  EXPECT_FALSE(Fs().Exists(L"C:\\Program\\Vogratel.ini.$$$"));

  // An item later added at position 3 starts with the mark kept there.
  TAppData again;
  again.LoadSettings();
  EXPECT_EQ(again.Left, -20);
  EXPECT_EQ(again.Dest, L"\\\\server\\share\\バックアップ");
  EXPECT_EQ(again.Time, L"2024/04/01 12:00");
  list.Marks = {true, false, true};
  again.SetCheckList(&list);
  again.LoadCheckMarks();
  EXPECT_EQ(list.Marks, (std::vector<bool>{false, true, false}));
}

TEST_F(AppDataTest, AWriteFailureIsNotReportedAndLeavesTheFile) {
  Fs().AddFile(kIni, CodePage().WideToAnsi(L"[Program]\r\nLeft=1\r\n"));
  Fs().InjectFault({L"C:\\Program\\Vogratel.ini.$$$", TFaultOp::Write, err::DiskFull, 4});
  TAppData settings;
  settings.Left = 2;
  settings.SaveSettings();
  TAppData read;
  read.LoadSettings();
  EXPECT_EQ(read.Left, 1);
  EXPECT_FALSE(Fs().Exists(L"C:\\Program\\Vogratel.ini.$$$"));
}

TEST_F(AppDataTest, SavingWhatTheFileAlreadySaysLeavesItUntouched) {
  TAppData settings;
  settings.Left = 5;
  settings.SaveSettings();  // every key written once
  std::string written;
  ASSERT_TRUE(Fs().ReadContent(kIni, written));
  const std::string ansi = CodePage().WideToAnsi(FromUtf16Le(written.substr(2)));
  Fs().AddFile(kIni, ansi);  // the same settings, as an editor might keep them

  TAppData again;
  again.LoadSettings();
  again.SaveSettings();
  std::string bytes;
  ASSERT_TRUE(Fs().ReadContent(kIni, bytes));
  EXPECT_EQ(bytes, ansi) << "an unattended run rewrites nothing it has not changed";
  again.Left = 6;
  again.SaveSettings();
  ASSERT_TRUE(Fs().ReadContent(kIni, bytes));
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
}

TEST(IniFile, NewSectionsAndKeysGoWhereWindowsPutsThem) {
  TIniFile ini;
  ini.WriteString(L"A", L"x", L"1");
  ini.WriteString(L"B", L"y", L"2");
  ini.WriteString(L"a", L"z", L"3");
  ini.WriteString(L"A", L"X", L"4");
  std::string bytes = ini.Bytes();
  EXPECT_EQ(FromUtf16Le(bytes.substr(2)), L"[A]\r\nx=4\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
  EXPECT_TRUE(ini.HasKey(L"b", L"Y"));
  EXPECT_FALSE(ini.HasKey(L"B", L"x"));
}

}  // namespace
}  // namespace vog::test
