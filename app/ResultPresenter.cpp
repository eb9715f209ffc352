#include "app/ResultPresenter.h"

#include <algorithm>
#include <cmath>

#include "app/RunTexts.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "services/drives/Drives.h"

namespace vog {

namespace {

const TFileInfoList& OrEmpty(const TFileInfoList* list) {
  static const TFileInfoList empty;
  return list ? *list : empty;
}

std::wstring ListLabel(const TFileInfoList* list) {
  const TFileInfoList& files = OrEmpty(list);
  return CountAndSizeText(files.Count(), files.TotalSize());
}

}  // namespace

TResultPresenter::TResultPresenter(const TRunResult& result) : result_(result) {
  copied_.Build(OrEmpty(result.Copied));
  failed_.Build(OrEmpty(result.Failed));
  mirrored_.Build(OrEmpty(result.Mirrored));
  if (result.Problems) problems_ = result.Problems->Messages();
}

std::wstring TResultPresenter::SuccessLabel() const {
  return ElapsedText(result_.Elapsed) + L"  " + ListLabel(result_.Copied);
}

std::wstring TResultPresenter::ErrorLabel() const { return ListLabel(result_.Failed); }

std::wstring TResultPresenter::MirroringLabel() const { return ListLabel(result_.Mirrored); }

std::wstring TResultPresenter::FailureReason(const TResultNode& node) const {
  if (node.Kind != TTreeNodeKind::File || !node.Record) return {};
  const uint32_t code = node.Record->Attr;
  std::wstring text = Platform().Shell ? Platform().Shell->ErrorMessage(code) : std::wstring();
  // A code the system has no text for still says which one it was.
  if (text.empty()) text = FallbackErrorMessage(code);
  return text;
}

bool TResultPresenter::Register(const TResultNode& node, bool excluded) {
  if (node.Kind != TTreeNodeKind::File || !node.Record) return false;
  std::vector<std::wstring>& names = excluded ? excluded_ : targets_;
  const std::wstring& name = node.Record->FileName;
  const auto at = std::lower_bound(names.begin(), names.end(), name);
  if (at == names.end() || *at != name) names.insert(at, name);
  return true;
}

const std::vector<std::wstring>& TResultPresenter::FontSizes() {
  static const std::vector<std::wstring> sizes{L"8",  L"9",  L"10", L"11", L"12", L"13", L"14", L"16", L"18",
                                               L"20", L"22", L"24", L"26", L"28", L"30", L"36", L"48", L"72"};
  return sizes;
}

bool TResultPresenter::ChooseFont(const std::wstring& name, const std::wstring& sizeText) {
  if (name.empty()) return false;
  if (name != kFontSeparator) FontName = name;
  int64_t size = 0;
  // A size being typed ("1" on the way to "12") is taken as it stands; text is not.
  if (TryTextToInt(sizeText, size) && size >= 1 && size <= 400) FontSize = static_cast<int>(size);
  return !FontName.empty();
}

TWindowPlace TResultPresenter::StoredPlace(const TAppData& settings) {
  TWindowPlace place{settings.CopyResultWindowLeft, settings.CopyResultWindowTop, settings.CopyResultWindowWidth,
                     settings.CopyResultWindowHeight};
  return place.Known() ? place : TWindowPlace{};
}

int32_t TResultPresenter::StoredErrorHeight(const TAppData& settings) {
  return StoredPlace(settings).Known() && settings.CopyResultWindowErrorHeight > 0 ? settings.CopyResultWindowErrorHeight
                                                                                   : kErrorPanelHeight;
}

void TResultPresenter::StorePlace(TAppData& settings, const TWindowPlace& place, int32_t errorHeight) {
  settings.CopyResultWindowLeft = place.Left;
  settings.CopyResultWindowTop = place.Top;
  settings.CopyResultWindowWidth = place.Width;
  settings.CopyResultWindowHeight = place.Height;
  settings.CopyResultWindowErrorHeight = errorHeight;
}

TFreeSpacePresenter::TFreeSpacePresenter(double copyKilobytes, std::vector<std::wstring> drives)
    : copyKilobytes_(copyKilobytes), drives_(std::move(drives)) {}

std::wstring TFreeSpacePresenter::CopyLabel() const {
  return L"コピーファイル容量：" + FormatThousands(copyKilobytes_, 0) + L" KB";
}

std::vector<TFreeSpacePresenter::TRow> TFreeSpacePresenter::Rows() const {
  std::vector<TRow> rows;
  for (const std::wstring& drive : drives_) {
    double total = 0, free = 0;
    if (!GetDriveSpace(drive, total, free)) continue;
    rows.push_back({drive, L" " + FormatThousands(std::floor(free / 1024.0), 0) + L" KB"});
  }
  return rows;
}

std::vector<std::wstring> ErrorListRows(const TFileInfoList& failed) {
  std::vector<std::wstring> rows;
  rows.reserve(static_cast<size_t>(failed.Count()));
  for (const TFileInfo* record : failed) rows.push_back(record->FullPath());
  return rows;
}

}  // namespace vog
