#pragma once
// The "過去のバージョン" window's rules, opened for one item: the item's backup as a tree of
// current and past paths (files that are gone marked as deleted), the versions of the
// chosen file (the current copy as "現在", then the history copies, newest first), and the
// restores: the chosen version to its original place (asked first; the file there is kept
// in the backup's history of today), to a chosen folder, and the chosen folder (the whole item at the root) as it
// was on a day. The window (app/win32/Win32PastVersionsWindow) shows and forwards; tests
// drive this through a recording view.
//
// Reading a big backup takes a while: LoadVersions does the reading and may run on a worker
// thread; Loaded takes its result on the user-interface thread. Load does both at once.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/PastVersions.h"
#include "model/BackupInfo.h"

namespace vog {

// One node of the tree: node 0 is the item itself.
struct TVersionNode {
  std::wstring Name;
  std::wstring Path;  // relative to the backup ("" for the item)
  bool Folder = false;
  bool Deleted = false;  // no current copy (of any file below, for a folder)
  int Parent = -1;
  std::vector<int> Children;  // folders first, then files, each by name
};

// One row of the versions list.
struct TVersionRow {
  std::wstring Date;  // "現在" or "yyyy/mm/dd"
  std::wstring Size;
  std::wstring LastWrite;
};

class IPastVersionsView {
public:
  virtual ~IPastVersionsView() = default;
  virtual void SetCaption(const std::wstring& caption) = 0;
  // The tree changed (after a load): node 0 and its children are to be shown.
  virtual void ShowTree() = 0;
  virtual void ShowVersions(const std::vector<TVersionRow>& rows) = 0;
  // The line under the lists: what is shown, or why nothing is.
  virtual void ShowStatus(const std::wstring& text) = 0;
  virtual void EnableActions(bool version, bool asOf) = 0;
  virtual void SetBusy(bool busy) = 0;
  virtual bool Confirm(const std::wstring& question) = 0;
  virtual void ShowError(const std::wstring& message) = 0;
  virtual void ShowInfo(const std::wstring& message) = 0;
  // The folder dialog, starting at `folder`; true with the folder chosen.
  virtual bool BrowseForFolder(const std::wstring& caption, std::wstring& folder) = 0;
  // The day picker: `days` (newest first) to choose from, or any date; true with `day`.
  virtual bool ChooseDay(const std::vector<TDateTime>& days, TDateTime& day) = 0;
  virtual bool AskCipherKey(std::string& key) = 0;
};

inline constexpr const wchar_t* kPastVersionsCaption = L"過去のバージョン";
inline constexpr const wchar_t* kCurrentVersion = L"現在";
inline constexpr const wchar_t* kDeletedMark = L" (削除済み)";
inline constexpr const wchar_t* kLoadingVersions = L"バックアップを読み込んでいます...";
inline constexpr const wchar_t* kNoBackup = L"この項目のバックアップがありません\r\n";
inline constexpr const wchar_t* kArchivedItem = L"圧縮する項目の過去のバージョンは表示できません";
inline constexpr const wchar_t* kNoHistory = L"この項目には過去のバージョンがありません (世代管理フォルダがありません)";
inline constexpr const wchar_t* kChooseRestoreFolder = L"リストア先のフォルダを選んでください";
inline constexpr const wchar_t* kRestoreFinishedText = L"リストアが終了しました";
inline constexpr const wchar_t* kKeyMissing = L"暗号キーを入力してください";

class TPastVersionsPresenter {
public:
  // `item` is copied: the window may outlive a change of the item list.
  TPastVersionsPresenter(IPastVersionsView& view, const TBackupInfo& item);

  // The caption and the first state; false when there is nothing to load (no backup, an
  // archived item), which the status then says.
  bool Open();
  std::unique_ptr<TPastVersions> LoadVersions() const;
  void Loaded(std::unique_ptr<TPastVersions> versions);
  void Load() { Loaded(LoadVersions()); }

  const std::vector<TVersionNode>& Nodes() const { return nodes_; }
  // The node chosen in the tree (-1: none).
  void Select(int node);
  // The row chosen in the versions list (-1: none).
  void SelectVersion(int row);

  void RestoreToOriginal();
  void RestoreToFolder();
  void RestoreAsOf();

  // What the actions write with; tests set a clock's day through the platform.
  std::string RunKey;

private:
  void BuildTree();
  int FolderNode(const std::wstring& path);
  bool KeyReady();
  bool ChooseFolder(std::wstring& folder);
  void ShowFailures(const std::vector<std::wstring>& failures);
  // Runs a restore with the key ready and the wait cursor, then says how it went.
  void Restoring(const std::function<std::vector<std::wstring>()>& restore);
  void Enable();
  const TVersionNode* Chosen() const;

  IPastVersionsView& view_;
  TBackupInfo item_;
  std::unique_ptr<TPastVersions> versions_;
  std::vector<TVersionNode> nodes_;
  std::map<std::wstring, int> folders_;  // upper-cased folder path -> node, while building
  std::vector<TFileVersion> shown_;
  int node_ = -1;
  int row_ = -1;
  std::wstring lastFolder_;
};

}  // namespace vog
