#pragma once
// The history database: the files written to destinations, kept in "FileList.his" so
// that an item can take its destination listing from it instead of scanning a slow or
// offline destination.
//
// "FileList.his" is UTF-16LE text with a byte-order mark, one line per entry, CR LF after
// each line, five TAB-separated fields: the destination folder (ending in "\" for a file
// directly in an item's destination folder), the name, the size, the time (a local DOS
// date-time of the source file, signed 32-bit) and the attributes of the source file.
// Reading also accepts UTF-16BE, UTF-8 with its mark, and ANSI text.
//
// A missing file is an empty database. A file that cannot be read, or a line that is not
// five fields with decimal numbers, an absolute folder (IsAbsoluteFolder) and a plain name
// (IsPlainName), raises vog::Error naming the line and changes nothing. Save replaces the
// file through a temporary file beside it.
#include <memory>
#include <string>
#include <string_view>

#include "scan/FileInfoList.h"
#include "scan/FolderInfo.h"

namespace vog {

class TBackupInfo;

inline constexpr std::wstring_view kHistoryDatabaseName = L"FileList.his";

class TBackupHistoryDatabase : public IHistoryListing {
public:
  std::wstring Folder;        // the destination folder of the current query
  std::wstring DatabaseFile;  // default: the program's folder + "FileList.his"
  bool IncludeSubFolders = false;
  TOwnedFileInfoList* Target = nullptr;  // not owned; the query appends to it
  TBackupInfo* Item = nullptr;           // not owned; given to the records a query makes

  TBackupHistoryDatabase();
  ~TBackupHistoryDatabase() override;
  TBackupHistoryDatabase(const TBackupHistoryDatabase&) = delete;
  TBackupHistoryDatabase& operator=(const TBackupHistoryDatabase&) = delete;

  void SetDatabaseFile(const std::wstring& path) { DatabaseFile = path; }
  // The database content (its TBackupFileInfo records). Waits for a background sort
  // still running, so the entries are never touched while the sort moves them.
  TOwnedFileInfoList& Entries();

  void Load();
  void Save();
  // Updates entries with the same full path (all fields) and appends the others.
  void AddCopied(const TFileInfoList& list);
  // Takes out and frees the entries with the full paths of `list`.
  void RemoveDeleted(const TFileInfoList& list);

  // Query: sets Folder and re-roots every entry below it at Folder + "\".
  void SetFolder(const std::wstring& folder);
  void SetTarget(TOwnedFileInfoList* list) { Target = list; }
  void SetIncludeSubFolders(bool flag) { IncludeSubFolders = flag; }
  void SetItem(TBackupInfo* item) { Item = item; }
  // Appends a copy of every entry in Folder (and below it with IncludeSubFolders) to
  // Target, with Item as its BackupInfo. Lets messages run after each entry.
  void FillFolder();
  // The destination scan's query: SetFolder, then FillFolder into `files`.
  void ListFolder(const std::wstring& folder, bool includeSubFolders, TBackupInfo* item,
                  TOwnedFileInfoList& files) override;

  // The background sort of Entries by full path, between planning and the update:
  // StartSort starts it on a worker thread; nothing may touch Entries until FinishSort
  // (waits, then marks Entries sorted) or AbandonSort (stops it; Entries stay complete
  // but unsorted). The database's own operations wait for a sort still running (Load
  // and the destructor abandon it).
  void StartSort();
  void FinishSort();
  void AbandonSort();
  bool Sorting() const { return sortThread_ != nullptr; }

  // The database file as text lines would be read, for tools: parses `bytes` (a whole
  // file) into Entries. `source` names the file in error messages.
  void Parse(std::string_view bytes, const std::wstring& source);
  // The file's bytes for the current entries (after a background sort has ended).
  std::string Serialise();

private:
  void FreeEntries();

  TOwnedFileInfoList entries_;
  std::unique_ptr<TThreadSortFileInfoList> sortThread_;
};

// Whether the full path of `record` begins with `prefix`, ignoring case (without
// building the path).
bool FullPathStartsWith(const TFileInfo& record, std::wstring_view prefix) noexcept;

}  // namespace vog
