// The mass-delete guard: the weighing of each item's planned deletions and the step of
// Execute that keeps them back (TBackup::HoldBackMassDeletions).
#include "engine/MirrorGuard.h"

#include <set>

#include "base/Text.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "scan/FileInfoList.h"
#include "scan/Questions.h"

namespace vog {

bool TMirrorGuard::Trips(int64_t deletions, int64_t destinationFiles) const noexcept {
  if (!Enabled || deletions <= MinimumFiles) return false;
  return deletions * 100 > static_cast<int64_t>(SharePercent) * destinationFiles;
}

int CountGuardedDestinationFiles(const TOwnedFileInfoList& destFiles) {
  // The folders (with their trailing "\") that hold a marker.
  std::set<std::wstring, TextLess> historyFolders;
  for (const TFileInfo* record : destFiles)
    if (record->FileName == kHistoryMarkerName)
      historyFolders.insert(record->FullPath().substr(0, record->FullPath().size() - record->FileName.size()));
  if (historyFolders.empty()) return destFiles.Count();
  int count = 0;
  for (const TFileInfo* record : destFiles) {
    const std::wstring path = record->FullPath();
    bool inside = false;
    for (size_t slash = path.find(L'\\'); slash != std::wstring::npos && !inside; slash = path.find(L'\\', slash + 1))
      inside = historyFolders.count(path.substr(0, slash + 1)) > 0;
    if (!inside) ++count;
  }
  return count;
}

std::wstring MirrorGuardQuestion(const TMirrorHold& hold) {
  return L"「" + hold.Title + L"」のミラーリングはバックアップ先の " + IntToText(hold.DestinationFiles) +
         L" 個のファイルのうち " + IntToText(hold.Deletions) +
         L" 個を削除します。\r\n削除してもよろしいですか？\r\n\r\n「いいえ」を選ぶと、この項目は削除せずにコピーだけを"
         L"行います。";
}

std::wstring MirrorHoldReport(const TMirrorHold& hold) {
  return L"「" + hold.Title + L"」のミラーリングはバックアップ先の " + IntToText(hold.DestinationFiles) +
         L" 個のファイルのうち " + IntToText(hold.Deletions) + L" 個を削除するところだったため、削除しませんでした";
}

void TBackup::HoldBackMassDeletions() {
  for (const auto& pair : Items) {
    const int deletions = pair->MirrorFiles.Count();
    if (!MirrorGuard.Trips(deletions, pair->DestinationFileCount)) continue;
    TMirrorHold hold{pair->Info->Title, deletions, pair->DestinationFileCount};
    if (MirrorGuardAsks && Questions().Ask(TQuestionKind::Confirmation, MirrorGuardQuestion(hold),
                                           TQuestionButtons::YesNo) == TAnswer::Yes)
      continue;
    // Nothing of the item is deleted: not its files, not its folders. The views may point
    // at the records, so they are emptied first.
    AllMirrorFiles.Clear();
    pair->MirrorFiles.Clear();
    for (int i = MirrorFolders.Count() - 1; i >= 0; --i)
      if (MirrorFolders[i].Item == pair->Info) MirrorFolders.Delete(i);
    Problems.Add(TProblemKind::DeletionsHeldBack, hold.Title, 0, MirrorHoldReport(hold));
    HeldBack.push_back(std::move(hold));
  }
}

}  // namespace vog
