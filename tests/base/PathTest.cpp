// Path texts: the trailing backslash and the root of a drive or share path.
#include <gtest/gtest.h>

#include "base/Path.h"

namespace vog {
namespace {

TEST(Path, AddBackslash) {
  EXPECT_EQ(AddBackslash(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(AddBackslash(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(AddBackslash(L""), L"\\");
}

TEST(Path, WidePathRoot) {
  EXPECT_EQ(PathRoot(std::wstring_view(L"\\\\srv\\share\\dir\\f.txt")), L"\\\\srv\\share");
  EXPECT_EQ(PathRoot(std::wstring_view(L"D:\\x")), L"D:");
  EXPECT_EQ(PathRoot(std::wstring_view(L"\\\\srv\\share")), L"\\\\srv\\share");
  EXPECT_EQ(PathRoot(std::wstring_view(L"\\\\srv")), L"\\\\srv");
  EXPECT_EQ(PathRoot(std::wstring_view(L"\\\\srv\\share\\")), L"\\\\srv\\share");
  EXPECT_EQ(PathRoot(std::wstring_view(L"relative\\x")), L"");
  EXPECT_EQ(PathRoot(std::wstring_view(L"")), L"");
}

}  // namespace
}  // namespace vog
