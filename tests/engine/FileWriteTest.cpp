// One file's write through a whole run: a failure at any step leaves what stood under the
// final name before (and the history of the day) as it was, and one failure is recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/Backup.h"
#include "engine/EngineTestSupport.h"
#include "engine/FileTransfer.h"
#include "engine/HistoryFolders.h"

namespace vog {
namespace {

// SourceHeld: another program holds the source open, so the copy fails before it looks at
// the target.
enum class TStep { None, History, Write, Verify, Rename, Stamp, SourceHeld };

const char* StepName(TStep step) {
  switch (step) {
    case TStep::None: return "none";
    case TStep::History: return "history";
    case TStep::Write: return "write";
    case TStep::Verify: return "verify";
    case TStep::Rename: return "rename";
    case TStep::Stamp: return "stamp";
    case TStep::SourceHeld: return "source held";
  }
  return "?";
}

class FileWriteTest : public test::EngineTest {
protected:
  TDateTime Day(int day) {
    TDateTime value = 0;
    TryEncodeDateTime(2009, 1, day, 10, 0, 0, 0, value);
    return value;
  }

  // Paths of the item `name`: its final file, the temporary name beside it and the
  // file's place in the history folder of 2009-01-02.
  struct TPaths {
    std::wstring Source, Final, Temp, History, Aside;
  };
  static TPaths PathsOf(const std::wstring& name) {
    const std::wstring dest = L"E:\\Dst\\" + name;
    return {L"D:\\" + name + L"\\f.txt", dest + L"\\f.txt", dest + L"\\Vogmerist%%.$$$",
            dest + L"\\世代 2009-01-02\\f.txt", dest + L"\\世代 2009-01-02\\Vogmerist%%.$$$"};
  }

  // The fault that makes `step` fail for the file of `paths` first written as `written`.
  void Fail(TStep step, const TPaths& paths, const std::wstring& written) {
    switch (step) {
      case TStep::None: break;
      case TStep::History: Fs().InjectFault({paths.History, TFaultOp::Move, err::SharingViolation}); break;
      case TStep::Write: Fs().InjectFault({written, TFaultOp::Copy, err::DiskFull, 1000}); break;
      case TStep::Verify: Fs().InjectFault({written, TFaultOp::Corrupt, 0, 500}); break;
      case TStep::Rename: Fs().InjectFault({paths.Temp, TFaultOp::Move, err::AccessDenied}); break;
      case TStep::Stamp: Fs().InjectFault({written, TFaultOp::Times, err::AccessDenied}); break;
      case TStep::SourceHeld: Fs().InjectFault({paths.Source, TFaultOp::Copy, err::SharingViolation}); break;
    }
  }

  struct TResult {
    std::vector<uint32_t> Codes;
    int Copied = 0;
  };
  TResult Run(TBackupInfo& item, bool verify = false, bool acl = false, bool creation = false) {
    ManualClock().SetLocalNow(Day(2));
    TBackup backup;
    backup.Verify = verify;
    backup.SetCopyAcl(acl);
    backup.SetCopyCreationTime(creation);
    backup.AddItem(&item);
    backup.Plan();
    backup.Execute();
    TResult result;
    for (const TFileInfo* r : backup.ErrorFiles) result.Codes.push_back(r->Attr);
    result.Copied = backup.CopiedFiles.Count();
    return result;
  }

