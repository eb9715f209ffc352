#include "services/archive/ArchiveFile.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <new>
#include <optional>
#include <thread>

#include "base/Error.h"
#include "base/Text.h"
#include "base/Wildcard.h"
#include "platform/Platform.h"
#include "services/archive/ArchiveFormat.h"
#include "services/archive/ArchivePaths.h"
#include "services/archive/ArchiveTemp.h"
#include "services/archive/PackAhead.h"

namespace vog {

using archive::TEntry;
using archive::TFailure;

struct TArchiveFile::TDirectory {
  std::vector<TEntry> Entries;
};

bool ArchiveTypeOf(const std::wstring& fileName, TArchiveType& type) {
  const size_t slash = fileName.find_last_of(L"\\/");
  const size_t dot = fileName.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
  const std::wstring ext = fileName.substr(dot);
  if (SameText(ext, L".LZH")) {
    type = TArchiveType::Lzh;
    return true;
  }
  if (SameText(ext, L".ZIP")) {
    type = TArchiveType::Zip;
    return true;
  }
  return false;
}

TArchiveFile::TArchiveFile() = default;
TArchiveFile::~TArchiveFile() = default;

void TArchiveFile::SetFileName(const std::wstring& fileName) {
  TArchiveType type;
  if (!ArchiveTypeOf(fileName, type)) throw Error(L"書庫の形式を判別できません。");
  fileName_ = fileName;
  type_ = type;
  typeSet_ = true;
  listing_.reset();
}

void TArchiveFile::RequireType() const {
  if (!typeSet_) throw Error(L"書庫の形式を判別できません。");
}

std::unique_ptr<archive::IArchiveFormat> TArchiveFile::MakeFormat() const {
  return type_ == TArchiveType::Zip ? archive::CreateZipFormat() : archive::CreateLzhFormat();
}

uint32_t TArchiveFile::Fail(uint32_t code, const std::wstring& message) {
  lastMessage_ = message;
  return code == 0 ? err::GenFailure : code;
}

namespace {

// The archive's directory, read through the platform. Returns err::FileNotFound (without
// throwing) when there is no archive.
uint32_t ReadArchive(archive::IArchiveFormat& format, const std::wstring& path, std::vector<TEntry>& entries) {
  std::unique_ptr<IFileStream> stream;
  const uint32_t code = Files().OpenFile(path, TOpenMode::Read, share::Read, stream);
  if (code == err::FileNotFound || code == err::PathNotFound) return err::FileNotFound;
  if (code) archive::ThrowIo(code, L"書庫を開けません", path);
  archive::TReader reader(*stream);
  format.ReadDirectory(reader, entries);
  return 0;
}

// Runs an operation body and turns whatever it throws into a result code and message, so
// nothing but the unknown-extension raise ever leaves the component.
template <typename Body>
uint32_t Guard(std::wstring& lastMessage, const std::wstring& archivePath, Body&& body) noexcept {
  auto named = [&](std::wstring message) {
    if (message.find(archivePath) == std::wstring::npos) message += L" [" + archivePath + L"]";
    return message;
  };
  try {
    lastMessage.clear();
    try {
      return body();
    } catch (const TFailure& failure) {
      lastMessage = named(failure.Message());
      return failure.Code;
    } catch (const Error& error) {
      lastMessage = named(error.Message());
      return err::GenFailure;
    } catch (const std::bad_alloc&) {
      lastMessage = L"メモリが足りません: " + archivePath;
      return err::NotEnoughMemory;
    } catch (const std::exception& other) {
      lastMessage = named(L"書庫を処理できません（" + Utf8ToWide(other.what()) + L"）");
      return err::GenFailure;
    } catch (...) {
      lastMessage = named(L"書庫を処理できません");
      return err::GenFailure;
    }
  } catch (...) {
    // Building the message itself failed (no memory left).
    return err::NotEnoughMemory;
  }
}

// A buffered sink into an extracted file.
class TFileSink {
public:
  TFileSink(IFileStream& stream, const std::wstring& path) : stream_(stream), path_(path) {}
  bool Put(const uint8_t* data, size_t size) {
    if (buffer_.size() + size > archive::kChunk) Flush();
    if (size >= archive::kChunk) {
      WriteAll(data, size);
    } else {
      buffer_.insert(buffer_.end(), data, data + size);
    }
    return true;
  }
  void Flush() {
    if (!buffer_.empty()) WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
  }

private:
  void WriteAll(const uint8_t* data, size_t size) {
    size_t written = 0;
    while (written < size) {
      size_t done = 0;
      const uint32_t code = stream_.Write(data + written, size - written, done);
      written += done;
      if (code) archive::ThrowIo(code, L"ファイルを書き込めません", path_);
      if (done == 0) archive::ThrowIo(err::WriteFault, L"ファイルを書き込めません", path_);
    }
  }
  IFileStream& stream_;
  const std::wstring& path_;
  std::vector<uint8_t> buffer_;
};

// Creates `folder` and its missing parents below `root` (which must exist).
void MakeFolders(const std::wstring& root, const std::wstring& relative) {
  if (relative.empty()) return;
  std::wstring path = root;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find(L'\\', start);
    if (end == std::wstring::npos) end = relative.size();
    path = archive::JoinPath(path, relative.substr(start, end - start));
    uint32_t attributes = 0;
    if (Files().GetAttributes(path, attributes) == 0) {
      if (!(attributes & attr::Directory)) archive::ThrowIo(err::AlreadyExists, L"フォルダを作成できません", path);
    } else if (uint32_t code = Files().MakeFolder(path); code && code != err::AlreadyExists) {
      archive::ThrowIo(code, L"フォルダを作成できません", path);
    }
    start = end + 1;
  }
}

// Listing and extraction refuse the same entries, with the same words.
std::wstring UnsafeEntryMessage(const std::wstring& storedPath) {
  return L"安全でないパスのエントリは扱いません（展開先の外を指す名前）: " + storedPath;
}

// The status of each path (code and data), asked on several threads: each answer waits on
// the system (a round trip under some systems, the network on a share), and a pack of many
// small files would otherwise spend as long here as on reading them.
struct TStatus {
  uint32_t Code = 0;
  TFindData Info;
};
std::vector<TStatus> StatusOf(const std::vector<std::wstring>& paths) {
  std::vector<TStatus> status(paths.size());
  std::atomic<size_t> next{0};
  auto work = [&]() noexcept {
    for (size_t i = next++; i < paths.size(); i = next++) status[i].Code = Files().GetStatus(paths[i], status[i].Info);
  };
  const size_t threads = paths.size() < 64 ? 0 : 3;
  std::vector<std::thread> helpers;
  for (size_t i = 0; i < threads; ++i) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
  return status;
}

constexpr uint32_t kStoredAttributes = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive;

}  // namespace

