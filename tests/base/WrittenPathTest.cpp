#include <gtest/gtest.h>

#include <string_view>

#include "base/Path.h"
#include "base/Text.h"

namespace vog {
namespace {

TEST(WrittenPath, NamesFoldersAndFilePaths) {
  using namespace std::string_view_literals;
  const struct {
    std::wstring_view text;
    bool name, folder, file;
  } cases[] = {
      {L"a..b.txt", true, false, false},
      {L"名前 .txt", true, false, false},
      {L"D:\\", false, true, false},
      {L"d:\\B\\T\\", false, true, false},
      {L"D:\\B\\\\T", false, true, true},  // a doubled separator
      {L"D:\\x", false, true, true},
      {L"\\\\srv\\share", false, true, false},
      {L"\\\\srv\\share\\x.txt", false, true, true},
      {L"", false, false, false},
      {L".", false, false, false},
      {L"..", false, false, false},
      {L". .", false, false, false},  // Windows reads it as "."
      {L"a\\b", false, false, false},
      {L"a/b", false, false, false},
      {L"x:s", false, false, false},
      {L"a\tb", false, false, false},
      {L"a\0b"sv, false, false, false},
      {L"D:\\B\\..\\x", false, false, false},
      {L"D:\\B\\ . \\x", false, false, false},
      {L"D:\\B/..\\x", false, false, false},
      {L"D:\\B\\x:s\\y", false, false, false},
      {L"D:\\B\\\x1F\\y", false, false, false},
      {L"D:x", false, false, false},
      {L"1:\\x", false, false, false},
      {L"\\B\\x", false, false, false},
      {L"\\\\srv", false, false, false},
      {L"\\\\srv\\", false, false, false},
      {L"\\\\srv\\x.txt", false, true, false},  // a share, no file
      {L"\\\\\\srv\\share\\x", false, false, false},
      {L"\\\\?\\C:\\x", false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPlainName(c.text), c.name) << WideToUtf8(c.text);
    EXPECT_EQ(IsAbsoluteFolder(c.text), c.folder) << WideToUtf8(c.text);
    EXPECT_EQ(IsAbsoluteFilePath(c.text), c.file) << WideToUtf8(c.text);
  }
}

}  // namespace
}  // namespace vog
