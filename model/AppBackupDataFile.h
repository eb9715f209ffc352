#pragma once
// TAppBackupDataFile reads and writes the backup data file: the item list and the
// application block, enciphered as a whole (Blowfish, CTS) with the data-file key.
//
// Use: create, set FileName, Data and List, then Load or Save, destroy. Both raise
// vog::Error with the user-facing message on failure.
//
// Load parses the whole file before touching anything: on any failure the list and the
// application block are exactly as before, so a later save cannot write a half-loaded
// setup over a good file. Save writes the new file beside the old one and renames it into
// place, so a failure while saving leaves the current data file as it was.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/AppBackupData.h"
#include "model/BackupInfo.h"

namespace vog {

class TAppBackupDataFile {
public:
  // The path of the data file. The program keeps paths as ANSI text; the wide form is the
  // one the file system takes (and what vogtool uses, whose paths need not fit code page 932).
  std::wstring FileName;
  TAppBackupData* Data = nullptr;   // not owned
  TBackupInfoList* List = nullptr;  // not owned; Load frees the items it held

  void SetFileName(const std::wstring& value) { FileName = value; }
  void SetFileName(const std::string& ansi);
  void SetData(TAppBackupData* value) { Data = value; }
  void SetList(TBackupInfoList* value) { List = value; }

  void Load();
  void Save();
};

// The data-file key, built at run time from the program's constant texts (never stored
// whole). Exposed for tests that pin the file format.
std::string DataFileKey();

// The plain (deciphered) stream and back, for tests and tools. DecodePlainStream parses
// into `data` and `items` only; it raises the load error for anything malformed.
std::string EncodePlainStream(const TBackupInfoList& list, const TAppBackupData& data);
void DecodePlainStream(std::string_view plain, TAppBackupData& data, std::vector<std::unique_ptr<TBackupInfo>>& items);

}  // namespace vog
