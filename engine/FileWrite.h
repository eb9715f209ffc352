#pragma once
// One file's write as one transaction. The steps, in order:
//   1. the new bytes are written beside the final name under the temporary name, new file
//      or not: the final name only ever holds a complete file (the older backup, or the new
//      one after the rename), so a run killed half-way leaves at most a temporary file,
//      which the next run clears away, never part of a file that would pass for current;
//   2. verify: the written bytes are read back and compared with the source (when asked);
//   3. time stamp: the source's last-write time where the writer does not bring it itself;
//   4. the replaced file goes into its history folder (KeepHistory);
//   5. rename: the temporary file takes the final name;
//   then the access list and creation time follow onto the file under its final name.
// A failure at any step undoes the steps before it in reverse: the written bytes are
// removed and the replaced file comes back from the history folder, so after a failure
// the final name holds exactly what it held before, and nothing is left under the
// temporary name. The caller records one outcome per file; nothing here throws for a
// file-system failure.
#include <cstdint>
#include <functional>
#include <string>

namespace vog {

class TBackupFileInfo;
class THistoryMover;

// The code recorded when a copy read back does not match its source (Windows' "a data
// integrity checksum error occurred").
inline constexpr uint32_t kVerifyMismatch = 323;

// Copies the access list of `source` onto `target`; false when it could not.
using TAclCopyCall = std::function<bool(const std::wstring& source, const std::wstring& target)>;
// Writes the source's bytes onto `target`: 0 or the Windows code. With `newOnly` an
// existing target is left untouched and the answer is err::FileExists; a writer that
// fails otherwise leaves no file of its own at `target`.
using TWriteBytes = std::function<uint32_t(const std::wstring& target, bool newOnly)>;
// Compares a written file with its source: 0, kVerifyMismatch or the code of a failed read.
using TCompareBytes = std::function<uint32_t(const std::wstring& source, const std::wstring& target)>;

// What a write does besides writing the bytes.
struct TFileWriteSteps {
  bool KeepHistory = false;       // a replaced file goes into its history folder
  bool Verify = false;            // step 2
  bool StampLastWrite = false;    // step 3 (the system copy brings the time itself, the cipher does not)
  bool CopyAcl = false;           // after the rename; a failure is ignored (the file is complete)
  bool CopyCreationTime = false;  // likewise
};

// The step at which a write failed.
enum class TWriteStep { None, Write, Verify, Stamp, History, Rename };

struct TFileWriteResult {
  TWriteStep Failed = TWriteStep::None;
  uint32_t Code = 0;
  bool Refused = false;  // the history path lay outside the item's folders (History step)
  bool Ok() const { return Failed == TWriteStep::None; }
};

class TFileWrite {
public:
  // `history` moves replaced files (KeepHistory); `copyDacl` may be empty (no access list
  // is copied); `compare` is used with Verify. All must outlive the object.
  TFileWrite(THistoryMover& history, TAclCopyCall copyDacl, TCompareBytes compare);

  // The temporary name this writer uses (WorkerTempName: one per worker of a transfer).
  void SetTempName(std::wstring name) { tempName_ = std::move(name); }

  // Writes `record`'s file (its FullPath) to `finalPath` with `write`, as described above.
  TFileWriteResult Write(const TBackupFileInfo& record, const std::wstring& finalPath, const TFileWriteSteps& steps,
                         const TWriteBytes& write);

private:
  THistoryMover& history_;
  TAclCopyCall copyDacl_;
  TCompareBytes compare_;
  std::wstring tempName_;
};

// Removes a file this program wrote and could not finish (read-only or not). A folder, or
// nothing, at `path` is left alone.
void RemoveUnfinished(const std::wstring& path);

}  // namespace vog