// ---- Pack ------------------------------------------------------------------------

uint32_t TArchiveFile::Pack(const std::wstring& baseFolder, const std::vector<std::wstring>& names) {
  return Pack(baseFolder, names, {});
}

uint32_t TArchiveFile::Pack(const std::wstring& baseFolder, const std::vector<std::wstring>& names,
                            const std::vector<TListedFile>& listed) {
  RequireType();
  leftOut_.clear();
  return Guard(lastMessage_, fileName_, [&]() -> uint32_t {
    auto format = MakeFormat();
    // A file that cannot be taken: left out with LeaveOutUnreadable, else the call fails.
    auto leaveOut = [this](const std::wstring& name, const TFailure& failure) {
      if (!Options.LeaveOutUnreadable) throw failure;
      leftOut_.push_back(TLeftOutFile{name, failure.Code, failure.Message()});
    };
    // The files to add, each once (the last of several names for one entry wins).
    std::vector<archive::TNewFile> files;
    std::vector<std::wstring> givenNames;  // the name each file was given as
    std::map<std::wstring, size_t> fileIndex;
    std::vector<std::wstring> sourcePaths;
    for (const auto& name : names) sourcePaths.push_back(archive::JoinPath(baseFolder, archive::ListedPath(name)));
    const bool useListed = type_ == TArchiveType::Zip && listed.size() == names.size();
    std::vector<TStatus> status;
    if (useListed) {
      status.resize(names.size());
      for (size_t n = 0; n < names.size(); ++n) {
        status[n].Info.Size = listed[n].Size;
        status[n].Info.Attr = listed[n].Attr;
      }
    } else {
      status = StatusOf(sourcePaths);
    }
    for (size_t n = 0; n < names.size(); ++n) {
      const std::wstring& name = names[n];
      const std::wstring relative = archive::ListedPath(name);
      archive::TNewFile file;
      file.Path = Options.KeepPaths ? relative : archive::NameOf(relative);
      while (!file.Path.empty() && file.Path.back() == L'\\') file.Path.pop_back();
      if (file.Path.empty()) throw TFailure{err::InvalidName, L"書庫に入れるファイル名が空です。"};
      file.SourcePath = sourcePaths[n];
      const TFindData& info = status[n].Info;
      if (uint32_t code = status[n].Code) {
        leaveOut(name, TFailure{code, L"ファイルを読み込めません（エラー " + IntToText(code) + L"）: " + file.SourcePath});
        continue;
      }
      if (info.Attr & attr::Directory) {
        leaveOut(name, TFailure{err::AccessDenied, L"フォルダは書庫に入れられません: " + file.SourcePath});
        continue;
      }
      if (type_ == TArchiveType::Lzh && info.Size > kLzhFileSizeLimit) {
        leaveOut(name, TFailure{err::FileTooLarge, L"LZH 書庫には 4 GiB 以上のファイルを入れられません (ZIP 書庫なら入れられます): " +
                                                       file.SourcePath});
        continue;
      }
      file.Attr = Options.KeepAttributes ? (info.Attr & kStoredAttributes) : attr::Archive;
      file.WriteTime = info.LastWriteTime;
      file.CreationTime = info.CreationTime;
      file.AccessTime = info.LastAccessTime;
      file.DosTime = useListed ? listed[n].DosTime : archive::LocalDosTime(info.LastWriteTime.Value);
      file.Size = info.Size;
      const std::wstring key = archive::MatchKey(file.Path);
      if (auto it = fileIndex.find(key); it != fileIndex.end()) {
        files[it->second] = file;
        givenNames[it->second] = name;
      } else {
        fileIndex.emplace(key, files.size());
        files.push_back(file);
        givenNames.push_back(name);
      }
    }

    std::vector<TEntry> entries;
    const bool exists = ReadArchive(*format, fileName_, entries) == 0;

    // Each file replaces the last entry of its path (older duplicates go with it), unless
    // without `c` that entry is as new as the file; files without an entry are appended.
    std::vector<long> lastEntry(files.size(), -1);
    std::vector<long> fileOf(entries.size(), -1);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].IsFolder) continue;
      auto it = fileIndex.find(archive::MatchKey(entries[i].Path));
      if (it == fileIndex.end()) continue;
      fileOf[i] = static_cast<long>(it->second);
      lastEntry[it->second] = static_cast<long>(i);
    }
    std::vector<bool> replace(files.size(), false);
    // An archive is made even for no names, but not when every file was left out.
    bool changes = !exists && (!files.empty() || leftOut_.empty());
    for (size_t f = 0; f < files.size(); ++f) {
      if (lastEntry[f] < 0) {
        changes = true;
      } else if (Options.AlwaysReplace || entries[static_cast<size_t>(lastEntry[f])].DosTime < files[f].DosTime) {
        replace[f] = true;
        changes = true;
      }
    }
    if (!changes) return 0;

    archive::TArchiveRewrite rewrite(fileName_, Options.WorkFolder);
    {
      std::unique_ptr<IFileStream> source;
      if (exists) {
        if (uint32_t code = Files().OpenFile(fileName_, TOpenMode::Read, share::Read, source))
          archive::ThrowIo(code, L"書庫を開けません", fileName_);
      }
      std::optional<archive::TReader> reader;
      if (source) reader.emplace(*source);
      archive::TWriter writer(rewrite.Stream());
      if (IPackTap* tap = Options.Tap) writer.SetTap([tap](const uint8_t* data, size_t size) { tap->Put(data, size); });
      archive::TWriteOptions options;
      options.Level = std::clamp(Options.Compression, 0, 3);
      options.StoreAttributes = Options.KeepAttributes;
      options.Stop = Options.StopRequested;
      auto out = format->CreateWriter(writer, options);
      // The files in the order they are added, read and compressed ahead on other threads.
      std::vector<const archive::TNewFile*> order;
      for (size_t i = 0; i < entries.size(); ++i) {
        const long f = fileOf[i];
        if (f >= 0 && replace[static_cast<size_t>(f)] && lastEntry[static_cast<size_t>(f)] == static_cast<long>(i))
          order.push_back(&files[static_cast<size_t>(f)]);
      }
      for (size_t f = 0; f < files.size(); ++f)
        if (lastEntry[f] < 0) order.push_back(&files[f]);
      archive::TPackAhead ahead(*out, order);
      size_t taken = 0, added = 0;
      // Adds file f; false when it was left out before anything of its entry was written.
      auto add = [&](size_t f) -> bool {
        if (Options.StopRequested && Options.StopRequested())
          throw TFailure{err::RequestAborted, L"書庫の作成を中止しました"};
        const archive::TNewFile& file = files[f];
        std::unique_ptr<archive::TPreparedFile> prepared;
        try {
          prepared = ahead.Take(taken++);
        } catch (const TFailure& failure) {
          leaveOut(givenNames[f], failure);  // a prepared file touched nothing of the archive
          return false;
        }
        ++added;
        if (prepared) {
          out->AddPrepared(file, *prepared);
          return true;
        }
        std::unique_ptr<IFileStream> data;
        if (uint32_t code = Files().OpenFile(file.SourcePath, TOpenMode::Read, share::Read | share::Write, data)) {
          --added;
          leaveOut(givenNames[f], TFailure{code, L"ファイルを読み込めません（エラー " + IntToText(code) + L"）: " +
                                                     file.SourcePath});
          return false;
        }
        out->AddFile(file, *data);
        return true;
      };
      // An entry is final once it is written (a format patches only the entry it writes).
      for (size_t i = 0; i < entries.size(); ++i) {
        const long f = fileOf[i];
        if (f >= 0 && replace[static_cast<size_t>(f)]) {
          if (lastEntry[static_cast<size_t>(f)] == static_cast<long>(i) && !add(static_cast<size_t>(f)))
            out->CopyEntry(*reader, entries[i]);  // the file went: its old entry stays
        } else {
          out->CopyEntry(*reader, entries[i]);
        }
        writer.Settle();
      }
      for (size_t f = 0; f < files.size(); ++f) {
        if (lastEntry[f] < 0) add(f);
        writer.Settle();
      }
      // Every file was left out at its turn (gone since it was listed): as above, no
      // archive is made and an old one stays as it was.
      if (added == 0 && !order.empty()) return 0;
      out->Finish();
      writer.Finish();
    }
    rewrite.Commit();
    if (Options.Tap) Options.Tap->End();
    return 0;
  });
}

