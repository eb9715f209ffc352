#pragma once
// The run windows answered from a script: progress windows are scripted progress states
// (the last one made stays reachable), and every result, free-space and error-list window
// shown is recorded with what it was given. Installed as the progress factory for the
// object's lifetime.
#include <memory>
#include <string>
#include <vector>

#include "app/ResultPresenter.h"
#include "app/RunWindows.h"
#include "support/ScriptedUi.h"

namespace vog::test {

class TScriptedRunWindows : public IRunWindows {
public:
  struct TShownResult {
    std::wstring SuccessLabel, ErrorLabel, MirroringLabel;
    std::vector<std::wstring> Problems;
  };
  std::vector<TShownResult> Results;
  std::vector<std::vector<std::wstring>> ErrorLists;
  std::vector<std::pair<double, std::vector<std::wstring>>> FreeSpace;
  TScriptedProgress* LastProgress = nullptr;  // valid while that window lives
  int ProgressWindows = 0;

  TScriptedRunWindows() { previous_ = InstallProgressFactory(this); }
  ~TScriptedRunWindows() override { InstallProgressFactory(previous_); }
  TScriptedRunWindows(const TScriptedRunWindows&) = delete;
  TScriptedRunWindows& operator=(const TScriptedRunWindows&) = delete;

  std::unique_ptr<IProgress> CreateProgress() override {
    auto progress = std::make_unique<TScriptedProgress>();
    LastProgress = progress.get();
    ++ProgressWindows;
    return progress;
  }
  void ShowResult(const TRunResult& result, TAppData&) override {
    const TResultPresenter presenter(result);
    Results.push_back(
        {presenter.SuccessLabel(), presenter.ErrorLabel(), presenter.MirroringLabel(), presenter.Problems()});
  }
  void ShowFreeSpace(double copyKilobytes, const std::vector<std::wstring>& drives) override {
    FreeSpace.emplace_back(copyKilobytes, drives);
  }
  void ShowErrorList(const TFileInfoList& failed) override { ErrorLists.push_back(ErrorListRows(failed)); }

private:
  IProgressFactory* previous_ = nullptr;
};

}  // namespace vog::test
