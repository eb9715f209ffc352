#include "scan/Progress.h"

#include "scan/MessagePump.h"

namespace vog {

int TProgressState::Percent(int64_t part, int64_t total) {
  if (total <= 0) return 0;
  // In floating point, as the bar always was: no overflow for sizes near 2^63.
  double percent = static_cast<double>(part) / static_cast<double>(total) * 100.0;
  if (!(percent > 0)) return 0;  // also NaN
  if (percent >= 100) return 100;
  return static_cast<int>(percent);
}

void TProgressState::SetPosition(int position) {
  if (position == position_) return;
  position_ = position;
  PositionChanged();
}

void TProgressState::SetTotal(int64_t bytes) { total_ = bytes; }

void TProgressState::SetDone(int64_t bytes) {
  done_ = bytes;
  SetPosition(Percent(done_, total_));
}

void TProgressState::ShowPartial(int64_t bytes) { SetPosition(Percent(done_ + bytes, total_)); }

void TProgressState::Stop() {
  stopRequested_ = true;
  copyCancel_.store(true);
}

void TProgressState::TogglePause() {
  if (paused_) {
    pauseCaption_ = kPauseCaption;
    paused_ = false;
    PauseChanged();
    return;
  }
  pauseCaption_ = kResumeCaption;
  paused_ = true;
  busyCursor_ = false;
  PauseChanged();
  // The hourglass comes back however the loop ends, also through an error.
  struct TRestoreCursor {
    bool& busy;
    ~TRestoreCursor() { busy = true; }
  } restore{busyCursor_};
  while (paused_) {
    MessagePump().Wait(100);
    MessagePump().ProcessMessages();
    if (stopRequested_) break;
  }
}

namespace {

class THeadlessFactory : public IProgressFactory {
public:
  std::unique_ptr<IProgress> CreateProgress() override { return std::make_unique<TProgressState>(); }
};

THeadlessFactory g_headless;
std::atomic<IProgressFactory*> g_factory{nullptr};

}  // namespace

IProgressFactory& ProgressFactory() {
  IProgressFactory* factory = g_factory.load(std::memory_order_acquire);
  return factory ? *factory : g_headless;
}

IProgressFactory* InstallProgressFactory(IProgressFactory* factory) {
  return g_factory.exchange(factory, std::memory_order_acq_rel);
}

}  // namespace vog
