#include "model/AppData.h"

#include "base/Text.h"
#include "model/IniFile.h"
#include "platform/Platform.h"

namespace vog {

namespace {
constexpr wchar_t kProgram[] = L"Program";
constexpr wchar_t kWindow[] = L"Window";
constexpr wchar_t kFolder[] = L"Folder";
constexpr wchar_t kInfo[] = L"Info";
constexpr wchar_t kCheckBox[] = L"CheckBox";
}  // namespace

TAppData::TAppData() : FileName(Files().ProgramFolder() + L"Vogratel.ini") {}

void TAppData::LoadSettings() {
  TIniFile ini;
  ini.Load(FileName);
  Left = ini.ReadInteger(kProgram, L"Left", 0);
  Top = ini.ReadInteger(kProgram, L"Top", 0);
  CopyResultWindowLeft = ini.ReadInteger(kWindow, L"CopyResultWindowLeft", 0);
  CopyResultWindowTop = ini.ReadInteger(kWindow, L"CopyResultWindowTop", 0);
  CopyResultWindowWidth = ini.ReadInteger(kWindow, L"CopyResultWindowWidth", 0);
  CopyResultWindowHeight = ini.ReadInteger(kWindow, L"CopyResultWindowHeight", 0);
  CopyResultWindowErrorHeight = ini.ReadInteger(kWindow, L"CopyResultWindowErrorHeight", 0);
  Dest = ini.ReadString(kFolder, L"Dest", L"");
  IsPreview = ini.ReadBool(kWindow, L"IsPreview", false);
  Time = ini.ReadString(kInfo, L"Time", L"");
}

void TAppData::LoadCheckMarks() {
  if (!checkList_) return;
  TIniFile ini;
  ini.Load(FileName);
  for (int i = 0; i < checkList_->Count(); ++i)
    checkList_->SetChecked(i, ini.ReadBool(kCheckBox, IntToText(i + 1), true));
}

void TAppData::SaveSettings() {
  TIniFile ini;
  ini.Load(FileName);
  const std::string before = ini.Bytes();
  ini.WriteInteger(kProgram, L"Left", Left);
  ini.WriteInteger(kProgram, L"Top", Top);
  ini.WriteInteger(kWindow, L"CopyResultWindowLeft", CopyResultWindowLeft);
  ini.WriteInteger(kWindow, L"CopyResultWindowTop", CopyResultWindowTop);
  ini.WriteInteger(kWindow, L"CopyResultWindowWidth", CopyResultWindowWidth);
  ini.WriteInteger(kWindow, L"CopyResultWindowHeight", CopyResultWindowHeight);
  ini.WriteInteger(kWindow, L"CopyResultWindowErrorHeight", CopyResultWindowErrorHeight);
  ini.WriteString(kFolder, L"Dest", Dest);
  ini.WriteBool(kWindow, L"IsPreview", IsPreview);
  ini.WriteString(kInfo, L"Time", Time);
  if (checkList_)
    for (int i = 0; i < checkList_->Count(); ++i) ini.WriteBool(kCheckBox, IntToText(i + 1), checkList_->Checked(i));
  // A file that already says all this stays as it is (an unattended run changes nothing
  // in it, and a program folder may be read-only).
  if (ini.Bytes() != before) ini.Save(FileName);  // a settings file that cannot be written is not reported
}

}  // namespace vog
