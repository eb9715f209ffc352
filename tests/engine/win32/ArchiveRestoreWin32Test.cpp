// Every kind of item on real files (Wine in the tests): plain, enciphered, archived as ZIP
// and LZH, archived and enciphered; backed up, then restored into empty source folders.
#include "engine/Restore.h"
#include "engine/win32/RealFiles.h"
#include "platform/SystemPlatform.h"
#include "scan/FileUtils.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

using test::ReadFile;
using test::ReadTree;
using test::TTree;
using test::WriteFile;

void MakeTree(const std::wstring& root) {
  for (const wchar_t* folder : {L"", L"\\日本語フォルダ", L"\\サブ", L"\\サブ\\深い"})
    ASSERT_EQ(Files().MakeFolder(root + folder), err::Success);
  std::string binary(200000, '\0');
  uint32_t seed = 12345;
  for (char& c : binary) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  WriteFile(root + L"\\a.txt", "alpha\r\n");
  WriteFile(root + L"\\日本語フォルダ\\データ.txt", "日本語の内容");
  WriteFile(root + L"\\サブ\\深い\\ファイル名.bin", binary);
  WriteFile(root + L"\\empty.txt", "");
}

TEST(ArchiveRestoreWin32, EveryKindOfItemRestoresByteForByte) {
  test::ScopedPlatform platform(CreateSystemPlatform());
  const std::wstring root = test::NewScratchFolder(L"vogarch");
  ASSERT_EQ(Files().MakeFolder(root + L"\\Dst"), err::Success);

  struct Kind {
    const wchar_t* title;
    bool archive, encrypt;
    const wchar_t* archiveName;
  } kinds[] = {{L"Plain", false, false, L""},
               {L"Coded", false, true, L""},
               {L"Zip", true, false, L"Backup.zip"},
               {L"Lzh", true, false, L"Backup.lzh"},
               {L"CodedLzh", true, true, L"Backup.lzh"}};
  std::vector<std::unique_ptr<TBackupInfo>> items;
  std::map<std::wstring, TTree> originals;
  for (const Kind& kind : kinds) {
    auto item = std::make_unique<TBackupInfo>();
    item->Title = kind.title;
    item->SourceFolder = root + L"\\" + kind.title;
    item->DestFolder = root + L"\\Dst\\" + kind.title;
    item->Archive = kind.archive;
    if (kind.archive) item->ArchiveName = kind.archiveName;
    item->Encrypt = kind.encrypt;
    item->CipherKey = kind.encrypt ? "key of " + WideToUtf8(kind.title) : "";
    MakeTree(item->SourceFolder);
    originals[kind.title] = ReadTree(item->SourceFolder);
    items.push_back(std::move(item));
  }
  for (const std::wstring& failure : test::RunBackup(items, root)) ADD_FAILURE() << WideToUtf8(failure);
  // Nothing of the enciphered items is readable in the backup.
  EXPECT_EQ(ReadFile(root + L"\\Dst\\Coded\\a.txt").find("alpha"), std::string::npos);
  EXPECT_EQ(ReadFile(root + L"\\Dst\\CodedLzh\\Backup.lzh").find("-lh"), std::string::npos);

  for (auto& item : items) DeleteFolderTree(item->SourceFolder);
  TRestore restore;
  restore.Settings.MainDestFolder = root + L"\\Dst";
  for (auto& item : items) restore.Add(item.get(), true);
  restore.Execute();
  EXPECT_TRUE(restore.ErrorFiles.Empty());
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(WideToUtf8(kind.title));
    const TTree restored = ReadTree(root + L"\\" + kind.title);
    EXPECT_EQ(restored.size(), 4u);
    EXPECT_TRUE(restored == originals[kind.title]);
  }
  uint32_t attributes = 0;
  EXPECT_NE(Files().GetAttributes(Files().TempFolder() + L"VogmeristTemp.lzh", attributes), err::Success);
  DeleteFolderTree(root);
}

}  // namespace
}  // namespace vog
