// File operations on the operating system's own file system (real files: POSIX natively,
// Win32 under Wine): contents, the source's last-write time and attributes on the copy,
// and coding in place.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "base/Text.h"
#include "platform/Platform.h"
#include "services/cipher/CipherManager.h"
#include "tests/support/MemoryFixture.h"

namespace vog {
namespace {

class CipherSystemFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform_ = std::make_unique<test::ScopedPlatform>(CreateSystemPlatform());
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = Files().TempFolder() + L"vogcipher" + IntToText(stamp % 1000000007);
    ASSERT_EQ(Files().MakeFolder(folder_), 0u);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"src.bin", L"dst.bin", L"back.bin"}) {
      std::wstring path = Path(name);
      Files().SetAttributes(path, attr::Archive);
      Files().RemoveFile(path);
    }
    Files().RemoveFolder(folder_);
    platform_.reset();
  }
  std::wstring Path(const wchar_t* name) { return folder_ + L"\\" + name; }

  void Write(const std::wstring& path, const std::string& content) {
    std::unique_ptr<IFileStream> s;
    ASSERT_EQ(Files().OpenFile(path, TOpenMode::Write, share::None, s), 0u);
    size_t done = 0;
    ASSERT_EQ(s->Write(content.data(), content.size(), done), 0u);
  }
  std::string Read(const std::wstring& path) {
    std::unique_ptr<IFileStream> s;
    EXPECT_EQ(Files().OpenFile(path, TOpenMode::Read, share::Read, s), 0u);
    if (!s) return {};
    int64_t size = 0;
    s->GetSize(size);
    std::string content(static_cast<size_t>(size), '\0');
    size_t done = 0;
    s->Read(content.data(), content.size(), done);
    content.resize(done);
    return content;
  }

  std::unique_ptr<test::ScopedPlatform> platform_;
  std::wstring folder_;
};

TEST_F(CipherSystemFileTest, CopyGetsTheSourcesTimeAndAttributesAndInPlaceKeepsTheLength) {
  std::mt19937 rng(5);
  std::string plain(100003, '\0');
  for (auto& c : plain) c = static_cast<char>(rng());
  Write(Path(L"src.bin"), plain);
  const TFileTime when{132000000000000000ull};  // whole seconds: every file system keeps it
  ASSERT_EQ(Files().SetTimes(Path(L"src.bin"), nullptr, nullptr, &when), 0u);
  ASSERT_EQ(Files().SetAttributes(Path(L"src.bin"), attr::ReadOnly), 0u);

  TCipherManager m;
  m.SetMode(TCipherMode::cmCBC);
  m.SetKeyText("real files");
  m.EncipherFile(Path(L"src.bin"), Path(L"dst.bin"));
  std::string expected(plain.size(), '\0');
  m.EncipherBuffer(plain.data(), expected.data(), plain.size());
  EXPECT_EQ(Read(Path(L"dst.bin")), expected);
  TFindData info;
  ASSERT_EQ(Files().GetInfo(Path(L"dst.bin"), info), 0u);
  EXPECT_EQ(info.LastWriteTime, when);
  EXPECT_TRUE(info.Attr & attr::ReadOnly);

  ASSERT_EQ(Files().SetAttributes(Path(L"dst.bin"), attr::Archive), 0u);
  m.DecipherFile(Path(L"dst.bin"), Path(L"dst.bin"));
  EXPECT_EQ(Read(Path(L"dst.bin")), plain);
  m.EncipherFile(Path(L"dst.bin"), std::wstring());
  EXPECT_EQ(Read(Path(L"dst.bin")), expected);
}

}  // namespace
}  // namespace vog
