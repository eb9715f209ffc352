#include "platform/StreamCopy.h"

#include <memory>
#include <vector>

namespace vog {

namespace {

constexpr size_t kChunk = 1 << 20;
// Attribute bits a copy carries over (the others belong to the file system).
constexpr uint32_t kCopiedAttributes =
    attr::ReadOnly | attr::Hidden | attr::System | attr::Archive | attr::Temporary | 0x2000 /* not content indexed */;

uint32_t CopyData(IFileStream& in, IFileStream& out, const TCopyProgress& progress, const std::atomic<bool>* cancel) {
  int64_t total = 0;
  if (const uint32_t code = in.GetSize(total)) return code;
  std::vector<char> buffer(kChunk);
  int64_t copied = 0;
  if (progress) progress(0, total);
  for (;;) {
    if (cancel && cancel->load()) return err::RequestAborted;
    size_t got = 0;
    if (const uint32_t code = in.Read(buffer.data(), buffer.size(), got)) return code;
    if (got == 0) break;
    size_t put = 0;
    if (const uint32_t code = out.Write(buffer.data(), got, put)) return code;
    copied += static_cast<int64_t>(got);
    if (progress) progress(copied, total > copied ? total : copied);
  }
  return cancel && cancel->load() ? err::RequestAborted : err::Success;
}

}  // namespace

uint32_t CopyThroughStreams(IFileSystem& files, const std::wstring& from, const std::wstring& to,
                            const TCopyProgress& progress, const std::atomic<bool>* cancel) {
  if (cancel && cancel->load()) return err::RequestAborted;
  std::unique_ptr<IFileStream> in, out;
  if (const uint32_t code = files.OpenFile(from, TOpenMode::Read, share::Read | share::Write, in)) return code;
  if (const uint32_t code = files.OpenFile(to, TOpenMode::Write, share::Read, out)) return code;
  uint32_t code = CopyData(*in, *out, progress, cancel);
  TFileTime lastWrite{};
  if (!code) code = in->GetTimes(nullptr, nullptr, &lastWrite);
  if (!code) code = out->SetTimes(nullptr, nullptr, &lastWrite);
  in.reset();
  out.reset();
  if (code) {
    files.RemoveFile(to);
    return code;
  }
  uint32_t attributes = 0;
  if (files.GetAttributes(from, attributes) == err::Success) files.SetAttributes(to, attributes & kCopiedAttributes);
  return err::Success;
}

}  // namespace vog
