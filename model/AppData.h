#pragma once
// TAppData: the per-installation settings in "Vogratel.ini" beside the program: window
// places, the main destination folder, the remembered preview choice, the time of the
// last backup and the check marks of the item list.
//
// Reading never fails: a missing file or key, or a number that cannot be read, gives the
// default. Writing failures are not reported. The file is written through TIniFile, so
// sections and keys this program does not know stay in it.
#include <cstdint>
#include <string>

namespace vog {

// The check marks of the main window's item list, by position (0-based here).
class ICheckList {
public:
  virtual ~ICheckList() = default;
  virtual int Count() const = 0;
  virtual bool Checked(int index) const = 0;
  virtual void SetChecked(int index, bool checked) = 0;
};

class TAppData {
public:
  // Settings file "Vogratel.ini" in the program's folder.
  TAppData();
  explicit TAppData(std::wstring fileName) : FileName(std::move(fileName)) {}

  std::wstring FileName;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t CopyResultWindowLeft = 0;
  int32_t CopyResultWindowTop = 0;
  int32_t CopyResultWindowWidth = 0;
  int32_t CopyResultWindowHeight = 0;
  int32_t CopyResultWindowErrorHeight = 0;
  std::wstring Dest;
  bool IsPreview = false;
  std::wstring Time;  // "yyyy/mm/dd hh:nn" of the last completed run, or empty

  // The check list the marks are read from and written to (not owned; may be null).
  void SetCheckList(ICheckList* list) { checkList_ = list; }

  // Every key but the check marks.
  void LoadSettings();
  // Marks of positions 1..count of the check list from section CheckBox (default checked).
  void LoadCheckMarks();
  // Every field, then the marks of positions 1..count; marks of later positions stay in
  // the file as they were.
  void SaveSettings();

private:
  ICheckList* checkList_ = nullptr;
};

}  // namespace vog