// ---- Delete ----------------------------------------------------------------------

uint32_t TArchiveFile::Delete(const std::wstring& baseFolder, const std::vector<std::wstring>& names) {
  RequireType();
  return Guard(lastMessage_, fileName_, [&]() -> uint32_t {
    auto format = MakeFormat();
    std::vector<TEntry> entries;
    if (ReadArchive(*format, fileName_, entries) != 0)
      throw TFailure{err::FileNotFound, L"書庫が見つかりません: " + fileName_};
    std::map<std::wstring, bool> wanted;
    for (const auto& name : names) wanted[archive::MatchKey(name)] = false;
    std::vector<bool> remove(entries.size(), false);
    for (size_t i = 0; i < entries.size(); ++i) {
      auto it = wanted.find(archive::MatchKey(entries[i].Path));
      if (it == wanted.end()) continue;
      remove[i] = true;
      it->second = true;
    }
    if (!Options.IgnoreMissing) {
      for (const auto& name : names)
        if (!wanted[archive::MatchKey(name)])
          throw TFailure{err::FileNotFound, L"書庫にエントリが見つかりません: " + name};
    }
    if (std::none_of(remove.begin(), remove.end(), [](bool r) { return r; })) return 0;

    archive::TArchiveRewrite rewrite(fileName_, Options.WorkFolder);
    {
      std::unique_ptr<IFileStream> source;
      if (uint32_t code = Files().OpenFile(fileName_, TOpenMode::Read, share::Read, source))
        archive::ThrowIo(code, L"書庫を開けません", fileName_);
      archive::TReader reader(*source);
      archive::TWriter writer(rewrite.Stream());
      auto out = format->CreateWriter(writer, archive::TWriteOptions{});
      for (size_t i = 0; i < entries.size(); ++i)
        if (!remove[i]) out->CopyEntry(reader, entries[i]);
      out->Finish();
      writer.Finish();
    }
    rewrite.Commit();
    return 0;
  });
}

