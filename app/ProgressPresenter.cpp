#include "app/ProgressPresenter.h"

#include "app/RunTexts.h"
#include "platform/Platform.h"

namespace vog {

namespace {

constexpr wchar_t kSeparator[] = L"  ・  ";

}  // namespace

void TProgressPresenter::SetTotal(int64_t bytes) {
  TProgressState::SetTotal(bytes);
  // A new total is a new phase: its speed is measured afresh.
  started_ = false;
  pausedMs_ = 0;
  Note(Done(), true);
}

void TProgressPresenter::SetDone(int64_t bytes) {
  TProgressState::SetDone(bytes);
  Note(bytes, false);
}

void TProgressPresenter::ShowPartial(int64_t bytes) {
  TProgressState::ShowPartial(bytes);
  Note(Done() + bytes, false);
}

void TProgressPresenter::PauseChanged() {
  const uint64_t now = Clock().TickCount();
  if (Paused())
    pauseTick_ = now;
  else if (pauseTick_ != 0 && now >= pauseTick_)
    pausedMs_ += now - pauseTick_;
  if (!Paused()) pauseTick_ = 0;
  Refresh();
}

void TProgressPresenter::Note(int64_t current, bool force) {
  current_ = current;
  const uint64_t now = Clock().TickCount();
  if (!started_ && Total() > 0) {
    started_ = true;
    // The bytes already done when the clock started do not count towards the speed.
    startTick_ = now;
    startBytes_ = current;
  }
  if (!force && refreshed_ && now - lastRefresh_ < kRefreshMilliseconds) return;
  Refresh();
}

void TProgressPresenter::Refresh() {
  const uint64_t now = Clock().TickCount();
  lastRefresh_ = now;
  refreshed_ = true;
  std::wstring text;
  if (Total() > 0) {
    text = SizeText(current_) + L"/ " + SizeText(Total());
    while (!text.empty() && text.back() == L' ') text.pop_back();
    if (Paused()) {
      text += kSeparator;
      text += L"一時停止中";
    } else if (started_) {
      uint64_t running = now - startTick_;
      running = running > pausedMs_ ? running - pausedMs_ : 0;
      const int64_t copied = current_ - startBytes_;
      if (running >= kRateAfterMilliseconds && copied > 0) {
        const double rate = static_cast<double>(copied) * 1000.0 / static_cast<double>(running);
        text += kSeparator;
        text += RateText(rate);
        const int64_t left = Total() - current_;
        if (left > 0) {
          text += kSeparator;
          text += L"残り ";
          text += TimeLeftText(static_cast<double>(left) / rate);
        }
      }
    }
  }
  if (text == detail_) return;
  detail_ = std::move(text);
  DetailsChanged();
}

TTaskbarState TProgressPresenter::TaskbarState() const {
  if (Paused()) return TTaskbarState::Paused;
  if (Total() <= 0) return TTaskbarState::Indeterminate;
  return TTaskbarState::Normal;
}

TProgressLayout TProgressPresenter::LayoutFor(int animationWidth, int animationHeight) {
  TProgressLayout layout;
  layout.AnimationWidth = animationWidth;
  layout.AnimationHeight = animationHeight;
  const int needed = 2 * layout.AnimationLeft + animationWidth;
  if (layout.WindowWidth < needed) {
    layout.WindowWidth = needed + 3;
    layout.TextWidth = layout.WindowWidth - 2 * layout.TextLeft - 3;
    layout.StopLeft = layout.WindowWidth - 175;
    layout.PauseLeft = layout.WindowWidth - 93;
  }
  const int bottom = layout.AnimationTop + animationHeight;
  if (bottom >= 74) {
    const int grow = bottom - 73;
    layout.WindowHeight += grow;
    layout.StateTop += grow;
    layout.DetailTop += grow;
    layout.BarTop += grow;
    layout.ButtonTop += grow;
  }
  return layout;
}

}  // namespace vog
