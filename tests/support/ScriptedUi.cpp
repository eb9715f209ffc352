#include "support/ScriptedUi.h"

#include <algorithm>

namespace vog::test {

TScriptedPump::TScriptedPump() : previous_(InstallMessagePump(this)) {}

TScriptedPump::~TScriptedPump() { InstallMessagePump(previous_); }

void TScriptedPump::At(int call, std::function<void()> action) { actions_.emplace(call, std::move(action)); }

void TScriptedPump::PauseThenResume(TProgressState& progress, int call, int resumeAfter) {
  At(call, [&progress] { progress.TogglePause(); });
  At(call + resumeAfter, [&progress] { progress.TogglePause(); });
}

void TScriptedPump::ProcessMessages() {
  const int call = ++calls_;
  ++depth_;
  maxDepth_ = std::max(maxDepth_, depth_);
  struct TLeave {
    int& depth;
    ~TLeave() { --depth; }
  } leave{depth_};
  // Copy the actions first: an action may pump (a pause) and add no entries meanwhile,
  // but erasing while iterating would still be fragile.
  std::vector<std::function<void()>> due;
  auto [first, last] = actions_.equal_range(call);
  for (auto it = first; it != last; ++it) due.push_back(it->second);
  actions_.erase(first, last);
  for (auto& action : due) action();
}

bool TScriptedProgress::StopRequested() {
  ++polls_;
  if (stopAtPoll_ > 0 && polls_ >= stopAtPoll_ && !TProgressState::StopRequested()) Stop();
  return TProgressState::StopRequested();
}

TScriptedQuestions::TScriptedQuestions() : previous_(InstallQuestions(this)) {}

TScriptedQuestions::~TScriptedQuestions() { InstallQuestions(previous_); }

TAnswer TScriptedQuestions::Ask(TQuestionKind, std::wstring_view message, TQuestionButtons) {
  asked_.emplace_back(message);
  if (answers_.empty()) return TAnswer::None;
  const TAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace vog::test
