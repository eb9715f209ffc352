// Paths of 400 characters and names ending in a dot or a space on real files (Wine in the
// tests): a mirroring item and a ZIP item back them up, mirror a deletion and restore
// them byte for byte under the same names.
#include "engine/Restore.h"
#include "engine/win32/RealFiles.h"
#include "platform/SystemPlatform.h"
#include "scan/FileUtils.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

using test::ReadTree;
using test::TTree;
using test::WriteFile;

// A mirroring plain item and a mirroring ZIP item, each with a source folder of its own
// below `root` (names of the same length: the trees below them are alike) and its backup
// in root\Dst.
std::vector<std::unique_ptr<TBackupInfo>> PlainAndZip(const std::wstring& root) {
  std::vector<std::unique_ptr<TBackupInfo>> items;
  for (const wchar_t* title : {L"Mirror", L"Zipped"}) {
    auto item = std::make_unique<TBackupInfo>();
    item->Title = title;
    item->SourceFolder = root + L"\\" + title;
    item->DestFolder = root + L"\\Dst\\" + title;
    item->Archive = item->Title == L"Zipped";
    item->ArchiveName = L"Backup.zip";
    item->Condition.Mirroring = true;
    EXPECT_EQ(Files().MakeFolder(item->SourceFolder), err::Success);
    items.push_back(std::move(item));
  }
  EXPECT_EQ(Files().MakeFolder(root + L"\\Dst"), err::Success);
  return items;
}

// Restores `items` into their emptied source folders; returns the failures.
std::vector<std::wstring> RestoreIntoEmptySources(const std::vector<std::unique_ptr<TBackupInfo>>& items,
                                                  const std::wstring& root) {
  for (const auto& item : items) {
    DeleteFolderTree(item->SourceFolder);
    EXPECT_EQ(Files().MakeFolder(item->SourceFolder), err::Success);
  }
  TRestore restore;
  restore.Settings.MainDestFolder = root + L"\\Dst";
  for (const auto& item : items) restore.Add(item.get(), true);
  restore.Execute();
  std::vector<std::wstring> failures;
  for (const TFileInfo* record : restore.ErrorFiles)
    failures.push_back(record->RelativePath() + L" " + IntToText(record->Attr));
  return failures;
}

// Nested folders with long names, some Japanese, below `source`, a file in each; returns
// the deepest folder relative to `source` (with a leading separator), chosen so that a
// file name of 20 characters or more in it makes a path of `length` characters.
std::wstring MakeDeepFolders(const std::wstring& source, size_t length) {
  const wchar_t* names[] = {L"長いフォルダ名の階層をいくつも重ねて深いパスを作るためのフォルダ",
                            L"a-folder-with-a-rather-long-name-to-make-a-deep-path",
                            L"データ保管用サブフォルダ（バックアップの試験）",
                            L"nested level with spaces and a long name"};
  std::wstring relative;
  for (int level = 0; source.size() + relative.size() + 90 < length; ++level) {
    relative += L"\\" + std::wstring(names[level % 4]) + IntToText(level);
    EXPECT_EQ(Files().MakeFolder(source + relative), err::Success) << WideToUtf8(source + relative);
    WriteFile(source + relative + L"\\階層" + IntToText(level) + L".txt", std::string(100 * level, 'a'));
  }
  return relative;
}

TEST(DeepPathsWin32, MirroredAndRestoredAt400Characters) {
  test::ScopedPlatform platform(CreateSystemPlatform());
  const std::wstring root = test::NewScratchFolder(L"vogdeep");
  const auto items = PlainAndZip(root);
  std::wstring deepest;  // relative to the source folders
  for (const auto& item : items) {
    const std::wstring& source = item->SourceFolder;
    const std::wstring folder = MakeDeepFolders(source, 400);
    std::wstring name = L"深い場所のファイル.bin";
    name.insert(9, 400 - source.size() - folder.size() - 1 - name.size(), L'x');
    deepest = folder + L"\\" + name;
    ASSERT_EQ((source + deepest).size(), 400u);
    std::string binary(150000, '\0');
    uint32_t seed = 7;
    for (char& c : binary) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    WriteFile(source + deepest, binary);
    WriteFile(source + folder + L"\\消すファイル.txt", "mirroring deletes this\r\n");
  }
  for (const std::wstring& failure : test::RunBackup(items, root)) ADD_FAILURE() << WideToUtf8(failure);
  const std::wstring gone = deepest.substr(0, deepest.find_last_of(L'\\')) + L"\\消すファイル.txt";
  EXPECT_EQ(test::ReadFile(items[0]->DestFolder + gone), "mirroring deletes this\r\n");

  std::map<std::wstring, TTree> expected;
  for (const auto& item : items) {
    ASSERT_EQ(Files().RemoveFile(item->SourceFolder + gone), err::Success);
    expected[item->Title] = ReadTree(item->SourceFolder);
  }
  int copied = -1;  // what is in the backup already is not copied again
  for (const std::wstring& failure : test::RunBackup(items, root, &copied)) ADD_FAILURE() << WideToUtf8(failure);
  EXPECT_EQ(copied, 0);
  uint32_t attributes = 0;
  EXPECT_NE(Files().GetAttributes(items[0]->DestFolder + gone, attributes), err::Success);

  for (const std::wstring& failure : RestoreIntoEmptySources(items, root)) ADD_FAILURE() << WideToUtf8(failure);
  for (const auto& item : items) {
    SCOPED_TRACE(WideToUtf8(item->Title));
    const TTree restored = ReadTree(item->SourceFolder);
    EXPECT_TRUE(restored == expected[item->Title]);
    EXPECT_EQ(restored.count(deepest.substr(1)), 1u);
  }
  DeleteFolderTree(root);
}

TEST(DeepPathsWin32, NamesEndingInDotsOrSpacesKeepThem) {
  test::ScopedPlatform platform(CreateSystemPlatform());
  const std::wstring root = test::NewScratchFolder(L"vogodd");
  const auto items = PlainAndZip(root);
  for (const auto& item : items) {
    for (const wchar_t* folder : {L"\\dir.", L"\\dir ", L"\\フォルダ．."})
      ASSERT_EQ(Files().MakeFolder(item->SourceFolder + folder), err::Success);
    for (const wchar_t* name :
         {L"\\name.", L"\\name ", L"\\name..", L"\\dir.\\in.", L"\\dir \\in ", L"\\フォルダ．.\\x"})
      WriteFile(item->SourceFolder + name, WideToUtf8(name));
  }
  const TTree original = ReadTree(items[0]->SourceFolder);
  ASSERT_EQ(original.size(), 6u);
  for (const std::wstring& failure : test::RunBackup(items, root)) ADD_FAILURE() << WideToUtf8(failure);
  EXPECT_TRUE(ReadTree(items[0]->DestFolder) == original);
  int copied = -1;  // a second run finds every name in the backup
  for (const std::wstring& failure : test::RunBackup(items, root, &copied)) ADD_FAILURE() << WideToUtf8(failure);
  EXPECT_EQ(copied, 0);

  for (const std::wstring& failure : RestoreIntoEmptySources(items, root)) ADD_FAILURE() << WideToUtf8(failure);
  for (const auto& item : items) {
    SCOPED_TRACE(WideToUtf8(item->Title));
    EXPECT_TRUE(ReadTree(item->SourceFolder) == original);
  }
  DeleteFolderTree(root);
}

}  // namespace
}  // namespace vog
