// The run windows on a real run: makes a small tree with Japanese names in a folder, plans
// and runs a real backup of it on the Win32 platform with the progress window, and opens
// the result window, the free-space or the error-list dialog on what the run did.
//
//   RunWindowGallery progress  <folder> <files> <kilobytes> [marquee]
//                                       the copy, then the result window; with "marquee" the run
//                                       asks for an animation of an icon library that is not there
//   RunWindowGallery result    <folder>                       a run with a file held open, then the result window
//   RunWindowGallery freespace <folder>                       the free-space dialog of the run's destination
//   RunWindowGallery errorlist <folder>                       the error-list dialog of the run's failures
//   RunWindowGallery bench     <folder> <files> <folders>     times the result window on that many
//                                                             copied files (records made in memory)
//
// After a run, <folder>\gallery.txt says "stopped=0|1", "copied=N", "failed=N"; the result
// window's place is stored in <folder>\Vogratel.ini.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/ResultPresenter.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/Win32RunWindows.h"
#include "app/win32/WindowKit.h"
#include "engine/Backup.h"
#include "model/AppData.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"

namespace {

using namespace vog;

void WriteFileOf(const std::wstring& path, size_t bytes, char fill) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string block(64 * 1024, fill);
  while (bytes > 0) {
    const DWORD part = static_cast<DWORD>(bytes < block.size() ? bytes : block.size());
    DWORD written = 0;
    if (!WriteFile(file, block.data(), part, &written, nullptr)) break;
    bytes -= part;
  }
  CloseHandle(file);
}

// The source tree: a few folders with Japanese names, and `count` files of `kilobytes` each
// in the photo folder (the part that takes time to copy).
void MakeTree(const std::wstring& source, int count, size_t kilobytes) {
  for (const wchar_t* sub : {L"", L"\\写真", L"\\写真\\旅行 2026", L"\\文書", L"\\文書\\議事録"})
    CreateDirectoryW((source + sub).c_str(), nullptr);
  WriteFileOf(source + L"\\文書\\報告書.txt", 3000, 'r');
  WriteFileOf(source + L"\\文書\\見積もり（最新）.xlsx", 15000, 'm');
  WriteFileOf(source + L"\\文書\\議事録\\第1回 会議.docx", 42000, 'g');
  WriteFileOf(source + L"\\メモ.txt", 120, 'n');
  for (int i = 0; i < count; ++i) {
    wchar_t name[64];
    swprintf(name, 64, L"\\写真\\旅行 2026\\画像%04d.jpg", i + 1);
    WriteFileOf(source + name, kilobytes * 1024, static_cast<char>('a' + i % 26));
  }
}

struct TRun {
  TBackupInfo Item;
  TBackup Backup;
  TDateTime Elapsed = 0;
};

