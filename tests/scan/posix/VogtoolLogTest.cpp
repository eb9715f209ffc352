// The native vogtool on real files: `log show` prints what the log reader sees as JSON,
// writes nothing, and a damaged log gives a non-zero exit.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "support/VogtoolRunner.h"

namespace vog {
namespace {

std::string Utf16File(const std::wstring& text) { return "\xFF\xFE" + ToUtf16Le(text); }

using VogtoolLogTest = test::VogtoolTest;

TEST_F(VogtoolLogTest, LogShowPrintsEveryEntry) {
  const std::wstring log =
      L"Vogmeristログファイル\tVer.\t1\r\n"
      L"【2024/04/01 12:34:56】\tVogratelData.vgd\t26:05:07\t5000000000\t7\t11\t3\r\n"
      L"コピーファイル\t1\r\nE:\\B\\sub\\a.txt\r\nエラーファイル\t1\r\nD:\\Src\\x.doc\t5\r\n"
      L"削除ファイル\t0\r\n"
      L"【2024/04/02】\tVogratelData.vgd\r\nコピーファイル\t0\r\nエラーファイル\t0\r\n削除ファイル\t0\r\n";
  const std::string path = P("run.log");
  test::WriteFileBytes(path, Utf16File(log));
  const std::string before = test::ReadFileBytes(path);
  auto r = Run({"log", "show", path});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto json = nlohmann::json::parse(r.Out);
  ASSERT_EQ(json["entries"].size(), 2u);
  const auto& first = json["entries"][0];
  EXPECT_EQ(first["time"], "2024/04/01 12:34:56");
  EXPECT_EQ(first["elapsedSeconds"], 26 * 3600 + 5 * 60 + 7);
  EXPECT_EQ(first["copiedBytes"], 5000000000);
  EXPECT_EQ(first["resultText"], "ネットワークにログインできません");
  EXPECT_EQ(first["copied"][0], "E:\\B\\sub\\a.txt");
  EXPECT_EQ(first["errors"][0]["code"], 5);
  EXPECT_FALSE(json["entries"][1].contains("duration"));  // the short form
  EXPECT_EQ(test::ReadFileBytes(path), before);

  // An earlier-layout log is shown converted, and left as it is on disk.
  const std::string old = P("old.log");
  test::WriteFileBytes(old, Utf16File(L"【2020/01/01】\told.vgd\r\nコピーファイル\t0\r\nエラーファイル\t0\r\n"));
  const std::string oldBytes = test::ReadFileBytes(old);
  r = Run({"log", "show", old});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(nlohmann::json::parse(r.Out)["layout"], "earlier");
  EXPECT_EQ(test::ReadFileBytes(old), oldBytes);

  const std::string bad = P("bad.log");
  test::WriteFileBytes(bad, Utf16File(L"Vogmeristログファイル\tVer.\t1\r\n【x】\ty\r\nコピーファイル\t9\r\n"));
  EXPECT_NE(Run({"log", "show", bad}).Exit, 0);
}

}  // namespace
}  // namespace vog
