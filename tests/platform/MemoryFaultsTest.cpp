// Injected faults, capacity, network shares and two threads on the in-memory file system.
#include <gtest/gtest.h>

#include <thread>

#include "platform/memory/MemoryPlatform.h"

namespace vog::test {
namespace {

class MemoryFaults : public ::testing::Test {
protected:
  TManualClock clock;
  TMemoryFileSystem fs{clock};
  void SetUp() override { fs.AddVolume(L"C:"); }

  // Names listed until the search ends, and the code that ended it.
  std::vector<std::wstring> List(const std::wstring& pattern, uint32_t& code) {
    std::vector<std::wstring> names;
    std::unique_ptr<IFindHandle> h;
    TFindData d;
    code = fs.FindFirst(pattern, h, d);
    if (code) return names;
    names.push_back(d.Name);
    while ((code = h->Next(d)) == 0) names.push_back(d.Name);
    return names;
  }
};

TEST_F(MemoryFaults, AccessDeniedOnListingAFolderAndBelowIt) {
  fs.AddFile(L"C:\\src\\locked\\inner\\a.txt", "");
  fs.AddFile(L"C:\\src\\open\\b.txt", "");
  fs.InjectFault({L"c:\\SRC\\Locked\\", TFaultOp::List, err::AccessDenied});
  uint32_t code = 0;
  EXPECT_TRUE(List(L"C:\\src\\locked\\*", code).empty());
  EXPECT_EQ(code, err::AccessDenied);
  List(L"C:\\src\\locked\\inner\\*", code);
  EXPECT_EQ(code, err::AccessDenied);
  // Other folders and other operations on the same folder are unaffected.
  EXPECT_EQ(List(L"C:\\src\\open\\*", code).size(), 3u);
  EXPECT_EQ(code, err::NoMoreFiles);
  EXPECT_EQ(List(L"C:\\src\\*", code).size(), 4u);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs.OpenFile(L"C:\\src\\locked\\inner\\a.txt", TOpenMode::Read, share::Read, s), 0u);
  fs.ClearFaults();
  EXPECT_EQ(List(L"C:\\src\\locked\\*", code).size(), 3u);
}

TEST_F(MemoryFaults, CorruptFolderFailsPartWayThroughTheListing) {
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) fs.AddFile(std::wstring(L"C:\\bad\\") + name, "");
  // Entries count as the caller sees them, "." and ".." included.
  fs.InjectFault({L"C:\\bad", TFaultOp::List, err::FileCorrupt, -1, 3});
  uint32_t code = 0;
  EXPECT_EQ(List(L"C:\\bad\\*", code), (std::vector<std::wstring>{L".", L"..", L"a"}));
  EXPECT_EQ(code, err::FileCorrupt);
  // After the end of a short listing the failure comes instead of "no more files".
  fs.ClearFaults();
  fs.InjectFault({L"C:\\bad", TFaultOp::List, err::FileCorrupt, -1, 100});
  EXPECT_EQ(List(L"C:\\bad\\*", code).size(), 6u);
  EXPECT_EQ(code, err::FileCorrupt);
}

TEST_F(MemoryFaults, FaultsFireAsOftenAsTold) {
  fs.AddFile(L"C:\\f.txt", "x");
  fs.InjectFault({L"C:\\f.txt", TFaultOp::Open, err::SharingViolation, -1, -1, 2});
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, s), err::SharingViolation);
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, s), err::SharingViolation);
  EXPECT_EQ(fs.OpenFile(L"C:\\f.txt", TOpenMode::Read, share::Read, s), 0u);
}

