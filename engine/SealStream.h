#pragma once
// The sealing of an encrypted archive's work copy, done while the pack writes it: the
// pack's bytes (IPackTap) are enciphered on a thread of their own into the sealing's
// temporary file, so that the cipher runs beside the pack instead of after it, and the
// finished work copy is not read again. What it writes is byte for byte what enciphering
// the finished work copy as one operation writes (TCipherManager::EncipherFile).
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Sync.h"
#include "services/archive/ArchiveFile.h"

namespace vog {

class TCipherManager;

class TSealStream final : public IPackTap {
public:
  // Takes a keyed cipher and the created, empty temporary file. Raises the cipher's error
  // when it cannot code (no key, a mode it does not build); nothing is started then.
  TSealStream(std::unique_ptr<TCipherManager> cipher, std::unique_ptr<IFileStream> out);
  // Stops the thread and closes the file (which stays: its owner removes it).
  ~TSealStream() override;
  TSealStream(const TSealStream&) = delete;
  TSealStream& operator=(const TSealStream&) = delete;

  // Never throw; they wait while more than kQueueBytes wait for the cipher.
  void Put(const uint8_t* data, size_t size) override;
  void End() override;

  // Waits until everything put is written, then closes the file. 0 when End came and every
  // byte was written, else the Windows code of the failed write (err::GenFailure when End
  // never came: the file does not hold the whole archive). Never throws.
  uint32_t Finish() noexcept;

  static constexpr size_t kQueueBytes = 16u << 20;
  static constexpr size_t kWriteBytes = 1u << 20;

private:
  void Work() noexcept;
  void Write(const uint8_t* data, size_t size) noexcept;

  std::unique_ptr<TCipherManager> cipher_;
  std::unique_ptr<IFileStream> out_;
  TMutex mutex_;
  TCondition filled_, room_;
  std::vector<uint8_t> incoming_;  // put and not yet taken by the thread
  bool ended_ = false;             // End came
  bool quit_ = false;              // the owner gives up: the thread stops at once
  uint32_t code_ = 0;              // the first failed write (the thread's own)
  std::thread thread_;
};

}  // namespace vog
