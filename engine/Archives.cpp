// Archived items: phase 3 of Execute (PackArchives) and the life of an encrypted archive's
// work copy: deciphered at the end of the plan, sealed back into the destination as the
// last step of the run, or discarded when the run is given up.
//
// An archived item keeps its files in one archive in its destination folder. With Encrypt
// the run works on a plain work copy (TempArchive, made by the destination scan or, when
// the scan did not read the archive, by SettleWorkCopy); the destination only ever holds
// the encoded archive. The sealing writes the encoded archive under a temporary name
// beside the old one and renames it over the old one, and the work copy is deleted only
// after that rename: a failure at any point leaves the old archive and the work copy as
// they were, and says so in ErrorFiles and Problems.
//
// The cipher runs beside the pack (TSealStream): the pack hands the work copy's bytes to
// it as it writes them, so when the pack succeeds the encoded archive is already under the
// temporary name and the sealing only renames it. When that stream did not get the whole
// work copy (the pack failed, was stopped or left the work copy alone) or could not write,
// the sealing enciphers the work copy as it lies, as before.
#include <map>
#include <memory>

#include "base/CodePage.h"
#include "base/Error.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "engine/ArchiveWork.h"
#include "engine/Backup.h"
#include "engine/Containment.h"
#include "engine/FileTransfer.h"
#include "engine/SealStream.h"
#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileUtils.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"
#include "scan/Questions.h"
#include "services/archive/ArchiveFile.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

constexpr std::wstring_view kOverwriteQuestion = L"を上書きしてもいいですか?";
constexpr std::wstring_view kPackingCaption = L"書庫を作成中...";
constexpr int kPackAnimationId = 70;  // the copy animation of the resource library

struct TSealResult {
  uint32_t Code = 0;
  std::wstring Message;
};

// Whether the work copy, its archive and the archive's temporary name lie where the
// sealing may write them.
bool SealPathsInside(const TBackupInfo& item, const std::wstring& work, const std::wstring& workRoot) {
  const std::wstring archive = ArchivePathOf(item);
  return IsInsideFolder(archive, item.DestFolder) && IsInsideFolder(ReplacementNameOf(archive), item.DestFolder) &&
         IsInsideFolder(work, workRoot);
}

// The sealing of the work copy started beside its pack: the encoded archive goes straight
// to the archive's temporary name. Null (the sealing after the pack does all) when the
// folder, the cipher or the file cannot be had; that sealing then reports why.
std::unique_ptr<TSealStream> StartSealing(const TBackupInfoAndFile& pair, const std::wstring& workRoot) noexcept {
  try {
    const TBackupInfo& item = *pair.Info;
    const std::wstring work = CodePage().AnsiToWide(pair.TempArchive);
    if (!SealPathsInside(item, work, workRoot) || MakeFolderWithParents(item.DestFolder) != err::Success) return nullptr;
    auto cipher = CreateItemCipher(item, pair.RunCipherKey);
    std::unique_ptr<IFileStream> out;
    if (Files().OpenFile(ReplacementNameOf(ArchivePathOf(item)), TOpenMode::Write, share::None, out) != err::Success)
      return nullptr;
    return std::make_unique<TSealStream>(std::move(cipher), std::move(out));
  } catch (...) {
    return nullptr;
  }
}

