#include "engine/BackupHistoryDatabase.h"

#include <algorithm>
#include <vector>

#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "model/BackupInfo.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "scan/MessagePump.h"

namespace vog {

namespace {

constexpr int kFields = 5;

std::wstring LineText(const std::wstring& source, size_t line) {
  return L"履歴データベース \"" + source + L"\" の " + IntToText(static_cast<int64_t>(line)) + L" 行目を読み込めません";
}

[[noreturn]] void BadLine(const std::wstring& source, size_t line) { throw Error(LineText(source, line)); }

// A folder or name this program never writes: the entry would point outside the folder
// it is listed in (or nowhere), and a mirror or history run would act on that path.
[[noreturn]] void BadPath(const std::wstring& source, size_t line, std::wstring_view what, std::wstring_view text) {
  throw Error(LineText(source, line) + L"。(" + std::wstring(what) + L" \"" + ShowControlCharacters(text) +
              L"\" は使えません)");
}

// UTF-16LE bytes seen as code units, without copying them into a wide string first:
// a database of a million entries is well over a hundred megabytes of text.
struct TLeUnits {
  const unsigned char* Data;
  size_t Size;
  size_t Length() const { return Size / 2; }
  wchar_t operator[](size_t i) const {
    return static_cast<wchar_t>(Data[2 * i] | (static_cast<unsigned>(Data[2 * i + 1]) << 8));
  }
  void Append(std::wstring& out, size_t from, size_t to) const {
    out.clear();
    out.reserve(to - from);
    for (size_t i = from; i < to; ++i) out.push_back((*this)[i]);
  }
};

struct TWideUnits {
  const std::wstring& Text;
  size_t Length() const { return Text.size(); }
  wchar_t operator[](size_t i) const { return Text[i]; }
  void Append(std::wstring& out, size_t from, size_t to) const { out.assign(Text, from, to - from); }
};

template <class Units>
bool ParseNumber(const Units& u, size_t from, size_t to, int64_t& value) {
  if (from == to) return false;
  bool negative = false;
  if (u[from] == L'-') {
    negative = true;
    if (++from == to) return false;
  }
  uint64_t magnitude = 0;
  for (size_t i = from; i < to; ++i) {
    const wchar_t c = u[i];
    if (c < L'0' || c > L'9') return false;
    if (magnitude > (UINT64_MAX - 9) / 10) return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(c - L'0');
  }
  if (negative) {
    if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return false;
    value = static_cast<int64_t>(0 - magnitude);
  } else {
    if (magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

// A 32-bit field written signed (or, by other writers, unsigned).
bool Fits32(int64_t value) { return value >= INT32_MIN && value <= static_cast<int64_t>(UINT32_MAX); }

template <class Units>
void ParseEntries(const Units& u, TOwnedFileInfoList& entries, const std::wstring& source) {
  const size_t length = u.Length();
  std::wstring folder, lastFolder, name;
  TSharedText lastRoot, lastSub;
  bool haveLast = false;
  size_t lineNumber = 0;
  size_t at = 0;
  while (at < length) {
    // One line: up to CR LF, LF or CR.
    size_t end = at;
    while (end < length && u[end] != L'\r' && u[end] != L'\n') ++end;
    ++lineNumber;
    const size_t next = (end < length && u[end] == L'\r' && end + 1 < length && u[end + 1] == L'\n') ? end + 2
                        : end < length                                                               ? end + 1
                                                                                                     : end;
    if (end == at) {  // a blank line holds no entry
      at = next;
      continue;
    }
    size_t start[kFields], stop[kFields];
    int fields = 0;
    size_t fieldStart = at;
    for (size_t i = at;; ++i) {
      if (i == end || u[i] == L'\t') {
        if (fields == kFields) BadLine(source, lineNumber);
        start[fields] = fieldStart;
        stop[fields] = i;
        ++fields;
        fieldStart = i + 1;
        if (i == end) break;
      }
    }
    if (fields != kFields) BadLine(source, lineNumber);
    int64_t size = 0, time = 0, attributes = 0;
    if (!ParseNumber(u, start[2], stop[2], size) || size < 0 || !ParseNumber(u, start[3], stop[3], time) ||
        !Fits32(time) || !ParseNumber(u, start[4], stop[4], attributes) || !Fits32(attributes)) {
      BadLine(source, lineNumber);
    }

    // Files of one folder follow each other, so they share the folder texts.
    u.Append(folder, start[0], stop[0]);
    if (!haveLast || folder != lastFolder) {
      if (!IsAbsoluteFolder(folder)) BadPath(source, lineNumber, L"フォルダ", folder);
      lastFolder = folder;
      haveLast = true;
      // A folder ending in "\" (a file directly in an item's destination folder) is the
      // record's root; any other folder is its subfolder. Either way FullPath is the
      // folder, one "\" and the name.
      if (!folder.empty() && folder.back() == L'\\') {
        lastRoot = MakeSharedText(folder);
        lastSub = nullptr;
      } else {
        lastRoot = nullptr;
        lastSub = MakeSharedText(folder);
      }
    }
    u.Append(name, start[1], stop[1]);
    if (!IsPlainName(name)) BadPath(source, lineNumber, L"ファイル名", name);
    auto record = std::make_unique<TBackupFileInfo>();
    record->SetPath(lastRoot, lastSub, name);
    record->Size = size;
    record->Time = static_cast<int32_t>(static_cast<uint32_t>(time));
    record->Attr = static_cast<uint32_t>(attributes);
    entries.Add(std::move(record));
    at = next;
  }
}

void AppendLe(std::string& out, std::wstring_view text) {
  for (wchar_t c : text) {
    const unsigned unit = static_cast<unsigned>(c) & 0xFFFF;
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

void AppendLeNumber(std::string& out, int64_t value) {
  char digits[24];
  int n = 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (value < 0) digits[n++] = '-';
  while (n) {
    out.push_back(digits[--n]);
    out.push_back('\0');
  }
}

}  // namespace

bool FullPathStartsWith(const TFileInfo& record, std::wstring_view prefix) noexcept {
  // The path is RootFolder, SubFolder, "\" (when SubFolder is not empty) and FileName.
  const std::wstring& sub = record.SubFolder();
  const std::wstring_view pieces[] = {record.RootFolder(), sub, sub.empty() ? std::wstring_view() : L"\\",
                                      record.FileName};
  for (std::wstring_view piece : pieces) {
    if (prefix.empty()) return true;
    const size_t n = std::min(piece.size(), prefix.size());
    if (!SameText(piece.substr(0, n), prefix.substr(0, n))) return false;
    prefix.remove_prefix(n);
  }
  return prefix.empty();
}

TBackupHistoryDatabase::TBackupHistoryDatabase()
    : DatabaseFile(Files().ProgramFolder() + std::wstring(kHistoryDatabaseName)) {}

TOwnedFileInfoList& TBackupHistoryDatabase::Entries() {
  FinishSort();
  return entries_;
}

TBackupHistoryDatabase::~TBackupHistoryDatabase() {
  AbandonSort();
  FreeEntries();
}

void TBackupHistoryDatabase::FreeEntries() {
  AbandonSort();
  entries_.Clear();
  entries_.SetSortedByFullPath(false);
  entries_.SetSortedByRelativePath(false);
}

// ---- file --------------------------------------------------------------------------

void TBackupHistoryDatabase::Parse(std::string_view bytes, const std::wstring& source) {
  TOwnedFileInfoList parsed;  // freed with its records when parsing fails
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    const TLeUnits units{reinterpret_cast<const unsigned char*>(bytes.data()) + 2, bytes.size() - 2};
    ParseEntries(units, parsed, source);
  } else {
    const std::wstring text = DecodeText(bytes, CodePage());
    ParseEntries(TWideUnits{text}, parsed, source);
  }
  FreeEntries();
  entries_.TakeFrom(parsed);
}

void TBackupHistoryDatabase::Load() {
  FreeEntries();
  std::string bytes;
  const uint32_t code = ReadWholeFile(DatabaseFile, bytes);
  if (code == err::FileNotFound || code == err::PathNotFound) return;
  // A database that exists but cannot be read is not an empty one: taking it for empty
  // would make the next Save replace every entry with this run's files alone.
  if (code) {
    throw Error(L"履歴データベース \"" + DatabaseFile + L"\" を読み込めません。(エラー " + IntToText(code) + L")");
  }
  Parse(bytes, DatabaseFile);
  if (!Folder.empty()) SetFolder(Folder);
}

std::string TBackupHistoryDatabase::Serialise() {
  FinishSort();
  std::string out;
  size_t estimate = 2;
  for (const TFileInfo* e : entries_)
    estimate += 2 * (e->RootFolder().size() + e->SubFolder().size() + e->FileName.size() + 40);
  out.reserve(estimate);
  out += "\xFF\xFE";
  for (const TFileInfo* e : entries_) {
    AppendLe(out, e->RootFolder());
    AppendLe(out, e->SubFolder());
    AppendLe(out, L"\t");
    AppendLe(out, e->FileName);
    AppendLe(out, L"\t");
    AppendLeNumber(out, e->Size);
    AppendLe(out, L"\t");
    AppendLeNumber(out, e->Time);
    AppendLe(out, L"\t");
    AppendLeNumber(out, e->Attr);
    AppendLe(out, L"\r\n");
  }
  return out;
}

void TBackupHistoryDatabase::Save() {
  FinishSort();
  if (uint32_t code = WriteFileReplacing(DatabaseFile, Serialise())) {
    throw Error(L"履歴データベース \"" + DatabaseFile + L"\" に書き込めません。(エラー " + IntToText(code) + L")");
  }
}

// ---- update ------------------------------------------------------------------------

void TBackupHistoryDatabase::AddCopied(const TFileInfoList& list) {
  FinishSort();
  // Appended only after the loop, so the lookups keep working on the sorted list.
  TOwnedFileInfoList added;
  for (const TFileInfo* record : list) {
    if (TFileInfo* entry = entries_.ItemByFullPath(record->FullPath())) {
      entry->Assign(*record);
    } else {
      auto fresh = std::make_unique<TBackupFileInfo>();
      fresh->Assign(*record);
      added.Add(std::move(fresh));
    }
  }
  entries_.Append(added);
}

void TBackupHistoryDatabase::RemoveDeleted(const TFileInfoList& list) {
  FinishSort();
  if (list.Empty() || entries_.Empty()) return;
  // Marked first and taken out together: taking entries out one by one from the middle of
  // a million would move the rest every time. The order, and so the sort, is kept.
  std::vector<bool> gone(static_cast<size_t>(entries_.Count()), false);
  bool any = false;
  for (const TFileInfo* record : list) {
    int index = 0;
    if (entries_.FindByFullPath(record->FullPath(), index)) {
      gone[static_cast<size_t>(index)] = true;
      any = true;
    }
  }
  if (!any) return;
  entries_.EditSlots([&gone](std::vector<std::unique_ptr<TFileInfo>>& slots) {
    for (size_t i = 0; i < slots.size(); ++i)
      if (gone[i]) slots[i].reset();
  });
}

// ---- query -------------------------------------------------------------------------

void TBackupHistoryDatabase::SetFolder(const std::wstring& folder) {
  FinishSort();
  Folder = folder;
  const std::wstring prefix = folder + L"\\";
  const TSharedText root = MakeSharedText(prefix);
  // Entries of one folder follow each other; their new subfolder text is shared. The
  // last folder's texts are held, so their addresses stay theirs while compared.
  TSharedText lastRoot, lastSub, newSub;
  bool haveLast = false, keep = false;
  std::wstring entryFolder;
  for (TFileInfo* entry : entries_) {
    if (!FullPathStartsWith(*entry, prefix)) continue;
    if (!haveLast || entry->SharedRootFolder() != lastRoot || entry->SharedSubFolder() != lastSub) {
      lastRoot = entry->SharedRootFolder();
      lastSub = entry->SharedSubFolder();
      haveLast = true;
      entryFolder = entry->RootFolder();
      entryFolder += entry->SubFolder();
      // The folder is `folder` itself or lies below it; an entry rooted at a folder below
      // (a file directly in another destination folder inside this one) keeps its path:
      // the subfolder never ends in "\".
      std::wstring_view rest = entryFolder.size() > prefix.size() ? std::wstring_view(entryFolder).substr(prefix.size())
                                                                  : std::wstring_view();
      if (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
      // A folder with doubled separators cannot be split into root and subfolder without
      // changing its path; such an entry keeps its own.
      keep = (!rest.empty() && (rest.back() == L'\\' || rest.front() == L'\\')) ||
             (rest.empty() && entryFolder.size() > prefix.size());
      newSub = MakeSharedText(rest);
    }
    if (keep) continue;
    entry->SetRootFolder(root);
    entry->SetSubFolder(newSub);
  }
}

void TBackupHistoryDatabase::FillFolder() {
  if (!Target) return;
  FinishSort();
  const std::wstring prefix = Folder + L"\\";
  for (const TFileInfo* entry : entries_) {
    bool take;
    if (IncludeSubFolders) {
      take = FullPathStartsWith(*entry, prefix);
    } else {
      take = entry->SubFolder().empty() && SameText(entry->RootFolder(), prefix);
    }
    if (take) {
      auto record = std::make_unique<TBackupFileInfo>();
      record->Assign(*entry);
      record->SetBackupInfo(Item);
      Target->Add(std::move(record));
    }
    ProcessMessages();
  }
}

void TBackupHistoryDatabase::ListFolder(const std::wstring& folder, bool includeSubFolders, TBackupInfo* item,
                                        TOwnedFileInfoList& files) {
  SetFolder(folder);
  SetTarget(&files);
  SetIncludeSubFolders(includeSubFolders);
  SetItem(item);
  FillFolder();
  SetTarget(nullptr);
}

// ---- background sort -------------------------------------------------------------------

void TBackupHistoryDatabase::StartSort() {
  AbandonSort();
  sortThread_ = std::make_unique<TThreadSortFileInfoList>(&entries_, true);
}

void TBackupHistoryDatabase::FinishSort() {
  if (!sortThread_) return;
  sortThread_->WaitFor();
  sortThread_.reset();
  entries_.SetSortedByFullPath(true);
}

void TBackupHistoryDatabase::AbandonSort() {
  if (!sortThread_) return;
  sortThread_->Terminate();
  sortThread_.reset();
}

}  // namespace vog
