#pragma once
// The one list of a run's problems that the log's file lists cannot hold: paths the
// containment check refused, items left out, folders that could not be read, links not
// followed, archives not written, history folders not removed, deletions the mass-delete
// guard held back. The log, Vogratel.err and the result window all read this list, so a
// problem found anywhere in a run is shown everywhere.
//
// A problem has a kind (what went wrong), the path it concerns (a file, a folder, an
// archive, or an item's title; may be empty), the Windows code where one applies (0 when
// none) and the message shown to the user, complete in itself.
#include <cstdint>
#include <string>
#include <vector>

namespace vog {

enum class TProblemKind : uint8_t {
  Refused,            // a change outside the item's destination, or an unsafe archive entry name
  ItemLeftOut,        // an item the run's checks kept from running
  FolderUnreadable,   // a source folder whose listing failed: nothing below it was backed up or mirrored
  LinkSkipped,        // a directory link (junction, symbolic link, mount point) the walk did not follow
  FileLeftOut,        // a file an archive could not take (vanished while packing, too large for the format)
  ArchiveNotWritten,  // an archive or work copy that could not be written, sealed or updated
  HistoryNotRemoved,  // an expired history folder that could not be removed
  DeletionsHeldBack,  // mirroring deletions the mass-delete guard kept back
  Leftover,           // something an earlier, interrupted run left behind, cleaned up or set aside
  CaseNotFollowed,    // a destination folder or file that could not follow a change of letter case in the source
  HistoryUnreadable,  // a dated history folder without a readable marker, left out of the past versions
};

struct TRunProblem {
  TProblemKind Kind = TProblemKind::Refused;
  std::wstring Path;
  uint32_t Code = 0;
  std::wstring Message;
};

class TRunProblems {
public:
  void Add(TProblemKind kind, std::wstring path, uint32_t code, std::wstring message) {
    items_.push_back(TRunProblem{kind, std::move(path), code, std::move(message)});
  }
  void Append(const TRunProblems& other) { items_.insert(items_.end(), other.items_.begin(), other.items_.end()); }
  bool Empty() const noexcept { return items_.empty(); }
  size_t Count() const noexcept { return items_.size(); }
  bool Any(TProblemKind kind) const noexcept {
    for (const TRunProblem& problem : items_)
      if (problem.Kind == kind) return true;
    return false;
  }
  // The messages in the order the problems were met.
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> messages;
    messages.reserve(items_.size());
    for (const TRunProblem& problem : items_) messages.push_back(problem.Message);
    return messages;
  }
  const std::vector<TRunProblem>& Items() const noexcept { return items_; }
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }
  void Clear() noexcept { items_.clear(); }

private:
  std::vector<TRunProblem> items_;
};

}  // namespace vog