// Encodes the work copy into the destination archive through a temporary name, then
// deletes the work copy, which must lie in `workRoot`. Never throws.
TSealResult Seal(TBackupInfoAndFile& pair, const std::wstring& workRoot) noexcept {
  TSealResult result;
  try {
    const TBackupInfo& item = *pair.Info;
    // Whatever happens next, the stream's thread and file are done with.
    const std::unique_ptr<TSealStream> sealing = std::move(pair.Sealing);
    const uint32_t streamed = sealing ? sealing->Finish() : err::GenFailure;
    IFileSystem& files = Files();
    const std::wstring archive = ArchivePathOf(item);
    const std::wstring temp = ReplacementNameOf(archive);
    auto dropStream = [&] {
      if (sealing && IsInsideFolder(temp, item.DestFolder)) DeleteFileForce(temp);
    };
    if (!item.Archive || !item.Encrypt || pair.TempArchive.empty()) {
      dropStream();
      return result;
    }
    const std::wstring work = CodePage().AnsiToWide(pair.TempArchive);
    uint32_t attributes = 0;
    if (files.GetAttributes(work, attributes) != err::Success) {
      dropStream();
      pair.TempArchive.clear();  // nothing to seal: the destination is as it was
      return result;
    }
    if (!SealPathsInside(item, work, workRoot)) {
      result.Code = kOutsideDestinationCode;
      result.Message = L"\"" + archive + L"\" は \"" + item.DestFolder + L"\" の外にあるため書き込みません";
      return result;
    }
    uint32_t code = MakeFolderWithParents(item.DestFolder);
    if (code == err::Success && streamed == err::Success) {
      // The encoded work copy is complete: it gets the work copy's date and attributes,
      // as EncipherFile gives them.
      TFindData status;
      if (files.GetStatus(work, status) == err::Success) files.SetTimes(temp, nullptr, nullptr, &status.LastWriteTime);
      files.SetAttributes(temp, attributes);
    } else if (code == err::Success) {
      try {
        auto cipher = CreateItemCipher(item, pair.RunCipherKey);
        // The archive is encoded as a whole, also for an item with Decrypt.
        cipher->EncipherFile(work, temp);
      } catch (const ECipherFileError& e) {
        code = e.Code() ? e.Code() : err::WriteFault;
      } catch (const Error&) {
        code = err::GenFailure;
      }
    }
    if (code == err::Success) {
      code = files.MoveEntry(temp, archive, true);
      if (code != err::Success && files.GetAttributes(archive, attributes) == err::Success &&
          (attributes & attr::ReadOnly) && files.SetAttributes(archive, attributes & ~attr::ReadOnly) == err::Success) {
        code = files.MoveEntry(temp, archive, true);
      }
    }
    if (code != err::Success) {
      DeleteFileForce(temp);
      result.Code = code;
      result.Message = L"暗号化した書庫 \"" + archive + L"\" を書き込めませんでした (" + std::to_wstring(code) +
                       L")。最新の内容は作業ファイル \"" + work + L"\" に残っています";
      return result;
    }
    DeleteFileForce(work);
    pair.TempArchive.clear();
  } catch (...) {
    result.Code = err::GenFailure;
    result.Message = L"暗号化した書庫を書き込めませんでした";
  }
  return result;
}

}  // namespace

void TBackup::SealWorkCopyReported(TBackupInfoAndFile& pair) {
  TSealResult result = Seal(pair, WorkRootOf(WorkFolder));
  if (result.Code == err::Success) return;
  TFileInfo named;
  named.SetFileName(pair.TempArchive.empty() ? ArchivePathOf(*pair.Info) : CodePage().AnsiToWide(pair.TempArchive));
  RecordError(named, result.Code);
  Problems.Add(TProblemKind::ArchiveNotWritten, named.FileName, result.Code, std::move(result.Message));
}

void TBackup::SetAsideLeftoverWorkCopy(TBackupInfoAndFile& pair) {
  // A work copy present before the destination scan was left by a sealing that failed or
  // a run that ended abruptly, and may hold the only copy of an archive's newest content.
  // The scan is about to decode the destination into this name, so the leftover is moved
  // aside under a free name and reported instead of being overwritten.
  if (pair.TempArchive.empty()) return;
  IFileSystem& files = Files();
  const std::wstring work = CodePage().AnsiToWide(pair.TempArchive);
  uint32_t attributes = 0;
  if (files.GetAttributes(work, attributes) != err::Success) return;
  const std::wstring workRoot = WorkRootOf(WorkFolder);
  if (!GuardPath(work, workRoot)) return;
  for (int n = 0; n < 100; ++n) {
    const std::wstring aside = work + L".old" + (n ? std::to_wstring(n) : std::wstring());
    if (files.GetAttributes(aside, attributes) == err::Success) continue;
    if (files.MoveEntry(work, aside, false) == err::Success) {
      Problems.Add(TProblemKind::Leftover, aside, 0,
                   L"前回書き戻せなかった作業ファイルを \"" + aside + L"\" として残しました");
      return;
    }
    break;
  }
  throw Error(L"作業ファイル \"" + work + L"\" が残っています。内容を確かめて移動してください");
}

