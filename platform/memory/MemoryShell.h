#pragma once
// Shell service of the memory platform: special folders are whatever the test sets;
// shortcuts are small files in the memory file system that name their target; each
// file's summary-information properties are kept here, by path.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "base/Text.h"
#include "platform/Shell.h"

namespace vog {

class TMemoryFileSystem;

class TMemoryShell : public IShell {
public:
  // `files` (may be null: no shortcuts then) must outlive the shell.
  explicit TMemoryShell(TMemoryFileSystem* files = nullptr) : files_(files) {}

  // Sets (or, with an empty path, removes) the path of a special folder.
  void SetSpecialFolder(int csidl, const std::wstring& path);
  // Writes a shortcut file at `linkPath` (parent folders are made) that points to `target`.
  uint32_t AddShortcut(const std::wstring& linkPath, const std::wstring& target);
  // The summary-information properties of a file (property id -> text); a file without
  // an entry here has no property set, and copying from it fails.
  void SetSummaryProperty(const std::wstring& path, uint32_t id, const std::wstring& value);
  std::map<uint32_t, std::wstring> SummaryProperties(const std::wstring& path);

  bool SpecialFolderPath(int csidl, std::wstring& path) override;
  std::wstring ErrorMessage(uint32_t code) override { return FallbackErrorMessage(code); }
  uint32_t ShortcutTarget(const std::wstring& linkPath, std::wstring& target) override;
  uint32_t CopySummaryInformation(const std::wstring& source, const std::wstring& dest) override;

private:
  TMemoryFileSystem* files_;
  std::mutex mutex_;
  std::map<int, std::wstring> folders_;
  std::map<std::wstring, std::map<uint32_t, std::wstring>, TextLess> summaries_;
};

}  // namespace vog
