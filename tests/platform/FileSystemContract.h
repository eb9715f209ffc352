#pragma once
// One suite of file-system behaviour that every IFileSystem implementation must show.
// Each build instantiates it for its implementations (memory everywhere, POSIX natively,
// Win32 under Wine). Where an implementation legitimately differs from Windows, a
// capability flag of TFsUnderTest skips the check, and a memory-only test holds the
// Windows behaviour.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace vog::test {

struct TFsUnderTest {  // one implementation prepared for a test
  virtual ~TFsUnderTest() = default;
  virtual IFileSystem& Fs() = 0;
  virtual std::wstring Root() = 0;  // an existing empty folder, ending with the separator
  virtual bool CaseInsensitive() = 0;
  // Whether a read-only file refuses being overwritten by a copy or by a replacing move
  // (err::AccessDenied). Wine's CopyFileExW and MoveFileExW both overwrite it.
  virtual bool ReadOnlyRefusesOverwrite() = 0;
  virtual bool CallsCopyProgress() = 0;  // false under Wine
  // The flags below default to Windows' behaviour; an implementation overrides them.
  // Whether a file's creation time can be set and read back (not on Linux file systems,
  // so neither under Wine).
  virtual bool KeepsCreationTime() { return true; }
  // Whether hidden and system bits can be set (POSIX derives hidden from a leading dot).
  virtual bool StoresHiddenAndSystem() { return true; }
  // Whether a move that changes only the letter case of a name renames it (Wine's
  // MoveFileExW succeeds but keeps the old spelling).
  virtual bool RenamesLetterCase() { return true; }
};
using TFsFactory = std::function<std::unique_ptr<TFsUnderTest>()>;

class FileSystemContract : public ::testing::TestWithParam<std::pair<std::string, TFsFactory>> {
protected:
  void SetUp() override;
  void TearDown() override;

  TFsUnderTest& Under() { return *under_; }
  IFileSystem& Fs() { return under_->Fs(); }
  // A path below the test's root; "\" in `relative` becomes the root's separator.
  std::wstring P(const std::wstring& relative);
  // Creates or replaces a file with `content`; fails the test on an error.
  void Put(const std::wstring& relative, const std::string& content);
  // The whole content of a file, or "<error N>".
  std::string Get(const std::wstring& relative);
  // The names a search with `pattern` (below the root) returns, in the order returned;
  // `code` receives FindFirst's result (empty list on failure) and `endCode` what ended it.
  std::vector<std::wstring> List(const std::wstring& pattern, uint32_t* code = nullptr, uint32_t* endCode = nullptr);

private:
  std::unique_ptr<TFsUnderTest> under_;
};

// Names the instantiated cases after the parameter's label.
std::string ContractCaseName(const ::testing::TestParamInfo<FileSystemContract::ParamType>& info);

}  // namespace vog::test