void TBackup::PackArchives() {
  YesToAll = false;
  NoToAll = false;
  // A pack of many files takes a while: its window carries the stop button, which the
  // archiver asks before each file and between the blocks of a large one.
  CloseProgress();
  const TScopeExit closer([this] { CloseProgress(); });
  bool any = false;
  for (const auto& pair : Items) any = any || (pair->Info->Archive && !pair->CopyFiles.Empty());
  if (!Silent && any) OpenProgress(kPackingCaption, kPackAnimationId, static_cast<int>(TAnimationKind::CopyFile));
  for (const auto& pair : Items) {
    if (!pair->Info->Archive) continue;
    if (PackArchive(*pair)) break;
    ProcessMessages();
  }
  // Everything an encrypted archive's work copy receives in this run is in it now.
  SealWorkCopies();
}

void TBackup::SealWorkCopies() {
  workCopiesSealed_ = true;
  for (const auto& pair : Items) {
    if (pair->Info->Archive && pair->Info->Encrypt) SealWorkCopyReported(*pair);
  }
}

void TBackup::SettleWorkCopy(TBackupInfoAndFile& pair) {
  const TBackupInfo& item = *pair.Info;
  if (!item.Encrypt || !item.Archive || pair.TempArchive.empty()) return;
  IFileSystem& files = Files();
  const std::wstring work = CodePage().AnsiToWide(pair.TempArchive);
  const std::wstring workRoot = WorkRootOf(WorkFolder);
  uint32_t attributes = 0;
  const bool haveWork = files.GetAttributes(work, attributes) == err::Success;
  if (pair.CopyFiles.Empty() && pair.MirrorFiles.Empty()) {
    // An archive this run does not change is not rewritten: its work copy goes.
    if (!haveWork || (GuardPath(work, workRoot) && DeleteFileForce(work))) pair.TempArchive.clear();
    return;
  }
  if (haveWork) return;  // the destination scan deciphered it
  const std::wstring archive = ArchivePathOf(item);
  if (files.GetAttributes(archive, attributes) != err::Success || (attributes & attr::Directory)) return;  // a first run
  if (!GuardPath(work, workRoot)) throw Error(L"作業ファイル \"" + work + L"\" を作れません");
  // Packing into an empty work copy would start a new archive, and the sealing would put
  // it in place of the old one with everything else the old one held.
  try {
    CreateItemCipher(item, pair.RunCipherKey)->DecipherFile(archive, work);
  } catch (...) {
    DeleteFileForce(work);
    throw;
  }
}

void TBackup::DiscardWorkCopies() noexcept {
  try {
    const std::wstring workRoot = WorkRootOf(WorkFolder);
    for (const auto& pair : Items) {
      if (pair->Sealing) {
        pair->Sealing.reset();
        const std::wstring temp = ReplacementNameOf(ArchivePathOf(*pair->Info));
        if (IsInsideFolder(temp, pair->Info->DestFolder)) DeleteFileForce(temp);
      }
      if (pair->TempArchive.empty()) continue;
      const std::wstring work = CodePage().AnsiToWide(pair->TempArchive);
      uint32_t attributes = 0;
      if (Files().GetAttributes(work, attributes) != err::Success) {
        pair->TempArchive.clear();
        continue;
      }
      if (IsInsideFolder(work, workRoot) && DeleteFileForce(work)) {
        pair->TempArchive.clear();
        continue;
      }
      Problems.Add(TProblemKind::Leftover, work, 0,
                   L"作業ファイル \"" + work + L"\" を削除できませんでした (書庫の解読済みの写しです)");
    }
  } catch (...) {
    // Only memory can fail here; the next run sets a work copy left behind aside.
  }
}

