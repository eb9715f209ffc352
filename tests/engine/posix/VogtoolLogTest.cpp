// The native vogtool on real files: `log show` and `history show` print what the readers
// see as JSON, write nothing, and a damaged file gives a non-zero exit.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "support/VogtoolRunner.h"

namespace vog {
namespace {

namespace fs = std::filesystem;

std::string Utf16File(const std::wstring& text) { return "\xFF\xFE" + ToUtf16Le(text); }

std::string ReadAll(const fs::path& path) { return test::ReadFileBytes(path); }

class VogtoolLogTest : public test::VogtoolTest {
protected:
  fs::path Put(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Runs vogtool; returns the exit code, standard output in `out`.
  int Run(const std::string& args, std::string& out) {
    const fs::path outFile = dir_ / "out.txt";
    const std::string command = tool_.string() + " " + args + " > " + outFile.string() + " 2>/dev/null";
    const int status = std::system(command.c_str());
    out = ReadAll(outFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  using test::VogtoolTest::Run;
};

TEST_F(VogtoolLogTest, LogShowPrintsEveryEntry) {
  const std::wstring log =
      L"Vogmeristログファイル\tVer.\t1\r\n"
      L"【2024/04/01 12:34:56】\tVogratelData.vgd\t26:05:07\t5000000000\t7\t11\t3\r\n"
      L"コピーファイル\t1\r\nE:\\B\\sub\\a.txt\r\nエラーファイル\t1\r\nD:\\Src\\x.doc\t5\r\n"
      L"削除ファイル\t0\r\n"
      L"【2024/04/02】\tVogratelData.vgd\r\nコピーファイル\t0\r\nエラーファイル\t0\r\n削除ファイル\t0\r\n";
  const fs::path path = Put("run.log", Utf16File(log));
  const std::string before = ReadAll(path);
  std::string out;
  ASSERT_EQ(Run("log show " + path.string(), out), 0);
  const auto json = nlohmann::json::parse(out);
  ASSERT_EQ(json["entries"].size(), 2u);
  const auto& first = json["entries"][0];
  EXPECT_EQ(first["time"], "2024/04/01 12:34:56");
  EXPECT_EQ(first["elapsedSeconds"], 26 * 3600 + 5 * 60 + 7);
  EXPECT_EQ(first["copiedBytes"], 5000000000);
  EXPECT_EQ(first["resultText"], "ネットワークにログインできません");
  EXPECT_EQ(first["copied"][0], "E:\\B\\sub\\a.txt");
  EXPECT_EQ(first["errors"][0]["code"], 5);
  EXPECT_FALSE(json["entries"][1].contains("duration"));  // the short form
  EXPECT_EQ(ReadAll(path), before);

  // An earlier-layout log is shown converted, and left as it is on disk.
  const fs::path old =
      Put("old.log", Utf16File(L"【2020/01/01】\told.vgd\r\nコピーファイル\t0\r\nエラーファイル\t0\r\n"));
  const std::string oldBytes = ReadAll(old);
  ASSERT_EQ(Run("log show " + old.string(), out), 0);
  EXPECT_EQ(nlohmann::json::parse(out)["layout"], "earlier");
  EXPECT_EQ(ReadAll(old), oldBytes);

  const fs::path bad =
      Put("bad.log", Utf16File(L"Vogmeristログファイル\tVer.\t1\r\n【x】\ty\r\nコピーファイル\t9\r\n"));
  EXPECT_NE(Run("log show " + bad.string(), out), 0);
}

TEST_F(VogtoolLogTest, HistoryShowFiltersByFolder) {
  const fs::path path = Put("FileList.his", Utf16File(L"D:\\B\\T\\\ttop.txt\t100\t1478627328\t32\r\n"
                                                      L"D:\\B\\T\\sub\tin.txt\t5\t-1\t33\r\n"
                                                      L"D:\\B\\T2\tother.txt\t1\t2\t3\r\n"));
  std::string out;
  ASSERT_EQ(Run("history show " + path.string(), out), 0);
  EXPECT_EQ(nlohmann::json::parse(out)["count"], 3);

  ASSERT_EQ(Run("history show " + path.string() + " --folder 'D:\\B\\T'", out), 0);
  auto json = nlohmann::json::parse(out);
  ASSERT_EQ(json["count"], 2);
  EXPECT_EQ(json["entries"][1]["relativePath"], "sub\\in.txt");
  EXPECT_EQ(json["entries"][0]["timeText"], "2024/01/02 02:00:00");

  ASSERT_EQ(Run("history show " + path.string() + " --folder 'D:\\B\\T' --no-subfolders", out), 0);
  EXPECT_EQ(nlohmann::json::parse(out)["count"], 1);

  EXPECT_NE(Run("history show " + (dir_ / "missing.his").string(), out), 0);
  const fs::path bad = Put("bad.his", Utf16File(L"D:\\B\\\ta\t1\t2\r\n"));
  EXPECT_NE(Run("history show " + bad.string(), out), 0);
}

}  // namespace
}  // namespace vog
