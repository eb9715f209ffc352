// TBackup: the object, its lists, the views and Execute. Planning is in BackupPlan.cpp,
// mirroring in Mirroring.cpp, the other phases in files of their own.
#include "engine/Backup.h"

#include <algorithm>

#include "base/CodePage.h"
#include "base/Path.h"
#include "base/Text.h"
#include "engine/ArchiveWork.h"
#include "engine/Containment.h"
#include "engine/SealStream.h"
#include "model/BackupInfo.h"
#include "model/PathMacros.h"
#include "platform/Platform.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"

namespace vog {

// ---- pairs ---------------------------------------------------------------------------

TBackupInfoAndFile::TBackupInfoAndFile(TBackupInfo* info, std::string runCipherKey)
    : Info(info), RunCipherKey(std::move(runCipherKey)) {}

TBackupInfoAndFile::~TBackupInfoAndFile() = default;

int TBackupInfoAndFileList::Add(std::unique_ptr<TBackupInfoAndFile> pair) {
  items_.push_back(std::move(pair));
  return Count() - 1;
}

bool TBackupInfoAndFileList::AnyMirrorFiles() const noexcept {
  return std::any_of(items_.begin(), items_.end(), [](const auto& pair) { return !pair->MirrorFiles.Empty(); });
}

// ---- sorted folder list --------------------------------------------------------------

void TSortedFolderList::Settle() const {
  if (sorted_) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TFolderEntry& a, const TFolderEntry& b) { return CompareText(a.Path, b.Path) < 0; });
  items_.erase(std::unique(items_.begin(), items_.end(),
                           [](const TFolderEntry& a, const TFolderEntry& b) { return SameText(a.Path, b.Path); }),
               items_.end());
  sorted_ = true;
}

int TSortedFolderList::Count() const {
  Settle();
  return static_cast<int>(items_.size());
}

const TFolderEntry& TSortedFolderList::operator[](int index) const {
  Settle();
  return items_.at(static_cast<size_t>(index));
}

bool TSortedFolderList::Find(std::wstring_view path, int& index) const {
  Settle();
  auto it = std::lower_bound(items_.begin(), items_.end(), path,
                             [](const TFolderEntry& e, std::wstring_view key) { return CompareText(e.Path, key) < 0; });
  index = static_cast<int>(it - items_.begin());
  return it != items_.end() && SameText(it->Path, path);
}

bool TSortedFolderList::Contains(std::wstring_view path) const {
  int index = 0;
  return Find(path, index);
}

void TSortedFolderList::Add(std::wstring path, TBackupInfo* item) {
  if (sorted_ && !items_.empty() && CompareText(items_.back().Path, path) >= 0) sorted_ = false;
  items_.push_back(TFolderEntry{std::move(path), item});
}

void TSortedFolderList::Delete(int index) {
  Settle();
  (void)items_.at(static_cast<size_t>(index));
  items_.erase(items_.begin() + index);
}

void TSortedFolderList::Clear() noexcept {
  items_.clear();
  sorted_ = true;
}

std::vector<TFolderEntry>::const_iterator TSortedFolderList::begin() const {
  Settle();
  return items_.begin();
}

std::vector<TFolderEntry>::const_iterator TSortedFolderList::end() const {
  Settle();
  return items_.end();
}

// ---- TBackup ---------------------------------------------------------------------------

TBackup::TBackup() {
  // A record removed from a view leaves the pair that holds it (and is freed there).
  AllCopyFiles.OnRemove = [this](TFileInfo* record) {
    for (const auto& pair : Items)
      if (pair->CopyFiles.Extract(record)) return;
  };
  AllMirrorFiles.OnRemove = [this](TFileInfo* record) {
    for (const auto& pair : Items)
      if (pair->MirrorFiles.Extract(record)) return;
  };
}

TBackup::~TBackup() {
  AllCopyFiles.OnRemove = nullptr;
  AllMirrorFiles.OnRemove = nullptr;
}

void TBackup::AddItem(TBackupInfo* info) {
  Items.Add(std::make_unique<TBackupInfoAndFile>(info, RunCipherKey));
  if (!info->SourceFolder.empty() && info->SourceFolder.back() == L'\\') info->SourceFolder.pop_back();
  if (!info->DestFolder.empty() && info->DestFolder.back() == L'\\') info->DestFolder.pop_back();
}