bool TBackup::PackArchive(TBackupInfoAndFile& pair) {
  TBackupInfo& item = *pair.Info;
  if (pair.CopyFiles.Empty()) return false;
  const std::wstring archivePath = ArchivePathOf(item);
  const bool encrypted = item.Encrypt;
  auto failAll = [this, &pair](uint32_t code) {
    for (TFileInfo* record : pair.CopyFiles) RecordError(*record, code);
    return false;
  };

  // Only LZH and ZIP can be written; any other name leaves the old file alone and lists
  // every planned file as failed, so the run never claims a backup it did not make.
  if (!IsUpdatableArchive(archivePath)) {
    failAll(kArchiveTypeNotSupported);
    Problems.Add(TProblemKind::ArchiveNotWritten, archivePath, kArchiveTypeNotSupported,
                 L"書庫 \"" + archivePath + L"\" の形式には対応していません (LZH か ZIP を指定してください)");
    return false;
  }
  const std::wstring target = encrypted ? CodePage().AnsiToWide(pair.TempArchive) : archivePath;
  if (encrypted && pair.TempArchive.empty()) return failAll(err::GenFailure);
  if (!GuardPath(target, encrypted ? WorkRootOf(WorkFolder) : item.DestFolder)) return failAll(kOutsideDestinationCode);

  // The entries the archive holds now: for an encrypted archive the work copy as phase 2
  // left it (decoding the destination again would bring mirrored entries back).
  std::vector<std::wstring> entries;
  if (item.ConfirmOverwrite || item.KeepHistory) entries = ListArchiveEntries(target);

  std::vector<const TFileInfo*> packed;
  std::vector<std::wstring> names;
  for (TFileInfo* record : pair.CopyFiles) {
    const std::wstring relative = record->RelativePath();
    bool pack = true;
    if (item.KeepHistory) {
      SaveArchivedToHistory(entries, *record, pair);
    } else if (item.ConfirmOverwrite) {
      if (YesToAll) {
        pack = true;
      } else if (NoToAll) {
        pack = false;
      } else if (HasEntry(entries, relative)) {
        switch (Questions().Ask(TQuestionKind::Warning, relative + std::wstring(kOverwriteQuestion),
                                TQuestionButtons::YesNoNoToAllYesToAll)) {
          case TAnswer::No:
            pack = false;
            break;
          case TAnswer::NoToAll:
            NoToAll = true;
            pack = false;
            break;
          case TAnswer::YesToAll:
            YesToAll = true;
            break;
          default:
            break;
        }
      }
    }
    if (!pack) continue;
    packed.push_back(record);
    names.push_back(relative);
  }
  if (packed.empty()) return false;

  if (!encrypted && MakeFolderWithParents(item.DestFolder) != err::Success) {
    for (const TFileInfo* record : packed) RecordError(*record, err::PathNotFound);
    return false;
  }
  uint32_t code = err::Success;
  std::wstring message;
  std::vector<TLeftOutFile> leftOut;
  if (encrypted) pair.Sealing = StartSealing(pair, WorkRootOf(WorkFolder));
  try {
    TArchiveFile archive;
    archive.SetFileName(target);
    SetEngineArchiveOptions(archive, WorkFolder);
    archive.Options.Tap = pair.Sealing.get();
    if (Progress) {
      Progress->SetStateText(archivePath);
      archive.Options.StopRequested = [this] {
        ProcessMessages();
        return Progress->StopRequested();
      };
    }
    // The archiver writes the new archive apart and replaces the old one only when it is
    // complete, so a failed pack leaves the previous archive as it was. A file it could not
    // take (vanished or locked since the walk, too large for LZH) is left out and named.
    // The walk's size, attributes and time of each file spare asking the system again.
    std::vector<TListedFile> listed;
    listed.reserve(packed.size());
    for (const TFileInfo* record : packed) listed.push_back(TListedFile{record->Size, record->Attr, record->Time});
    code = archive.Pack(item.SourceFolder, names, listed);
    if (code != err::Success) message = archive.LastMessage();
    leftOut = archive.LeftOut();
  } catch (const Error& e) {
    code = err::GenFailure;
    message = e.Message();
  }
  if (code != err::Success) {
    for (const TFileInfo* record : packed) RecordError(*record, code);
    Problems.Add(TProblemKind::ArchiveNotWritten, archivePath, code,
                 L"書庫 \"" + archivePath + L"\" を更新できませんでした: " + message);
    // A stop by the user leaves this archive as it was and the later ones alone.
    if (code == err::RequestAborted) Stopped = true;
    return code == err::RequestAborted;
  }
  std::map<std::wstring, const TLeftOutFile*, TextLess> leftOutByName;
  for (const TLeftOutFile& file : leftOut) leftOutByName.emplace(file.Name, &file);
  for (size_t i = 0; i < packed.size(); ++i) {
    const TFileInfo& record = *packed[i];
    if (auto it = leftOutByName.find(names[i]); it != leftOutByName.end()) {
      const TLeftOutFile& file = *it->second;
      RecordError(record, file.Code);
      // The archiver's message names the file and why.
      Problems.Add(TProblemKind::FileLeftOut, record.FullPath(), file.Code,
                   L"書庫 \"" + archivePath + L"\" に入れられませんでした: " + file.Message);
      continue;
    }
    auto copy = std::make_unique<TFileInfo>();
    copy->Assign(record);
    CopiedFiles.Add(std::move(copy));
  }
  return false;
}

}  // namespace vog