// ---- Extract ---------------------------------------------------------------------

uint32_t TArchiveFile::Extract(const std::wstring& targetFolder, const std::vector<std::wstring>& names) {
  RequireType();
  return Guard(lastMessage_, fileName_, [&]() -> uint32_t {
    auto format = MakeFormat();
    std::unique_ptr<IFileStream> source;
    if (uint32_t code = Files().OpenFile(fileName_, TOpenMode::Read, share::Read, source)) {
      if (code == err::FileNotFound || code == err::PathNotFound)
        throw TFailure{err::FileNotFound, L"書庫が見つかりません: " + fileName_};
      archive::ThrowIo(code, L"書庫を開けません", fileName_);
    }
    archive::TReader reader(*source);
    std::vector<TEntry> entries;
    format->ReadDirectory(reader, entries);

    // The entries to extract: the last entry of each path.
    std::map<std::wstring, size_t> byKey;
    for (size_t i = 0; i < entries.size(); ++i) byKey[archive::MatchKey(entries[i].Path)] = i;
    std::vector<size_t> chosen;
    if (names.empty()) {
      for (const auto& [key, index] : byKey) chosen.push_back(index);
    } else {
      for (const auto& name : names) {
        auto it = byKey.find(archive::MatchKey(name));
        if (it == byKey.end()) {
          if (Options.IgnoreMissing) continue;
          throw TFailure{err::FileNotFound, L"書庫にエントリが見つかりません: " + name};
        }
        chosen.push_back(it->second);
      }
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());

    uint32_t firstCode = 0;
    std::wstring firstMessage;
    auto note = [&](uint32_t code, const std::wstring& message) {
      if (firstCode == 0) {
        firstCode = code == 0 ? err::GenFailure : code;
        firstMessage = message;
      }
    };
    for (size_t index : chosen) {
      TEntry& entry = entries[index];
      std::wstring relative;
      if (!archive::SafeRelativePath(entry.Path, relative)) {
        note(err::InvalidName, UnsafeEntryMessage(entry.Path));
        continue;
      }
      try {
        if (entry.IsFolder) {
          MakeFolders(targetFolder, relative);
          continue;
        }
        const std::wstring folder = archive::FolderOf(relative);
        MakeFolders(targetFolder, folder);
        const std::wstring target = archive::JoinPath(targetFolder, relative);
        archive::TTempFile temp(archive::JoinPath(targetFolder, folder));
        {
          TFileSink sink(temp.Stream(), target);
          format->ExtractData(reader, entry,
                              [&sink](const uint8_t* data, size_t size) { return sink.Put(data, size); });
          sink.Flush();
        }
        temp.Close();
        temp.MoveTo(target);
        if (entry.WriteTime.Value != 0) Files().SetTimes(target, nullptr, nullptr, &entry.WriteTime);
        if (Options.KeepAttributes && (entry.Attr & kStoredAttributes) != 0 &&
            (entry.Attr & kStoredAttributes) != attr::Archive)
          Files().SetAttributes(target, entry.Attr & kStoredAttributes);
      } catch (const Error& failure) {
        // A failed entry does not stop the others.
        const auto* archiveFailure = dynamic_cast<const TFailure*>(&failure);
        std::wstring message = failure.Message();
        if (message.find(entry.Path) == std::wstring::npos) message += L": " + entry.Path;
        note(archiveFailure ? archiveFailure->Code : err::GenFailure, message);
      }
    }
    if (firstCode) lastMessage_ = firstMessage;
    if (firstCode && firstMessage.find(fileName_) == std::wstring::npos) lastMessage_ += L" [" + fileName_ + L"]";
    return firstCode;
  });
}

