// Editing the item list of the main window: delete, move, rename, the item settings, new
// items, adding paths, importing data files, drops, and the save command. Every way into
// the list goes through CheckCandidate, so no item can join whose title fails to name
// exactly one folder of its own inside the destination.
#include <algorithm>

#include "app/MainForm.h"
#include "app/RunChecks.h"
#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "model/AppBackupDataFile.h"
#include "model/ItemFactory.h"
#include "model/TitleRules.h"
#include "platform/Platform.h"

namespace vog {

namespace {

// What FindClashes needs of an item: its folder below one common root, its archive.
std::unique_ptr<TBackupInfo> FolderStandIn(const TBackupInfo& item) {
  auto standIn = std::make_unique<TBackupInfo>();
  standIn->Title = item.Title;
  standIn->DestFolder = L"X:\\" + item.Title;
  standIn->Archive = item.Archive;
  standIn->ArchiveName = item.ArchiveName;
  return standIn;
}

bool IsDataFileName(const std::wstring& name) {
  const size_t length = std::wstring_view(kDataFileExtension).size();
  return name.size() >= length && SameText(std::wstring_view(name).substr(name.size() - length), kDataFileExtension);
}

}  // namespace

bool TMainForm::Guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const Error& error) {
    view_.ShowError(error.Message());
    return false;
  }
}

bool TMainForm::CanEdit() const {
  // A run holds pointers to the items: none may go, move or change under it.
  return Data.AllowEdit && !Busy;
}

std::wstring TMainForm::DefaultDataFilePath() const {
  return AddBackslash(Files().ProgramFolder()) + kDefaultDataFileName;
}

void TMainForm::CheckCandidate(const TBackupInfo& candidate, int except, const wchar_t* exactMessage) const {
  for (int i = 0; i < Items.Count(); ++i)
    if (i != except && Items[i]->Title == candidate.Title) throw Error(exactMessage);
  if (std::wstring problem = TitleProblem(candidate.Title); !problem.empty()) throw Error(problem);
  // Only clashes of the candidate count: a data file written before may hold others,
  // which the run refuses, and they must not block every edit.
  std::vector<std::unique_ptr<TBackupInfo>> standIns;
  std::vector<TBackupInfo*> items;
  for (int i = 0; i < Items.Count(); ++i) {
    if (i == except) continue;
    standIns.push_back(FolderStandIn(*Items[i]));
    items.push_back(standIns.back().get());
  }
  standIns.push_back(FolderStandIn(candidate));
  const TBackupInfo* self = standIns.back().get();
  items.push_back(standIns.back().get());
  const TClashes clashes = FindClashes(items);
  for (size_t i = 0; i < clashes.Items.size(); ++i)
    if (clashes.Items[i] == self) throw Error(clashes.Messages[i]);
}

void TMainForm::AppendItem(std::unique_ptr<TBackupInfo> item) {
  Items.Add(std::move(item));
  Modified = true;
}

void TMainForm::AddPathAsItem(const std::wstring& path) {
  uint32_t attributes = 0;
  if (Files().GetAttributes(path, attributes) != 0)
    throw Error(L"追加するフォルダまたはファイルが見つかりません\r\n" + path);
  std::unique_ptr<TBackupInfo> item = CreateItemFromPath(path);
  CheckCandidate(*item, -1, kTitleExists);
  AppendItem(std::move(item));
}

void TMainForm::ImportDataFile(const std::wstring& path) {
  TBackupInfoList imported;
  TAppBackupData block;
  TAppBackupDataFile file;
  file.SetFileName(path);
  file.SetData(&block);
  file.SetList(&imported);
  file.Load();
  // The pictures of the imported file replace the current ones; a file without a picture
  // leaves the current one (it would otherwise be lost at the next save).
  for (auto [target, source] : {std::pair{&Data.SpareImage, &block.SpareImage},
                                std::pair{&Data.IconImage, &block.IconImage},
                                std::pair{&Data.AboutImage, &block.AboutImage}})
    if (!source->Picture().Empty()) *target = *source;
  for (const TBackupInfo* item : imported) {
    // Checked against the items appended so far too: two items of one imported file with
    // one title would back up into one folder, each mirroring away the other's files.
    try {
      CheckCandidate(*item, -1, kTitleExists);
    } catch (const Error&) {
      RefreshItemList();
      throw;
    }
    auto copy = std::make_unique<TBackupInfo>();
    copy->Assign(*item);
    AppendItem(std::move(copy));
  }
}

