#pragma once
// Temporary files of the archiver: a file being extracted, and the new archive of an
// update or delete. Each is removed again unless it was moved into place.
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace vog::archive {

// A new, uniquely named file "VogArc<n>.$$$" in `folder`, open for writing.
class TTempFile {
public:
  explicit TTempFile(const std::wstring& folder);
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  IFileStream& Stream() { return *stream_; }
  const std::wstring& Path() const { return path_; }
  void Close() { stream_.reset(); }
  // Closes the file and renames it to `target`, replacing a file there (a read-only one
  // too). Throws TFailure.
  void MoveTo(const std::wstring& target);
  // The file was moved away by other means: do not remove it.
  void Release() {
    stream_.reset();
    done_ = true;
  }

private:
  std::wstring path_;
  std::unique_ptr<IFileStream> stream_;
  bool done_ = false;
};

// The new version of an archive, written in the work folder (or beside the archive when
// there is none) and moved onto the archive by Commit once it is complete.
class TArchiveRewrite {
public:
  TArchiveRewrite(const std::wstring& archivePath, const std::wstring& workFolder);
  IFileStream& Stream() { return temp_.Stream(); }
  // Replaces the archive with the new file. When the work folder is on another volume,
  // the file is first copied beside the archive. Throws TFailure; the old archive is then
  // unchanged.
  void Commit();

private:
  std::wstring archive_;
  bool besideArchive_;
  TTempFile temp_;
};

}  // namespace vog::archive
