#pragma once
// Test doubles of the main form's tests: a view that records what the form asked of the
// window, and a backup runner that records what a run gave it and hands back result lists
// the test prepared.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/BackupRunner.h"
#include "app/MainForm.h"
#include "base/Error.h"
#include "model/AppBackupDataFile.h"
#include "scan/FileInfoList.h"
#include "support/MemoryFixture.h"

namespace vog::test {

class TRecordingView : public IMainView {
public:
  std::vector<std::wstring> Errors;
  std::vector<std::wstring> Questions;
  TAnswer Answer = TAnswer::No;
  std::vector<std::string> Calls;  // "Hide", "Minimise", "Idle", "Normal"

  void ShowError(const std::wstring& message) override { Errors.push_back(message); }
  TAnswer Ask(const std::wstring& question) override {
    Questions.push_back(question);
    return Answer;
  }
  void SetCaption(const std::wstring&) override {}
  void HideForQuietRun() override { Calls.push_back("Hide"); }
  void Minimise() override { Calls.push_back("Minimise"); }
  void SetIdlePriority(bool idle) override { Calls.push_back(idle ? "Idle" : "Normal"); }
  void SetBusyCursor(bool) override {}
  void EnableRunButtons(bool) override {}
};

// What one scripted run was given.
struct TRunRecord {
  std::vector<std::wstring> Titles;   // items added, in order
  std::vector<std::wstring> Sources;  // their SourceFolder when added
  std::vector<std::wstring> Calls;    // "Plan", "History <folder> <days>", "Execute"
  bool Silent = false;
  TMirrorGuard Guard;
  bool GuardAsks = true;
  int32_t RetryCount = -1, RetryWait = -1;
  bool Verify = false;
  int32_t Threads = -1;
  std::string RunKey;
};

class TScriptedRunner : public IBackupRunner {
public:
  explicit TScriptedRunner(TRunRecord& record) : record_(record) {}
  TOwnedFileInfoList Copied, Errors, Mirrored;
  std::vector<TMirrorHold> Holds;
  bool FailPlan = false;
  bool FailExecute = false;
  bool StopInPlan = false;  // the person pressed stop while the run was planned

  void SetHistoryDatabase(TBackupHistoryDatabase*) override {}
  void SetWorkFolder(const std::wstring&) override {}
  void SetSilent(bool silent) override { record_.Silent = silent; }
  void SetCopyAcl(bool) override {}
  void SetCopyCreationTime(bool) override {}
  void SetMirrorGuard(const TMirrorGuard& guard, bool ask) override {
    record_.Guard = guard;
    record_.GuardAsks = ask;
  }
  void SetRetry(int32_t count, int32_t wait) override {
    record_.RetryCount = count;
    record_.RetryWait = wait;
  }
  void SetVerify(bool verify) override { record_.Verify = verify; }
  void SetThreads(int32_t threads) override { record_.Threads = threads; }
  void SetRunCipherKey(const std::string& key) override { record_.RunKey = key; }
  void AddItem(TBackupInfo* item) override {
    record_.Titles.push_back(item->Title);
    record_.Sources.push_back(item->SourceFolder);
  }
  void Plan() override {
    record_.Calls.push_back(L"Plan");
    if (FailPlan) throw Error(L"計画に失敗しました");
  }
  TPreviewLists PreviewLists() override { return {}; }
  void RemoveExpiredHistory(const std::wstring& folder, bool, int32_t days) override {
    record_.Calls.push_back(L"History " + folder + L" " + std::to_wstring(days));
  }
  void Execute() override {
    record_.Calls.push_back(L"Execute");
    if (FailExecute) throw Error(L"実行に失敗しました");
  }
  bool Stopped() override { return StopInPlan; }
  TFileInfoList CopiedFiles() override { return Copied.View(); }
  TFileInfoList ErrorFiles() override { return Errors.View(); }
  TFileInfoList AllMirrorFiles() override { return Mirrored.View(); }
  const std::vector<TMirrorHold>& HeldBack() override { return Holds; }
  const TRunProblems& Problems() override { return RunProblems; }
  TRunProblems RunProblems;

private:
  TRunRecord& record_;
};

inline std::unique_ptr<TFileInfo> MakeRecord(const std::wstring& root, const std::wstring& name, uint32_t attr = 0) {
  auto record = std::make_unique<TBackupFileInfo>();
  record->SetPath(root, L"", name);
  record->SetAttr(attr);
  record->SetSize(10);
  return record;
}

// A memory platform with the program in C:\Program\ and a form whose runs are recorded.
class AppTest : public MemoryTest {
protected:
  TRecordingView View;
  std::vector<TRunRecord> Runs;
  // Prepares each runner the factory makes (after it was recorded).
  std::function<void(TScriptedRunner&)> PrepareRunner;

  std::unique_ptr<TMainForm> MakeForm(std::vector<std::wstring> arguments) {
    auto form = std::make_unique<TMainForm>(View, std::move(arguments));
    form->RunnerFactory = [this]() -> std::unique_ptr<IBackupRunner> {
      Runs.emplace_back();
      auto runner = std::make_unique<TScriptedRunner>(Runs.back());
      if (PrepareRunner) PrepareRunner(*runner);
      return runner;
    };
    return form;
  }

  // The destination the settings file gives the next form.
  void StoreDestination(const std::wstring& dest) {
    TAppData settings;
    settings.Dest = dest;
    settings.SaveSettings();
  }

  // Writes a data file with one item per title (source C:\Src\<title>) and the block.
  void WriteDataFile(const std::wstring& path, const std::vector<std::wstring>& titles,
                     const TAppBackupData& data = TAppBackupData()) {
    TBackupInfoList list;
    for (const std::wstring& title : titles) {
      TBackupInfo& item = *list[list.Add(std::make_unique<TBackupInfo>())];
      item.Title = title;
      item.SourceFolder = L"C:\\Src\\" + title;
    }
    TAppBackupData block;
    block.AppTitle = data.AppTitle;
    block.WriteLog = data.WriteLog;
    block.LogFileName = data.LogFileName;
    block.IdlePriority = data.IdlePriority;
    block.WindowWidth = data.WindowWidth;
    Fs().AddFolder(path.substr(0, path.rfind(L'\\')));
    TAppBackupDataFile file;
    file.SetFileName(path);
    file.SetData(&block);
    file.SetList(&list);
    file.Save();
  }
};

}  // namespace vog::test
