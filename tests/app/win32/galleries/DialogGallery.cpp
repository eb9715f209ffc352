// Opens one dialog of the main window on sample data, for screenshots and window tests:
//
//   DialogGallery.exe <dialog> [page] [--out <file>]
//
// dialogs: cipherkey, start, start-nopreview, title, about, about-custom, item, item-new,
// item-long (3,000 excluded folders), folder. `page` is the item dialog's first page
// (0-4); for the folder dialog the second argument is the current folder. When the dialog
// closes, the result and the fields are written as UTF-8 lines "name=value" to the file
// (or to standard output).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/Win32Dialogs.h"
#include "app/win32/Win32ItemDialog.h"
#include "app/win32/Win32Questions.h"
#include "app/win32/Win32SmallDialogs.h"
#include "base/Text.h"
#include "platform/Platform.h"

namespace {

using namespace vog;

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  return arguments;
}

void SampleItem(TBackupInfo& item) {
  item.Title = L"写真と書類";
  item.SourceFolder = L"C:\\users\\写真";
  item.TargetCondition.Files = {L"*.jpg", L"*.docx"};
  item.TargetCondition.Folders = {L"~$*"};
  item.ExcludeCondition.Folders = {L"C:\\users\\写真\\一時", L"キャッシュ*"};
  item.IncludeSubFolders = true;
  item.Condition.CopyNew = item.Condition.CopySizeChanged = item.Condition.CopyNewer = true;
  item.Condition.CopyAll = false;
  item.Condition.Mirroring = true;
  item.ConfirmOverwrite = true;
  item.UseTempFile = true;
  item.KeepHistory = true;
  item.HistoryCount = 30;
  item.UseHistoryFolder = true;
  item.HistoryFolder = L"D:\\世代";
  item.UseHistoryDatabase = true;
  item.Archive = true;
  item.ArchiveName = L"写真.zip";
  item.Encrypt = true;
  item.CipherKey = "himitsu";
  item.NetLogon = true;
  item.NetUser = "backup";
  item.NetPassword = "pass";
  item.NetDisconnect = true;
  item.CheckVolumeLabel = true;
  item.VolumeLabel = L"外付けディスク";
}

std::wstring Flag(bool value) { return value ? L"1" : L"0"; }
std::wstring Ansi(const std::string& text) { return CodePage().AnsiToWide(text); }

std::vector<std::pair<std::wstring, std::wstring>> ItemLines(const TBackupInfo& i) {
  return {{L"Title", i.Title},
          {L"SourceFolder", i.SourceFolder},
          {L"IncludeSubFolders", Flag(i.IncludeSubFolders)},
          {L"TargetFiles", JoinLines(i.TargetCondition.Files)},
          {L"TargetDropFiles", JoinLines(i.TargetCondition.Folders)},
          {L"ExcludeFolders", JoinLines(i.ExcludeCondition.Folders)},
          {L"CopyNew", Flag(i.Condition.CopyNew)},
          {L"CopySizeChanged", Flag(i.Condition.CopySizeChanged)},
          {L"CopyNewer", Flag(i.Condition.CopyNewer)},
          {L"CopyTimeChanged", Flag(i.Condition.CopyTimeChanged)},
          {L"CopyAll", Flag(i.Condition.CopyAll)},
          {L"Mirroring", Flag(i.Condition.Mirroring)},
          {L"ConfirmOverwrite", Flag(i.ConfirmOverwrite)},
          {L"UseTempFile", Flag(i.UseTempFile)},
          {L"KeepHistory", Flag(i.KeepHistory)},
          {L"HistoryCount", IntToText(i.HistoryCount)},
          {L"HistoryFolderFormat", i.HistoryFolderFormat},
          {L"UseHistoryFolder", Flag(i.UseHistoryFolder)},
          {L"HistoryFolder", i.HistoryFolder},
          {L"UseHistoryDatabase", Flag(i.UseHistoryDatabase)},
          {L"Archive", Flag(i.Archive)},
          {L"ArchiveName", i.ArchiveName},
          {L"Encrypt", Flag(i.Encrypt)},
          {L"Decrypt", Flag(i.Decrypt)},
          {L"CipherName", Ansi(i.CipherName)},
          {L"CipherKey", Ansi(i.CipherKey)},
          {L"NetLogon", Flag(i.NetLogon)},
          {L"NetUser", Ansi(i.NetUser)},
          {L"NetPassword", Ansi(i.NetPassword)},
          {L"NetDisconnect", Flag(i.NetDisconnect)},
          {L"CheckVolumeLabel", Flag(i.CheckVolumeLabel)},
          {L"VolumeLabel", i.VolumeLabel}};
}

void Write(const std::wstring& out, const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
  std::string text;
  for (const auto& [name, value] : lines) {
    std::wstring line = name + L"=";
    for (wchar_t c : value) {
      if (c == L'\n') line += L'|';  // list entries stay on one line
      if (c != L'\r' && c != L'\n') line += c;
    }
    text += WideToUtf8(line) + "\n";
  }
  FILE* file = out.empty() ? stdout : _wfopen(out.c_str(), L"wb");
  if (!file) return;
  fwrite(text.data(), 1, text.size(), file);
  if (file != stdout) fclose(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  InstallPlatform(CreateSystemPlatform());
  win32::EnableDpiAwareness();
  std::vector<std::wstring> args = Arguments();
  std::wstring out;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == L"--out") {
      out = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  const std::wstring name = args.empty() ? L"item" : args[0];
  const int page = args.size() > 1 ? _wtoi(args[1].c_str()) : 0;
  win32::TWin32Dialogs dialogs(instance, nullptr);
  std::vector<std::pair<std::wstring, std::wstring>> lines;
  bool ok = false;
  if (name == L"cipherkey") {
    std::string key = "unchanged";
    // Through the program's questions, as a run that needs a key asks it.
    win32::TWin32Questions questions(nullptr, L"バックアップ");
    ok = questions.AskCipherKey(key);
    lines.push_back({L"Key", Ansi(key)});
  } else if (name == L"start" || name == L"start-nopreview") {
    bool preview = true;
    ok = dialogs.AskBackupStart(name == L"start", preview);
    lines.push_back({L"Preview", Flag(preview)});
  } else if (name == L"title") {
    std::wstring title = L"写真と書類";
    ok = dialogs.EditTitle(title);
    lines.push_back({L"Title", title});
  } else if (name == L"about" || name == L"about-custom") {
    TAboutTexts texts;
    if (name == L"about-custom") texts = {L"社内バックアップ ツール", L"https://intra.example/backup/"};
    dialogs.ShowAbout(texts);
    ok = true;
  } else if (name == L"item" || name == L"item-new" || name == L"item-long") {
    TBackupInfo item;
    if (name != L"item-new") SampleItem(item);
    // A list far beyond an edit's default limit of 32,767 characters.
    for (int i = 0; name == L"item-long" && i < 3000; ++i)
      item.ExcludeCondition.Folders.push_back(L"C:\\users\\写真\\除外フォルダ" + std::to_wstring(i));
    win32::TItemDialog dialog(instance, item);
    dialog.SetStartPage(page);
    ok = dialog.Run(nullptr) == IDOK;
    lines = ItemLines(item);
  } else if (name == L"folder") {
    std::wstring folder = args.size() > 1 ? args[1] : L"C:\\windows";
    ok = dialogs.BrowseForFolder(L"バックアップ先フォルダ選択", folder);
    lines.push_back({L"Folder", folder});
  } else {
    return 2;
  }
  lines.insert(lines.begin(), {L"Result", ok ? L"OK" : L"Cancel"});
  Write(out, lines);
  return 0;
}