void TMainForm::DropFiles(const std::vector<std::wstring>& names) {
  if (!CanEdit()) return;
  Guarded([&] {
    for (const std::wstring& name : names) {
      if (IsDataFileName(name))
        ImportDataFile(name);
      else
        AddPathAsItem(name);
      RefreshItemList();
      if (DataFilePath.empty()) DataFilePath = DefaultDataFilePath();
      Modified = true;
    }
  });
  view_.ItemsChanged(-1);
}

bool TMainForm::DeleteItem(int index) {
  if (!CanEdit() || index < 0 || index >= Items.Count()) return false;
  if (!view_.Confirm(kDeleteQuestion)) return false;
  Items.Remove(Items[index]);
  CheckList.Rows.erase(CheckList.Rows.begin() + index);
  Modified = true;
  view_.ItemsChanged(std::min(index, Items.Count() - 1));
  return true;
}

int TMainForm::MoveItem(int index, int delta) {
  const int to = index + delta;
  if (!CanEdit() || index < 0 || index >= Items.Count() || to < 0 || to >= Items.Count() ||
      (delta != 1 && delta != -1))
    return index;
  Items.Exchange(index, to);
  std::swap(CheckList.Rows[static_cast<size_t>(index)], CheckList.Rows[static_cast<size_t>(to)]);
  Modified = true;
  view_.ItemsChanged(to);
  return to;
}

bool TMainForm::RenameItem(int index) {
  if (!CanEdit() || index < 0 || index >= Items.Count() || !Dialogs) return false;
  TBackupInfo& item = *Items[index];
  std::wstring title = item.Title;
  if (!Dialogs->EditTitle(title) || title == item.Title) return false;
  return Guarded([&] {
    TBackupInfo candidate;
    candidate.Assign(item);
    candidate.Title = title;
    CheckCandidate(candidate, index, kTitleExistsOnRename);
    item.Title = title;
    CheckList.Rows[static_cast<size_t>(index)].first = title;
    Modified = true;
    view_.ItemsChanged(index);
  });
}

bool TMainForm::EditItemSettings(int index) {
  if (!CanEdit() || index < 0 || index >= Items.Count() || !Dialogs) return false;
  TBackupInfo& item = *Items[index];
  TBackupInfo copy;
  copy.Assign(item);
  if (!Dialogs->EditItem(copy, false)) return false;
  return Guarded([&] {
    if (copy.Title != item.Title || copy.Archive != item.Archive || copy.ArchiveName != item.ArchiveName)
      CheckCandidate(copy, index, kTitleExistsOnRename);
    item.Assign(copy);
    CheckList.Rows[static_cast<size_t>(index)].first = item.Title;
    Modified = true;
    view_.ItemsChanged(index);
  });
}

bool TMainForm::NewItem() {
  if (!CanEdit() || !Dialogs) return false;
  // The defaults of a dropped folder: mirroring and copies under a temporary name.
  auto item = std::make_unique<TBackupInfo>();
  item->Condition.Mirroring = true;
  item->UseTempFile = true;
  if (!Dialogs->EditItem(*item, true)) return false;
  return Guarded([&] {
    CheckCandidate(*item, -1, kTitleExists);
    AppendItem(std::move(item));
    RefreshItemList();
    if (DataFilePath.empty()) DataFilePath = DefaultDataFilePath();
    view_.ItemsChanged(Items.Count() - 1);
  });
}

bool TMainForm::SaveCommand() {
  // During a run the items hold their expanded folders, not the texts to be stored.
  if (Busy) return false;
  return Guarded([&] {
    const std::wstring path = DataFilePath.empty() ? DefaultDataFilePath() : DataFilePath;
    SaveDataFile(path);
    DataFilePath = path;
  });
}

}  // namespace vog
