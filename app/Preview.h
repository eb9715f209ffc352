#pragma once
// The preview of a planned run: the copy list ("コピーファイル一覧") on the engine's lists,
// opened by the interactive run between Plan and Execute. Excluding entries in it changes
// those lists in place, so the run copies and deletes exactly what is left; OK continues
// the run, Cancel (or closing the window) ends it. The Windows program answers with its
// windows (app/win32/Win32Preview.h); tests answer from a script.
#include <cstdint>
#include <string>

#include "app/FileListForm.h"

namespace vog {

class TBackup;

// The lists of a plan that the preview shows and edits (not owned).
struct TPreviewLists {
  TFileInfoList* CopyFiles = nullptr;        // the files to copy, over all items
  TSortedFolderList* NewFolders = nullptr;   // the folders the run creates
  TFileInfoList* MirrorFiles = nullptr;      // the files mirroring deletes
  TSortedFolderList* MirrorFolders = nullptr;  // the folders mirroring removes
  // Take many records out of CopyFiles / MirrorFiles at once, freeing them from the
  // plan (unset: the lists' own Remove, one record at a time).
  TRecordsRemover RemoveCopyFiles;
  TRecordsRemover RemoveMirrorFiles;
};

// The engine's lists: GetAllCopyFiles, NewFolders, GetAllMirrorFiles, MirrorFolders.
TPreviewLists PreviewListsOf(TBackup& backup);

// How the preview looks and where it opens; the owner keeps it between runs.
struct TPreviewLook {
  std::wstring FontName;  // empty: the system's UI font
  int32_t FontSize = 9;
  bool FontChooserShown = false;
  TWindowPlace Place;  // where the copy list was last closed
};

class IPreview {
public:
  virtual ~IPreview() = default;
  // Shows the copy list modally (registration entries hidden, as a run does not read
  // them). True on OK; `look` comes back with the place, font and chooser state.
  virtual bool ShowCopyPreview(const TPreviewLists& lists, TPreviewLook& look) = 0;
};

// Sets a copy-list form up on `lists` and `look` as the run shows it.
void SetUpCopyPreview(TCopyFileListForm& form, const TPreviewLists& lists, const TPreviewLook& look);

}  // namespace vog
