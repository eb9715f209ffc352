#include "platform/FileIo.h"

#include <memory>

#include "platform/Platform.h"

namespace vog {

uint32_t ReadWholeFile(const std::wstring& path, std::string& bytes, uint64_t maxSize) {
  bytes.clear();
  std::unique_ptr<IFileStream> stream;
  if (uint32_t code = Files().OpenFile(path, TOpenMode::Read, share::Read | share::Write, stream)) return code;
  int64_t size = 0;
  if (uint32_t code = stream->GetSize(size)) return code;
  if (size < 0) return err::ReadFault;
  if (static_cast<uint64_t>(size) > maxSize) return err::FileTooLarge;
  if (static_cast<uint64_t>(size) > bytes.max_size()) return err::NotEnoughMemory;
  bytes.resize(static_cast<size_t>(size));
  size_t total = 0;
  while (total < bytes.size()) {
    size_t done = 0;
    if (uint32_t code = stream->Read(bytes.data() + total, bytes.size() - total, done)) return code;
    if (done == 0) break;  // the file shrank meanwhile
    total += done;
  }
  bytes.resize(total);
  return err::Success;
}

std::wstring ReplacingTempName(const std::wstring& path) { return path + L".$$$"; }

uint32_t WriteFileReplacing(const std::wstring& path, std::string_view bytes) {
  const std::wstring temp = ReplacingTempName(path);
  uint32_t code = err::Success;
  {
    std::unique_ptr<IFileStream> stream;
    code = Files().OpenFile(temp, TOpenMode::Write, share::None, stream);
    if (code) return code;
    size_t total = 0;
    while (!code && total < bytes.size()) {
      size_t done = 0;
      // Large files go in pieces, so no single call has to take hundreds of megabytes.
      size_t chunk = bytes.size() - total;
      if (chunk > (size_t{1} << 24)) chunk = size_t{1} << 24;
      code = stream->Write(bytes.data() + total, chunk, done);
      if (!code && done == 0) code = err::WriteFault;
      total += done;
    }
    if (!code) code = stream->Flush();
  }
  if (!code) code = Files().MoveEntry(temp, path, true);
  if (code) Files().RemoveFile(temp);
  return code;
}

}  // namespace vog
