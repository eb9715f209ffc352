#pragma once
// The rules of the small dialogs, without their controls: the cipher key entry with its
// input box, the backup start dialog's preview choice, the version box's centring and the
// folder dialog's starting folder.
#include <string>

namespace vog {

// The cipher key dialog ("暗号キー入力"): `Text` is the masked edit's text.
class TCipherKeyEntry {
public:
  std::wstring Text;

  // The input box ("暗号化キー") closed with `boxText` (empty when cancelled): a non-empty
  // text replaces the edit's; an empty one changes nothing.
  void TakeInputBox(const std::wstring& boxText) {
    if (!boxText.empty()) Text = boxText;
  }
  // OK: "" and the key as ANSI byte text (an empty key included), or the message why the
  // text cannot be a key (a character the ANSI code page lacks would become "?", and the
  // files enciphered with it could never be deciphered with what was typed).
  std::wstring Accept(std::string& key) const;
};

// The backup start dialog: the check box shows only when a preview is available, and
// without it the run goes without preview.
inline bool PreviewChosen(bool previewAvailable, bool checked) { return previewAvailable && checked; }

// The version box centres its title and link labels: the left edge of a label whose text
// is `textWidth` wide in a window `windowWidth` wide, rounded to the nearest (halves to
// the even neighbour).
int CentredLeft(int windowWidth, int textWidth);

// The folder the folder dialog starts at: `current` when it names an existing folder (a
// drive kept as "D:" as its root, "D:\"), otherwise "" (the dialog then starts at its root).
std::wstring FolderDialogStart(const std::wstring& current);

}  // namespace vog
