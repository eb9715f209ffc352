// Whole-file reads and the replacing write every rewritten file goes through.
#include <gtest/gtest.h>

#include "platform/FileIo.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

class FileIoTest : public test::MemoryTest {
protected:
  void SetUp() override {
    MemoryTest::SetUp();
    Fs().AddVolume(L"C:");
    Fs().AddFile(kPath, "old contents");
  }
  std::string Contents() {
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(kPath, bytes), 0u);
    return bytes;
  }
  static constexpr const wchar_t* kPath = L"C:\\d\\file.dat";
};

TEST_F(FileIoTest, ReplacesTheFileAndReadsItBack) {
  ASSERT_EQ(WriteFileReplacing(kPath, "new"), 0u);
  EXPECT_EQ(Contents(), "new");
  EXPECT_FALSE(Fs().Exists(ReplacingTempName(kPath)));
  std::string bytes = "stale";
  EXPECT_EQ(ReadWholeFile(L"C:\\d\\none.dat", bytes), err::FileNotFound);
  EXPECT_EQ(ReadWholeFile(kPath, bytes, 2), err::FileTooLarge);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(FileIoTest, AFailedStepLeavesTheOldFileAndNoTemporary) {
  const std::wstring temp = ReplacingTempName(kPath);
  const TFault faults[] = {{temp, TFaultOp::Open, err::AccessDenied},
                           {temp, TFaultOp::Write, err::DiskFull, 3},
                           {kPath, TFaultOp::Move, err::SharingViolation}};
  for (const TFault& fault : faults) {
    SCOPED_TRACE(static_cast<int>(fault.Op));
    Fs().InjectFault(fault);
    EXPECT_EQ(WriteFileReplacing(kPath, "replacement"), fault.Code);
    Fs().ClearFaults();
    EXPECT_EQ(Contents(), "old contents");
    EXPECT_FALSE(Fs().Exists(temp));
  }
}

}  // namespace
}  // namespace vog
