#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/BackupInfo.h"
#include "scan/FileInfoList.h"
#include "scan/FolderFilter.h"
#include "support/ScriptedUi.h"

namespace vog {
namespace {

using test::TScriptedProgress;
using test::TScriptedPump;

// Lists that free their records at the end of a test, whatever the filter left in them.
void AddFile(TOwnedFileInfoList& list, const std::wstring& root, const std::wstring& sub, const std::wstring& name) {
  auto record = std::make_unique<TBackupFileInfo>();
  record->SetPath(root, sub, name);
  list.Add(std::move(record));
}

template <class List>
std::vector<std::wstring> Relative(const List& list) {
  std::vector<std::wstring> paths;
  for (const TFileInfo* record : list) paths.push_back(record->RelativePath());
  return paths;
}

std::vector<std::wstring> Paths(const TFolderList& folders) {
  std::vector<std::wstring> paths;
  for (const auto& folder : folders) paths.push_back(folder.Path);
  return paths;
}

using Names = std::vector<std::wstring>;

class FolderFilterTest : public ::testing::Test {
protected:
  TBackupInfo item;
  TOwnedFileInfoList source, selected;

  void Scan(const std::wstring& root, std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> files) {
    for (const auto& [sub, name] : files) AddFile(source, root, sub, name);
  }
  bool Run(IProgress* progress = nullptr) {
    TFolderFilter filter;
    filter.SetTargetCondition(&item.TargetCondition);
    filter.SetExcludeCondition(&item.ExcludeCondition);
    filter.SetSourceFiles(&source);
    filter.SetSelectedFiles(&selected);
    filter.SetProgressForm(progress);
    filter.Execute();
    return filter.Cancelled;
  }
};

TEST_F(FolderFilterTest, NoConditionsSelectEverythingInScanOrder) {
  Scan(L"D:\\Src\\", {{L"", L"b.txt"}, {L"a", L"c.doc"}, {L"", L"a.txt"}});
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"b.txt", L"a\\c.doc", L"a.txt"}));
  EXPECT_EQ(source.Count(), 0);
}

TEST_F(FolderFilterTest, FirstMatchingMaskSelectsOnceGroupedByMaskInReverseScanOrder) {
  Scan(L"D:\\Src\\",
       {{L"", L"1.txt"}, {L"", L"2.doc"}, {L"", L"3.TXT"}, {L"", L"4.doc"}, {L"", L"5.bin"}, {L"", L"6.doc.txt"}});
  item.TargetCondition.Files = {L"*.doc", L"*.txt", L"*.do?"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"4.doc", L"2.doc", L"6.doc.txt", L"3.TXT", L"1.txt"}));
  // What was not selected stays in the scanned list, in scan order.
  EXPECT_EQ(Relative(source), (Names{L"5.bin"}));
}

TEST_F(FolderFilterTest, TargetFolderMasksDropSelectedNamesAgain) {
  Scan(L"D:\\Src\\", {{L"", L"~tmp.doc"}, {L"", L"tmp.doc"}, {L"x", L"~a.txt"}});
  item.TargetCondition.Files = {L"*.*"};
  item.TargetCondition.Folders = {L"~*.*"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"tmp.doc"}));
}

TEST_F(FolderFilterTest, FolderPathEntryDropsThatFolderAndBelowOnly) {
  Scan(L"D:\\Src\\",
       {{L"Temp", L"a.txt"}, {L"Temp\\x", L"b.txt"}, {L"Temporary", L"c.txt"}, {L"", L"d.txt"}, {L"temp", L"e.txt"}});
  item.ExcludeCondition.Folders = {L"D:\\Src\\Temp"};
  item.ExcludeCondition.Files = {L"*.txt"};  // stored only, never consulted
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"Temporary\\c.txt", L"d.txt"}));
}

TEST_F(FolderFilterTest, FolderPathEntryWithTrailingBackslashMeansTheSameFolder) {
  Scan(L"D:\\Src\\", {{L"Temp", L"a.txt"}, {L"Temp\\x", L"b.txt"}, {L"Temporary", L"c.txt"}});
  item.ExcludeCondition.Folders = {L"D:\\Src\\Temp\\"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"Temporary\\c.txt"}));
}

TEST_F(FolderFilterTest, SourceFolderItselfAsPathEntryDropsFilesAtTheTop) {
  Scan(L"D:\\Src\\", {{L"", L"a.txt"}, {L"s", L"b.txt"}});
  AddFile(source, L"D:\\Src2\\", L"", L"c.txt");
  item.ExcludeCondition.Folders = {L"d:\\src"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"c.txt"}));
}

TEST_F(FolderFilterTest, MaskEntryMatchesAnyFolderNameBelowTheDrive) {
  Scan(L"D:\\Src\\", {{L"a\\Obj", L"b.obj"}, {L"a\\Objects", L"c.obj"}, {L"a", L"Obj"}, {L"x\\obj\\y", L"d"}});
  item.ExcludeCondition.Folders = {L"Obj", L"a\\Obj"};
  EXPECT_FALSE(Run());
  // A mask never matches a file name, and a mask with "\" never matches a folder name.
  EXPECT_EQ(Relative(selected), (Names{L"a\\Objects\\c.obj", L"a\\Obj"}));
}

