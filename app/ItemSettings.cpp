#include "app/ItemSettings.h"

#include "base/DateTime.h"
#include "base/Text.h"
#include "model/TitleRules.h"
#include "platform/Platform.h"
#include "services/cipher/Cipher.h"

namespace vog {

namespace {

std::wstring Trim(std::wstring_view text) {
  constexpr std::wstring_view blanks = L" \t\u3000";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring_view::npos) return {};
  return std::wstring(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::wstring Wide(const std::string& ansi) { return CodePage().AnsiToWide(ansi); }

std::string Ansi(const std::wstring& wide) { return CodePage().WideToAnsi(wide); }

bool FitsCodePage(const std::wstring& wide) {
  bool lossless = true;
  CodePage().WideToAnsi(wide, &lossless);
  return lossless;
}

bool EndsWithText(const std::wstring& text, std::wstring_view tail) {
  return text.size() >= tail.size() && SameText(std::wstring_view(text).substr(text.size() - tail.size()), tail);
}

// The history folder a format names, on a date with every part at two digits or more, so
// that a format whose literal text or date parts cannot name one folder shows.
std::wstring SampleHistoryName(const std::wstring& format) {
  TDateTime sample = 0;
  TryEncodeDateTime(2026, 12, 31, 23, 59, 58, 0, sample);
  return FormatDateTime(format, sample);
}

// The days of the history field, or -1 when it is not a number from 0 to kMaxHistoryDays.
int32_t HistoryDays(const std::wstring& text) {
  int64_t days = -1;
  if (!TryTextToInt(Trim(text), days) || days < 0 || days > kMaxHistoryDays) return -1;
  return static_cast<int32_t>(days);
}

TItemProblem Problem(TItemField field, std::wstring message) { return {field, std::move(message)}; }

}  // namespace

std::wstring JoinLines(const std::vector<std::wstring>& entries) {
  std::wstring text;
  for (const auto& entry : entries) {
    if (!text.empty()) text += L"\r\n";
    text += entry;
  }
  return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> entries;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring entry = Trim(std::wstring_view(text).substr(start, end - start));
    if (!entry.empty()) entries.push_back(std::move(entry));
    start = end + 1;
  }
  return entries;
}

std::vector<std::wstring> CipherChoices(const std::wstring& current) {
  std::vector<std::wstring> names;
  const TCipherInfo* own = LookupCipher(Ansi(current));
  if (!current.empty() && (!own || !own->Available || Wide(own->Name) != current)) names.push_back(current);
  for (const auto& cipher : RegisteredCiphers())
    if (cipher.Available) names.push_back(Wide(cipher.Name));
  return names;
}

TItemFields FieldsOf(const TBackupInfo& item) {
  TItemFields f;
  f.Title = item.Title;
  f.SourceFolder = item.SourceFolder;
  f.IncludeSubFolders = item.IncludeSubFolders;
  f.TargetFiles = JoinLines(item.TargetCondition.Files);
  f.TargetDropFiles = JoinLines(item.TargetCondition.Folders);
  f.ExcludeFolders = JoinLines(item.ExcludeCondition.Folders);
  const TBackupCondition& c = item.Condition;
  f.CopyNew = c.CopyNew;
  f.CopySizeChanged = c.CopySizeChanged;
  f.CopyNewer = c.CopyNewer;
  f.CopyTimeChanged = c.CopyTimeChanged;
  f.CopyAll = c.CopyAll;
  f.Mirroring = c.Mirroring;
  f.ConfirmOverwrite = item.ConfirmOverwrite;
  f.UseTempFile = item.UseTempFile;
  f.KeepHistory = item.KeepHistory;
  f.HistoryCount = IntToText(item.HistoryCount);
  f.HistoryFolderFormat = item.HistoryFolderFormat;
  f.UseHistoryFolder = item.UseHistoryFolder;
  f.HistoryFolder = item.HistoryFolder;
  f.UseHistoryDatabase = item.UseHistoryDatabase;
  f.Archive = item.Archive;
  f.ArchiveName = item.ArchiveName;
  f.Encrypt = item.Encrypt;
  f.Decrypt = item.Decrypt;
  f.CipherName = Wide(item.CipherName);
  f.CipherKey = f.CipherKeyRepeat = Wide(item.CipherKey);
  f.NetLogon = item.NetLogon;
  f.NetUser = Wide(item.NetUser);
  f.NetPassword = Wide(item.NetPassword);
  f.NetDisconnect = item.NetDisconnect;
  f.CheckVolumeLabel = item.CheckVolumeLabel;
  f.VolumeLabel = item.VolumeLabel;
  return f;
}

TItemProblem CheckFields(const TItemFields& f) {
  if (Trim(f.Title).empty()) return Problem(TItemField::Title, L"タイトルを入力してください");
  if (std::wstring refusal = TitleProblem(Trim(f.Title)); !refusal.empty())
    return Problem(TItemField::Title, std::move(refusal));
  if (Trim(f.SourceFolder).empty())
    return Problem(TItemField::SourceFolder, L"バックアップ元フォルダを入力してください");

  if (f.KeepHistory) {
    if (HistoryDays(f.HistoryCount) < 0)
      return Problem(TItemField::HistoryCount, L"世代フォルダの保存日数は 0 から " + IntToText(kMaxHistoryDays) +
                                                   L" までの数で入力してください");
    const std::wstring sample = SampleHistoryName(f.HistoryFolderFormat);
    if (Trim(f.HistoryFolderFormat).empty() || !TitleProblem(sample).empty())
      return Problem(TItemField::HistoryFolderFormat, L"世代フォルダ名の書式「" + f.HistoryFolderFormat +
                                                          L"」からはフォルダ名が作れません（例: 「" + sample +
                                                          L"」）");
    if (f.UseHistoryFolder && Trim(f.HistoryFolder).empty())
      return Problem(TItemField::HistoryFolder, L"世代フォルダの場所を入力してください");
  }

  if (f.Archive) {
    const std::wstring name = Trim(f.ArchiveName);
    if (!EndsWithText(name, L".lzh") && !EndsWithText(name, L".zip"))
      return Problem(TItemField::ArchiveName,
                     L"書庫ファイル名「" + name + L"」の拡張子は .lzh か .zip にしてください");
  }

  if (f.Encrypt) {
    const TCipherInfo* cipher = LookupCipher(Ansi(f.CipherName));
    if (!FitsCodePage(f.CipherName) || !cipher || !cipher->Available)
      return Problem(TItemField::CipherName, L"暗号方式「" + f.CipherName + L"」はこのプログラムでは使えません");
  }
  // The key is byte text in the ANSI code page: a character without a form there would
  // turn into "?" and the files could never be deciphered with the key that was typed.
  if (!FitsCodePage(f.CipherKey))
    return Problem(TItemField::CipherKey, L"暗号キーにこのシステムの文字コードで表せない文字が含まれています");
  if (f.CipherKey != f.CipherKeyRepeat)
    return Problem(TItemField::CipherKeyRepeat, L"暗号キーと確認入力が一致しません。もう一度入力してください");

  if (!FitsCodePage(f.NetUser))
    return Problem(TItemField::NetUser, L"ユーザー名にこのシステムの文字コードで表せない文字が含まれています");
  if (!FitsCodePage(f.NetPassword))
    return Problem(TItemField::NetPassword, L"パスワードにこのシステムの文字コードで表せない文字が含まれています");
  if (f.NetLogon && Trim(f.NetUser).empty())
    return Problem(TItemField::NetUser, L"ネットワーク接続のユーザー名を入力してください");
  return {};
}

void WriteFields(const TItemFields& f, TBackupInfo& item) {
  item.Title = Trim(f.Title);
  item.SourceFolder = Trim(f.SourceFolder);
  item.IncludeSubFolders = f.IncludeSubFolders;
  item.TargetCondition.Files = SplitLines(f.TargetFiles);
  item.TargetCondition.Folders = SplitLines(f.TargetDropFiles);
  item.ExcludeCondition.Folders = SplitLines(f.ExcludeFolders);
  TBackupCondition& c = item.Condition;
  c.CopyNew = f.CopyNew;
  c.CopySizeChanged = f.CopySizeChanged;
  c.CopyNewer = f.CopyNewer;
  c.CopyTimeChanged = f.CopyTimeChanged;
  c.CopyAll = f.CopyAll;
  c.Mirroring = f.Mirroring;
  item.ConfirmOverwrite = f.ConfirmOverwrite;
  item.UseTempFile = f.UseTempFile;
  item.KeepHistory = f.KeepHistory;
  // Unchecked while history folders are off: a number out of range keeps the stored one.
  if (const int32_t days = HistoryDays(f.HistoryCount); days >= 0) item.HistoryCount = days;
  // The format's blanks are part of the folder names it makes; it is kept as typed.
  item.HistoryFolderFormat = f.HistoryFolderFormat;
  item.UseHistoryFolder = f.UseHistoryFolder;
  item.HistoryFolder = Trim(f.HistoryFolder);
  item.UseHistoryDatabase = f.UseHistoryDatabase;
  item.Archive = f.Archive;
  item.ArchiveName = Trim(f.ArchiveName);
  item.Encrypt = f.Encrypt;
  item.Decrypt = f.Decrypt;
  item.CipherName = Ansi(f.CipherName);
  // Pass phrases and passwords are taken byte for byte: a blank may be part of them.
  item.CipherKey = Ansi(f.CipherKey);
  item.NetLogon = f.NetLogon;
  item.NetUser = Ansi(Trim(f.NetUser));
  item.NetPassword = Ansi(f.NetPassword);
  item.NetDisconnect = f.NetDisconnect;
  item.CheckVolumeLabel = f.CheckVolumeLabel;
  item.VolumeLabel = f.VolumeLabel;
}

TItemEnabled EnabledParts(const TItemFields& f) {
  TItemEnabled e;
  e.CopyTimeChanged = !f.CopyNewer && !f.CopyAll;
  e.ConfirmOverwrite = !f.KeepHistory;
  e.HistoryOptions = f.KeepHistory;
  e.HistoryFolder = f.KeepHistory && f.UseHistoryFolder;
  e.ArchiveName = f.Archive;
  e.CipherOptions = f.Encrypt;  // the key stays open: a stored key can be cleared
  e.LogonOptions = f.NetLogon;
  e.VolumeLabel = f.CheckVolumeLabel;
  return e;
}

bool TItemSettings::Ok(IItemSettingsView& view) {
  const TItemFields fields = view.Read();
  if (const TItemProblem problem = CheckFields(fields)) {
    view.ShowProblem(problem.Message);
    view.Focus(problem.Field);
    return false;
  }
  WriteFields(fields, item_);
  return true;
}

}  // namespace vog