// Plans and executes the item "ギャラリー" from <folder>\元データ to <folder>\バックアップ\ギャラリー.
void RunBackup(TRun& run, const std::wstring& folder, void* iconLibrary = nullptr) {
  run.Backup.SetAnimationModule(iconLibrary);
  run.Item.Title = L"ギャラリー";
  run.Item.SourceFolder = folder + L"\\元データ";
  run.Item.DestFolder = folder + L"\\バックアップ\\ギャラリー";
  run.Item.Condition.Mirroring = true;
  const TDateTime start = Clock().Now();
  run.Backup.AddItem(&run.Item);
  run.Backup.Plan();
  if (!run.Backup.Stopped) run.Backup.Execute();
  run.Elapsed = Clock().Now() - start;
  const std::wstring report = L"stopped=" + std::to_wstring(run.Backup.Stopped ? 1 : 0) + L"\r\ncopied=" +
                              std::to_wstring(run.Backup.CopiedFiles.Count()) + L"\r\nfailed=" +
                              std::to_wstring(run.Backup.ErrorFiles.Count()) + L"\r\n";
  const HANDLE file =
      CreateFileW((folder + L"\\gallery.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    const std::string bytes(report.begin(), report.end());
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
}

// A run with something to show in every part of the result window: copied files, a file
// held open by this program (share mode 0) that fails, and a file mirroring deletes.
void RunWithFailure(TRun& run, const std::wstring& folder) {
  MakeTree(folder + L"\\元データ", 6, 20);
  const std::wstring dest = folder + L"\\バックアップ\\ギャラリー";
  CreateDirectoryW((folder + L"\\バックアップ").c_str(), nullptr);
  CreateDirectoryW(dest.c_str(), nullptr);
  WriteFileOf(dest + L"\\古い予定表.txt", 2048, 'o');
  const std::wstring held = folder + L"\\元データ\\文書\\使用中のファイル.pst";
  WriteFileOf(held, 9000, 'p');
  const HANDLE open = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  RunBackup(run, folder);
  if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
}

void ShowResult(win32::TWin32RunWindows& windows, TRun& run, const std::wstring& folder) {
  const TFileInfoList copied = run.Backup.CopiedFiles.View(), failed = run.Backup.ErrorFiles.View();
  const TRunResult result{&copied, &failed, &run.Backup.GetAllMirrorFiles(), &run.Backup.Problems, run.Elapsed};
  TAppData settings(folder + L"\\Vogratel.ini");
  settings.LoadSettings();
  windows.ShowResult(result, settings);
  settings.SaveSettings();
}

// Opens the result window on `files` records spread over `folders` folders and writes to
// <folder>\bench.txt the seconds from the start to the window shown and idle, then closes it.
thread_local LARGE_INTEGER g_benchStart;
thread_local double g_benchSeconds = 0;

void CALLBACK BenchShown(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  g_benchSeconds = static_cast<double>(now.QuadPart - g_benchStart.QuadPart) / static_cast<double>(frequency.QuadPart);
  PostMessageW(GetActiveWindow(), WM_COMMAND, IDCANCEL, 0);
}

void Bench(win32::TWin32RunWindows& windows, const std::wstring& folder, int files, int folders) {
  std::vector<std::unique_ptr<TFileInfo>> records;
  TFileInfoList copied;
  for (int i = 0; i < files; ++i) {
    records.push_back(std::make_unique<TFileInfo>());
    records.back()->SetPath(L"D:\\バックアップ\\", L"フォルダ" + std::to_wstring(i % folders), L"ファイル" + std::to_wstring(i) + L".txt");
    records.back()->Size = 1000;
    copied.Add(records.back().get());
  }
  const TFileInfoList none;
  TAppData settings(folder + L"\\Vogratel.ini");
  LARGE_INTEGER before, after, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&before);
  TResultTree alone;  // the tree without the window, for comparison
  alone.Build(copied);
  QueryPerformanceCounter(&after);
  const double buildSeconds =
      static_cast<double>(after.QuadPart - before.QuadPart) / static_cast<double>(frequency.QuadPart);
  QueryPerformanceCounter(&g_benchStart);
  // The timer's message comes once the window has been made, laid out and painted.
  SetTimer(nullptr, 0, 1, &BenchShown);
  windows.ShowResult({&copied, &none, &none, nullptr, 0}, settings);
  const std::string text = std::to_string(files) + " files in " + std::to_string(folders) + " folders: " +
                           std::to_string(g_benchSeconds) + " s (the tree alone " + std::to_string(buildSeconds) + " s)\r\n";
  const HANDLE file = CreateFileW((folder + L"\\bench.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
}

int Gallery(HINSTANCE instance, const std::vector<std::wstring>& args) {
  if (args.size() < 2) return 2;
  const std::wstring& mode = args[0];
  const std::wstring folder = args[1];
  CreateDirectoryW(folder.c_str(), nullptr);

  InstallPlatform(CreateSystemPlatform());
  win32::EnableDpiAwareness();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&controls);
  win32::TWin32MessagePump pump;
  InstallMessagePump(&pump);
  win32::TWin32RunWindows windows(instance, nullptr);
  InstallProgressFactory(&windows);

  TRun run;
  if (mode == L"progress" && args.size() >= 4) {
    MakeTree(folder + L"\\元データ", std::stoi(args[2]), static_cast<size_t>(std::stoul(args[3])));
    // The program's own module holds no animation: the window shows its marquee bar instead.
    RunBackup(run, folder, args.size() >= 5 && args[4] == L"marquee" ? instance : nullptr);
    ShowResult(windows, run, folder);
  } else if (mode == L"result") {
    RunWithFailure(run, folder);
    ShowResult(windows, run, folder);
  } else if (mode == L"freespace") {
    RunWithFailure(run, folder);
    const std::wstring drive = folder.substr(0, 2);
    windows.ShowFreeSpace(static_cast<double>(run.Backup.CopiedFiles.View().TotalSize()) / 1024.0,
                          {drive, L"\\\\存在しない\\share", L"C:"});
  } else if (mode == L"bench" && args.size() >= 4) {
    Bench(windows, folder, std::stoi(args[2]), std::stoi(args[3]));
  } else if (mode == L"errorlist") {
    RunWithFailure(run, folder);
    windows.ShowErrorList(run.Backup.ErrorFiles.View());
  } else {
    return 2;
  }
  InstallProgressFactory(nullptr);
  InstallMessagePump(nullptr);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  try {
    return Gallery(instance, args);
  } catch (const std::exception&) {
    return 3;
  }
}
