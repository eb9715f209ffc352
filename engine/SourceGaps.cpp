// Source folders the walk did not enter (folders that could not be listed, directory
// links): each is reported, and mirroring keeps everything of the item's backup below it,
// since the run cannot know what the source holds there.
#include <algorithm>

#include "base/Text.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "scan/FolderWalk.h"

namespace vog {

namespace {

// Whether `relative` is the gap folder itself or lies below it ("" is the whole tree).
bool InsideGap(std::wstring_view relative, const std::wstring& gap) {
  if (gap.empty()) return true;
  if (relative.size() == gap.size()) return SameText(relative, gap);
  return relative.size() > gap.size() && relative[gap.size()] == L'\\' &&
         SameText(relative.substr(0, gap.size()), gap);
}

bool InsideAnyGap(std::wstring_view relative, const std::vector<std::wstring>& gaps) {
  return std::any_of(gaps.begin(), gaps.end(), [relative](const std::wstring& gap) { return InsideGap(relative, gap); });
}

}  // namespace

void TBackup::RecordSourceGaps(TBackupInfoAndFile& pair, const std::vector<TWalkGap>& gaps) {
  const TBackupInfo& item = *pair.Info;
  for (const TWalkGap& gap : gaps) {
    const std::wstring path = gap.RelativePath.empty() ? item.SourceFolder : item.SourceFolder + L"\\" + gap.RelativePath;
    pair.SourceGaps.push_back(gap.RelativePath);
    if (gap.Link) {
      // Not a failure: a link is left alone on purpose (one looping up the tree would
      // never end), and the list of problems says so.
      Problems.Add(TProblemKind::LinkSkipped, path, 0,
                   L"\"" + path + L"\" はリンク (ジャンクション、シンボリックリンク、マウントポイント) のため、"
                                  L"その中はバックアップしていません");
      continue;
    }
    TFileInfo named;
    named.SetFileName(path);
    RecordError(named, gap.Code);
    Problems.Add(TProblemKind::FolderUnreadable, path, gap.Code,
                 L"フォルダ \"" + path + L"\" を読み込めませんでした (" + IntToText(gap.Code) +
                     L")。その中はバックアップしておらず、ミラーリングでも削除していません");
  }
}

void TBackup::SpareSourceGaps(TBackupInfoAndFile& pair) {
  const std::vector<std::wstring>& gaps = pair.SourceGaps;
  if (gaps.empty()) return;
  pair.MirrorFiles.EditSlots([&gaps](std::vector<std::unique_ptr<TFileInfo>>& slots) {
    for (auto& slot : slots)
      if (InsideAnyGap(slot->RelativePath(), gaps)) slot.reset();
  });
  const std::wstring prefix = pair.Info->DestFolder + L"\\";
  for (int i = MirrorFolders.Count() - 1; i >= 0; --i) {
    const TFolderEntry& folder = MirrorFolders[i];
    if (folder.Item != pair.Info || !StartsWithText(folder.Path, prefix)) continue;
    if (InsideAnyGap(std::wstring_view(folder.Path).substr(prefix.size()), gaps)) MirrorFolders.Delete(i);
  }
}

}  // namespace vog
