#pragma once
// The progress channel that long work reports to: the non-visual side of the progress
// window (bytes done of a total and the bar's percentage, the stop request, the copy
// cancel flag, pause and resume, the caption, state text and animation as values).
//
// The engine, the filters and the comparison see only IProgress. TProgressState holds
// the behaviour; the Win32 window derives from it, overrides the setters to also update
// its controls and calls Stop() and TogglePause() from its two buttons. Tests use it as
// it is, or a scripted subclass (tests/support/ScriptedUi.h).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vog {

// Which animation the window plays.
enum class TAnimationKind {
  None,
  FindFolder,  // the system's find-folder animation
  CopyFile,    // the system's copy-file animation (the window's default)
  DeleteFile,  // the system's delete-file animation
  Resource,    // resource `ResourceId` of the icon library
};

struct TProgressAnimation {
  TAnimationKind Kind = TAnimationKind::CopyFile;
  int ResourceId = 0;
  friend bool operator==(const TProgressAnimation&, const TProgressAnimation&) = default;
};

inline constexpr std::wstring_view kProgressCaption = L"コピー中";
inline constexpr std::wstring_view kPauseCaption = L"一時停止";
inline constexpr std::wstring_view kResumeCaption = L"再開";

class IProgress {
public:
  virtual ~IProgress() = default;

  virtual void SetTotal(int64_t bytes) = 0;
  // done := bytes; the bar shows done / total (0 while total is 0).
  virtual void SetDone(int64_t bytes) = 0;
  // Shows (done + bytes) / total without changing done: the part of the current file
  // copied or enciphered so far.
  virtual void ShowPartial(int64_t bytes) = 0;

  // Polled by the work at its own points; once set it stays set.
  virtual bool StopRequested() = 0;
  // Handed to the file copy as its cancel flag. The work clears it before each copy;
  // the stop button sets it so that a running copy ends at once.
  virtual std::atomic<bool>& CopyCancelFlag() = 0;

  virtual void SetCaption(std::wstring_view caption) = 0;
  virtual void SetStateText(std::wstring_view text) = 0;
  virtual void SetAnimation(const TProgressAnimation& animation) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  // Shows the window (non-modal). The work calls it once after setting it up.
  virtual void Show() = 0;
};

class TProgressState : public IProgress {
public:
  TProgressState() = default;
  TProgressState(const TProgressState&) = delete;
  TProgressState& operator=(const TProgressState&) = delete;

  void SetTotal(int64_t bytes) override;
  void SetDone(int64_t bytes) override;
  void ShowPartial(int64_t bytes) override;
  bool StopRequested() override { return stopRequested_; }
  std::atomic<bool>& CopyCancelFlag() override { return copyCancel_; }
  void SetCaption(std::wstring_view caption) override { caption_ = caption; }
  void SetStateText(std::wstring_view text) override { stateText_ = text; }
  void SetAnimation(const TProgressAnimation& animation) override { animation_ = animation; }
  void SetStopEnabled(bool enabled) override { stopEnabled_ = enabled; }
  void Show() override { shown_ = true; }

  // The stop button: stop requested, and the running copy is cancelled.
  virtual void Stop();
  // The pause button. While running: the button reads "再開" and the call holds the
  // caller in a loop (wait 100 ms, let messages run) until the button is pressed again
  // (a nested call resumes) or stop is pressed. While paused: the button reads
  // "一時停止" again and the outer call's loop ends. After a stop during a pause the
  // button keeps "再開".
  virtual void TogglePause();

  // The values a view shows.
  int64_t Total() const { return total_; }
  int64_t Done() const { return done_; }
  int Position() const { return position_; }  // the bar, 0 to 100
  bool Paused() const { return paused_; }
  bool Shown() const { return shown_; }
  bool StopEnabled() const { return stopEnabled_; }
  bool BusyCursor() const { return busyCursor_; }
  const std::wstring& Caption() const { return caption_; }
  const std::wstring& StateText() const { return stateText_; }
  const std::wstring& PauseButtonCaption() const { return pauseCaption_; }
  const TProgressAnimation& Animation() const { return animation_; }

protected:
  // Hooks for a view; the state is already updated when they run.
  virtual void PositionChanged() {}
  virtual void PauseChanged() {}

  // Percentage of `part` in `total`, truncated; 0 when total is 0 or less, and kept
  // within 0 to 100 (more bytes than announced, as when a file grew, show a full bar).
  static int Percent(int64_t part, int64_t total);

private:
  void SetPosition(int position);

  int64_t total_ = 0;
  int64_t done_ = 0;
  int position_ = 0;
  bool stopRequested_ = false;
  std::atomic<bool> copyCancel_{false};
  bool paused_ = false;
  bool shown_ = false;
  bool stopEnabled_ = true;
  bool busyCursor_ = true;
  std::wstring caption_{kProgressCaption};
  std::wstring stateText_;
  std::wstring pauseCaption_{kPauseCaption};
  TProgressAnimation animation_;
};

// Makes the progress windows of long work. The program installs a factory of its Win32
// window; the default makes headless TProgressState objects.
class IProgressFactory {
public:
  virtual ~IProgressFactory() = default;
  virtual std::unique_ptr<IProgress> CreateProgress() = 0;
};

IProgressFactory& ProgressFactory();
// Installs `factory` (not owned; null restores the default); returns the previous one.
IProgressFactory* InstallProgressFactory(IProgressFactory* factory);

}  // namespace vog
