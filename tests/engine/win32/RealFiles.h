#pragma once
// Real files for the engine's Win32 tests (Wine in the tests): write and read whole files,
// read a tree into a map of relative path to content, run one silent backup.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/Backup.h"
#include "model/BackupInfo.h"
#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "scan/FolderWalk.h"

namespace vog::test {

using TTree = std::map<std::wstring, std::string>;

inline void WriteFile(const std::wstring& path, const std::string& content) {
  std::unique_ptr<IFileStream> stream;
  ASSERT_EQ(Files().OpenFile(path, TOpenMode::Write, share::None, stream), err::Success) << WideToUtf8(path);
  size_t done = 0;
  stream->Write(content.data(), content.size(), done);
}

inline std::string ReadFile(const std::wstring& path) {
  std::unique_ptr<IFileStream> stream;
  if (Files().OpenFile(path, TOpenMode::Read, share::Read, stream) != err::Success) return "<unreadable>";
  std::string content;
  char buffer[65536];
  size_t done = 0;
  while (stream->Read(buffer, sizeof buffer, done) == err::Success && done) content.append(buffer, done);
  return content;
}

inline TTree ReadTree(const std::wstring& root) {
  TOwnedFileInfoList files;
  TFolderList folders;
  TFolderWalk walk;
  walk.RootFolder = root;
  walk.Files = &files;
  walk.Folders = &folders;
  walk.Run();
  TTree tree;
  for (const TFileInfo* record : files) tree[record->RelativePath()] = ReadFile(record->FullPath());
  return tree;
}

// A new folder of its own in the temporary folder.
inline std::wstring NewScratchFolder(const wchar_t* stem) {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::wstring root = Files().TempFolder() + stem + IntToText(stamp);
  EXPECT_EQ(Files().MakeFolder(root), err::Success);
  return root;
}

// One silent backup of `items` with `work` as work folder; returns each failed file's
// relative path and code, and each archive problem. `copied` receives the number of
// files written.
inline std::vector<std::wstring> RunBackup(const std::vector<std::unique_ptr<TBackupInfo>>& items,
                                           const std::wstring& work, int* copied = nullptr) {
  TBackup backup;
  backup.SetSilent(true);
  backup.SetWorkFolder(work);
  for (const auto& item : items) backup.AddItem(item.get());
  backup.Plan();
  backup.Execute();
  if (copied) *copied = backup.CopiedFiles.Count();
  std::vector<std::wstring> failures;
  for (const TFileInfo* record : backup.ErrorFiles)
    failures.push_back(record->RelativePath() + L" " + IntToText(record->Attr));
  for (const std::wstring& problem : backup.Problems.Messages()) failures.push_back(problem);
  return failures;
}

}  // namespace vog::test
