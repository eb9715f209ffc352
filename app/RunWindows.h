#pragma once
// IRunWindows: the windows a run opens, as the run sequences and the restore ask for them.
// The Windows program answers with real windows (app/win32/Win32RunWindows); tests answer
// from a script. Install it as the progress factory (scan/Progress.h) for the length of a
// run, so the engine's progress windows are its own; the other three calls show their
// window modally and return when it is closed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/WindowPlace.h"
#include "base/DateTime.h"
#include "model/AppData.h"
#include "scan/FileInfoList.h"
#include "scan/Progress.h"
#include "scan/RunProblems.h"

namespace vog {

// What a run did, as the result window shows it. The lists are not owned and must live
// while the window is open.
struct TRunResult {
  const TFileInfoList* Copied = nullptr;    // the engine's CopiedFiles
  const TFileInfoList* Failed = nullptr;    // ErrorFiles: each record's Attr holds its error code
  const TFileInfoList* Mirrored = nullptr;  // what mirroring deleted (AllMirrorFiles)
  const TRunProblems* Problems = nullptr;   // what the lists cannot say; may be null
  TDateTime Elapsed = 0;                    // end - start, in days
};


class IRunWindows : public IProgressFactory {
public:
  // A progress window; the work shows it when it has set it up.
  std::unique_ptr<IProgress> CreateProgress() override = 0;
  // The result window. It opens at the place stored in `settings` (the result-window
  // values, when width and height are both non-zero) and stores its place there when closed.
  virtual void ShowResult(const TRunResult& result, TAppData& settings) = 0;
  // The free-space dialog: the size to copy in kilobytes and the destination drives.
  virtual void ShowFreeSpace(double copyKilobytes, const std::vector<std::wstring>& drives) = 0;
  // The error-list dialog of a restore: the files that could not be restored.
  virtual void ShowErrorList(const TFileInfoList& failed) = 0;
};

}  // namespace vog
