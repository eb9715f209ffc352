// Access-control lists on the memory platform, and TAclCopy over it: what the transfer
// phase's level-by-level copies are checked against.
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

class MemorySecurity : public MemoryTest {
protected:
  std::wstring Dacl(const std::wstring& path) {
    std::wstring dacl;
    const uint32_t code = Fs().GetDacl(path, dacl);
    return code ? L"<error " + std::to_wstring(code) + L">" : dacl;
  }
};

TEST_F(MemorySecurity, NewEntriesTakeTheirFolderListAndKeepTheirOwn) {
  ASSERT_EQ(Fs().AddFolder(L"C:\\a"), 0u);
  EXPECT_EQ(Dacl(L"C:\\a"), TMemoryFileSystem::kDefaultDacl);
  ASSERT_EQ(Fs().SetDacl(L"C:\\a", L"A"), 0u);
  ASSERT_EQ(Fs().AddFile(L"C:\\a\\sub\\f.txt", "f"), 0u);
  ASSERT_EQ(Fs().AddFile(L"C:\\b\\old.txt", "o"), 0u);
  ASSERT_EQ(Fs().SetDacl(L"C:\\b\\old.txt", L"OLD"), 0u);
  // Made below "A": inherited at creation, and not changed by a later change of the folder.
  EXPECT_EQ(Dacl(L"C:\\a\\sub"), L"A");
  EXPECT_EQ(Dacl(L"C:\\a\\sub\\f.txt"), L"A");
  ASSERT_EQ(Fs().SetDacl(L"C:\\a", L"A2"), 0u);
  EXPECT_EQ(Dacl(L"C:\\a\\sub\\f.txt"), L"A");
  // A move keeps the entry's own; a copy is new in its folder unless it overwrites a file.
  ASSERT_EQ(Fs().MoveEntry(L"C:\\a\\sub\\f.txt", L"C:\\b\\moved.txt", false), 0u);
  EXPECT_EQ(Dacl(L"C:\\b\\moved.txt"), L"A");
  ASSERT_EQ(Fs().CopyEntry(L"C:\\b\\moved.txt", L"C:\\a\\copy.txt", false, {}, nullptr), 0u);
  EXPECT_EQ(Dacl(L"C:\\a\\copy.txt"), L"A2");
  ASSERT_EQ(Fs().CopyEntry(L"C:\\b\\moved.txt", L"C:\\b\\old.txt", false, {}, nullptr), 0u);
  EXPECT_EQ(Dacl(L"C:\\b\\old.txt"), L"OLD");
  EXPECT_EQ(Dacl(L"C:\\missing"), L"<error 2>");
}

TEST_F(MemorySecurity, CopyDaclMovesTheListOrSaysWhyNot) {
  ASSERT_EQ(Fs().AddFile(L"C:\\src\\f.txt", "f"), 0u);
  ASSERT_EQ(Fs().AddFile(L"C:\\dst\\f.txt", "f"), 0u);
  ASSERT_EQ(Fs().SetDacl(L"C:\\src", L"D:(A;;FA;;;BA)"), 0u);
  ASSERT_EQ(Fs().SetDacl(L"C:\\src\\f.txt", L"D:(A;;FR;;;WD)"), 0u);
  ISecurity& security = *Mem().Security;
  EXPECT_EQ(security.CopyDacl(L"C:\\src", L"C:\\dst"), 0u);
  EXPECT_EQ(security.CopyDacl(L"C:\\src\\f.txt", L"C:\\dst\\f.txt"), 0u);
  EXPECT_EQ(Dacl(L"C:\\dst"), L"D:(A;;FA;;;BA)");
  EXPECT_EQ(Dacl(L"C:\\dst\\f.txt"), L"D:(A;;FR;;;WD)");

  EXPECT_EQ(security.CopyDacl(L"C:\\src\\none", L"C:\\dst"), err::FileNotFound);
  EXPECT_EQ(security.CopyDacl(L"C:\\src", L"C:\\dst\\none"), err::FileNotFound);
  ASSERT_EQ(Fs().SetDacl(L"C:\\src", L""), 0u);  // a volume without security
  EXPECT_EQ(security.CopyDacl(L"C:\\src", L"C:\\dst"), err::NoSecurityOnObject);
  Fs().InjectFault({L"C:\\dst\\f.txt", TFaultOp::Security, err::AccessDenied});
  EXPECT_EQ(security.CopyDacl(L"C:\\src\\f.txt", L"C:\\dst\\f.txt"), err::AccessDenied);
  EXPECT_EQ(Dacl(L"C:\\dst"), L"D:(A;;FA;;;BA)");  // neither failure changed the target
}

TEST_F(MemorySecurity, AclCopyIsAvailableOnlyWithTheUserAccount) {
  ASSERT_EQ(Fs().AddFolder(L"C:\\s"), 0u);
  ASSERT_EQ(Fs().AddFolder(L"C:\\t"), 0u);
  ASSERT_EQ(Fs().SetDacl(L"C:\\s", L"S"), 0u);
  TAclCopy copier;
  ASSERT_TRUE(copier.Available());
  EXPECT_TRUE(copier.CopyDacl(L"C:\\s", L"C:\\t"));
  EXPECT_EQ(Dacl(L"C:\\t"), L"S");
  EXPECT_FALSE(copier.CopyDacl(L"C:\\s", L"C:\\none"));
  EXPECT_EQ(copier.LastError(), err::FileNotFound);

  Mem().MemSecurity->SetAccount(L"", L"", 1332 /* no mapping between names and ids */);
  TAclCopy unavailable;
  EXPECT_FALSE(unavailable.Available());
  ASSERT_EQ(Fs().SetDacl(L"C:\\s", L"S2"), 0u);
  EXPECT_FALSE(unavailable.CopyDacl(L"C:\\s", L"C:\\t"));
  EXPECT_EQ(Dacl(L"C:\\t"), L"S");
}

}  // namespace
}  // namespace vog::test
