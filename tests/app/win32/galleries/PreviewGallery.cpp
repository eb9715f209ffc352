// The preview windows on a real plan: makes a small tree with Japanese names (or takes a
// given source), plans a real backup of it on the Win32 platform and opens the copy list.
//
//   PreviewGallery.exe <work folder> [--execute] [--mirroring] [--fonts]
//   PreviewGallery.exe <work folder> --source <folder> --bench <result file> [--exclude <folder>]
//
// <work folder>\src is the sample source (made when missing), <work folder>\dst the main
// destination; the item "文書" backs src up into dst\文書 with mirroring.
// --execute   runs the plan after OK, so a script can look at what was copied and deleted
// --mirroring opens the mirroring list as soon as the copy list shows
// --fonts     shows the font chooser (as a double-click on the size label does)
// --expanded  (with --bench) opens the folder before taking it out
// --bench     times the plan, the opening of the copy list (until its tree is drawn) and
//             taking out the folder <folder> (a full path of the source), writes the
//             figures to the result file and cancels.
// Exit code: 0 after OK, 1 after Cancel, 2 on an error.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Preview.h"
#include "app/win32/PreviewIds.h"
#include "app/win32/Win32FileListWindow.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/WindowKit.h"
#include "base/Error.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"

namespace {

using namespace vog;

void WriteText(const std::wstring& path, const char* text) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  CloseHandle(file);
}

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

// The sample: documents, photos and music to copy; in the destination an old file and an
// old folder that mirroring deletes.
void MakeSample(const std::wstring& work) {
  const std::wstring src = work + L"\\src", dst = work + L"\\dst\\文書";
  if (GetFileAttributesW(src.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const std::pair<const wchar_t*, const char*> files[] = {
      {L"説明.txt", "readme"},
      {L"書類\\報告書.docx", "report"},
      {L"書類\\見積書.xlsx", "estimate"},
      {L"書類\\下書き\\メモ.txt", "memo"},
      {L"写真\\旅行\\海.jpg", "sea-sea-sea"},
      {L"写真\\旅行\\山.jpg", "mountain"},
      {L"写真\\家族.png", "family"},
      {L"音楽\\曲一覧.txt", "songs"},
  };
  for (const auto& [name, text] : files) {
    const std::wstring path = src + L"\\" + name;
    MakeFolders(path.substr(0, path.rfind(L'\\')));
    WriteText(path, text);
  }
  MakeFolders(dst + L"\\削除フォルダ\\残す");
  WriteText(dst + L"\\古いファイル.txt", "old");
  WriteText(dst + L"\\削除フォルダ\\古い.txt", "old");
  WriteText(dst + L"\\削除フォルダ\\残す\\保存.txt", "keep");
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

int Run(HINSTANCE instance) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args(argv + 1, argv + count);
  LocalFree(argv);
  if (args.empty()) return 2;
  const std::wstring work = args[0];
  bool execute = false, mirroring = false, expanded = false;
  TPreviewLook look;
  std::wstring source, benchFile, excludeFolder;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"--execute") execute = true;
    if (args[i] == L"--mirroring") mirroring = true;
    if (args[i] == L"--expanded") expanded = true;
    if (args[i] == L"--fonts") look.FontChooserShown = true;
    if (i + 1 < args.size() && args[i] == L"--source") source = args[++i];
    if (i + 1 < args.size() && args[i] == L"--bench") benchFile = args[++i];
    if (i + 1 < args.size() && args[i] == L"--exclude") excludeFolder = args[++i];
  }

  win32::EnableDpiAwareness();
  InstallPlatform(CreateSystemPlatform());
  win32::TWin32MessagePump pump;
  InstallMessagePump(&pump);
  if (source.empty()) {
    MakeSample(work);
    source = work + L"\\src";
  }

  TBackupInfo item;
  item.Title = L"文書";
  item.SourceFolder = source;
  item.DestFolder = work + L"\\dst\\文書";
  item.Condition.Mirroring = true;
  TBackup backup;
  backup.AddItem(&item);
  const LARGE_INTEGER planStart = Now();
  try {
    backup.Plan();
  } catch (const Error& error) {
    MessageBoxW(nullptr, error.Message().c_str(), L"PreviewGallery", MB_OK);
    return 2;
  }
  const double planSeconds = Seconds(planStart, Now());

  TCopyFileListForm form;
  SetUpCopyPreview(form, PreviewListsOf(backup), look);
  win32::TFileListWindow window(instance, form);
  LARGE_INTEGER openStart{};
  window.OnShown = [&](win32::TFileListWindow& shown) {
    if (mirroring) PostMessageW(shown.Handle(), WM_COMMAND, IDC_FL_MIRRORING, 0);
    if (benchFile.empty()) return;
    const double openSeconds = Seconds(openStart, Now());
    double excludeSeconds = -1, expandSeconds = -1;
    int excluded = 0;
    if (!excludeFolder.empty()) {
      const int node = shown.Form().Tree().FolderNode(excludeFolder + L"\\");
      const int before = shown.Form().FileList()->Count();
      if (expanded && node >= 0) {
        // The folder opened first, so that taking it out deletes all its items from the view.
        const LARGE_INTEGER expandStart = Now();
        shown.ExpandNode(node);
        UpdateWindow(shown.Handle());
        expandSeconds = Seconds(expandStart, Now());
      }
      const LARGE_INTEGER excludeStart = Now();
      if (node >= 0 && shown.ExcludeNode(node)) excluded = before - shown.Form().FileList()->Count();
      UpdateWindow(shown.Handle());
      excludeSeconds = Seconds(excludeStart, Now());
    }
    char line[256];
    std::snprintf(line, sizeof line, "files %d\nplan %.3f\nopen %.3f\nexpand %.3f\nexclude %.3f\nexcluded %d\n",
                  backup.GetAllCopyFiles().Count() + excluded, planSeconds, openSeconds, expandSeconds, excludeSeconds,
                  excluded);
    WriteText(benchFile, line);
    shown.Close(IDCANCEL);
  };
  openStart = Now();
  const bool ok = window.Run(nullptr) == IDOK;
  if (ok && execute) {
    backup.Execute();
  } else {
    backup.DiscardWorkCopies();
  }
  InstallMessagePump(nullptr);
  return ok ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return Run(instance); }