TEST_F(MemoryFaults, OperationsFailOnlyForTheirKind) {
  fs.AddFile(L"C:\\d\\f.txt", "x");
  fs.InjectFault({L"C:\\d\\f.txt", TFaultOp::Remove, err::AccessDenied});
  fs.InjectFault({L"C:\\d\\new", TFaultOp::MakeFolder, err::WriteProtect});
  fs.InjectFault({L"C:\\d\\g.txt", TFaultOp::Move, err::NetworkBusy});
  fs.InjectFault({L"C:\\d\\attr.txt", TFaultOp::Attributes, err::AccessDenied});
  EXPECT_EQ(fs.RemoveFile(L"C:\\d\\f.txt"), err::AccessDenied);
  EXPECT_EQ(fs.MakeFolder(L"C:\\d\\new"), err::WriteProtect);
  EXPECT_EQ(fs.MakeFolder(L"C:\\d\\new2"), 0u);
  EXPECT_EQ(fs.MoveEntry(L"C:\\d\\f.txt", L"C:\\d\\g.txt", false), err::NetworkBusy);
  fs.AddFile(L"C:\\d\\attr.txt", "");
  uint32_t a = 0;
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\attr.txt", a), err::AccessDenied);
  EXPECT_EQ(fs.SetAttributes(L"C:\\d\\attr.txt", 0), err::AccessDenied);
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\f.txt", a), 0u);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs.OpenFile(L"C:\\d\\f.txt", TOpenMode::Read, share::Read, s), 0u);
}

TEST_F(MemoryFaults, NetworkPathNotFoundForAWholeShare) {
  fs.AddVolume(L"\\\\server\\share");
  fs.AddFile(L"\\\\server\\share\\dir\\f.txt", "x");
  fs.InjectFault({L"\\\\SERVER\\share", TFaultOp::Any, err::BadNetPath});
  uint32_t code = 0;
  List(L"\\\\server\\share\\*", code);
  EXPECT_EQ(code, err::BadNetPath);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs.OpenFile(L"\\\\server\\share\\dir\\f.txt", TOpenMode::Read, share::Read, s), err::BadNetPath);
  EXPECT_EQ(fs.MakeFolder(L"\\\\server\\share\\x"), err::BadNetPath);
  EXPECT_EQ(fs.CopyEntry(L"\\\\server\\share\\dir\\f.txt", L"C:\\f.txt", false, {}, nullptr), err::BadNetPath);
  EXPECT_FALSE(fs.Exists(L"C:\\f.txt"));
  fs.ClearFaults();
  EXPECT_EQ(fs.OpenFile(L"\\\\server\\share\\dir\\f.txt", TOpenMode::Read, share::Read, s), 0u);
}

TEST_F(MemoryFaults, SharesBehaveLikeDriveRoots) {
  fs.AddVolume(L"\\\\srv\\data");
  ASSERT_EQ(fs.MakeFolder(L"\\\\SRV\\DATA\\Backup"), 0u);
  ASSERT_EQ(fs.AddFile(L"\\\\srv\\data\\backup\\a.txt", "a"), 0u);
  uint32_t code = 0;
  EXPECT_EQ(List(L"\\\\srv\\data\\*", code), (std::vector<std::wstring>{L"Backup"}));
  EXPECT_EQ(List(L"\\\\srv\\data\\Backup\\*", code), (std::vector<std::wstring>{L".", L"..", L"a.txt"}));
  uint32_t a = 0;
  EXPECT_EQ(fs.GetAttributes(L"\\\\srv\\data", a), 0u);
  EXPECT_EQ(a, attr::Directory);
  EXPECT_EQ(fs.GetAttributes(L"\\\\srv\\data\\", a), 0u);
  // A share that was never added: unknown server, or a known server without that share.
  EXPECT_EQ(fs.GetAttributes(L"\\\\other\\data\\x", a), err::BadNetPath);
  EXPECT_EQ(fs.GetAttributes(L"\\\\srv\\nothing\\x", a), err::BadNetName);
  EXPECT_EQ(fs.GetAttributes(L"\\\\srv", a), err::BadNetPath);
  EXPECT_EQ(fs.GetAttributes(L"\\\\?\\UNC\\srv\\data\\backup\\a.txt", a), 0u);
  // Moving a file between a share and a drive works; a folder does not.
  EXPECT_EQ(fs.MoveEntry(L"\\\\srv\\data\\backup\\a.txt", L"C:\\a.txt", false), 0u);
  EXPECT_EQ(fs.MoveEntry(L"\\\\srv\\data\\backup", L"C:\\backup", false), err::NotSameDevice);
}

