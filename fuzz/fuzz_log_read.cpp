// The log reader on arbitrary bytes: loading, layout conversion, counting, reading every
// entry, and a Write over the file. Errors are expected; crashes, hangs and reads past a
// buffer are not, and a Write that fails leaves the file as it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Error.h"
#include "platform/memory/MemoryPlatform.h"
#include "scan/BackupLog.h"
#include "scan/FileInfoList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vog;
  static TMemoryFileSystem* fs = [] {
    auto platform = CreateMemoryPlatform();
    TMemoryFileSystem* files = platform->MemFiles;
    InstallPlatform(std::move(platform));
    return files;
  }();
  const std::wstring path = L"C:\\fuzz.log";
  const std::string input(reinterpret_cast<const char*>(data), size);
  fs->AddFile(path, input);

  bool exists = false;
  TBackupLog::TLines lines = TBackupLog::LoadLines(path, exists);
  bool earlierLayout = false;
  try {
    earlierLayout = !lines.empty() && SplitLogLine(lines[0]).size() == 2;
  } catch (const Error&) {
    // A first line of more than 256 fields is malformed; the readers below say so.
  }
  TBackupLog log;
  log.SetLogFileName(path);
  TOwnedFileInfoList copied, failed, deleted;
  try {
    if (earlierLayout) lines = TBackupLog::ConvertedOldLayout(lines);
    if (!lines.empty()) {
      const int entries = log.CountEntries(lines);
      log.SetReadTargets(&copied, &failed, &deleted);
      int index = 1;
      for (int i = 0; i < entries; ++i) {
        log.ReadEntry(lines, index + 1);
        index = log.SkipEntry(lines, index + 1);
      }
      if (index != static_cast<int>(lines.size())) __builtin_trap();
    }
  } catch (const Error&) {
  } catch (const std::exception&) {}

  TBackupLog writer;
  writer.SetLogFileName(path);
  writer.SetKeepCount(static_cast<int32_t>(size % 4));
  try {
    writer.Write();
    // What Write leaves can be read again from end to end.
    TBackupLog::TLines written = TBackupLog::LoadLines(path, exists);
    // With a limit, Write has read every entry already; without one it keeps what it found.
    if (size % 4 != 0 && writer.CountEntries(written) < 1) __builtin_trap();
  } catch (const Error&) {
    std::string content;
    fs->ReadContent(path, content);
    if (content != input && !earlierLayout) __builtin_trap();
  }
  return 0;
}
