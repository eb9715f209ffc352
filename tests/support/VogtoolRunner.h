#pragma once
// Runs the native vogtool binary on real files in a fresh temporary folder (native tests
// only: include it from tests/*/posix/). ctest sets VOG_BUILD_DIR to the build folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vog::test {

namespace fs = std::filesystem;

struct TToolResult {
  int Exit = -1;
  std::string Out, Err;
};

inline std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileBytes(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

// One argument for /bin/sh, quoted so that nothing in it is interpreted.
inline std::string ShellQuote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class VogtoolTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* build = std::getenv("VOG_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "VOG_BUILD_DIR is set by ctest";
    tool_ = fs::path(build) / "vogtool";
    ASSERT_TRUE(fs::exists(tool_)) << tool_;
    char pattern[] = "/tmp/vogtool-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Runs vogtool with `args`, each passed as one argument.
  TToolResult Run(const std::vector<std::string>& args) {
    std::string cmd = ShellQuote(tool_.string());
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    const auto out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    cmd += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string());
    TToolResult r;
    const int status = std::system(cmd.c_str());
    r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Out = ReadFileBytes(out);
    r.Err = ReadFileBytes(err);
    return r;
  }

  // A path in the test's temporary folder.
  std::string P(const char* name) { return (dir_ / name).string(); }

  fs::path tool_, dir_;
};

}  // namespace vog::test
