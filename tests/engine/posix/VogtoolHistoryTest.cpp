// The native vogtool on real files: `history show` prints what the history database reader
// sees as JSON, and a missing or damaged database gives a non-zero exit.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "support/VogtoolRunner.h"

namespace vog {
namespace {

using VogtoolHistoryTest = test::VogtoolTest;

TEST_F(VogtoolHistoryTest, HistoryShowFiltersByFolder) {
  const std::string path = P("FileList.his");
  test::WriteFileBytes(path, "\xFF\xFE" + ToUtf16Le(L"D:\\B\\T\\\ttop.txt\t100\t1478627328\t32\r\n"
                                                    L"D:\\B\\T\\sub\tin.txt\t5\t-1\t33\r\n"
                                                    L"D:\\B\\T2\tother.txt\t1\t2\t3\r\n"));
  auto r = Run({"history", "show", path});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(nlohmann::json::parse(r.Out)["count"], 3);

  r = Run({"history", "show", path, "--folder", "D:\\B\\T"});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  auto json = nlohmann::json::parse(r.Out);
  ASSERT_EQ(json["count"], 2);
  EXPECT_EQ(json["entries"][1]["relativePath"], "sub\\in.txt");
  EXPECT_EQ(json["entries"][0]["timeText"], "2024/01/02 02:00:00");

  r = Run({"history", "show", path, "--folder", "D:\\B\\T", "--no-subfolders"});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(nlohmann::json::parse(r.Out)["count"], 1);

  EXPECT_NE(Run({"history", "show", P("missing.his")}).Exit, 0);
  const std::string bad = P("bad.his");
  test::WriteFileBytes(bad, "\xFF\xFE" + ToUtf16Le(L"D:\\B\\\ta\t1\t2\r\n"));
  EXPECT_NE(Run({"history", "show", bad}).Exit, 0);
}

}  // namespace
}  // namespace vog
