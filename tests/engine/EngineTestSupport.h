#pragma once
// Shared set-up of the engine tests: drives D: (sources) and E: (destinations), items
// built from a few fields, and a progress factory whose windows are scripted.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/Backup.h"
#include "engine/BackupHistoryDatabase.h"
#include "model/BackupInfo.h"
#include "scan/Progress.h"
#include "support/MemoryFixture.h"
#include "support/ScriptedUi.h"

namespace vog::test {

// Makes scripted progress windows; window number `StopWindow` (counting from 1) sees a
// stop at its poll `StopPoll`. The captions of the windows shown are kept.
class TScriptedProgressFactory : public IProgressFactory {
public:
  int StopWindow = 0;
  int StopPoll = 1;
  int Made = 0;
  TScriptedProgress* Last = nullptr;  // valid while that window lives
  std::vector<std::wstring> Shown;

  TScriptedProgressFactory() { previous_ = InstallProgressFactory(this); }
  ~TScriptedProgressFactory() override { InstallProgressFactory(previous_); }
  std::unique_ptr<IProgress> CreateProgress() override {
    auto progress = std::make_unique<TWindow>(Shown);
    if (++Made == StopWindow) progress->StopAtPoll(StopPoll);
    Last = progress.get();
    return progress;
  }

private:
  class TWindow : public TScriptedProgress {
  public:
    explicit TWindow(std::vector<std::wstring>& shown) : shown_(shown) {}
    void Show() override {
      TScriptedProgress::Show();
      shown_.push_back(Caption());
    }

  private:
    std::vector<std::wstring>& shown_;
  };
  IProgressFactory* previous_ = nullptr;
};

// The full paths and the codes (Attr) of a list's records, in the list's order.
inline std::vector<std::wstring> FullPathsOf(const TOwnedFileInfoList& list) {
  std::vector<std::wstring> paths;
  for (const TFileInfo* r : list) paths.push_back(r->FullPath());
  return paths;
}
inline std::vector<uint32_t> CodesOf(const TOwnedFileInfoList& list) {
  std::vector<uint32_t> codes;
  for (const TFileInfo* r : list) codes.push_back(r->Attr);
  return codes;
}

// Lists (subfolder, name) records below `root` in `db`, the way earlier runs wrote them.
inline void ListInDatabase(TBackupHistoryDatabase& db, const std::wstring& root,
                           const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
  for (const auto& [sub, name] : entries) {
    auto record = std::make_unique<TBackupFileInfo>();
    record->SetPath(root, sub, name);
    db.Entries().Add(std::move(record));
  }
}

// Plans and executes `item` with its destination taken from `db`.
inline void RunWithDatabase(TBackup& backup, TBackupHistoryDatabase& db, TBackupInfo& item) {
  backup.SetHistoryDatabase(&db);
  backup.AddItem(&item);
  backup.Plan();
  backup.Execute();
}

class EngineTest : public MemoryTest {
protected:
  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddVolume(L"D:");
    Fs().AddVolume(L"E:");
  }

  // An item backing up D:\<name> into E:\Dst\<name>.
  TBackupInfo& Item(const std::wstring& name = L"Src", bool mirroring = true) {
    items_.push_back(std::make_unique<TBackupInfo>());
    TBackupInfo& item = *items_.back();
    item.Title = name;
    item.SourceFolder = L"D:\\" + name;
    item.DestFolder = L"E:\\Dst\\" + name;
    item.Condition.Mirroring = mirroring;
    return item;
  }

  static std::set<std::wstring> Paths(const TFileInfoList& list) {
    std::set<std::wstring> paths;
    for (const TFileInfo* record : list) paths.insert(record->FullPath());
    return paths;
  }
  static std::set<std::wstring> Paths(const TOwnedFileInfoList& list) { return Paths(list.View()); }
  static std::set<std::wstring> Paths(const TSortedFolderList& list) {
    std::set<std::wstring> paths;
    for (const TFolderEntry& entry : list) paths.insert(entry.Path);
    return paths;
  }

  TScriptedPump pump_;
  TScriptedProgressFactory windows_;
  std::vector<std::unique_ptr<TBackupInfo>> items_;
};

}  // namespace vog::test
