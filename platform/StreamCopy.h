#pragma once
// A file copy through open streams, for where the system's copy cannot write the target as
// it is: err::Encrypted (6000) comes back when the source is encrypted and the target's
// volume cannot hold encrypted files; reading the source yields its plain bytes, which
// streams can write anywhere.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace vog {

// Copies `from` to `to` through `files`: the source is opened for reading (others may read
// and write it), the target created or replaced, the bytes moved in chunks with `progress`
// (may be empty) called after each; the target then gets the source's last-write time and,
// once closed, its attributes (when they can be read). 0 or a Windows error code, never an
// exception; a failure or a cancel through `*cancel` (err::RequestAborted) removes the
// partly written target.
uint32_t CopyThroughStreams(IFileSystem& files, const std::wstring& from, const std::wstring& to,
                            const TCopyProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

}  // namespace vog
