// The native vogtool on real Linux files: encrypt and decrypt give the cipher service's
// bytes, a UTF-8 key means its code page 932 bytes, and failures give a non-zero exit
// with one line on standard error.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "services/cipher/CipherManager.h"
#include "support/VogtoolRunner.h"

namespace vog {
namespace {

namespace fs = std::filesystem;

using test::ReadFileBytes;
using test::TToolResult;
using test::WriteFileBytes;
using TResult = TToolResult;

std::string ReadAll(const fs::path& path) { return ReadFileBytes(path); }
void WriteAll(const fs::path& path, const std::string& content) { WriteFileBytes(path, content); }

class VogtoolCipherTest : public test::VogtoolTest {
protected:
  static std::string Encipher(std::string_view key, TCipherMode mode, const std::string& plain) {
    TCipherManager m;
    m.SetMode(mode);
    m.SetKeyText(key);
    std::string out(plain.size(), '\0');
    m.EncipherBuffer(plain.data(), out.data(), plain.size());
    return out;
  }
};

std::string RandomBytes(size_t size) {
  std::mt19937 rng(77);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

TEST_F(VogtoolCipherTest, EncryptAndDecryptRoundTripWithTheServicesBytes) {
  auto plain = RandomBytes(200003);
  WriteAll(P("plain.bin"), plain);
  auto r = Run({"encrypt", "--key-text", "secret", P("plain.bin"), P("coded.bin")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(ReadAll(P("coded.bin")), Encipher("secret", TCipherMode::cmCBC, plain));  // cbc by default
  r = Run({"decrypt", "--key-text", "secret", P("coded.bin"), P("back.bin")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(ReadAll(P("back.bin")), plain);

  r = Run({"encrypt", "--mode", "CTS", "--cipher", "tcipher_blowfish", "--key-text", "secret", P("plain.bin"),
           P("cts.bin")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(ReadAll(P("cts.bin")), Encipher("secret", TCipherMode::cmCTS, plain));
}

TEST_F(VogtoolCipherTest, Utf8KeyTextIsHashedAsItsCodePage932Bytes) {
  WriteAll(P("plain.txt"), "backup");
  auto r = Run({"encrypt", "--key-text", "\xe3\x83\x91\xe3\x82\xb9", P("plain.txt"), P("coded.txt")});  // "パス"
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(ReadAll(P("coded.txt")), Encipher("\x83\x70\x83\x58", TCipherMode::cmCBC, "backup"));
}

TEST_F(VogtoolCipherTest, KeyFileBytesAreTheKeyAndSamePathCodesInPlace) {
  WriteAll(P("key"), "line\n");
  auto plain = RandomBytes(70000);
  WriteAll(P("data.bin"), plain);
  auto r = Run({"encrypt", "--key-file", P("key"), P("data.bin"), P("data.bin")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(ReadAll(P("data.bin")), Encipher("line\n", TCipherMode::cmCBC, plain));
}

TEST_F(VogtoolCipherTest, TextCommandsUseBase64) {
  auto r = Run({"text-encrypt", "--key-text", "k", "password"});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  TCipherManager m;
  m.SetKeyText("k");
  EXPECT_EQ(r.Out, m.EncipherText("password") + "\n");  // cts by default, as in the data file
  r = Run({"text-decrypt", "--key-text", "k", m.EncipherText("password")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Out, "password\n");
}

TEST_F(VogtoolCipherTest, FailuresExitNonZeroWithOneLine) {
  auto r = Run({"encrypt", "--key-text", "k", P("missing.bin"), P("out.bin")});
  EXPECT_NE(r.Exit, 0);
  EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  EXPECT_FALSE(fs::exists(P("out.bin")));

  WriteAll(P("in.bin"), "x");
  r = Run({"encrypt", P("in.bin"), P("out.bin")});  // no key
  EXPECT_NE(r.Exit, 0);
  EXPECT_FALSE(fs::exists(P("out.bin")));
  r = Run({"encrypt", "--key-text", "k", "--key-file", P("in.bin"), P("in.bin"), P("out.bin")});
  EXPECT_NE(r.Exit, 0);
  r = Run({"encrypt", "--mode", "ecb", "--key-text", "k", P("in.bin"), P("out.bin")});
  EXPECT_NE(r.Exit, 0);
  EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  r = Run({"encrypt", "--cipher", "IDEA", "--key-text", "k", P("in.bin"), P("out.bin")});
  EXPECT_NE(r.Exit, 0);
  EXPECT_NE(r.Err.find("IDEA"), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(P("out.bin")));
  // Linux names are case-sensitive: a case-only difference must not code the source in place.
  r = Run({"encrypt", "--key-text", "k", P("in.bin"), P("IN.bin")});
  EXPECT_NE(r.Exit, 0);
  EXPECT_EQ(ReadAll(P("in.bin")), "x");
  EXPECT_FALSE(fs::exists(P("IN.bin")));
}

}  // namespace
}  // namespace vog
