#pragma once
// The presenters of the run's result windows: the result window (copied, failed and
// deleted files as trees, their labels, the reason of each failure and the run's other
// problems), the free-space dialog and the error-list dialog. The Win32 views in app/win32/
// show what these say and forward clicks; tests read them directly.
#include <string>
#include <vector>

#include "app/ResultTree.h"
#include "app/RunWindows.h"

namespace vog {

class TResultPresenter {
public:
  static constexpr const wchar_t* kCaption = L"コピー結果";
  static constexpr const wchar_t* kMirroringCaption = L"ミラーリングで削除したファイル";
  // The error panel's height (pixels at 96 DPI) when none is stored: room for a failed
  // file a few folders deep and a line of another problem.
  static constexpr int32_t kErrorPanelHeight = 190;

  explicit TResultPresenter(const TRunResult& result);

  const TResultTree& CopiedTree() const { return copied_; }
  const TResultTree& FailedTree() const { return failed_; }
  const TResultTree& MirroredTree() const { return mirrored_; }
  const TFileInfoList* MirroredList() const { return result_.Mirrored; }

  // "hh:nn:ss  <count> 個   <size><unit>" (hours in full), and the two others without a time.
  std::wstring SuccessLabel() const;
  std::wstring ErrorLabel() const;
  std::wstring MirroringLabel() const;
  bool ShowsMirroringBar() const { return mirrored_.FileCount() > 0; }
  bool ShowsFailedFiles() const { return failed_.FileCount() > 0; }
  // The run's problems that the file lists cannot hold, one message each.
  const std::vector<std::wstring>& Problems() const { return problems_; }
  // The error panel holds the failed files and the problems; hidden when both are empty.
  bool ShowsErrorPanel() const { return ShowsFailedFiles() || !problems_.empty(); }

  // The reason of a failed file: the system's text for the code its record carries. Empty
  // for a node that is not a file.
  std::wstring FailureReason(const TResultNode& node) const;

  // Registration of a file node's name as a target or excluded name (kept for the owner,
  // sorted, each name once); false for a node that is not a file.
  bool Register(const TResultNode& node, bool excluded);
  const std::vector<std::wstring>& RegisteredTargets() const { return targets_; }
  const std::vector<std::wstring>& RegisteredExcluded() const { return excluded_; }

  // The window's place from the settings (none unless width and height are both stored),
  // with the error panel's height (kErrorPanelHeight, in 96-DPI pixels, without a stored
  // place); and storing it back.
  static TWindowPlace StoredPlace(const TAppData& settings);
  static int32_t StoredErrorHeight(const TAppData& settings);
  static void StorePlace(TAppData& settings, const TWindowPlace& place, int32_t errorHeight);

  // Where the mirroring viewer was last closed, for the life of this window.
  TWindowPlace MirroringPlace;

  // The font chooser of the trees: hidden until a double-click on the size label. The sizes
  // the size box offers; the line that separates groups of names and is no font.
  static const std::vector<std::wstring>& FontSizes();
  static constexpr const wchar_t* kFontSeparator = L"------------------------------------------";
  bool FontChooserShown = false;
  std::wstring FontName;  // empty: the trees keep the window's font
  int FontSize = 9;
  // A choice in either box: the name becomes the font (unless it is the separator line) and
  // the size text, when a whole number from 1 to 400, its size. True when the trees then
  // take FontName at FontSize.
  bool ChooseFont(const std::wstring& name, const std::wstring& sizeText);

private:
  TRunResult result_;
  TResultTree copied_, failed_, mirrored_;
  std::vector<std::wstring> problems_;
  std::vector<std::wstring> targets_, excluded_;
};

// The free-space dialog: the size to copy and, per destination drive that answers, its
// free space.
class TFreeSpacePresenter {
public:
  static constexpr const wchar_t* kCaption = L"空き容量";
  struct TRow {
    std::wstring Drive;
    std::wstring Free;  // " 1,234 KB"
  };
  TFreeSpacePresenter(double copyKilobytes, std::vector<std::wstring> drives);
  // "コピーファイル容量：1,234 KB"
  std::wstring CopyLabel() const;
  // Asks each drive, in order, for its free space; a drive that does not answer has no row.
  std::vector<TRow> Rows() const;

private:
  double copyKilobytes_;
  std::vector<std::wstring> drives_;
};

// The error-list dialog of a restore: the full path of each failed file, in order.
inline constexpr const wchar_t* kErrorListCaption = L"リストアに失敗したファイル";
std::vector<std::wstring> ErrorListRows(const TFileInfoList& failed);

}  // namespace vog
