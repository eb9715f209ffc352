#pragma once
// The item settings dialog ("バックアップ項目の設定") without its controls: the item's fields
// as the dialog edits them (texts as typed, name lists one entry a line, flags), their
// checks with the message and the field that gets the focus, and the write back into the
// item on OK. A refused OK changes nothing in the item, so the dialog can stay open and
// Cancel still leaves the item as it was.
//
// Not edited here: `DestFolder` (the main window sets it before every run from the main
// destination and the title), `ExcludeCondition.Files` (kept with the item, consulted by
// nothing), `SpareFlag` and the second logon group (kept, never acted on). They pass
// through unchanged.
#include <string>
#include <vector>

#include "model/BackupInfo.h"

namespace vog {

// The fields the dialog shows; `None` for "no field".
enum class TItemField {
  None,
  Title,
  SourceFolder,
  TargetFiles,
  TargetDropFiles,
  ExcludeFolders,
  HistoryCount,
  HistoryFolderFormat,
  HistoryFolder,
  ArchiveName,
  CipherName,
  CipherKey,
  CipherKeyRepeat,
  NetUser,
  NetPassword,
  VolumeLabel,
};

// The longest a history folder survives, in days (a hundred years).
inline constexpr int kMaxHistoryDays = 36500;

// The dialog's contents. Name lists hold one entry a line (CR LF between entries).
struct TItemFields {
  std::wstring Title;
  std::wstring SourceFolder;
  bool IncludeSubFolders = true;
  std::wstring TargetFiles;      // TargetCondition.Files: masks of the files backed up
  std::wstring TargetDropFiles;  // TargetCondition.Folders: masks of files dropped again
  std::wstring ExcludeFolders;   // ExcludeCondition.Folders: folder paths or folder-name masks
  bool CopyNew = true, CopySizeChanged = true, CopyNewer = true, CopyTimeChanged = false, CopyAll = false;
  bool Mirroring = false;
  bool ConfirmOverwrite = false;
  bool UseTempFile = false;
  bool KeepHistory = false;
  std::wstring HistoryCount = L"0";
  std::wstring HistoryFolderFormat;
  bool UseHistoryFolder = false;
  std::wstring HistoryFolder;
  bool UseHistoryDatabase = false;
  bool Archive = false;
  std::wstring ArchiveName;
  bool Encrypt = false, Decrypt = false;
  std::wstring CipherName;
  std::wstring CipherKey, CipherKeyRepeat;  // masked; both start as the stored key
  bool NetLogon = false;
  std::wstring NetUser, NetPassword;  // the password masked
  bool NetDisconnect = false;
  bool CheckVolumeLabel = false;
  std::wstring VolumeLabel;
};

// Why OK was refused: the complete message and the field to put right.
struct TItemProblem {
  TItemField Field = TItemField::None;
  std::wstring Message;
  explicit operator bool() const { return Field != TItemField::None; }
};

// The dialog's fields for an item (byte texts through the ANSI code page).
TItemFields FieldsOf(const TBackupInfo& item);
// The first problem of the fields in the dialog's order, or none.
TItemProblem CheckFields(const TItemFields& fields);
// Writes checked fields into the item (texts trimmed, empty list lines dropped); the
// fields the dialog does not edit are left alone.
void WriteFields(const TItemFields& fields, TBackupInfo& item);

// Name lists as the dialog's multi-line text and back: one entry a line; blanks around an
// entry and empty lines are dropped (a typed folder with a trailing blank would name
// another folder).
std::wstring JoinLines(const std::vector<std::wstring>& entries);
std::vector<std::wstring> SplitLines(const std::wstring& text);

// The cipher names the dialog offers: the ciphers this program builds, and the item's own
// name first when it is not one of them (so opening and confirming keeps it).
std::vector<std::wstring> CipherChoices(const std::wstring& current);

// What the window does for the presenter.
class IItemSettingsView {
public:
  virtual ~IItemSettingsView() = default;
  virtual TItemFields Read() = 0;
  // The refusal in an error box, then the focus to the field (its page shown first).
  virtual void ShowProblem(const std::wstring& message) = 0;
  virtual void Focus(TItemField field) = 0;
};

// Which controls take part, by the switches they depend on. The others are shown greyed
// and never checked (a refusal must be able to put the focus on its field). Keys, user
// and password stay open whatever the switches, so a stored secret can be cleared.
struct TItemEnabled {
  bool CopyTimeChanged = true;   // only consulted when CopyNewer is off
  bool ConfirmOverwrite = true;  // only consulted without history folders
  bool HistoryOptions = true;    // days, format, own place
  bool HistoryFolder = true;
  bool ArchiveName = true;
  bool CipherOptions = true;  // decrypt and cipher
  bool LogonOptions = true;   // disconnect
  bool VolumeLabel = true;
};
TItemEnabled EnabledParts(const TItemFields& fields);

class TItemSettings {
public:
  // `item` is changed only by a successful Ok (a new item comes in fresh from the caller).
  explicit TItemSettings(TBackupInfo& item) : item_(item), fields_(FieldsOf(item)) {}

  const TItemFields& Initial() const { return fields_; }
  // OK pressed: true when the item took the view's fields; false when a check refused
  // them (the message shown, the focus on the field, the item untouched).
  bool Ok(IItemSettingsView& view);

private:
  TBackupInfo& item_;
  TItemFields fields_;
};

}  // namespace vog
