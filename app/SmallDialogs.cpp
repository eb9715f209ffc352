#include "app/SmallDialogs.h"

#include <cmath>

#include "platform/Codes.h"
#include "platform/Platform.h"

namespace vog {

std::wstring TCipherKeyEntry::Accept(std::string& key) const {
  bool lossless = true;
  std::string ansi = CodePage().WideToAnsi(Text, &lossless);
  if (!lossless) return L"暗号キーにこのシステムの文字コードで表せない文字が含まれています";
  key = std::move(ansi);
  return {};
}

int CentredLeft(int windowWidth, int textWidth) {
  // nearbyint rounds in the default mode, to nearest with halves to even.
  return static_cast<int>(std::nearbyint((windowWidth - textWidth) / 2.0));
}

std::wstring FolderDialogStart(const std::wstring& current) {
  if (current.empty()) return {};
  // A drive root is kept as "D:" (letter and colon), which by itself names the drive's
  // current folder; the dialog is to start at the root.
  const std::wstring folder = current.size() == 2 && current[1] == L':' ? current + L"\\" : current;
  uint32_t attributes = 0;
  if (Files().GetAttributes(folder, attributes) != 0 || !(attributes & attr::Directory)) return {};
  return folder;
}

}  // namespace vog
