// The file-list windows' presenters: the tree, its menu, taking entries out, the labels.
#include "app/FileListForm.h"

#include <algorithm>
#include <set>

#include "app/SizeText.h"
#include "base/Path.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"

namespace vog {

// ---- TFileListForm ---------------------------------------------------------------------

namespace {

// The folder a file lies in, without a closing "\" unless it is a drive's root.
std::wstring FolderOfFile(const TFileInfo& record) {
  std::wstring folder = record.FolderPath();
  if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

}  // namespace

void TFileListForm::FormShow() {
  static const TFileInfoList kNone;
  // A window that says what is going on while a long list becomes a tree; it cannot stop
  // the building (a half tree would hide files the run still copies).
  std::unique_ptr<IProgress> progress = ProgressFactory().CreateProgress();
  progress->SetCaption(L"ファイル一覧を作成中...");
  progress->SetStateText(L"ファイル一覧を作成しています");
  progress->SetAnimation(TProgressAnimation{TAnimationKind::FindFolder, 0});
  progress->SetStopEnabled(false);
  progress->Show();
  tree_.Build(fileList_ ? *fileList_ : kNone, [] { ProcessMessages(); });
}

std::wstring TFileListForm::FolderToOpen(int node) const {
  if (node < 0) return {};
  const TTreeNode& at = tree_.Node(node);
  if (at.Kind == TNodeKind::File) return FolderOfFile(*at.File);
  if (at.Kind == TNodeKind::Root) return at.Text.size() == 2 ? at.Text + L"\\" : at.Text;
  // A folder: where its first file lies, else the path the node stands for.
  for (int child : at.Children)
    if (tree_.Node(child).Kind == TNodeKind::File) return FolderOfFile(*tree_.Node(child).File);
  const std::wstring path = tree_.NodePath(node);
  return path.size() == 2 && path[1] == L':' ? path + L"\\" : path;
}

void TFileListForm::RegisterFile(int node, bool target) {
  if (!IsFileNode(node)) return;
  const TFileInfo* record = tree_.Node(node).File;
  const auto* backupRecord = dynamic_cast<const TBackupFileInfo*>(record);
  (target ? RegisteredTargets : RegisteredExcluded)
      .try_emplace(record->FileName, backupRecord ? backupRecord->BackupInfo : nullptr);
}

std::wstring TFileListForm::FolderListPath(int node) const {
  // A source folder stands for its copy: the item's source folder at the front of the
  // node's path becomes the item's destination folder. A node above the source folder
  // (a drive, a parent) stands for no destination folder; its children are mapped on
  // their own.
  const TBackupInfo* item = tree_.Node(node).Item;
  const std::wstring path = tree_.NodePath(node);
  const std::wstring& source = item->SourceFolder;
  if (source.empty() || path.size() < source.size() || !StartsWithText(path, source) ||
      (path.size() > source.size() && path[source.size()] != L'\\' && source.back() != L'\\'))
    return {};
  return item->DestFolder + path.substr(source.size());
}

void RemoveFolderEntries(TSortedFolderList& list, std::wstring_view folder) {
  int index = 0;
  if (list.Find(folder, index)) list.Delete(index);
  // What lies below the folder: the entries beginning with "<folder>\", which sort
  // together. (A sibling that merely begins with the same letters, as "sub2" beside
  // "sub", is not below it and stays.)
  const std::wstring below = std::wstring(folder) + L'\\';
  list.Find(below, index);
  while (index < list.Count() && StartsWithText(list[index].Path, below)) list.Delete(index);
}

bool TFileListForm::Exclude(int node) {
  if (!CanExclude() || node < 0 || node >= tree_.NodeCount() || tree_.Node(node).Removed) return false;
  std::vector<TFileInfo*> records;
  std::vector<std::wstring> folders;
  tree_.Remove(node, [&](int at) {
    const TTreeNode& removed = tree_.Node(at);
    if (removed.Kind == TNodeKind::File) {
      records.push_back(removed.File);
    } else if (removed.Item && folderList_) {
      std::wstring path = FolderListPath(at);
      if (!path.empty()) folders.push_back(std::move(path));
    }
  });
  if (RemoveFiles) {
    if (!records.empty()) RemoveFiles(records);
  } else if (fileList_) {
    for (TFileInfo* record : records) fileList_->Remove(record);
  }
  for (const std::wstring& folder : folders) RemoveFolderEntries(*folderList_, folder);
  AfterExclude();
  return true;
}

// ---- TMirroringFileListForm ----------------------------------------------------------

std::wstring TMirroringFileListForm::FolderListPath(int node) const { return tree_.NodePath(node); }

// ---- TCopyFileListForm ---------------------------------------------------------------

std::wstring TCopyFileListForm::FileSizeText() const {
  return fileList_ ? CountAndSizeText(fileList_->Count(), fileList_->TotalSize()) : CountAndSizeText(0, 0);
}

std::wstring TCopyFileListForm::MirroringSizeText() const {
  return mirroringList_ ? CountAndSizeText(mirroringList_->Count(), mirroringList_->TotalSize())
                        : CountAndSizeText(0, 0);
}

std::vector<std::wstring> TCopyFileListForm::DestinationDrives() const {
  std::set<std::wstring, TextLess> drives;
  const TBackupInfo* last = nullptr;
  if (fileList_) {
    for (const TFileInfo* record : *fileList_) {
      const auto* backupRecord = dynamic_cast<const TBackupFileInfo*>(record);
      if (!backupRecord || !backupRecord->BackupInfo || backupRecord->BackupInfo == last) continue;
      last = backupRecord->BackupInfo;
      drives.insert(PathRoot(last->DestFolder));
    }
  }
  return {drives.begin(), drives.end()};
}

double TCopyFileListForm::CopySizeKilobytes() const {
  return fileList_ ? static_cast<double>(fileList_->TotalSize()) / 1024.0 : 0.0;
}

std::unique_ptr<TMirroringFileListForm> TCopyFileListForm::MakeMirroringForm() const {
  auto form = std::make_unique<TMirroringFileListForm>();
  form->SetFileList(mirroringList_);
  form->SetFolderList(mirroringFolderList_);
  form->SetTreeFont(FontName);
  form->SetTreeFontSize(FontSize);
  form->SetHideRegistration(HideRegistration);
  form->RemoveFiles = RemoveMirroringFiles;
  return form;
}

void TCopyFileListForm::MirroringFormClosed(const TMirroringFileListForm& form, const TWindowPlace& place) {
  RegisteredTargets.insert(form.RegisteredTargets.begin(), form.RegisteredTargets.end());
  RegisteredExcluded.insert(form.RegisteredExcluded.begin(), form.RegisteredExcluded.end());
  MirroringPlace = place;
}

bool TCopyFileListForm::ChooseFont(const std::wstring& name, const std::wstring& sizeText) {
  if (name.empty()) return false;
  if (name != kFontSeparator) FontName = name;
  int64_t size = 0;
  if (!sizeText.empty() && std::all_of(sizeText.begin(), sizeText.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }) &&
      TryTextToInt(sizeText, size) && size > 0 && size <= 1000)
    FontSize = static_cast<int32_t>(size);
  return !FontName.empty();
}

const std::vector<std::wstring>& TCopyFileListForm::FontSizes() {
  static const std::vector<std::wstring> sizes{L"8",  L"9",  L"10", L"11", L"12", L"13", L"14", L"16", L"18",
                                               L"20", L"22", L"24", L"26", L"28", L"30", L"36", L"48", L"72"};
  return sizes;
}

}  // namespace vog
