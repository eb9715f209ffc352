// The history database reader on arbitrary bytes. Errors are expected; crashes and reads
// past a buffer are not. What it reads must save and read back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "engine/BackupHistoryDatabase.h"
#include "platform/memory/MemoryPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vog;
  static bool installed = [] {
    InstallPlatform(CreateMemoryPlatform());
    return true;
  }();
  (void)installed;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TBackupHistoryDatabase db;
  try {
    db.Parse(bytes, L"fuzz");
  } catch (const Error&) {
    return 0;
  }
  const std::string saved = db.Serialise();
  TBackupHistoryDatabase again;
  again.Parse(saved, L"again");  // must not raise
  if (again.Entries().Count() != db.Entries().Count() || again.Serialise() != saved) __builtin_trap();

  // A query over whatever was read. Re-rooting may spell a folder field differently
  // ("F" becomes "F\" for a file directly in the queried folder), never a path.
  std::vector<std::wstring> paths;
  for (const TFileInfo* e : db.Entries()) paths.push_back(e->FullPath());
  TOwnedFileInfoList target;
  if (db.Entries().Count() > 0) {
    std::wstring folder = db.Entries()[0]->RootFolder() + db.Entries()[0]->SubFolder();
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    db.SetFolder(folder);
    db.SetTarget(&target);
    db.SetIncludeSubFolders(size % 2 == 0);
    db.FillFolder();
    for (size_t i = 0; i < paths.size(); ++i) {
      // The root takes the query's letter case.
      if (!SameText(db.Entries()[static_cast<int>(i)]->FullPath(), paths[i])) __builtin_trap();
    }
    if (target.Count() == 0 && !folder.empty() && size % 2 == 0) __builtin_trap();  // the first entry itself
  }
  return 0;
}
