#include "scan/FolderFilter.h"

#include <cstdint>
#include <memory>
#include <vector>

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

template <class Classify, class Taken>
bool TFolderFilter::Sweeps(TOwnedFileInfoList& list, int sweeps, Classify classify, Taken taken) {
  std::vector<uint32_t> classes;
  bool finished = true;
  list.EditSlots([&](std::vector<std::unique_ptr<TFileInfo>>& slots) {
    for (int walk = 0; walk < sweeps && finished; ++walk) {
      // Deleting one by one from the middle would move the rest every time; the records
      // that stay are packed towards the end instead and the gap is closed once.
      const size_t count = slots.size();
      if (walk == 0) classes.assign(count, 0);
      size_t write = count;  // kept records occupy [write, count)
      size_t i = count;      // [i, count) were visited
      while (i > 0) {
        if (Poll()) {
          finished = false;
          break;
        }
        --i;
        const uint32_t cls = walk == 0 ? static_cast<uint32_t>(classify(*slots[i])) : classes[i];
        if (cls == static_cast<uint32_t>(walk)) {
          taken(std::move(slots[i]));
        } else {
          --write;
          if (write != i) slots[write] = std::move(slots[i]);
          classes[write] = cls;
        }
      }
      // [0, i) were not visited; move the kept ones down to them.
      const size_t gap = write - i;
      if (gap > 0) {
        for (size_t k = write; k < count; ++k) {
          slots[k - gap] = std::move(slots[k]);
          classes[k - gap] = classes[k];
        }
        slots.resize(count - gap);
        classes.resize(count - gap);
      }
    }
  });
  return finished;
}

void TFolderFilter::Execute() {
  TOwnedFileInfoList& source = *SourceFiles;
  TOwnedFileInfoList& selected = *SelectedFiles;
  static const TSubJectFileCondition kNone;
  const TSubJectFileCondition& target = TargetCondition ? *TargetCondition : kNone;
  const TSubJectFileCondition& exclude = ExcludeCondition ? *ExcludeCondition : kNone;

  // Pass 1, selection: one walk per mask in list order; each record goes with the first
  // mask that matches it.
  if (target.Files.empty()) {
    selected.TakeFrom(source);
  } else {
    const std::vector<std::wstring>& masks = target.Files;
    const bool finished = Sweeps(
        source, static_cast<int>(masks.size()),
        [&masks](const TFileInfo& r) {
          size_t k = 0;
          while (k < masks.size() && !MatchMask(r.FileName, masks[k])) ++k;
          return k;
        },
        [&selected](std::unique_ptr<TFileInfo> r) { selected.Add(std::move(r)); });
    if (!finished) return;
  }

  // Pass 2 (names dropped again) and pass 3 (excluded folders): one walk per mask, then
  // one per exclusion entry; each dropped record goes with the first that drops it.
  const std::vector<std::wstring>& names = target.Folders;
  struct TExclusion {
    bool IsPath;
    std::wstring_view Text;  // a folder path without trailing "", or a mask
  };
  std::vector<TExclusion> exclusions;
  for (const std::wstring& entry : exclude.Folders) {
    const bool isPath = IsFolderPathEntry(entry);
    exclusions.push_back({isPath, isPath ? WithoutTrailingSlash(entry) : std::wstring_view(entry)});
  }
  const size_t walks = names.size() + exclusions.size();
  if (walks == 0) return;
  // Whether a record is excluded depends only on its folder, and the records of one
  // folder share their folder texts and mostly follow each other, so the answer for the
  // last folder is kept (with its texts, so their addresses stay theirs).
  std::wstring folder;
  TSharedText lastRoot, lastSub;
  bool haveLast = false;
  size_t lastExclusion = 0;
  auto firstExclusion = [&](const TFileInfo& r) {
    if (haveLast && r.SharedRootFolder() == lastRoot && r.SharedSubFolder() == lastSub) return lastExclusion;
    RecordFolder(r, folder);
    size_t k = 0;
    for (; k < exclusions.size(); ++k) {
      const TExclusion& e = exclusions[k];
      if (e.IsPath ? IsFolderOrBelow(folder, e.Text) : AnyNameMatches(BelowRoot(folder), e.Text)) break;
    }
    lastRoot = r.SharedRootFolder();
    lastSub = r.SharedSubFolder();
    haveLast = true;
    lastExclusion = k;
    return k;
  };
  Sweeps(
      selected, static_cast<int>(walks),
      [&](const TFileInfo& r) {
        for (size_t k = 0; k < names.size(); ++k) {
          if (MatchMask(r.FileName, names[k])) return k;
        }
        return names.size() + firstExclusion(r);
      },
      [](std::unique_ptr<TFileInfo>) {});  // dropped records are freed here
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
    folders.erase(folders.begin() + static_cast<std::ptrdiff_t>(i),
                  folders.begin() + static_cast<std::ptrdiff_t>(write));
    if (!finished || Cancelled) return;
  }
}

}  // namespace vog
