#pragma once
// Reads and compresses the files of a pack on worker threads ahead of the writer, which
// takes them in their order and writes each as soon as it is ready: on a machine with
// several cores the reading and compressing of many small files overlap. Files larger
// than kPrepareLimit, and every file of a format without Prepare, are left to the writer
// (AddFile streams them). At most kAheadBytes of files wait in memory at once.
#include <cstddef>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Sync.h"
#include "services/archive/ArchiveFormat.h"

namespace vog::archive {

class TPackAhead {
public:
  static constexpr size_t kPrepareLimit = 8u << 20;
  static constexpr size_t kAheadBytes = 64u << 20;

  // `writer` and `files` stay alive and unchanged until the object is destroyed.
  TPackAhead(const IArchiveWriter& writer, const std::vector<const TNewFile*>& files);
  // Stops the workers (a file being prepared is finished first) and waits for them.
  ~TPackAhead();
  TPackAhead(const TPackAhead&) = delete;
  TPackAhead& operator=(const TPackAhead&) = delete;

  // The prepared file files[index], waiting for it; null when the writer must add it
  // itself. Indices are taken in increasing order. A failure of the file (it cannot be
  // opened or read) is thrown here, at its turn.
  std::unique_ptr<TPreparedFile> Take(size_t index);

private:
  struct TSlot {
    bool Done = false;
    std::unique_ptr<TPreparedFile> Prepared;
    std::exception_ptr Failure;
  };
  void Work();
  size_t Weight(size_t index) const;

  const IArchiveWriter& writer_;
  const std::vector<const TNewFile*>& files_;
  std::vector<TSlot> slots_;
  TMutex mutex_;
  TCondition ready_, room_;
  size_t next_ = 0;     // the next file a worker claims
  size_t waiting_ = 0;  // bytes claimed and not yet taken
  static constexpr size_t kNone = static_cast<size_t>(-1);
  size_t wanted_ = kNone;     // the slot the writer waits for
  unsigned roomWaiters_ = 0;  // workers waiting for the memory bound
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace vog::archive
