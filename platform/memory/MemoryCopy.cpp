// File copies of the in-memory file system, modelled on CopyFileEx: the target is
// opened (an existing one replaced) before any data moves; a copy that fails or is
// cancelled deletes its target, so no half-written file is ever left behind (a replaced
// target is then gone too, as with CopyFileEx). Capacity is checked for the whole file
// before the copy starts (CopyFileEx sets the target's size first), so a full disk fails
// with err::DiskFull before any data moves.
#include <algorithm>

#include "platform/memory/MemoryTree.h"

namespace vog {

using memfs::TNode;
using memfs::TOpenRecord;
using memfs::TPath;

namespace {
constexpr int64_t kCopyChunk = 64 * 1024;  // the progress routine is called after each chunk
}  // namespace

uint32_t TMemoryFileSystem::CopyEntry(const std::wstring& from, const std::wstring& to, bool failIfExists,
                                      const TCopyProgress& progress, const std::atomic<bool>* cancel) {
  using namespace memfs;
  TPath src, dst;
  if (uint32_t code = ParsePath(from, src)) return code;
  if (uint32_t code = ParsePath(to, dst)) return code;
  if (cancel && cancel->load()) return err::RequestAborted;

  std::unique_lock lock(impl_->Mutex);
  if (uint32_t code = impl_->CheckFault(TFaultOp::Copy, src.Full())) return code;
  if (uint32_t code = impl_->CheckFault(TFaultOp::Copy, dst.Full())) return code;
  std::shared_ptr<TNode> source;
  if (uint32_t code = impl_->Resolve(src, source)) return code;
  if (source->Folder) return err::AccessDenied;
  // The source is read with read and delete sharing: a writer elsewhere blocks the copy.
  const uint32_t sourceShare = share::Read | share::Delete;
  if (impl_->ShareConflict(*source, access::Read, sourceShare)) return err::SharingViolation;
  if (dst.IsRoot()) return err::AccessDenied;
  std::shared_ptr<TNode> parent;
  if (uint32_t code = impl_->ResolveParent(dst, parent)) return code;
  if (dst.TrailingSeparator) return err::InvalidName;
  std::shared_ptr<TNode> existing;
  if (auto it = parent->Children.find(dst.Name()); it != parent->Children.end()) existing = it->second;
  if (existing && failIfExists) return err::FileExists;
  // Onto itself: the target cannot be opened while the copy reads the source.
  if (existing == source) return err::SharingViolation;
  if (existing) {
    // CopyFileEx refuses to replace a read-only or hidden file.
    if (existing->Folder || (existing->Attr & (attr::ReadOnly | attr::Hidden))) return err::AccessDenied;
    if (!existing->Opens.empty()) return err::SharingViolation;
  }
  const int64_t total = source->Size();
  const int64_t freed = (existing && existing->Volume == parent->Volume) ? existing->Size() : 0;
  if (!parent->Volume->Fits(total - freed)) return err::DiskFull;

  std::shared_ptr<TFaultState> fault = impl_->ArmFault(TFaultOp::Copy, src.Full());
  if (!fault) fault = impl_->ArmFault(TFaultOp::Copy, dst.Full());

  // Open both ends: the target is locked against every other use while the copy runs,
  // and shares the source's bytes (copy-on-write), so no data is copied at all.
  source->Opens.push_back(TOpenRecord{access::Read, sourceShare});
  auto sourceRecord = std::prev(source->Opens.end());
  auto target = impl_->NewNode(dst.Name(), false, source->Attr);
  target->Data = source->Data;
  if (existing) {
    // The target is overwritten, not made anew: it keeps its access-control list.
    target->Dacl = existing->Dacl;
    target->DaclSet = true;
    impl_->Detach(*existing);
  }
  impl_->Attach(*parent, target);
  target->Opens.push_back(TOpenRecord{access::Write, share::None});
  auto targetRecord = std::prev(target->Opens.end());
  const TFileTime lastWrite = source->LastWrite;
  const TCopyWatch watch = impl_->CopyWatch;
  lock.unlock();
  if (watch) watch(from, to, cancel);

  // The data moves in chunks; the progress routine and the cancel flag are served
  // without the lock, so the routine may use the file system.
  uint32_t code = 0;
  int64_t copied = 0;
  const int64_t failAt = fault ? std::max<int64_t>(fault->Fault.AfterBytes, 0) : -1;
  if (progress) progress(0, total);
  for (;;) {
    if (cancel && cancel->load()) {
      code = err::RequestAborted;
      break;
    }
    if (fault && copied >= failAt) {
      std::lock_guard faultLock(impl_->Mutex);
      if (fault->Fire()) {
        code = fault->Fault.Code;
        break;
      }
      fault.reset();
    }
    if (copied >= total) break;
    int64_t chunk = std::min(kCopyChunk, total - copied);
    if (fault) chunk = std::min(chunk, failAt - copied);
    copied += chunk;
    if (progress) progress(copied, total);
  }

  lock.lock();
  source->Opens.erase(sourceRecord);
  target->Opens.erase(targetRecord);
  if (code) {
    impl_->Detach(*target);
    return code;
  }
  target->LastWrite = lastWrite;
  if (auto corrupt = impl_->ArmFault(TFaultOp::Corrupt, dst.Full())) {
    const size_t at = static_cast<size_t>(std::max<int64_t>(corrupt->Fault.AfterBytes, 0));
    if (at < target->Data->size() && corrupt->Fire()) {
      target->Data = std::make_shared<std::string>(*target->Data);
      (*target->Data)[at] = static_cast<char>(~(*target->Data)[at]);
    }
  }
  return 0;
}

}  // namespace vog
