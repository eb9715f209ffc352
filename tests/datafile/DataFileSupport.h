#pragma once
// Shared helpers of the data-file tests: an owning item list, fully populated items and
// application blocks, and field-by-field comparison.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/AppBackupData.h"
#include "model/AppBackupDataFile.h"
#include "model/BackupInfo.h"

namespace vog::test {

// The item list of a test, as the main window holds it.
struct TOwnedList {
  TBackupInfoList List;
  TOwnedList() = default;
  TOwnedList(const TOwnedList&) = delete;
  void Free() { List.Clear(); }
  TBackupInfo& Add() { return *List[List.Add(std::make_unique<TBackupInfo>())]; }
};

// Every field away from its default (`n` varies the texts between items).
inline void FillItem(TBackupInfo& b, int n) {
  std::wstring s = std::to_wstring(n);
  b.Title = L"項目" + s;
  b.SourceFolder = L"C:\\データ\\" + s;
  b.DestFolder = L"E:\\Backup\\" + s;
  b.HistoryFolderFormat = L"yyyy'年'mm";
  b.ArchiveName = L"Arc" + s + L".zip";
  b.HistoryFolder = L"F:\\History";
  b.VolumeLabel = L"VOL" + s;
  b.IncludeSubFolders = false;
  b.UseHistoryDatabase = true;
  b.Condition.CopyNew = false;
  b.Condition.CopySizeChanged = false;
  b.Condition.CopyNewer = false;
  b.Condition.CopyAll = true;
  b.Condition.Mirroring = true;
  b.Condition.CopyTimeChanged = true;
  b.TargetCondition.Files = {L"*.txt", L"", L"*.doc"};
  b.TargetCondition.Folders = {L"tmp*"};
  b.ExcludeCondition.Files = {L"~*"};
  b.ExcludeCondition.Folders = {L"C:\\データ\\obj", L"bin"};
  b.KeepHistory = true;
  b.ConfirmOverwrite = true;
  b.Archive = true;
  b.Encrypt = true;
  b.CipherKey = "pass\x82\xa0" + std::to_string(n);  // "pass" + あ in code page 932
  b.Decrypt = true;
  b.CipherName = "Blowfish";
  b.UseTempFile = true;
  b.HistoryCount = -7 + n;
  b.UseHistoryFolder = true;
  b.NetLogon = true;
  b.CheckVolumeLabel = true;
  b.NetUser = "user";
  b.NetPassword = "secret";
  b.NetDisconnect = true;
  b.SpareFlag = true;
  b.SecondLogon = true;
  b.SecondUser = "other";
  b.SecondDisconnect = true;
  b.SecondPassword = "secret2";
}

inline void ExpectSameItem(const TBackupInfo& a, const TBackupInfo& b) {
  EXPECT_EQ(a.Title, b.Title);
  EXPECT_EQ(a.SourceFolder, b.SourceFolder);
  EXPECT_EQ(a.DestFolder, b.DestFolder);
  EXPECT_EQ(a.HistoryFolderFormat, b.HistoryFolderFormat);
  EXPECT_EQ(a.ArchiveName, b.ArchiveName);
  EXPECT_EQ(a.HistoryFolder, b.HistoryFolder);
  EXPECT_EQ(a.VolumeLabel, b.VolumeLabel);
  EXPECT_EQ(a.IncludeSubFolders, b.IncludeSubFolders);
  EXPECT_EQ(a.UseHistoryDatabase, b.UseHistoryDatabase);
  EXPECT_EQ(a.Condition.CopyNew, b.Condition.CopyNew);
  EXPECT_EQ(a.Condition.CopySizeChanged, b.Condition.CopySizeChanged);
  EXPECT_EQ(a.Condition.CopyNewer, b.Condition.CopyNewer);
  EXPECT_EQ(a.Condition.CopyAll, b.Condition.CopyAll);
  EXPECT_EQ(a.Condition.Mirroring, b.Condition.Mirroring);
  EXPECT_EQ(a.Condition.CopyTimeChanged, b.Condition.CopyTimeChanged);
  EXPECT_EQ(a.TargetCondition.Files, b.TargetCondition.Files);
  EXPECT_EQ(a.TargetCondition.Folders, b.TargetCondition.Folders);
  EXPECT_EQ(a.ExcludeCondition.Files, b.ExcludeCondition.Files);
  EXPECT_EQ(a.ExcludeCondition.Folders, b.ExcludeCondition.Folders);
  EXPECT_EQ(a.KeepHistory, b.KeepHistory);
  EXPECT_EQ(a.ConfirmOverwrite, b.ConfirmOverwrite);
  EXPECT_EQ(a.Archive, b.Archive);
  EXPECT_EQ(a.Encrypt, b.Encrypt);
  EXPECT_EQ(a.CipherKey, b.CipherKey);
  EXPECT_EQ(a.Decrypt, b.Decrypt);
  EXPECT_EQ(a.CipherName, b.CipherName);
  EXPECT_EQ(a.UseTempFile, b.UseTempFile);
  EXPECT_EQ(a.HistoryCount, b.HistoryCount);
  EXPECT_EQ(a.UseHistoryFolder, b.UseHistoryFolder);
  EXPECT_EQ(a.NetLogon, b.NetLogon);
  EXPECT_EQ(a.CheckVolumeLabel, b.CheckVolumeLabel);
  EXPECT_EQ(a.NetUser, b.NetUser);
  EXPECT_EQ(a.NetPassword, b.NetPassword);
  EXPECT_EQ(a.NetDisconnect, b.NetDisconnect);
  EXPECT_EQ(a.SpareFlag, b.SpareFlag);
  EXPECT_EQ(a.SecondLogon, b.SecondLogon);
  EXPECT_EQ(a.SecondUser, b.SecondUser);
  EXPECT_EQ(a.SecondDisconnect, b.SecondDisconnect);
  EXPECT_EQ(a.SecondPassword, b.SecondPassword);
}

// Every application-block field away from its default.
inline void FillBlock(TAppBackupData& d) {
  d.AppTitle = "\x83\x65\x83\x58\x83\x67";  // テスト
  d.SpareText1 = L"spare1";
  d.AboutTitle = "About";
  d.AboutUrl = "https://example.invalid/";
  d.SpareText2 = L"spare2";
  d.AllowPreview = false;
  d.ShowResult = false;
  d.RestoreChangedOnly = false;
  d.ClearRestoreTarget = true;
  d.WriteLog = true;
  d.LogFileName = "C:\\log.txt";
  d.LogKeepCount = 33;
  d.SpareFlag1 = true;
  d.SpareFlag2 = true;
  d.IdlePriority = false;
  d.SpareFlag3 = true;
  for (size_t i = 0; i < d.SpareTexts3To7.size(); ++i) d.SpareTexts3To7[i] = L"s" + std::to_wstring(i + 3);
  d.ReservedByte = 0xA5;
  d.ReservedValue = {1, 2, 3, 4, 5, 6, 7, 0xFF};
  d.AllowEdit = false;
  d.AutoRunOnVolume = true;
  d.AutoRunPreview = true;
  d.AutoRunQuiet = true;
  d.AutoRunEject = true;
  d.AutoRunRemove = true;
  d.WindowWidth = 640;
  d.WindowHeight = -480;
  for (int i = 0; i < 10; ++i) {
    d.SpareBlock.Bytes[i] = static_cast<uint8_t>(0xF0 + i);
    d.SpareBlock.Integers[i] = -1000 * i - 1;
    d.SpareBlock.Values[i] = {static_cast<uint8_t>(i), 0, 0, 0, 0, 0, 0x80, 0xFF};
  }
  for (size_t i = 0; i < d.SpareTexts8To17.size(); ++i) d.SpareTexts8To17[i] = L"t" + std::to_wstring(i + 8);
  d.IconImage.SetPicture({"TIcon", std::string("\0\0\1\0\1\0\x20\x20", 8) + std::string(14, '\x11')});
}

inline void ExpectSameBlock(const TAppBackupData& a, const TAppBackupData& b) {
  EXPECT_EQ(a.AppTitle, b.AppTitle);
  EXPECT_EQ(a.SpareText1, b.SpareText1);
  EXPECT_EQ(a.SpareImage.Bytes(), b.SpareImage.Bytes());
  EXPECT_EQ(a.IconImage.Bytes(), b.IconImage.Bytes());
  EXPECT_EQ(a.AboutTitle, b.AboutTitle);
  EXPECT_EQ(a.AboutImage.Bytes(), b.AboutImage.Bytes());
  EXPECT_EQ(a.AboutUrl, b.AboutUrl);
  EXPECT_EQ(a.SpareText2, b.SpareText2);
  EXPECT_EQ(a.AllowPreview, b.AllowPreview);
  EXPECT_EQ(a.ShowResult, b.ShowResult);
  EXPECT_EQ(a.RestoreChangedOnly, b.RestoreChangedOnly);
  EXPECT_EQ(a.ClearRestoreTarget, b.ClearRestoreTarget);
  EXPECT_EQ(a.WriteLog, b.WriteLog);
  EXPECT_EQ(a.LogFileName, b.LogFileName);
  EXPECT_EQ(a.LogKeepCount, b.LogKeepCount);
  EXPECT_EQ(a.SpareFlag1, b.SpareFlag1);
  EXPECT_EQ(a.SpareFlag2, b.SpareFlag2);
  EXPECT_EQ(a.IdlePriority, b.IdlePriority);
  EXPECT_EQ(a.SpareFlag3, b.SpareFlag3);
  EXPECT_EQ(a.SpareTexts3To7, b.SpareTexts3To7);
  EXPECT_EQ(a.ReservedByte, b.ReservedByte);
  EXPECT_EQ(a.ReservedValue, b.ReservedValue);
  EXPECT_EQ(a.AllowEdit, b.AllowEdit);
  EXPECT_EQ(a.AutoRunOnVolume, b.AutoRunOnVolume);
  EXPECT_EQ(a.AutoRunPreview, b.AutoRunPreview);
  EXPECT_EQ(a.AutoRunQuiet, b.AutoRunQuiet);
  EXPECT_EQ(a.AutoRunEject, b.AutoRunEject);
  EXPECT_EQ(a.AutoRunRemove, b.AutoRunRemove);
  EXPECT_EQ(a.WindowWidth, b.WindowWidth);
  EXPECT_EQ(a.WindowHeight, b.WindowHeight);
  EXPECT_TRUE(a.SpareBlock == b.SpareBlock);
  EXPECT_EQ(a.SpareTexts8To17, b.SpareTexts8To17);
}

}  // namespace vog::test
