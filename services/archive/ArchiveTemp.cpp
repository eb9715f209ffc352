#include "services/archive/ArchiveTemp.h"

#include <atomic>

#include "base/Text.h"
#include "platform/Platform.h"
#include "services/archive/ArchivePaths.h"
#include "services/archive/ArchiveStreams.h"

namespace vog::archive {

namespace {

std::atomic<uint32_t> g_counter{0};

std::wstring NextTempName(const std::wstring& folder) {
  uint32_t n = g_counter.fetch_add(1);
  if (n == 0) {
    n = static_cast<uint32_t>(Clock().TickCount() % 100000) + 1;
    g_counter.store(n + 1);
  }
  return JoinPath(folder, L"VogArc" + IntToText(n) + L".$$$");
}

std::wstring ArchiveFolder(const std::wstring& archivePath) {
  std::wstring folder = FolderOf(archivePath);
  // "C:\a.zip" lies in the root "C:\".
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  if (folder.empty() && !archivePath.empty() && (archivePath[0] == L'/' || archivePath[0] == L'\\')) folder = L"/";
  return folder;
}

}  // namespace

TTempFile::TTempFile(const std::wstring& folder) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    path_ = NextTempName(folder);
    const uint32_t code = Files().OpenFile(path_, TOpenMode::CreateNew, share::None, stream_);
    if (code == 0) return;
    if (code != err::FileExists && code != err::AlreadyExists) ThrowIo(code, L"一時ファイルを作成できません", path_);
  }
  ThrowIo(err::FileExists, L"一時ファイルを作成できません", folder);
}

TTempFile::~TTempFile() {
  if (done_) return;
  stream_.reset();
  Files().RemoveFile(path_);
}

void TTempFile::MoveTo(const std::wstring& target) {
  stream_.reset();
  uint32_t code = Files().MoveEntry(path_, target, true);
  if (code == err::AccessDenied) {
    // A read-only file in the way is replaced like any other.
    uint32_t attributes = 0;
    if (Files().GetAttributes(target, attributes) == 0 && (attributes & attr::ReadOnly) &&
        !(attributes & attr::Directory) && Files().SetAttributes(target, attributes & ~attr::ReadOnly) == 0)
      code = Files().MoveEntry(path_, target, true);
  }
  if (code) ThrowIo(code, L"ファイルを作成できません", target);
  done_ = true;
}

TArchiveRewrite::TArchiveRewrite(const std::wstring& archivePath, const std::wstring& workFolder)
    : archive_(archivePath),
      besideArchive_(workFolder.empty()),
      temp_(workFolder.empty() ? ArchiveFolder(archivePath) : workFolder) {}

void TArchiveRewrite::Commit() {
  temp_.Close();
  uint32_t code = Files().MoveEntry(temp_.Path(), archive_, true);
  if (code == 0) {
    temp_.Release();
    return;
  }
  if (besideArchive_) ThrowIo(code, L"書庫を置き換えられません", archive_);
  // The work folder may be on another volume: copy beside the archive first, so the
  // archive itself is only ever replaced by a rename.
  TTempFile beside(ArchiveFolder(archive_));
  beside.Close();
  if (uint32_t copy = Files().CopyEntry(temp_.Path(), beside.Path(), false, {}, nullptr))
    ThrowIo(copy, L"書庫を置き換えられません", archive_);
  if (uint32_t move = Files().MoveEntry(beside.Path(), archive_, true))
    ThrowIo(move, L"書庫を置き換えられません", archive_);
  beside.Release();
}

}  // namespace vog::archive
