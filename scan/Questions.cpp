#include "scan/Questions.h"

#include <atomic>

namespace vog {

namespace {

class TNoQuestions : public IQuestions {
public:
  TAnswer Ask(TQuestionKind, std::wstring_view, TQuestionButtons) override { return TAnswer::None; }
};

TNoQuestions g_noQuestions;
std::atomic<IQuestions*> g_questions{nullptr};

}  // namespace

IQuestions& Questions() {
  IQuestions* questions = g_questions.load(std::memory_order_acquire);
  return questions ? *questions : g_noQuestions;
}

IQuestions* InstallQuestions(IQuestions* questions) {
  return g_questions.exchange(questions, std::memory_order_acq_rel);
}

}  // namespace vog
