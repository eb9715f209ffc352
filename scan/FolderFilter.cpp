#include "scan/FolderFilter.h"

#include "base/Text.h"
#include "base/Wildcard.h"
#include "model/BackupInfo.h"
#include "scan/FileInfoList.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"

namespace vog {

namespace {

// A folder path entry written with a trailing "\" means the same folder: without this,
// "D:\Src\Temp\" would let every file of Temp through while pruning its subfolders.
std::wstring_view WithoutTrailingSlash(std::wstring_view entry) {
  while (entry.size() > 1 && entry.back() == L'\\') entry.remove_suffix(1);
  return entry;
}

// The folder of a record: its FullPath without the last component and the "\" before it.
void RecordFolder(const TFileInfo& record, std::wstring& folder) {
  const std::wstring& root = record.RootFolder();
  const std::wstring& sub = record.SubFolder();
  folder.assign(root);
  if (!sub.empty()) {
    folder += sub;
  } else if (!folder.empty() && folder.back() == L'\\') {
    folder.pop_back();
  }
}

// `text` is `prefix` (ignoring case) or continues with "\" after it.
bool IsFolderOrBelow(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  if (!SameText(text.substr(0, prefix.size()), prefix)) return false;
  return text.size() == prefix.size() || text[prefix.size()] == L'\\';
}

// The part of a full folder path below its drive ("D:") or share ("\\server\share") and
// the "\" after it.
std::wstring_view BelowRoot(std::wstring_view folder) {
  if (folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\') {
    size_t at = 2;
    for (int separators = 0; separators < 2; ++separators) {
      at = folder.find(L'\\', at);
      if (at == std::wstring_view::npos) return {};
      ++at;
    }
    return folder.substr(at);
  }
  if (folder.size() >= 2 && folder[1] == L':') {
    folder.remove_prefix(2);
    if (!folder.empty() && folder[0] == L'\\') folder.remove_prefix(1);
  }
  return folder;
}

// Whether any "\"-separated name of `path` matches `mask` (empty pieces included, as
// splitting the text gives them).
bool AnyNameMatches(std::wstring_view path, std::wstring_view mask) {
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find(L'\\', start);
    const std::wstring_view name =
        path.substr(start, slash == std::wstring_view::npos ? std::wstring_view::npos : slash - start);
    if (MatchMask(name, mask)) return true;
    if (slash == std::wstring_view::npos) return false;
    start = slash + 1;
  }
}

bool Stopped(IProgress* progress) {
  ProcessMessages();
  return progress && progress->StopRequested();
}

}  // namespace

bool IsFolderPathEntry(std::wstring_view entry) noexcept {
  return (entry.size() >= 2 && entry[1] == L':') || (entry.size() >= 2 && entry[0] == L'\\' && entry[1] == L'\\');
}

// ---- TFolderFilter ---------------------------------------------------------------

bool TFolderFilter::Poll() {
  if (Stopped(ProgressForm)) Cancelled = true;
  return Cancelled;
}

template <class Take, class Taken>
bool TFolderFilter::Sweep(TFileInfoList& list, Take take, Taken taken) {
  // Deleting one by one from the middle would cost a move of the rest every time; the
  // records that stay are packed towards the end instead and the gap closed once.
  const int count = list.Count();
  int write = count;  // kept records occupy [write, count)
  int i = count - 1;
  bool finished = true;
  for (; i >= 0; --i) {
    if (Poll()) {
      finished = false;
      break;
    }
    TFileInfo* record = list[i];
    if (take(*record)) {
      taken(record);
    } else {
      list.SetItem(--write, record);
    }
  }
  // [0, i] were not visited (i is -1 after a full walk); move the kept ones down to them.
  const int gap = write - (i + 1);
  if (gap > 0) {
    for (int k = write; k < count; ++k) list.SetItem(k - gap, list[k]);
    for (int k = 0; k < gap; ++k) list.Delete(list.Count() - 1);
  }
  return finished;
}

void TFolderFilter::Execute() {
  TFileInfoList& source = *SourceFiles;
  TFileInfoList& selected = *SelectedFiles;
  static const TSubJectFileCondition kNone;
  const TSubJectFileCondition& target = TargetCondition ? *TargetCondition : kNone;
  const TSubJectFileCondition& exclude = ExcludeCondition ? *ExcludeCondition : kNone;
  auto free = [](TFileInfo* record) { delete record; };

  // Pass 1: selection.
  if (target.Files.empty()) {
    selected.TakeFrom(source);
  } else {
    for (const std::wstring& mask : target.Files) {
      const bool finished = Sweep(
          source, [&mask](const TFileInfo& r) { return MatchMask(r.FileName, mask); },
          [&selected](TFileInfo* r) { selected.Add(r); });
      if (!finished) return;
    }
  }

  // Pass 2: names to drop again.
  for (const std::wstring& mask : target.Folders) {
    if (!Sweep(selected, [&mask](const TFileInfo& r) { return MatchMask(r.FileName, mask); }, free)) return;
  }

  // Pass 3: excluded folders.
  std::wstring folder;
  for (const std::wstring& entry : exclude.Folders) {
    bool finished;
    if (IsFolderPathEntry(entry)) {
      const std::wstring_view path = WithoutTrailingSlash(entry);
      finished = Sweep(
          selected,
          [&](const TFileInfo& r) {
            RecordFolder(r, folder);
            return IsFolderOrBelow(folder, path);
          },
          free);
    } else {
      finished = Sweep(
          selected,
          [&](const TFileInfo& r) {
            RecordFolder(r, folder);
            return AnyNameMatches(BelowRoot(folder), entry);
          },
          free);
    }
    if (!finished || Cancelled) return;
  }
}

// ---- TStringFolderFilter ------------------------------------------------------------

bool TStringFolderFilter::Poll() {
  if (Stopped(ProgressForm)) Cancelled = true;
  return Cancelled;
}

void TStringFolderFilter::Execute() {
  if (!Folders || !ExcludeCondition) return;
  TFolderList& folders = *Folders;
  for (const std::wstring& entry : ExcludeCondition->Folders) {
    // Which texts go; evaluated per entry, walking the list from the end.
    std::wstring_view rest;
    const bool isPath = IsFolderPathEntry(entry);
    if (isPath) {
      const std::wstring_view path = WithoutTrailingSlash(entry);
      // An entry outside the source folder changes nothing.
      if (!IsFolderOrBelow(path, SourceFolder)) continue;
      rest = path.substr(SourceFolder.size());
      if (!rest.empty()) rest.remove_prefix(1);  // the "\" after the source folder
    }
    size_t write = folders.size();
    size_t i = folders.size();
    bool finished = true;
    while (i > 0) {
      if (Poll()) {
        finished = false;
        break;
      }
      --i;
      TFolderEntry& folder = folders[i];
      bool drop;
      if (isPath) {
        // The folder named by the entry and those below it; an entry equal to the source
        // folder removes every folder, the source folder's own "" included. Folders that
        // merely begin with the same letters (Temp and Temporary) stay.
        drop = rest.empty() || IsFolderOrBelow(folder.Path, rest);
      } else {
        drop = AnyNameMatches(folder.Path, entry);
      }
      if (!drop) {
        --write;
        if (write != i) folders[write] = std::move(folder);
      }
    }
    // [0, i) were not visited; close the gap between them and the kept ones.
    folders.erase(folders.begin() + static_cast<std::ptrdiff_t>(i), folders.begin() + static_cast<std::ptrdiff_t>(write));
    if (!finished || Cancelled) return;
  }
}

}  // namespace vog
