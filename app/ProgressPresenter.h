#pragma once
// TProgressPresenter: the progress window's behaviour beyond the bar (TProgressState): the
// bytes done of the total, the speed and the time left, refreshed at most four times a
// second, the state of the taskbar button, and the layout for a large animation. The Win32
// window (app/win32/Win32ProgressWindow) derives from it and shows what it says.
#include <cstdint>
#include <string>

#include "scan/Progress.h"

namespace vog {

// What the taskbar button shows.
enum class TTaskbarState { None, Indeterminate, Normal, Paused };

// The window's layout, in design pixels (96 DPI).
struct TProgressLayout {
  int WindowWidth = 423, WindowHeight = 166;  // client size
  int TextLeft = 13, TextWidth = 397;         // the state text and the bar
  int StateTop = 77, DetailTop = 95, BarTop = 116;
  int ButtonTop = 140, StopLeft = 254, PauseLeft = 336;
  int AnimationLeft = 13, AnimationTop = 13, AnimationWidth = 272, AnimationHeight = 60;
};

class TProgressPresenter : public TProgressState {
public:
  // The details are refreshed at most this often while bytes are reported.
  static constexpr uint64_t kRefreshMilliseconds = 250;
  // The speed is shown once this much copying time has passed (shorter runs jump about).
  static constexpr uint64_t kRateAfterMilliseconds = 1000;

  void SetTotal(int64_t bytes) override;
  void SetDone(int64_t bytes) override;
  void ShowPartial(int64_t bytes) override;

  // "12.5 MB / 150 MB  ·  4.20 MB/秒  ·  残り 約 32 秒" while bytes are counted; empty
  // while there is no total (scanning). Speed and time left appear once enough has been
  // copied to say; while paused the line says so.
  const std::wstring& DetailText() const { return detail_; }
  TTaskbarState TaskbarState() const;
  // Bytes of the current total done so far, the part of the current file included.
  int64_t Current() const { return current_; }

  // The layout for an animation of the given size (design pixels): a larger one widens and
  // lengthens the window and moves the texts, the bar and the buttons down with it.
  static TProgressLayout LayoutFor(int animationWidth, int animationHeight);

protected:
  // Called when DetailText has changed (at most every kRefreshMilliseconds, or at once for a
  // pause or a new total).
  virtual void DetailsChanged() {}
  void PauseChanged() override;

private:
  void Note(int64_t current, bool force);
  void Refresh();

  int64_t current_ = 0;
  bool started_ = false;
  uint64_t startTick_ = 0;      // when bytes were first reported
  int64_t startBytes_ = 0;      // the bytes done at that moment
  uint64_t pausedMs_ = 0;       // time spent paused since then
  uint64_t pauseTick_ = 0;      // when the current pause began
  uint64_t lastRefresh_ = 0;
  bool refreshed_ = false;
  std::wstring detail_;
};

}  // namespace vog