// ---- Listing ---------------------------------------------------------------------

uint32_t TArchiveFile::Open() {
  RequireType();
  listing_.reset();
  skipped_.clear();
  return Guard(lastMessage_, fileName_, [&]() -> uint32_t {
    auto format = MakeFormat();
    std::vector<TEntry> entries;
    if (ReadArchive(*format, fileName_, entries) != 0)
      throw TFailure{err::FileNotFound, L"書庫が見つかりません: " + fileName_};
    // The listing holds what extraction would write: file entries under safe relative
    // paths. The others are named in SkippedEntries().
    auto directory = std::make_unique<TDirectory>();
    std::vector<std::wstring> skipped;
    for (auto& entry : entries) {
      if (entry.IsFolder) continue;
      std::wstring relative;
      if (!archive::SafeRelativePath(entry.Path, relative)) {
        skipped.push_back(UnsafeEntryMessage(entry.Path));
        continue;
      }
      entry.Path = std::move(relative);
      directory->Entries.push_back(std::move(entry));
    }
    listing_ = std::move(directory);
    skipped_ = std::move(skipped);
    return 0;
  });
}

uint32_t TArchiveFile::FindFirst(const std::wstring& pattern, TArchiveEntryInfo& info) {
  if (!listing_) return Fail(err::InvalidHandle, L"書庫が開かれていません。");
  pattern_ = pattern;
  next_ = 0;
  return FindNext(info);
}

