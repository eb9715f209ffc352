#pragma once
// Shared body of the archive reader fuzz targets. The container reads straight from the
// input bytes through a light in-memory stream: the directory is read, every entry is
// decoded (output only counted), and the archive is rewritten without its first entry as a
// delete would write it. Then the whole archiver runs on the memory platform (list,
// extract, delete), but only for inputs whose directory reads, so damaged input stays cheap.
//
// Invariants (a violation traps):
// - an entry that decodes without a failure gives exactly its listed size;
// - a name the path check accepts comes back unchanged when checked again, and never holds
//   a "." / ".." component, a ":" or a leading "\";
// - the rewritten archive reads back with the other entries, in order, under the same
//   names, sizes and CRCs, and its entries decode as before;
// - the archiver's listing holds exactly the entries with safe names, and extraction writes
//   nothing outside its target folder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/Error.h"
#include "platform/memory/MemoryPlatform.h"
#include "services/archive/ArchiveFile.h"
#include "services/archive/ArchiveFormat.h"
#include "services/archive/ArchivePaths.h"

namespace vog::fuzz {

// A file stream over bytes in memory; writes grow it.
class TBytesStream : public IFileStream {
public:
  explicit TBytesStream(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  const std::string& Bytes() const { return bytes_; }
  uint32_t Read(void* buffer, size_t size, size_t& done) override {
    done = position_ < bytes_.size() ? std::min(size, bytes_.size() - position_) : 0;
    std::memcpy(buffer, bytes_.data() + position_, done);
    position_ += done;
    return 0;
  }
  uint32_t Write(const void* buffer, size_t size, size_t& done) override {
    if (bytes_.size() < position_ + size) bytes_.resize(position_ + size);
    std::memcpy(bytes_.data() + position_, buffer, size);
    position_ += size;
    done = size;
    return 0;
  }
  uint32_t Seek(int64_t position) override {
    if (position < 0) return err::InvalidParameter;
    position_ = static_cast<size_t>(position);
    return 0;
  }
  int64_t Position() const override { return static_cast<int64_t>(position_); }
  uint32_t GetSize(int64_t& size) override {
    size = static_cast<int64_t>(bytes_.size());
    return 0;
  }
  uint32_t SetEndOfFile() override {
    bytes_.resize(position_);
    return 0;
  }
  uint32_t SetTimes(const TFileTime*, const TFileTime*, const TFileTime*) override { return 0; }
  uint32_t GetTimes(TFileTime*, TFileTime*, TFileTime*) override { return 0; }
  uint32_t Flush() override { return 0; }

private:
  std::string bytes_;
  size_t position_ = 0;
};

// Decodes every entry; returns whether each decoded, and checks the sizes. At most
// `budget` bytes are produced in all, so a size that lies cannot make a run long.
inline std::vector<bool> DecodeAll(archive::IArchiveFormat& format, archive::TReader& in,
                                   std::vector<archive::TEntry>& entries) {
  std::vector<bool> decoded;
  uint64_t budget = 4 << 20;
  for (auto& entry : entries) {
    if (entry.IsFolder || entry.Size > budget) {
      decoded.push_back(false);
      continue;
    }
    uint64_t produced = 0;
    try {
      format.ExtractData(in, entry, [&](const uint8_t*, size_t size) {
        produced += size;
        return true;
      });
      if (produced != entry.Size) __builtin_trap();
      decoded.push_back(true);
    } catch (const Error&) {
      decoded.push_back(false);
    }
    budget -= std::min(budget, produced);
  }
  return decoded;
}

inline void CheckPath(const std::wstring& stored) {
  std::wstring clean, again;
  if (!archive::SafeRelativePath(stored, clean)) return;
  if (!archive::SafeRelativePath(clean, again) || again != clean) __builtin_trap();
  if (clean.find(L':') != std::wstring::npos || clean[0] == L'\\') __builtin_trap();
  for (size_t start = 0; start <= clean.size();) {
    size_t end = clean.find(L'\\', start);
    if (end == std::wstring::npos) end = clean.size();
    const std::wstring part = clean.substr(start, end - start);
    if (part.empty() || part == L"." || part == L"..") __builtin_trap();
    start = end + 1;
  }
}

// Whether the volumes hold only the archive (C:) and the target folder's tree (D:\\Out).
inline bool NothingOutsideTheTarget(TMemoryFileSystem& fs, const std::wstring& archiveName) {
  for (const auto& path : fs.ListTree(L"C:\\"))
    if (path != archiveName) return false;
  for (const auto& path : fs.ListTree(L"D:\\"))
    if (path != L"Out" && path.rfind(L"Out\\", 0) != 0) return false;
  return true;
}

inline void RunArchiver(const uint8_t* data, size_t size, const std::wstring& path, size_t safeFiles) {
  auto platform = CreateMemoryPlatform();
  TMemoryFileSystem& fs = *platform->MemFiles;
  auto previous = InstallPlatform(std::move(platform));
  fs.AddVolume(L"D:", 4 << 20);
  fs.AddFolder(L"D:\\Out");
  fs.AddFile(path, std::string(reinterpret_cast<const char*>(data), size));
  {
    TArchiveFile archive;
    archive.SetFileName(path);
    std::wstring first;
    if (archive.Open() == 0) {
      size_t listed = 0;
      TArchiveEntryInfo info;
      for (uint32_t r = archive.FindFirst(L"*.*", info); r == 0; r = archive.FindNext(info)) {
        std::wstring clean;
        if (!archive::SafeRelativePath(info.Path, clean) || clean != info.Path) __builtin_trap();
        if (first.empty()) first = info.Path;
        ++listed;
      }
      if (listed != safeFiles) __builtin_trap();
      archive.Close();
    }
    archive.Options.KeepAttributes = true;
    archive.Extract(L"D:\\Out");
    if (!NothingOutsideTheTarget(fs, archive::NameOf(path))) __builtin_trap();
    if (!first.empty()) {
      archive.Options.IgnoreMissing = true;
      archive.Delete(L"", {first});
    }
  }
  InstallPlatform(std::move(previous));
}

inline int FuzzArchiveReader(const uint8_t* data, size_t size, const std::wstring& path) {
  static const bool installed = [] {
    InstallPlatform(CreateMemoryPlatform());
    return true;
  }();
  (void)installed;
  TArchiveType type;
  if (!ArchiveTypeOf(path, type)) __builtin_trap();
  auto format = type == TArchiveType::Zip ? archive::CreateZipFormat() : archive::CreateLzhFormat();
  TBytesStream input(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<archive::TEntry> entries;
  try {
    archive::TReader in(input);
    format->ReadDirectory(in, entries);
  } catch (const Error&) {
    return 0;
  }
  archive::TReader in(input);
  const std::vector<bool> decoded = DecodeAll(*format, in, entries);
  size_t safeFiles = 0;
  for (const auto& entry : entries) {
    CheckPath(entry.Path);
    std::wstring clean;
    if (!entry.IsFolder && archive::SafeRelativePath(entry.Path, clean)) ++safeFiles;
  }

  // The archive without its first entry, as a delete writes it.
  TBytesStream rewritten;
  bool copied = true;
  try {
    archive::TWriter writer(rewritten);
    auto out = format->CreateWriter(writer, archive::TWriteOptions{});
    for (size_t i = 1; i < entries.size(); ++i) out->CopyEntry(in, entries[i]);
    out->Finish();
    writer.Finish();
  } catch (const Error&) {
    copied = false;  // an entry's data lies outside the archive
  }
  if (copied && !entries.empty()) {
    std::vector<archive::TEntry> kept;
    auto again = type == TArchiveType::Zip ? archive::CreateZipFormat() : archive::CreateLzhFormat();
    archive::TReader reread(rewritten);
    try {
      again->ReadDirectory(reread, kept);
    } catch (const Error&) {
      __builtin_trap();
    }
    if (kept.size() != entries.size() - 1) __builtin_trap();
    for (size_t i = 0; i < kept.size(); ++i) {
      const auto& a = entries[i + 1];
      const auto& b = kept[i];
      if (a.Path != b.Path || a.Size != b.Size || a.Crc != b.Crc || a.IsFolder != b.IsFolder) __builtin_trap();
    }
    const std::vector<bool> decodedAgain = DecodeAll(*again, reread, kept);
    for (size_t i = 0; i < kept.size(); ++i)
      if (decoded[i + 1] && !decodedAgain[i]) __builtin_trap();
  }

  RunArchiver(data, size, path, safeFiles);
  return 0;
}

}  // namespace vog::fuzz