TEST_F(MemoryFaults, CopyFailsAfterSomeBytesAndLeavesNoTarget) {
  fs.AddFile(L"C:\\src.bin", std::string(300'000, 's'));
  fs.AddFile(L"C:\\dst.bin", "previous");
  fs.InjectFault({L"C:\\src.bin", TFaultOp::Copy, err::UnexpectedNetworkError, 100'000});
  int64_t last = -1;
  EXPECT_EQ(fs.CopyEntry(
                L"C:\\src.bin", L"C:\\dst.bin", false, [&](int64_t c, int64_t) { last = c; }, nullptr),
            err::UnexpectedNetworkError);
  EXPECT_EQ(last, 100'000);
  // As with CopyFileEx, the target was replaced before the data moved, then deleted.
  EXPECT_FALSE(fs.Exists(L"C:\\dst.bin"));
  // The fault names the source or the target; without Times it fires every time.
  EXPECT_EQ(fs.CopyEntry(L"C:\\src.bin", L"C:\\other.bin", false, {}, nullptr), err::UnexpectedNetworkError);
  fs.ClearFaults();
  fs.InjectFault({L"C:\\out", TFaultOp::Copy, err::DiskFull, 0, -1, 1});
  fs.AddFolder(L"C:\\out");
  EXPECT_EQ(fs.CopyEntry(L"C:\\src.bin", L"C:\\out\\x.bin", false, {}, nullptr), err::DiskFull);
  EXPECT_FALSE(fs.Exists(L"C:\\out\\x.bin"));
  EXPECT_EQ(fs.CopyEntry(L"C:\\src.bin", L"C:\\out\\x.bin", false, {}, nullptr), 0u);
  // A fault beyond the file's end never fires.
  fs.InjectFault({L"C:\\src.bin", TFaultOp::Copy, err::GenFailure, 300'001});
  EXPECT_EQ(fs.CopyEntry(L"C:\\src.bin", L"C:\\y.bin", false, {}, nullptr), 0u);
}

TEST_F(MemoryFaults, ReadsAndWritesFailAfterSomeBytes) {
  fs.AddFile(L"C:\\r.bin", std::string(100, 'r'));
  fs.InjectFault({L"C:\\r.bin", TFaultOp::Read, err::Crc, 30});
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(fs.OpenFile(L"C:\\r.bin", TOpenMode::Read, share::Read, s), 0u);
  char buf[64];
  size_t done = 0;
  EXPECT_EQ(s->Read(buf, 20, done), 0u);
  EXPECT_EQ(done, 20u);
  EXPECT_EQ(s->Read(buf, 20, done), err::Crc);
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(s->Read(buf, 20, done), err::Crc);
  EXPECT_EQ(done, 0u);

  fs.InjectFault({L"C:\\w.bin", TFaultOp::Write, err::WriteFault, 10, -1, 1});
  ASSERT_EQ(fs.OpenFile(L"C:\\w.bin", TOpenMode::Write, share::None, s), 0u);
  EXPECT_EQ(s->Write("0123456", 7, done), 0u);
  EXPECT_EQ(s->Write("789abc", 6, done), err::WriteFault);
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(s->Write("d", 1, done), 0u);  // fired once only
  s.reset();
  std::string content;
  ASSERT_TRUE(fs.ReadContent(L"C:\\w.bin", content));
  EXPECT_EQ(content, "0123456789d");
}

TEST_F(MemoryFaults, CorruptFaultsAlterWhatArrivesAndReportSuccess) {
  const std::string data(200'000, 'd');
  fs.AddFile(L"C:\\src.bin", data);
  fs.AddFolder(L"C:\\out");
  // The byte at 150000 of the next copy into C:\out is inverted; the source stays intact.
  fs.InjectFault({L"C:\\out", TFaultOp::Corrupt, 0, 150'000, -1, 1});
  std::string content;
  ASSERT_EQ(fs.CopyEntry(L"C:\\src.bin", L"C:\\out\\a.bin", false, {}, nullptr), 0u);
  ASSERT_TRUE(fs.ReadContent(L"C:\\out\\a.bin", content));
  ASSERT_EQ(content.size(), data.size());
  EXPECT_EQ(content[150'000], static_cast<char>(~'d'));
  EXPECT_EQ(content.substr(0, 150'000) + content.substr(150'001), std::string(199'999, 'd'));
  ASSERT_TRUE(fs.ReadContent(L"C:\\src.bin", content));
  EXPECT_EQ(content, data);
  ASSERT_EQ(fs.CopyEntry(L"C:\\src.bin", L"C:\\out\\b.bin", false, {}, nullptr), 0u);  // fired once only
  ASSERT_TRUE(fs.ReadContent(L"C:\\out\\b.bin", content));
  EXPECT_EQ(content, data);

  // Through a stream: the byte is altered whichever write carries it.
  fs.InjectFault({L"C:\\w.bin", TFaultOp::Corrupt, 0, 5});
  std::unique_ptr<IFileStream> s;
  ASSERT_EQ(fs.OpenFile(L"C:\\w.bin", TOpenMode::Write, share::None, s), 0u);
  size_t done = 0;
  EXPECT_EQ(s->Write("0123", 4, done), 0u);
  EXPECT_EQ(s->Write("4567", 4, done), 0u);
  s.reset();
  ASSERT_TRUE(fs.ReadContent(L"C:\\w.bin", content));
  EXPECT_EQ(content, std::string("01234") + static_cast<char>(~'5') + "67");
}

TEST_F(MemoryFaults, FullDisksRefuseWhatDoesNotFit) {
  fs.AddVolume(L"D:", 1000);
  EXPECT_EQ(fs.FreeSpace(L"D:\\"), 1000);
  std::unique_ptr<IFileStream> s;
  size_t done = 0;
  ASSERT_EQ(fs.OpenFile(L"D:\\a.bin", TOpenMode::Write, share::None, s), 0u);
  ASSERT_EQ(s->Write(std::string(600, 'a').data(), 600, done), 0u);
  EXPECT_EQ(s->Write(std::string(500, 'a').data(), 500, done), err::DiskFull);
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(s->Seek(2000), 0u);
  EXPECT_EQ(s->SetEndOfFile(), err::DiskFull);
  EXPECT_EQ(s->Seek(100), 0u);
  EXPECT_EQ(s->SetEndOfFile(), 0u);  // shrinking frees space
  s.reset();
  EXPECT_EQ(fs.FreeSpace(L"D:"), 900);

  fs.AddFile(L"C:\\big.bin", std::string(950, 'b'));
  EXPECT_EQ(fs.CopyEntry(L"C:\\big.bin", L"D:\\big.bin", false, {}, nullptr), err::DiskFull);
  EXPECT_FALSE(fs.Exists(L"D:\\big.bin"));
  EXPECT_EQ(fs.MoveEntry(L"C:\\big.bin", L"D:\\big.bin", false), err::DiskFull);
  EXPECT_TRUE(fs.Exists(L"C:\\big.bin"));
  // Replacing a file counts the space it frees.
  EXPECT_EQ(fs.CopyEntry(L"C:\\big.bin", L"D:\\a.bin", false, {}, nullptr), 0u);
  EXPECT_EQ(fs.FreeSpace(L"D:"), 50);
  EXPECT_EQ(fs.RemoveFile(L"D:\\a.bin"), 0u);
  EXPECT_EQ(fs.FreeSpace(L"D:"), 1000);
  fs.SetCapacity(L"D:", 10);
  EXPECT_EQ(fs.OpenFile(L"D:\\c.bin", TOpenMode::Write, share::None, s), 0u);
  EXPECT_EQ(s->Write("01234567890", 11, done), err::DiskFull);
}

TEST_F(MemoryFaults, TwoThreadsListAndChangeTheTreeSafely) {
  fs.AddFolder(L"C:\\shared");
  constexpr int kFiles = 300;
  std::thread writer([this] {
    for (int i = 0; i < kFiles; ++i) {
      const std::wstring name = L"C:\\shared\\f" + std::to_wstring(i) + L".txt";
      std::unique_ptr<IFileStream> s;
      ASSERT_EQ(fs.OpenFile(name, TOpenMode::Write, share::Read, s), 0u);
      size_t done = 0;
      ASSERT_EQ(s->Write("data", 4, done), 0u);
      s.reset();
      if (i % 3 == 0) {
        ASSERT_EQ(fs.RemoveFile(name), 0u);
      }
      if (i % 50 == 0) {
        ASSERT_EQ(fs.MakeFolder(L"C:\\shared\\d" + std::to_wstring(i)), 0u);
      }
    }
  });
  std::thread reader([this] {
    for (int round = 0; round < 200; ++round) {
      std::unique_ptr<IFindHandle> h;
      TFindData d;
      if (fs.FindFirst(L"C:\\shared\\*", h, d) != 0) continue;
      int count = 1;
      while (h->Next(d) == 0) {
        ++count;
        EXPECT_FALSE(d.Name.empty());
      }
      EXPECT_GE(count, 2);
      uint32_t a = 0;
      fs.GetAttributes(L"C:\\shared\\f1.txt", a);
    }
  });
  writer.join();
  reader.join();
  // 200 files kept and 6 folders made.
  EXPECT_EQ(fs.ListTree(L"C:\\shared").size(), 206u);
}

TEST_F(MemoryFaults, ProgressRoutinesMayUseTheFileSystem) {
  // A progress routine runs pending window messages, which may read files: the copy must
  // not hold the file system while it calls the routine.
  fs.AddFile(L"C:\\src.bin", std::string(300'000, 's'));
  int calls = 0;
  ASSERT_EQ(fs.CopyEntry(
                L"C:\\src.bin", L"C:\\dst.bin", false,
                [&](int64_t, int64_t) {
                  uint32_t a = 0;
                  EXPECT_EQ(fs.GetAttributes(L"C:\\src.bin", a), 0u);
                  // The target is locked while the copy runs.
                  std::unique_ptr<IFileStream> s;
                  EXPECT_EQ(fs.OpenFile(L"C:\\dst.bin", TOpenMode::Read, share::All, s), err::SharingViolation);
                  EXPECT_EQ(fs.RemoveFile(L"C:\\dst.bin"), err::SharingViolation);
                  ++calls;
                },
                nullptr),
            0u);
  EXPECT_GT(calls, 1);
  std::unique_ptr<IFileStream> s;
  EXPECT_EQ(fs.OpenFile(L"C:\\dst.bin", TOpenMode::ReadWrite, share::None, s), 0u);
}

TEST_F(MemoryFaults, CopiesRunWhileAnotherThreadWrites) {
  fs.AddFile(L"C:\\a\\big.bin", std::string(1 << 20, 'b'));
  fs.AddFolder(L"C:\\b");
  std::thread copier([this] {
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(fs.CopyEntry(
                    L"C:\\a\\big.bin", L"C:\\a\\copy" + std::to_wstring(i % 3) + L".bin", false,
                    [](int64_t, int64_t) { std::this_thread::yield(); }, nullptr),
                0u);
  });
  for (int i = 0; i < 200; ++i) {
    std::unique_ptr<IFileStream> s;
    ASSERT_EQ(fs.OpenFile(L"C:\\b\\f" + std::to_wstring(i % 7) + L".txt", TOpenMode::Write, share::None, s), 0u);
    size_t done = 0;
    ASSERT_EQ(s->Write("x", 1, done), 0u);
    uint32_t code = 0;
    List(L"C:\\a\\*", code);
  }
  copier.join();
  std::string content;
  ASSERT_TRUE(fs.ReadContent(L"C:\\a\\copy1.bin", content));
  EXPECT_EQ(content.size(), size_t{1} << 20);
  EXPECT_EQ(fs.ListTree(L"C:\\b").size(), 7u);
}

}  // namespace
}  // namespace vog::test
