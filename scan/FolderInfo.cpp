#include "scan/FolderInfo.h"

#include <memory>

#include "base/CodePage.h"
#include "base/Error.h"
#include "base/ScopeExit.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FolderWalk.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "services/archive/ArchiveFile.h"
#include "services/cipher/CipherManager.h"

namespace vog {

bool IsSafeRelativeName(std::wstring_view path) noexcept {
  if (path.empty() || path.front() == L'\\' || path.back() == L'\\') return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    const std::wstring_view segment = path.substr(start, end - start);
    if (segment.empty()) return false;
    bool onlyDots = true;
    for (wchar_t c : segment) {
      if (c < 32 || c == L':' || c == L'/') return false;
      if (c != L'.' && c != L' ') onlyDots = false;
    }
    if (onlyDots) return false;  // ".", "..", "...", ". "
    start = end + 1;
  }
  return true;
}

void TFolderInfo::Execute() {
  if (RootFolder.empty()) throw Error(std::wstring(kFolderNameMissing));
  std::unique_ptr<IProgress> progress = ProgressFactory().CreateProgress();
  if (!Silent) {
    progress->SetAnimation(AnimationModule ? TProgressAnimation{TAnimationKind::Resource, kCheckAnimationId}
                                           : TProgressAnimation{TAnimationKind::FindFolder, 0});
    progress->SetCaption(kCheckingCaption);
    progress->Show();
    progress->SetStateText(kCheckingDestination);
  }

  if (UseHistoryDatabase) {
    if (!Silent) {
      progress->SetStopEnabled(false);
      ProcessMessages();
    }
    if (HistoryDatabase && Files) HistoryDatabase->ListFolder(RootFolder, IncludeSubFolders, BackupInfo, *Files);
    return;
  }
  if (ArchiveMode) {
    if (!Silent) {
      progress->SetStopEnabled(false);
      ProcessMessages();
    }
    ListArchive(*progress);
    return;
  }

  TFolderWalk walk;
  walk.RootFolder = RootFolder;
  walk.Folders = Folders;
  walk.Files = Files;
  walk.IncludeSubFolders = IncludeSubFolders;
  walk.BackupInfo = BackupInfo;
  IProgress* window = progress.get();
  walk.StopCheck = [this, window] {
    ProcessMessages();
    if (!Silent && window->StopRequested()) Cancelled = true;
    return Cancelled;
  };
  if (!Silent) {
    // The label shows the path of each file found; the view shortens it to its width. The
    // path is put together in one buffer kept for the whole walk.
    walk.AfterFile = [window, path = std::wstring()](TBackupFileInfo& record) mutable {
      path.assign(record.RootFolder());
      if (!record.SubFolder().empty()) {
        path += record.SubFolder();
        path += L'\\';
      }
      path += record.FileName;
      window->SetStateText(path);
    };
  }
  walk.Run();
}

void TFolderInfo::ListArchive(IProgress&) {
  uint32_t attributes = 0;
  if (Files == nullptr) return;
  if (vog::Files().GetAttributes(RootFolder, attributes) != err::Success || (attributes & attr::Directory)) {
    return;  // a missing archive lists nothing
  }
  std::wstring archivePath = RootFolder;
  if (Encrypted) {
    TCipherManager cipher;
    cipher.SetAlgorithm(BackupInfo ? BackupInfo->CipherName : std::string("Blowfish"));
    cipher.SetMode(TCipherMode::cmCBC);
    cipher.SetKeyText(CipherKey);
    const std::wstring work = CodePage().AnsiToWide(TempFileName);
    cipher.DecipherFile(RootFolder, work);
    archivePath = work;
  }
  TArchiveFile archive;
  archive.SetFileName(archivePath);
  archive.Options.KeepAttributes = true;
  const TScopeExit closer([&archive] { archive.Close(); });
  if (const uint32_t code = archive.Open()) throw Error(archive.LastMessage() + L" (" + std::to_wstring(code) + L")");
  TArchiveEntryInfo entry;
  TSharedText sub;
  std::wstring lastFolder;
  for (uint32_t code = archive.FindFirst(L"*.*", entry); code != err::NoMoreFiles; code = archive.FindNext(entry)) {
    if (code) throw Error(archive.LastMessage() + L" (" + std::to_wstring(code) + L")");
    std::wstring path = entry.Path;
    for (wchar_t& c : path)
      if (c == L'/') c = L'\\';
    if (!path.empty() && path.front() == L'\\') path.erase(0, 1);
    if (!IsSafeRelativeName(path)) {
      RefusedEntries.push_back(L"書庫 \"" + archivePath + L"\" の項目 \"" + entry.Path +
                               L"\" は使えない名前のため無視します");
      continue;
    }
    const size_t slash = path.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    if (!sub || folder != lastFolder) {
      lastFolder = folder;
      sub = MakeSharedText(folder);
    }
    auto record = std::make_unique<TBackupFileInfo>();
    record->SetPath(nullptr, folder.empty() ? nullptr : sub,
                    slash == std::wstring::npos ? path : path.substr(slash + 1));
    record->Time = entry.DosTime;
    record->Size = static_cast<int64_t>(entry.Size);
    record->Attr = 0;
    record->BackupInfo = BackupInfo;
    Files->Add(std::move(record));
  }
}

}  // namespace vog
