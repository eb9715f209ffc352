#pragma once
// Shared body of the archive reader fuzz targets: lists, extracts and deletes from arbitrary
// bytes on the memory platform. The output volume is small, so a size that lies cannot make
// a run write much. The archive's name (and so its format) comes from the target.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/memory/MemoryPlatform.h"
#include "services/archive/ArchiveFile.h"

inline int FuzzArchiveReader(const uint8_t* data, size_t size, const std::wstring& path) {
  auto platform = vog::CreateMemoryPlatform();
  vog::TMemoryFileSystem& fs = *platform->MemFiles;
  auto previous = vog::InstallPlatform(std::move(platform));
  fs.AddVolume(L"D:", 4 << 20);
  fs.AddFolder(L"D:\\Out");
  fs.AddFile(path, std::string(reinterpret_cast<const char*>(data), size));

  std::wstring first;
  {
    vog::TArchiveFile archive;
    archive.SetFileName(path);
    if (archive.Open() == 0) {
      vog::TArchiveEntryInfo info;
      for (uint32_t r = archive.FindFirst(L"*.*", info); r == 0; r = archive.FindNext(info))
        if (first.empty()) first = info.Path;
      archive.Close();
    }
    archive.Options.KeepAttributes = true;
    archive.Extract(L"D:\\Out");
    if (!first.empty()) {
      archive.Options.IgnoreMissing = true;
      archive.Delete(L"", {first});
    }
  }
  vog::InstallPlatform(std::move(previous));
  return 0;
}
