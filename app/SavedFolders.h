#pragma once
// What both run sequences keep for the length of one run: the folder texts of items whose
// path macros were expanded for the run (put back at its end, whatever ended it).
#include <string>
#include <vector>

#include "base/Path.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"

namespace vog {

// The folder texts of one run's items whose macros were expanded, one slot per item
// (empty: nothing to put back).
struct TSavedFolders {
  std::vector<std::wstring> Sources, Dests;

  // `mainText` is the main destination's text, `mainFolder` its expansion for this run.
  void Expand(TBackupInfo& item, const std::wstring& mainText, const std::wstring& mainFolder) {
    Sources.emplace_back();
    Dests.emplace_back();
    if (HasMacro(item.SourceFolder)) {
      Sources.back() = item.SourceFolder;
      item.SetSourceFolder(ExpandMacros(item.SourceFolder));
    }
    if (HasMacro(item.DestFolder)) {
      Dests.back() = item.DestFolder;
      // The main destination is expanded once for the whole run: a date macro that turned
      // over between two items would otherwise put them in different folders, and the
      // folder check would find the item outside the destination it was checked against.
      const std::wstring prefix = AddBackslash(mainText);
      item.SetDestFolder(item.DestFolder == prefix + item.Title ? AddBackslash(mainFolder) + item.Title
                                                                : ExpandMacros(item.DestFolder));
    }
  }

  void PutBack(const TBackupInfoList& items) {
    for (size_t i = 0; i < Sources.size() && i < static_cast<size_t>(items.Count()); ++i) {
      TBackupInfo* item = items[static_cast<int>(i)];
      if (!Sources[i].empty()) item->SetSourceFolder(Sources[i]);
      if (!Dests[i].empty()) item->SetDestFolder(Dests[i]);
    }
  }
};

}  // namespace vog
