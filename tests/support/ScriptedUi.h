#pragma once
// Scripted user interface for tests of long work: a message pump that performs the
// user's clicks at chosen calls, and a progress state that can stop at its Nth poll.
//
//   TScriptedPump pump;                 // installed for the object's lifetime
//   TScriptedProgress progress;
//   progress.StopAtPoll(3);             // the third StopRequested() sees the stop
//   pump.At(5, [&] { progress.Stop(); });          // stop at the 5th pump
//   pump.PauseThenResume(progress, 2, 4);          // pause at the 2nd pump, resume 4 pumps later
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "scan/Questions.h"

namespace vog::test {

class TScriptedPump : public IMessagePump {
public:
  TScriptedPump();
  ~TScriptedPump() override;
  TScriptedPump(const TScriptedPump&) = delete;
  TScriptedPump& operator=(const TScriptedPump&) = delete;

  // Runs `action` inside the `call`th ProcessMessages (counting from 1, nested calls
  // included). Several actions may share a call; they run in the order given.
  void At(int call, std::function<void()> action);
  // Presses pause inside pump call `call`; the pause loop pumps on, and inside the
  // `call + resumeAfter`th call pause is pressed again, which resumes the work.
  void PauseThenResume(TProgressState& progress, int call, int resumeAfter);

  int Calls() const { return calls_; }
  // Milliseconds the work asked to wait (no real time passes).
  unsigned Waited() const { return waited_; }
  // Deepest nesting of ProcessMessages seen (1 = never nested).
  int MaxDepth() const { return maxDepth_; }

  void ProcessMessages() override;
  void Wait(unsigned milliseconds) override { waited_ += milliseconds; }

private:
  std::multimap<int, std::function<void()>> actions_;
  int calls_ = 0;
  int depth_ = 0;
  int maxDepth_ = 0;
  unsigned waited_ = 0;
  IMessagePump* previous_ = nullptr;
};

class TScriptedProgress : public TProgressState {
public:
  // From the `poll`th call of StopRequested on (counting from 1), stop is pressed first.
  void StopAtPoll(int poll) { stopAtPoll_ = poll; }
  int Polls() const { return polls_; }

  bool StopRequested() override;

private:
  int stopAtPoll_ = 0;
  int polls_ = 0;
};

// Answers questions from a script, in order (TAnswer::None once the script is used up),
// and keeps every message asked. Installed for the object's lifetime.
class TScriptedQuestions : public IQuestions {
public:
  TScriptedQuestions();
  ~TScriptedQuestions() override;
  TScriptedQuestions(const TScriptedQuestions&) = delete;
  TScriptedQuestions& operator=(const TScriptedQuestions&) = delete;

  void Answer(TAnswer answer) { answers_.push_back(answer); }
  const std::vector<std::wstring>& Asked() const { return asked_; }

  TAnswer Ask(TQuestionKind kind, std::wstring_view message, TQuestionButtons buttons) override;

private:
  std::deque<TAnswer> answers_;
  std::vector<std::wstring> asked_;
  IQuestions* previous_ = nullptr;
};

}  // namespace vog::test
