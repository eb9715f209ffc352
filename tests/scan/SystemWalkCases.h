#pragma once
// Cases of the folder walk on real files, shared by the POSIX and Win32 tests. The
// including file defines a fixture deriving from SystemWalkTest that installs the
// system platform and sets root_ to a fresh, empty folder (without a trailing separator),
// then expands VOG_SYSTEM_WALK_CASES(Fixture).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FolderWalk.h"
#include "scan/FileUtils.h"

namespace vog::test {

class SystemWalkTest : public ::testing::Test {
protected:
  void TearDown() override { files_.Clear(); }

  void MakeFile(const std::wstring& relative, const std::string& content) {
    std::unique_ptr<IFileStream> stream;
    ASSERT_EQ(Files().OpenFile(root_ + L"\\" + relative, TOpenMode::Write, share::None, stream), err::Success)
        << WideToUtf8(relative);
    size_t done = 0;
    ASSERT_EQ(stream->Write(content.data(), content.size(), done), err::Success);
  }
  void MakeFolder(const std::wstring& relative) {
    ASSERT_EQ(Files().MakeFolder(root_ + L"\\" + relative), err::Success) << WideToUtf8(relative);
  }
  // a.txt, 日本語.txt, sub\b.txt (3 bytes), sub\deeper\c.txt, empty\.
  void MakeTree() {
    MakeFile(L"a.txt", "a");
    MakeFile(L"\u65e5\u672c\u8a9e.txt", "");
    MakeFolder(L"sub");
    MakeFile(L"sub\\b.txt", "bbb");
    MakeFolder(L"sub\\deeper");
    MakeFile(L"sub\\deeper\\c.txt", "");
    MakeFolder(L"empty");
  }
  std::set<std::wstring> Relatives() {
    std::set<std::wstring> paths;
    for (TFileInfo* record : files_) paths.insert(record->RelativePath());
    return paths;
  }
  std::set<std::wstring> FolderSet() {
    std::set<std::wstring> paths;
    for (const TFolderEntry& entry : folders_) paths.insert(entry.Path);
    return paths;
  }

  std::wstring root_;
  TBackupInfo item_;
  TOwnedFileInfoList files_;
  TFolderList folders_;
};

}  // namespace vog::test

#define VOG_SYSTEM_WALK_CASES(Fixture)                                                                              \
  TEST_F(Fixture, WalksARealTree) {                                                                                 \
    MakeTree();                                                                                                     \
    TThreadFolderInfo thread(root_, &folders_, &item_, &files_, true);                                              \
    ASSERT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);                                                        \
    EXPECT_EQ(Relatives(),                                                                                          \
              (std::set<std::wstring>{L"a.txt", L"\u65e5\u672c\u8a9e.txt", L"sub\\b.txt", L"sub\\deeper\\c.txt"})); \
    EXPECT_EQ(FolderSet(), (std::set<std::wstring>{L"", L"sub", L"sub\\deeper", L"empty"}));                        \
    EXPECT_EQ(folders_.size(), 4u);                                                                                 \
    for (TFileInfo * record : files_) {                                                                             \
      EXPECT_EQ(record->RootFolder(), root_ + L"\\");                                                               \
      TFindData info;                                                                                               \
      ASSERT_EQ(Files().GetInfo(record->FullPath(), info), err::Success) << WideToUtf8(record->FullPath());         \
      EXPECT_EQ(record->Time, DosTimeOfFileTime(info.LastWriteTime));                                               \
      EXPECT_EQ(record->Size, info.Size);                                                                           \
      EXPECT_EQ(record->Attr, info.Attr);                                                                           \
      EXPECT_EQ(static_cast<TBackupFileInfo*>(record)->BackupInfo, &item_);                                         \
    }                                                                                                               \
    EXPECT_EQ(files_.ItemByRelativePath(L"SUB\\B.TXT")->Size, 3);                                                   \
  }                                                                                                                 \
  TEST_F(Fixture, WithoutSubfolders) {                                                                              \
    MakeTree();                                                                                                     \
    TThreadFolderInfo thread(root_, &folders_, &item_, &files_, false);                                             \
    ASSERT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);                                                        \
    EXPECT_EQ(Relatives(), (std::set<std::wstring>{L"a.txt", L"\u65e5\u672c\u8a9e.txt"}));                          \
    EXPECT_TRUE(folders_.empty());                                                                                  \
  }                                                                                                                 \
  TEST_F(Fixture, MissingRootAndEmptyRoot) {                                                                        \
    {                                                                                                               \
      TThreadFolderInfo thread(root_ + L"\\missing", &folders_, &item_, &files_, true);                             \
      EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::Success);                                                      \
    }                                                                                                               \
    {                                                                                                               \
      TThreadFolderInfo thread(L"", &folders_, &item_, &files_, true);                                              \
      EXPECT_EQ(thread.WaitFor(), TThreadFolderInfo::EmptyRootFolder);                                              \
    }                                                                                                               \
    EXPECT_EQ(files_.Count(), 0);                                                                                   \
    EXPECT_TRUE(folders_.empty());                                                                                  \
  }                                                                                                                 \
  TEST_F(Fixture, DeleteFolderTreeOnRealFiles) {                                                                    \
    MakeTree();                                                                                                     \
    uint32_t attributes = 0;                                                                                        \
    ASSERT_EQ(Files().GetAttributes(root_ + L"\\sub\\b.txt", attributes), err::Success);                            \
    ASSERT_EQ(Files().SetAttributes(root_ + L"\\sub\\b.txt", attributes | attr::ReadOnly), err::Success);           \
    DeleteFolderTree(root_ + L"\\sub");                                                                             \
    EXPECT_NE(Files().GetAttributes(root_ + L"\\sub", attributes), err::Success);                                   \
    EXPECT_EQ(Files().GetAttributes(root_ + L"\\a.txt", attributes), err::Success);                                 \
  }
