// Open files of the in-memory file system: open modes, sharing, reads and writes with
// capacity and injected faults.
#include <algorithm>
#include <cstring>

#include "platform/memory/MemoryTree.h"

namespace vog {

using memfs::TNode;
using memfs::TOpenRecord;
using memfs::TPath;

namespace {

class TMemoryStream final : public IFileStream {
public:
  TMemoryStream(TMemoryFileSystem::TImpl& impl, std::shared_ptr<TNode> node, std::list<TOpenRecord>::iterator record,
                std::shared_ptr<memfs::TFaultState> readFault, std::shared_ptr<memfs::TFaultState> writeFault,
                std::shared_ptr<memfs::TFaultState> corruptFault, std::wstring key)
      : impl_(impl),
        node_(std::move(node)),
        record_(record),
        access_(record->Access),
        readFault_(std::move(readFault)),
        writeFault_(std::move(writeFault)),
        corruptFault_(std::move(corruptFault)),
        key_(std::move(key)) {}

  ~TMemoryStream() override {
    std::lock_guard lock(impl_.Mutex);
    node_->Opens.erase(record_);
  }

  uint32_t Read(void* buffer, size_t size, size_t& done) override {
    done = 0;
    std::lock_guard lock(impl_.Mutex);
    if (!(access_ & memfs::access::Read)) return err::AccessDenied;
    bool failAfter = false;
    if (uint32_t code = Limit(readFault_, readDone_, size, failAfter)) return code;
    const std::string& data = *node_->Data;
    const int64_t length = static_cast<int64_t>(data.size());
    if (position_ < length) {
      done = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), length - position_));
      std::memcpy(buffer, data.data() + position_, done);
      position_ += static_cast<int64_t>(done);
      readDone_ += static_cast<int64_t>(done);
    }
    if (failAfter && done == size && readFault_->Fire()) return readFault_->Fault.Code;
    return 0;
  }

  uint32_t Write(const void* buffer, size_t size, size_t& done) override {
    done = 0;
    std::lock_guard lock(impl_.Mutex);
    if (!(access_ & memfs::access::Write)) return err::AccessDenied;
    bool failAfter = false;
    if (uint32_t code = Limit(writeFault_, writeDone_, size, failAfter)) return code;
    const int64_t end = position_ + static_cast<int64_t>(size);
    if (uint32_t code = Grow(end)) return code;
    if (size) std::memcpy(node_->Data->data() + position_, buffer, size);
    if (corruptFault_) {
      const int64_t at = std::max<int64_t>(corruptFault_->Fault.AfterBytes, 0);
      if (at >= position_ && at < end) {
        char& byte = (*node_->Data)[static_cast<size_t>(at)];
        if (corruptFault_->Fire()) byte = static_cast<char>(~byte);
        corruptFault_.reset();
      }
    }
    position_ = end;
    done = size;
    writeDone_ += static_cast<int64_t>(size);
    Modified();
    if (failAfter && writeFault_->Fire()) return writeFault_->Fault.Code;
    return 0;
  }

  uint32_t Seek(int64_t position) override {
    if (position < 0) return err::InvalidParameter;
    std::lock_guard lock(impl_.Mutex);
    position_ = position;
    return 0;
  }

  int64_t Position() const override {
    std::lock_guard lock(impl_.Mutex);
    return position_;
  }

  uint32_t GetSize(int64_t& size) override {
    std::lock_guard lock(impl_.Mutex);
    size = node_->Size();
    return 0;
  }

  uint32_t SetEndOfFile() override {
    std::lock_guard lock(impl_.Mutex);
    if (!(access_ & memfs::access::Write)) return err::AccessDenied;
    const int64_t size = node_->Size();
    if (position_ > size) {
      if (uint32_t code = Grow(position_)) return code;
    } else if (position_ < size) {
      Unshare();
      if (node_->Attached) node_->Volume->Used -= size - position_;
      node_->Data->resize(static_cast<size_t>(position_));
    }
    Modified();
    return 0;
  }

  uint32_t SetTimes(const TFileTime* creation, const TFileTime* lastAccess, const TFileTime* lastWrite) override {
    std::lock_guard lock(impl_.Mutex);
    // A handle opened only for reading lacks the right to change attributes.
    if (!(access_ & memfs::access::Write)) return err::AccessDenied;
    if (uint32_t code = impl_.CheckFault(TFaultOp::Times, key_)) return code;
    if (creation) node_->Creation = *creation;
    if (lastAccess) node_->LastAccess = *lastAccess;
    if (lastWrite) {
      node_->LastWrite = *lastWrite;
      timesFixed_ = true;  // later writes through this handle keep the time set here
    }
    return 0;
  }

  uint32_t GetTimes(TFileTime* creation, TFileTime* lastAccess, TFileTime* lastWrite) override {
    std::lock_guard lock(impl_.Mutex);
    if (creation) *creation = node_->Creation;
    if (lastAccess) *lastAccess = node_->LastAccess;
    if (lastWrite) *lastWrite = node_->LastWrite;
    return 0;
  }

  uint32_t Flush() override { return 0; }