TEST_F(FolderFilterTest, MaskEntryAlsoSeesTheSourceFolderNames) {
  Scan(L"D:\\Temp\\Data\\", {{L"", L"a.txt"}, {L"s", L"b.txt"}});
  AddFile(source, L"\\\\srv\\Temp\\", L"", L"share-named-temp.txt");
  item.ExcludeCondition.Folders = {L"Te?p"};
  EXPECT_FALSE(Run());
  // The share's own name is not a folder name.
  EXPECT_EQ(Relative(selected), (Names{L"share-named-temp.txt"}));
}

TEST_F(FolderFilterTest, NetworkPathEntryIsAFolderPath) {
  Scan(L"\\\\srv\\share\\", {{L"dir", L"a"}, {L"dir\\sub", L"b"}, {L"dir2", L"c"}, {L"", L"dir"}});
  item.ExcludeCondition.Folders = {L"\\\\SRV\\share\\dir"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(Relative(selected), (Names{L"dir2\\c", L"dir"}));
}

TEST_F(FolderFilterTest, CancelDuringSelectionLeavesListsConsistent) {
  for (int i = 0; i < 10; ++i) AddFile(source, L"D:\\Src\\", L"", L"f" + std::to_wstring(i) + L".txt");
  item.TargetCondition.Files = {L"*.txt"};
  item.TargetCondition.Folders = {L"*"};  // would drop everything, but never runs
  TScriptedPump pump;
  TScriptedProgress progress;
  progress.StopAtPoll(4);
  EXPECT_TRUE(Run(&progress));
  // Three records were moved (from the end); the rest stay in scan order.
  EXPECT_EQ(Relative(selected), (Names{L"f9.txt", L"f8.txt", L"f7.txt"}));
  EXPECT_EQ(Relative(source), (Names{L"f0.txt", L"f1.txt", L"f2.txt", L"f3.txt", L"f4.txt", L"f5.txt", L"f6.txt"}));
  EXPECT_EQ(pump.Calls(), 4);  // messages run before every step
}

TEST_F(FolderFilterTest, CancelDuringExclusionKeepsUnvisitedRecords) {
  Scan(L"D:\\Src\\", {{L"T", L"1"}, {L"T", L"2"}, {L"K", L"3"}, {L"T", L"4"}, {L"T", L"5"}});
  item.ExcludeCondition.Folders = {L"T", L"K"};
  TScriptedProgress progress;
  progress.StopAtPoll(3);  // after two steps of the first entry
  EXPECT_TRUE(Run(&progress));
  EXPECT_EQ(Relative(selected), (Names{L"T\\1", L"T\\2", L"K\\3"}));
}

TEST(StringFolderFilter, PathAndMaskEntriesPruneTheFolderList) {
  TBackupInfo item;
  TFolderList folders;
  for (const wchar_t* path : {L"", L"Temp", L"Temp\\x", L"Temporary", L"a", L"a\\Obj", L"a\\Obj\\deep", L"b"}) {
    folders.push_back({path, &item});
  }
  item.ExcludeCondition.Folders = {L"D:\\Src\\temp", L"Obj", L"E:\\Elsewhere\\b", L"D:\\Src2\\b"};
  TStringFolderFilter filter;
  filter.SetExcludeCondition(&item.ExcludeCondition);
  filter.SetFolders(&folders);
  filter.SetSourceFolder(L"D:\\Src");
  filter.Execute();
  EXPECT_FALSE(filter.Cancelled);
  EXPECT_EQ(Paths(folders), (Names{L"", L"Temporary", L"a", L"b"}));
  EXPECT_EQ(folders[1].Item, &item);
}

TEST(StringFolderFilter, TrailingBackslashAndSourceFolderEntries) {
  TFolderList folders = {{L""}, {L"Temp"}, {L"Temp\\x"}, {L"c"}};
  TSubJectFileCondition exclude;
  exclude.Folders = {L"D:\\Src\\Temp\\"};
  TStringFolderFilter filter;
  filter.SetExcludeCondition(&exclude);
  filter.SetFolders(&folders);
  filter.SetSourceFolder(L"D:\\Src");
  filter.Execute();
  EXPECT_EQ(Paths(folders), (Names{L"", L"c"}));

  // The source folder itself removes every folder, its own "" entry included.
  exclude.Folders = {L"D:\\SRC"};
  filter.Execute();
  EXPECT_TRUE(folders.empty());
}

TEST(StringFolderFilter, CancelStopsAtOnceKeepingUnvisitedEntries) {
  TFolderList folders = {{L"x1"}, {L"x2"}, {L"y"}, {L"x3"}};
  TSubJectFileCondition exclude;
  exclude.Folders = {L"x*"};
  TScriptedProgress progress;
  progress.StopAtPoll(2);
  TStringFolderFilter filter;
  filter.SetExcludeCondition(&exclude);
  filter.SetFolders(&folders);
  filter.SetSourceFolder(L"D:\\Src");
  filter.SetProgressForm(&progress);
  filter.Execute();
  EXPECT_TRUE(filter.Cancelled);
  EXPECT_EQ(Paths(folders), (Names{L"x1", L"x2", L"y"}));
}

}  // namespace
}  // namespace vog