uint32_t TArchiveFile::FindNext(TArchiveEntryInfo& info) {
  if (!listing_) return Fail(err::InvalidHandle, L"書庫が開かれていません。");
  return Guard(lastMessage_, fileName_, [&]() -> uint32_t {
    const bool all = pattern_.empty() || pattern_ == L"*.*" || pattern_ == L"*";
    while (next_ < listing_->Entries.size()) {
      const TEntry& entry = listing_->Entries[next_++];
      if (!all && !MatchMask(entry.Path, pattern_) && !MatchMask(archive::NameOf(entry.Path), pattern_)) continue;
      info.Path = entry.Path;
      info.DosTime = entry.DosTime;
      info.Size = entry.Size;
      info.PackedSize = entry.PackedSize;
      info.Attr = entry.Attr;
      if (type_ == TArchiveType::Lzh) {
        info.Method.assign(entry.Method.begin(), entry.Method.end());
      } else {
        info.Method = entry.ZipMethod == 0   ? L"Stored"
                      : entry.ZipMethod == 8 ? L"Deflate"
                                             : L"Method " + IntToText(entry.ZipMethod);
      }
      return 0;
    }
    return err::NoMoreFiles;
  });
}

void TArchiveFile::Close() { listing_.reset(); }

}  // namespace vog
