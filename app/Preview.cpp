#include "app/Preview.h"

#include <unordered_set>

#include "engine/Backup.h"

namespace vog {

namespace {

// Takes `records` out of the view and frees them from the pairs' lists: one pass over
// each list, where the view's Remove walks the lists once per record.
void FreeFromPlan(TBackup& backup, const std::vector<TFileInfo*>& records, bool mirroring) {
  const std::unordered_set<const TFileInfo*> gone(records.begin(), records.end());
  TFileInfoList& view = mirroring ? backup.AllMirrorFiles : backup.AllCopyFiles;
  std::vector<TFileInfo*> kept;
  kept.reserve(static_cast<size_t>(view.Count()));
  for (TFileInfo* record : view)
    if (!gone.count(record)) kept.push_back(record);
  view.Clear();
  view.Reserve(static_cast<int>(kept.size()));
  for (TFileInfo* record : kept) view.Add(record);
  for (const auto& pair : backup.Items) {
    (mirroring ? pair->MirrorFiles : pair->CopyFiles).EditSlots([&gone](auto& slots) {
      for (auto& slot : slots)
        if (slot && gone.count(slot.get())) slot.reset();
    });
  }
}

}  // namespace

TPreviewLists PreviewListsOf(TBackup& backup) {
  TPreviewLists lists;
  lists.CopyFiles = &backup.GetAllCopyFiles();
  lists.NewFolders = &backup.NewFolders;
  lists.MirrorFiles = &backup.GetAllMirrorFiles();
  lists.MirrorFolders = &backup.MirrorFolders;
  lists.RemoveCopyFiles = [&backup](const std::vector<TFileInfo*>& records) { FreeFromPlan(backup, records, false); };
  lists.RemoveMirrorFiles = [&backup](const std::vector<TFileInfo*>& records) { FreeFromPlan(backup, records, true); };
  return lists;
}

void SetUpCopyPreview(TCopyFileListForm& form, const TPreviewLists& lists, const TPreviewLook& look) {
  form.SetFileList(lists.CopyFiles);
  form.SetFolderList(lists.NewFolders);
  form.SetMirroringList(lists.MirrorFiles);
  form.SetMirroringFolderList(lists.MirrorFolders);
  form.RemoveFiles = lists.RemoveCopyFiles;
  form.RemoveMirroringFiles = lists.RemoveMirrorFiles;
  form.SetHideRegistration(true);
  form.SetTreeFont(look.FontName);
  form.SetTreeFontSize(look.FontSize);
  form.FontChooserShown = look.FontChooserShown;
}

}  // namespace vog