private:
  // Applies an injected read or write fault: 0 and `size` cut to what may still pass
  // (`failAfter` set when the cut applies), or the fault's code when nothing may pass.
  static uint32_t Limit(const std::shared_ptr<memfs::TFaultState>& fault, int64_t passed, size_t& size,
                        bool& failAfter) {
    if (!fault || !fault->Active) return 0;
    const int64_t room = std::max<int64_t>(fault->Fault.AfterBytes, 0) - passed;
    if (room <= 0) return fault->Fire() ? fault->Fault.Code : 0;
    if (static_cast<int64_t>(size) >= room) {
      size = static_cast<size_t>(room);
      failAfter = true;
    }
    return 0;
  }

  // Gives this file its own copy of bytes it shares with a copy of it.
  void Unshare() {
    if (node_->Data.use_count() > 1) node_->Data = std::make_shared<std::string>(*node_->Data);
  }

  // Extends the file to `end` bytes (zeros), within the volume's capacity.
  uint32_t Grow(int64_t end) {
    const int64_t size = node_->Size();
    Unshare();
    if (end <= size) return 0;
    if (node_->Attached) {
      if (!node_->Volume->Fits(end - size)) return err::DiskFull;
      node_->Volume->Used += end - size;
    }
    node_->Data->resize(static_cast<size_t>(end));
    return 0;
  }

  void Modified() {
    node_->Attr |= attr::Archive;
    if (!timesFixed_) node_->LastWrite = node_->LastAccess = impl_.Now();
  }

  TMemoryFileSystem::TImpl& impl_;
  std::shared_ptr<TNode> node_;
  std::list<TOpenRecord>::iterator record_;
  uint32_t access_;
  int64_t position_ = 0;
  std::shared_ptr<memfs::TFaultState> readFault_, writeFault_, corruptFault_;
  std::wstring key_;  // the path the stream was opened with, for Times faults
  int64_t readDone_ = 0, writeDone_ = 0;
  bool timesFixed_ = false;
};

}  // namespace

uint32_t TMemoryFileSystem::OpenFile(const std::wstring& path, TOpenMode mode, uint32_t shareMode,
                                     std::unique_ptr<IFileStream>& stream) {
  using namespace memfs;
  // A stream the caller passes in is closed first (its destructor takes the lock).
  stream.reset();
  TPath p;
  if (uint32_t code = ParsePath(path, p)) return code;
  std::lock_guard lock(impl_->Mutex);
  const std::wstring key = p.Full();
  if (uint32_t code = impl_->CheckFault(TFaultOp::Open, key)) return code;

  uint32_t wanted = 0;
  switch (mode) {
    case TOpenMode::Read:
      wanted = access::Read;
      break;
    case TOpenMode::Write:
      wanted = access::Write;
      break;
    case TOpenMode::ReadWrite:
      wanted = access::Read | access::Write;
      break;
    case TOpenMode::CreateNew:
      wanted = access::Read | access::Write;
      break;
    case TOpenMode::WriteExisting:
      wanted = access::Write;
      break;
  }

  std::shared_ptr<TNode> node;
  if (mode == TOpenMode::Write || mode == TOpenMode::CreateNew) {
    if (p.IsRoot()) return err::AccessDenied;
    std::shared_ptr<TNode> parent;
    if (uint32_t code = impl_->ResolveParent(p, parent)) return code;
    if (auto it = parent->Children.find(p.Name()); it != parent->Children.end()) node = it->second;
    if (node && mode == TOpenMode::CreateNew) return err::FileExists;
    if (node) {
      if (node->Folder || (node->Attr & attr::ReadOnly)) return err::AccessDenied;
      if (p.TrailingSeparator) return err::InvalidName;
      if (impl_->ShareConflict(*node, wanted, shareMode)) return err::SharingViolation;
      // Replacing keeps the creation time, as Windows does.
      node->Volume->Used -= node->Size();
      node->Data = std::make_shared<std::string>();
      node->Attr |= attr::Archive;
      node->LastWrite = node->LastAccess = impl_->Now();
    } else {
      if (p.TrailingSeparator) return err::InvalidName;
      node = impl_->NewNode(p.Name(), false, attr::Archive);
      impl_->Attach(*parent, node);
    }
  } else {
    if (uint32_t code = impl_->Resolve(p, node)) return code;
    if (node->Folder) return err::AccessDenied;
    if ((wanted & access::Write) && (node->Attr & attr::ReadOnly)) return err::AccessDenied;
    if (impl_->ShareConflict(*node, wanted, shareMode)) return err::SharingViolation;
  }

  node->Opens.push_back(TOpenRecord{wanted, shareMode});
  auto record = std::prev(node->Opens.end());
  auto readFault = impl_->ArmFault(TFaultOp::Read, key);
  auto writeFault = impl_->ArmFault(TFaultOp::Write, key);
  auto corruptFault = (wanted & access::Write) ? impl_->ArmFault(TFaultOp::Corrupt, key) : nullptr;
  stream = std::make_unique<TMemoryStream>(*impl_, std::move(node), record, std::move(readFault), std::move(writeFault),
                                           std::move(corruptFault), key);
  return 0;
}

}  // namespace vog
