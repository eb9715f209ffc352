#pragma once
// TAppBackupData: the application block of the backup data file (title, icon, About-box
// texts, log settings and behaviour switches). Plain data with public fields.
//
// The texts the program uses are byte text in the ANSI code page, as the program works
// with them. The spare texts are carried back to the file unchanged, so they are kept as
// the UTF-16 text that was read: converting them to ANSI and back could alter them.
#include <array>
#include <cstdint>
#include <string>

#include "model/ImageRecord.h"

namespace vog {

// Eight bytes carried unchanged (the file does not say what they mean).
using TEightBytes = std::array<uint8_t, 8>;

// Ten of each kind of value, reserved for later use and carried unchanged.
struct TSpareBlock {
  std::array<uint8_t, 10> Bytes{};
  std::array<int32_t, 10> Integers{};
  std::array<TEightBytes, 10> Values{};
  bool operator==(const TSpareBlock&) const = default;
};

class TAppBackupData {
public:
  // Created after the platform is installed: the default title is converted to the ANSI code page.
  TAppBackupData();

  std::string AppTitle;  // default "バックアップ"
  std::wstring SpareText1;
  TImageRecord SpareImage{"SpareImage"};
  TImageRecord IconImage{"IconImage"};
  std::string AboutTitle;
  TImageRecord AboutImage{"AboutImage"};
  std::string AboutUrl;
  std::wstring SpareText2;
  bool AllowPreview = true;
  bool ShowResult = true;
  bool RestoreChangedOnly = true;
  bool ClearRestoreTarget = false;
  bool WriteLog = false;
  std::string LogFileName;
  int32_t LogKeepCount = 10;
  bool SpareFlag1 = false;
  bool SpareFlag2 = false;
  bool IdlePriority = true;
  bool SpareFlag3 = false;
  std::array<std::wstring, 5> SpareTexts3To7;
  uint8_t ReservedByte = 0;     // read and written back unchanged
  TEightBytes ReservedValue{};  // read and written back unchanged
  bool AllowEdit = true;
  bool AutoRunOnVolume = false;
  bool AutoRunPreview = false;
  bool AutoRunQuiet = false;
  bool AutoRunEject = false;
  bool AutoRunRemove = false;
  int32_t WindowWidth = 0;
  int32_t WindowHeight = 0;
  TSpareBlock SpareBlock;
  std::array<std::wstring, 10> SpareTexts8To17;
};

}  // namespace vog
