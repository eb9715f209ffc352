// The buttons of the main window (backup, restore, version, destination folder) and the
// arrival of a volume, which may check the items of that drive, back them up and eject
// the medium.
#include <algorithm>

#include "app/MainForm.h"
#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/MessagePump.h"
#include "services/drives/Drives.h"

namespace vog {

namespace {

bool IsFolder(const std::wstring& path) {
  // "D:" alone names the drive's current folder to the system: ask for its root.
  const std::wstring asked = path.size() == 2 && path[1] == L':' ? path + L"\\" : path;
  uint32_t attributes = 0;
  return !path.empty() && Files().GetAttributes(asked, attributes) == 0 && (attributes & attr::Directory) != 0;
}

std::wstring Expanded(const std::wstring& text) { return HasMacro(text) ? ExpandMacros(text) : text; }

// Waits while the window's messages go on running.
void WaitPumping(unsigned milliseconds) {
  MessagePump().Wait(milliseconds);
  ProcessMessages();
}

}  // namespace

void TMainForm::BackupStartButtonClick() {
  if (Busy || !Dialogs) return;
  bool preview = Data.AllowPreview && Settings.IsPreview;
  if (!Dialogs->AskBackupStart(Data.AllowPreview, preview)) return;
  // A hidden check box is no choice of the person's: the stored one stays for the day the
  // preview is allowed again.
  if (Data.AllowPreview) Settings.IsPreview = preview;
  Guarded([&] {
    SetItemDestinations();
    RunBackup(Data.AllowPreview && preview, Data.ShowResult);
  });
}

void TMainForm::RestoreBtnClick() {
  if (Busy) return;
  Guarded([&] {
    if (!RestoreRun) throw Error(L"リストアを実行できません");
    RestoreRun();
  });
}

void TMainForm::PastVersionsClick(int index) {
  if (Busy || index < 0 || index >= Items.Count()) return;
  Guarded([&] {
    if (!PastVersionsRun) throw Error(L"過去のバージョンを表示できません");
    // The item's backup lies where a run would write it now.
    SetItemDestinations();
    PastVersionsRun(*Items[index]);
  });
}

void TMainForm::VerBtnClick() {
  if (!Dialogs) return;
  TAboutTexts texts;
  texts.Title = CodePage().AnsiToWide(Data.AboutTitle);
  texts.Url = CodePage().AnsiToWide(Data.AboutUrl);
  Dialogs->ShowAbout(texts);
}

bool TMainForm::ChooseDestination() {
  if (!Dialogs) return false;
  std::wstring folder = IsFolder(DestinationText) ? DestinationText : std::wstring();
  if (!Dialogs->BrowseForFolder(kChooseDestinationCaption, folder)) return false;
  // A drive root is kept as "D:", so that the items' folders read "D:\title".
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  DestinationText = folder;
  view_.ItemsChanged(-1);
  return true;
}

void TMainForm::DeviceChangeMessage(uint32_t event, uint32_t deviceType, uint32_t unitMask) {
  if (!Data.AutoRunOnVolume || event != kDeviceArrival || deviceType != kDeviceTypeVolume) return;
  // A run in progress keeps its items and check marks as they were when it started.
  if (Busy) return;
  std::wstring drive;
  for (int bit = 0; bit < 26; ++bit)
    if (unitMask & (1u << bit)) {
      drive = std::wstring(1, static_cast<wchar_t>(L'A' + bit)) + L":";
      break;
    }
  // A volume without a drive letter has nothing to back up to or from.
  if (drive.empty()) return;
  Guarded([&] {
    for (int failed = 0; !IsFolder(drive);) {
      if (++failed == kDriveWaitTests) throw Error(kDriveMissing);
      WaitPumping(kDriveWaitStep);
    }
    // The wait let other events run: one of them may have started a run meanwhile.
    if (Busy) return;
    const bool matched = SelectItemsForVolume(drive);
    view_.ItemsChanged(-1);
    if (!matched) return;
    SetItemDestinations();
    if (Data.AutoRunQuiet)
      RunQuietBackup();
    else
      RunBackup(Data.AutoRunPreview, true);
    if (Data.AutoRunEject) {
      WaitPumping(kDeviceSettleWait);
      EjectMedium(drive);  // a medium that stays in is no failure of the backup
    }
    if (Data.AutoRunRemove) {
      WaitPumping(kDeviceSettleWait);
      RequestDeviceRemoval(drive);
    }
  });
}

bool TMainForm::SelectItemsForVolume(const std::wstring& drive) {
  for (int row = 0; row < CheckList.Count(); ++row) CheckList.SetChecked(row, false);
  const std::wstring dest = Expanded(DestinationText);
  const bool destinationOnDrive = SameText(PathRoot(dest), drive);
  bool matched = false;
  const int count = std::min(Items.Count(), CheckList.Count());
  for (int i = 0; i < count; ++i) {
    const TBackupInfo& item = *Items[i];
    if (destinationOnDrive || SameText(PathRoot(Expanded(item.SourceFolder)), drive)) {
      CheckList.SetChecked(i, true);
      matched = true;
    }
    if (item.CheckVolumeLabel && GetVolumeLabel(dest) != item.VolumeLabel) CheckList.SetChecked(i, false);
  }
  return matched;
}

}  // namespace vog