  // What a file holds, in short: the new version's 5000 bytes read as "new".
  std::string Read(const std::wstring& path) {
    std::string content;
    if (!Fs().ReadContent(path, content)) return "<none>";
    if (content == std::string(5000, 'n')) return "new";
    return content.size() < 20 ? content : "<" + std::to_string(content.size()) + " other bytes>";
  }
  TFileTime WriteTime(const std::wstring& path) {
    TFindData info;
    Fs().GetInfo(path, info);
    return info.LastWriteTime;
  }
};

uint32_t CodeOf(TStep step) {
  switch (step) {
    case TStep::History:
    case TStep::SourceHeld: return err::SharingViolation;
    case TStep::Write: return err::DiskFull;
    case TStep::Verify: return kVerifyMismatch;
    default: return err::AccessDenied;
  }
}

// A file that replaces an older backup, in a second run of the day (the history folder
// already holds the version the first run replaced): whichever step fails, the old backup
// stays under its name with its time, the day's history keeps its version and nothing is
// left under a temporary name.
TEST_F(FileWriteTest, FailureAtEachStepLeavesTheOldBackupAndTheHistoryAsTheyWere) {
  int n = 0;
  for (bool keep : {false, true})
    for (bool temp : {false, true})
      for (TStep step : {TStep::None, TStep::History, TStep::Write, TStep::Verify, TStep::Rename, TStep::Stamp,
                         TStep::SourceHeld}) {
        if (step == TStep::History && !keep) continue;
        const std::wstring name = L"r" + std::to_wstring(++n);
        const TPaths paths = PathsOf(name);
        ManualClock().SetLocalNow(Day(1));
        Fs().AddFile(paths.Final, "old");
        if (keep) {
          Fs().AddFile(paths.History, "earlier");
          WriteHistoryMarker(L"E:\\Dst\\" + name + L"\\世代 2009-01-02", Day(2));
        }
        const TFileTime oldTime = WriteTime(paths.Final);
        ManualClock().SetLocalNow(Day(2));
        Fs().AddFile(paths.Source, std::string(5000, 'n'));
        TBackupInfo& item = Item(name, false);
        item.KeepHistory = keep;
        item.UseTempFile = temp;
        // The time stamp is the program's own step where the cipher writes the file.
        item.Encrypt = step == TStep::Stamp;
        item.CipherKey = "key";
        Fail(step, paths, paths.Temp);  // a file that replaces another is written beside it
        const TResult result = Run(item, step == TStep::Verify);
        const std::string trace = std::string(StepName(step)) + (keep ? " keep" : "") + (temp ? " temp" : "");
        EXPECT_FALSE(Fs().Exists(paths.Temp)) << trace;
        if (keep) {
          EXPECT_FALSE(Fs().Exists(paths.Aside)) << trace;
        }
        if (step == TStep::None) {
          if (!item.Encrypt) EXPECT_EQ(Read(paths.Final), "new") << trace;
          EXPECT_EQ(Read(paths.History), keep ? "old" : "<none>") << trace;
          EXPECT_EQ(result.Copied, 1) << trace;
          EXPECT_TRUE(result.Codes.empty()) << trace;
          continue;
        }
        EXPECT_EQ(Read(paths.Final), "old") << trace;
        EXPECT_EQ(WriteTime(paths.Final), oldTime) << trace;
        EXPECT_EQ(Read(paths.History), keep ? "earlier" : "<none>") << trace;
        EXPECT_EQ(result.Codes, std::vector<uint32_t>{CodeOf(step)}) << trace;
        EXPECT_EQ(result.Copied, 0) << trace;
      }
}

// A new file whose write fails is not left under its final name (nor under the temporary
// one), so no later run can take it for a good copy.
TEST_F(FileWriteTest, NewFileThatFailsLeavesNothingBehind) {
  int n = 0;
  for (bool temp : {false, true})
    for (TStep step : {TStep::Write, TStep::Verify, TStep::Stamp}) {
      const std::wstring name = L"n" + std::to_wstring(++n);
      const TPaths paths = PathsOf(name);
      Fs().AddFile(paths.Source, std::string(5000, 'n'));
      TBackupInfo& item = Item(name, false);
      item.UseTempFile = temp;
      item.Encrypt = step == TStep::Stamp;
      item.CipherKey = "key";
      Fs().AddFolder(L"E:\\Dst\\" + name);
      Fail(step, paths, paths.Temp);  // every file is written under the temporary name first
      const TResult result = Run(item, step == TStep::Verify);
      const std::string trace = std::string(StepName(step)) + (temp ? " temp" : "");
      EXPECT_EQ(Fs().ListTree(L"E:\\Dst\\" + name), std::vector<std::wstring>{}) << trace;
      EXPECT_EQ(result.Codes, std::vector<uint32_t>{CodeOf(step)}) << trace;
    }
}

// The creation time and the access list are the source's on the file under its final name,
// whether it was new or replaced an older one, written under the temporary name or not.
TEST_F(FileWriteTest, CreationTimeAndAccessListLandOnTheFinalFile) {
  const TFileTime created{0x01C0000000000000ull};
  int n = 0;
  for (bool replaced : {false, true})
    for (bool temp : {false, true}) {
      const std::wstring name = L"c" + std::to_wstring(++n);
      const TPaths paths = PathsOf(name);
      ManualClock().SetLocalNow(Day(1));
      if (replaced) Fs().AddFile(paths.Final, "old");
      Fs().AddFolder(L"E:\\Dst\\" + name);
      ManualClock().SetLocalNow(Day(2));
      Fs().AddFile(paths.Source, "new");
      Fs().SetTimes(paths.Source, &created, nullptr, nullptr);
      Fs().SetDacl(paths.Source, L"D:(A;;FA;;;BU)");
      TBackupInfo& item = Item(name, false);
      item.UseTempFile = temp;
      const TResult result = Run(item, false, true, true);
      const std::string trace = std::string(replaced ? "replaced" : "new") + (temp ? " temp" : "");
      ASSERT_EQ(result.Copied, 1) << trace;
      TFindData info;
      Fs().GetInfo(paths.Final, info);
      EXPECT_EQ(info.CreationTime, created) << trace;
      std::wstring dacl;
      Fs().GetDacl(paths.Final, dacl);
      EXPECT_EQ(dacl, L"D:(A;;FA;;;BU)") << trace;
    }
}

}  // namespace
}  // namespace vog
