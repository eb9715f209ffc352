#include "app/PastVersionsPresenter.h"

#include <algorithm>
#include <map>

#include "app/SizeText.h"
#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "engine/TransferPaths.h"
#include "engine/VersionRestore.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"

namespace vog {

namespace {

std::wstring DayText(TDateTime day) { return FormatDateTime(L"yyyy/mm/dd", day); }

std::wstring CodeText(uint32_t code) {
  const std::wstring text = Platform().Shell ? Platform().Shell->ErrorMessage(code) : FallbackErrorMessage(code);
  return text + L" (" + std::to_wstring(code) + L")";
}

std::wstring Expanded(const std::wstring& path) { return HasMacro(path) ? ExpandMacros(path) : path; }

}  // namespace

TPastVersionsPresenter::TPastVersionsPresenter(IPastVersionsView& view, const TBackupInfo& item) : view_(view) {
  item_.Assign(item);
}

bool TPastVersionsPresenter::Open() {
  view_.SetCaption(std::wstring(kPastVersionsCaption) + L" - " + item_.Title);
  view_.EnableActions(false, false);
  // Only a plain item keeps its versions as files; an archive's history is inside it.
  if (item_.Archive) {
    view_.ShowStatus(kArchivedItem);
    return false;
  }
  const std::wstring backup = Expanded(item_.DestFolder);
  if (backup.empty() || !PathExists(backup)) {
    view_.ShowStatus(kNoBackup + backup);
    return false;
  }
  view_.ShowStatus(kLoadingVersions);
  view_.SetBusy(true);
  return true;
}

std::unique_ptr<TPastVersions> TPastVersionsPresenter::LoadVersions() const {
  auto versions = std::make_unique<TPastVersions>(item_);
  versions->Load();
  return versions;
}

void TPastVersionsPresenter::Loaded(std::unique_ptr<TPastVersions> versions) {
  view_.SetBusy(false);
  versions_ = std::move(versions);
  BuildTree();
  view_.ShowTree();
  std::wstring status = versions_->DaysBelow(L"").empty() ? std::wstring(kNoHistory) : std::wstring();
  // Folders left out are said at once: a version the person looks for may be in one.
  for (const std::wstring& message : versions_->Problems.Messages()) {
    if (!status.empty()) status += L"\r\n";
    status += message;
  }
  view_.ShowStatus(status);
  Select(0);
}

int TPastVersionsPresenter::FolderNode(const std::wstring& path) {
  if (path.empty()) return 0;
  // Built in path order, so the parent of a folder is the last folder node on its way.
  const std::wstring parent(ParentFolderOf(path));
  const auto known = folders_.find(UpperText(path));
  if (known != folders_.end()) return known->second;
  const int parentNode = FolderNode(parent);
  TVersionNode node;
  node.Name = std::wstring(NamePartOf(path));
  node.Path = path;
  node.Folder = true;
  node.Deleted = true;
  node.Parent = parentNode;
  nodes_.push_back(std::move(node));
  const int index = static_cast<int>(nodes_.size()) - 1;
  nodes_[parentNode].Children.push_back(index);
  folders_.emplace(UpperText(path), index);
  return index;
}

void TPastVersionsPresenter::BuildTree() {
  nodes_.clear();
  folders_.clear();
  TVersionNode root;
  root.Name = item_.Title;
  root.Folder = true;
  root.Deleted = true;
  nodes_.push_back(std::move(root));
  // What is there now: the tree as of the last day there is (one pass, instead of every
  // file's versions).
  TDateTime lastDay = 0;
  TryEncodeDateTime(9999, 12, 30, 0, 0, 0, 0, lastDay);
  const TVersionTree now = versions_->AsOf(lastDay);
  for (const std::wstring& path : versions_->Paths()) {
    TVersionNode file;
    file.Name = std::wstring(NamePartOf(path));
    file.Path = path;
    const auto found = now.find(path);
    file.Deleted = found == now.end() || !found->second.Current;
    file.Parent = FolderNode(std::wstring(ParentFolderOf(path)));
    nodes_.push_back(std::move(file));
    const int index = static_cast<int>(nodes_.size()) - 1;
    nodes_[nodes_[index].Parent].Children.push_back(index);
    // A folder is there while any file below it is.
    for (int up = nodes_[index].Parent; up >= 0 && !nodes_[index].Deleted; up = nodes_[up].Parent)
      nodes_[up].Deleted = false;
  }
  for (TVersionNode& node : nodes_)
    std::stable_sort(node.Children.begin(), node.Children.end(), [this](int a, int b) {
      if (nodes_[a].Folder != nodes_[b].Folder) return nodes_[a].Folder;
      return CompareText(nodes_[a].Name, nodes_[b].Name) < 0;
    });
}

const TVersionNode* TPastVersionsPresenter::Chosen() const {
  return node_ >= 0 && node_ < static_cast<int>(nodes_.size()) ? &nodes_[node_] : nullptr;
}

void TPastVersionsPresenter::Select(int node) {
  node_ = node;
  row_ = -1;
  shown_.clear();
  std::vector<TVersionRow> rows;
  const TVersionNode* chosen = Chosen();
  if (versions_ && chosen && !chosen->Folder) {
    shown_ = versions_->VersionsOf(chosen->Path);
    for (const TFileVersion& version : shown_)
      rows.push_back({version.Current ? std::wstring(kCurrentVersion) : DayText(version.Day), SizeText(version.Size),
                      FormatDateTime(L"yyyy/mm/dd hh:nn:ss", version.LastWrite)});
  }
  view_.ShowVersions(rows);
  if (!rows.empty()) SelectVersion(0);
  Enable();
}

void TPastVersionsPresenter::SelectVersion(int row) {
  row_ = row >= 0 && row < static_cast<int>(shown_.size()) ? row : -1;
  Enable();
}

void TPastVersionsPresenter::Enable() {
  const TVersionNode* chosen = Chosen();
  view_.EnableActions(row_ >= 0, versions_ && chosen && chosen->Folder && nodes_.size() > 1);
}

bool TPastVersionsPresenter::KeyReady() {
  if (!item_.Encrypt || item_.Decrypt || !item_.CipherKey.empty() || !RunKey.empty()) return true;
  std::string key;
  if (!view_.AskCipherKey(key) || key.empty()) {
    view_.ShowError(kKeyMissing);
    return false;
  }
  RunKey = key;
  return true;
}

void TPastVersionsPresenter::ShowFailures(const std::vector<std::wstring>& failures) {
  if (failures.empty()) {
    view_.ShowInfo(kRestoreFinishedText);
    return;
  }
  std::wstring message = L"リストアできなかったファイルが " + std::to_wstring(failures.size()) + L" 個あります";
  // The first few say enough; the rest would make a box taller than the screen.
  for (size_t i = 0; i < failures.size() && i < 10; ++i) message += L"\r\n" + failures[i];
  if (failures.size() > 10) message += L"\r\n...";
  view_.ShowError(message);
}

void TPastVersionsPresenter::Restoring(const std::function<std::vector<std::wstring>()>& restore) {
  if (!KeyReady()) return;
  std::vector<std::wstring> failures;
  view_.SetBusy(true);
  try {
    failures = restore();
  } catch (const Error& error) {
    view_.SetBusy(false);
    view_.ShowError(error.Message());
    return;
  }
  view_.SetBusy(false);
  // A key typed wrong fails every file: the next restore asks again.
  if (!failures.empty() && item_.CipherKey.empty()) RunKey.clear();
  ShowFailures(failures);
}

bool TPastVersionsPresenter::ChooseFolder(std::wstring& folder) {
  // The dialog starts where the last restore went, at first beside the item's source.
  if (lastFolder_.empty()) lastFolder_ = std::wstring(ParentFolderOf(Expanded(item_.SourceFolder)));
  folder = lastFolder_;
  if (!view_.BrowseForFolder(kChooseRestoreFolder, folder) || folder.empty()) return false;
  lastFolder_ = folder;
  return true;
}

void TPastVersionsPresenter::RestoreToOriginal() {
  const TVersionNode* chosen = Chosen();
  if (row_ < 0 || !chosen) return;
  const TFileVersion version = shown_[static_cast<size_t>(row_)];
  const std::wstring place = AddBackslash(Expanded(item_.SourceFolder)) + chosen->Path;
  const std::wstring which = version.Current ? L"現在のバックアップ" : DayText(version.Day) + L" のバージョン";
  if (!view_.Confirm(L"\"" + place + L"\" を " + which +
                     L" に戻します\r\n今あるファイルはバックアップの今日の世代管理フォルダに残します\r\nよろしいですか？"))
    return;
  Restoring([&] {
    const uint32_t code = RestoreVersion(item_, chosen->Path, version, L"", RunKey, Clock().Now());
    return code == 0 ? std::vector<std::wstring>() : std::vector<std::wstring>{place + L"\r\n" + CodeText(code)};
  });
}

void TPastVersionsPresenter::RestoreToFolder() {
  const TVersionNode* chosen = Chosen();
  if (row_ < 0 || !chosen) return;
  const TFileVersion version = shown_[static_cast<size_t>(row_)];
  std::wstring folder;
  if (!ChooseFolder(folder)) return;
  Restoring([&] {
    const uint32_t code = RestoreVersion(item_, chosen->Path, version, folder, RunKey, Clock().Now());
    return code == 0 ? std::vector<std::wstring>()
                     : std::vector<std::wstring>{AddBackslash(folder) + chosen->Path + L"\r\n" + CodeText(code)};
  });
}

void TPastVersionsPresenter::RestoreAsOf() {
  const TVersionNode* chosen = Chosen();
  if (!versions_ || !chosen || !chosen->Folder) return;
  TDateTime day = 0;
  if (!view_.ChooseDay(versions_->DaysBelow(chosen->Path), day)) return;
  std::wstring folder;
  if (!ChooseFolder(folder)) return;
  Restoring([&] {
    std::vector<std::wstring> failures;
    for (const TVersionRestoreFailure& failure :
         RestoreVersionTree(item_, versions_->AsOf(day, chosen->Path), folder, RunKey, Clock().Now()))
      failures.push_back(failure.Path + L" : " + CodeText(failure.Code));
    return failures;
  });
}

}  // namespace vog