TFileInfoList& TBackup::GetAllCopyFiles() {
  AllCopyFiles.Clear();
  for (const auto& pair : Items)
    for (TFileInfo* record : pair->CopyFiles) AllCopyFiles.Add(record);
  return AllCopyFiles;
}

TFileInfoList& TBackup::GetAllMirrorFiles() {
  AllMirrorFiles.Clear();
  for (const auto& pair : Items)
    for (TFileInfo* record : pair->MirrorFiles) AllMirrorFiles.Add(record);
  return AllMirrorFiles;
}

void TBackup::DiscardCopyFile(TFileInfo* record) {
  // The view must not keep a pointer to a freed record.
  const int inView = AllCopyFiles.IndexOf(record);
  if (inView >= 0) AllCopyFiles.Delete(inView);
  for (const auto& pair : Items)
    if (pair->CopyFiles.Remove(record) >= 0) return;
}

int64_t TBackup::CopyBytes() const noexcept {
  int64_t total = 0;
  for (const auto& pair : Items) total += pair->CopyFiles.TotalSize();
  return total;
}

int64_t TBackup::MirrorBytes() const noexcept {
  int64_t total = 0;
  for (const auto& pair : Items) total += pair->MirrorFiles.TotalSize();
  return total;
}

TBackupInfoAndFile* TBackup::PairOf(const TBackupInfo* item) const noexcept {
  for (const auto& pair : Items)
    if (pair->Info == item) return pair.get();
  return nullptr;
}

void TBackup::Execute() {
  StartTime = Clock().Now();
  if (Stopped) {
    DiscardWorkCopies();
    return;
  }
  try {
    Shape.Tidy(*this);
    CreateDestinationFolders();
    HoldBackMassDeletions();
    DeleteMirrorFiles();
    // Folders that a file the mirroring removed stood in the way of.
    if (Shape.FoldersBlocked()) CreateDestinationFolders();
    PackArchives();
    TransferFiles();
  } catch (...) {
    // Mirroring or packing may already have changed a work copy: it goes into its
    // archive now rather than lying in the work folder until the next run.
    if (!workCopiesSealed_) SealWorkCopies();
    throw;
  }
  if (!workCopiesSealed_) SealWorkCopies();  // PackArchives seals; this covers a run without it
}

// ---- progress --------------------------------------------------------------------------

IProgress* TBackup::OpenProgress(std::wstring_view caption, int resourceId, int systemAnimation) {
  CloseProgress();
  if (Silent) return nullptr;
  progress_ = ProgressFactory().CreateProgress();
  Progress = progress_.get();
  Progress->SetAnimation(AnimationModule ? TProgressAnimation{TAnimationKind::Resource, resourceId}
                                         : TProgressAnimation{static_cast<TAnimationKind>(systemAnimation), 0});
  Progress->SetCaption(caption);
  Progress->Show();
  return Progress;
}

void TBackup::CloseProgress() noexcept {
  Progress = nullptr;
  progress_.reset();
}

bool TBackup::PollStop() {
  ProcessMessages();
  if (Progress && Progress->StopRequested()) Stopped = true;
  return Stopped;
}

// ---- containment and failures ----------------------------------------------------------

void TBackup::RecordError(const TFileInfo& record, uint32_t code) {
  auto failed = std::make_unique<TBackupFileInfo>();
  failed->Assign(record);
  failed->Attr = code;
  ErrorFiles.Add(std::move(failed));
}

bool TBackup::GuardPath(const std::wstring& path, const std::wstring& root, const TFileInfo* record) {
  if (IsInsideFolder(path, root)) return true;
  if (record) {
    RecordError(*record, kOutsideDestinationCode);
  } else {
    TFileInfo named;
    named.SetFileName(path);
    RecordError(named, kOutsideDestinationCode);
  }
  Problems.Add(TProblemKind::Refused, path, kOutsideDestinationCode,
               L"\"" + path + L"\" は \"" + root + L"\" の外にあるため変更しません");
  return false;
}

std::wstring TBackup::WorkCopyPath(int index) const {
  const TBackupInfo& item = *Items[index]->Info;
  const std::wstring archiveName = ExpandMacros(item.ArchiveName);
  const size_t dot = archiveName.rfind(L'.');
  const size_t slash = archiveName.find_last_of(L"\\/");
  const std::wstring extension =
      dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? L"" : archiveName.substr(dot);
  return AddBackslash(WorkRootOf(WorkFolder)) + L"Temp" + std::to_wstring(index) + extension;
}

}  // namespace vog
