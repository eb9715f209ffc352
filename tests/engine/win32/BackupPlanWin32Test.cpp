// The same plan and run on real files (Wine in the tests) as on the memory platform.
#include <chrono>
#include <set>

#include "base/Text.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "platform/SystemPlatform.h"
#include "scan/FileUtils.h"
#include "scan/FolderWalk.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

using Set = std::set<std::wstring>;

struct TOutcome {
  Set Copy, Mirror, MirrorFolders, NewFolders, DestAfter;
  bool operator==(const TOutcome&) const = default;
};

// Source and destination under `root`, all files with one time; the plan, then the run.
TOutcome RunScenario(const std::wstring& root) {
  IFileSystem& files = Files();
  const TFileTime time{0x01D5000000000000ull};
  auto file = [&](const std::wstring& path, const std::string& content) {
    std::unique_ptr<IFileStream> stream;
    EXPECT_EQ(files.OpenFile(root + path, TOpenMode::Write, share::None, stream), err::Success) << WideToUtf8(path);
    size_t done = 0;
    stream->Write(content.data(), content.size(), done);
    stream.reset();
    files.SetTimes(root + path, nullptr, nullptr, &time);
  };
  files.MakeFolder(root);
  for (const wchar_t* folder : {L"\\Src", L"\\Src\\sub", L"\\Src\\new", L"\\Dst", L"\\Dst\\Src", L"\\Dst\\Src\\sub",
                                L"\\Dst\\Src\\old", L"\\Dst\\Src\\old\\deeper", L"\\Dst\\Src\\empty"})
    files.MakeFolder(root + folder);
  file(L"\\Src\\a.txt", "1");
  file(L"\\Src\\sub\\b.txt", "22");
  file(L"\\Src\\new\\c.txt", "");
  file(L"\\Dst\\Src\\a.txt", "1");
  file(L"\\Dst\\Src\\sub\\b.txt", "2");
  file(L"\\Dst\\Src\\gone.txt", "x");
  file(L"\\Dst\\Src\\old\\deeper\\x.txt", "x");

  TBackupInfo item;
  item.SourceFolder = root + L"\\Src";
  item.DestFolder = root + L"\\Dst\\Src";
  item.Condition.Mirroring = true;
  TBackup backup;
  backup.SetSilent(true);
  backup.AddItem(&item);
  backup.Plan();
  TOutcome out;
  auto relative = [&root](const std::wstring& path) { return path.substr(root.size()); };
  for (const TFileInfo* r : backup.GetAllCopyFiles()) out.Copy.insert(relative(r->FullPath()));
  for (const TFolderEntry& f : backup.MirrorFolders) out.MirrorFolders.insert(relative(f.Path));
  for (const TFolderEntry& f : backup.NewFolders) out.NewFolders.insert(relative(f.Path));
  backup.Execute();
  for (const TFileInfo* r : backup.GetAllMirrorFiles()) out.Mirror.insert(relative(r->FullPath()));
  TOwnedFileInfoList after;
  TFolderList folders;
  TFolderWalk walk;
  walk.RootFolder = item.DestFolder;
  walk.Files = &after;
  walk.Folders = &folders;
  walk.Run();
  for (const TFileInfo* r : after) out.DestAfter.insert(r->RelativePath());
  for (const TFolderEntry& f : folders) out.DestAfter.insert(f.Path + L"\\");
  EXPECT_TRUE(backup.ErrorFiles.Empty());
  return out;
}

TEST(BackupPlanWin32, RealFilesAgreeWithTheMemoryPlatform) {
  TOutcome memory;
  {
    test::ScopedPlatform platform(CreateMemoryPlatform());
    memory = RunScenario(L"C:\\T");
  }
  test::ScopedPlatform platform(CreateSystemPlatform());
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::wstring root = Files().TempFolder() + L"vogplan" + IntToText(stamp);
  ASSERT_EQ(Files().MakeFolder(root), err::Success);
  const TOutcome real = RunScenario(root);
  DeleteFolderTree(root);
  EXPECT_EQ(real, memory);
  EXPECT_EQ(memory.Copy, (Set{L"\\Src\\sub\\b.txt", L"\\Src\\new\\c.txt"}));
  EXPECT_EQ(memory.Mirror, (Set{L"\\Dst\\Src\\gone.txt", L"\\Dst\\Src\\old\\deeper\\x.txt"}));
  EXPECT_EQ(memory.DestAfter, (Set{L"\\", L"a.txt", L"new\\", L"new\\c.txt", L"sub\\", L"sub\\b.txt"}));
}

}  // namespace
}  // namespace vog
