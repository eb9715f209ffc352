#pragma once
// The run log: a UTF-16LE text file of TAB-separated lines that keeps a bounded number
// of entries, oldest first, after a header line.
//
//   Vogmeristログファイル TAB Ver. TAB 1
//   【2026/12/09 10:15:00】 TAB data-file TAB 00:01:05 TAB copied TAB failed TAB deleted TAB code
//   コピーファイル TAB n     then n lines: full path
//   エラーファイル TAB m     then m lines: full path TAB Windows error code
//   削除ファイル TAB k       then k lines: full path
//
// A log of the earlier layout has no header, two-field entry lines and no deleted
// section; Write converts it (and saves the conversion at once) before adding an entry.
// A malformed existing log raises "ログファイルが壊れている可能性があります" and is left
// as it was; the file is always replaced through a temporary file beside it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTime.h"

namespace vog {

class TFileInfoList;
class TOwnedFileInfoList;

inline constexpr std::wstring_view kLogHeaderName = L"Vogmeristログファイル";
inline constexpr std::wstring_view kLogHeaderLine = L"Vogmeristログファイル\tVer.\t1";
inline constexpr std::wstring_view kLogCopiedSection = L"コピーファイル";
inline constexpr std::wstring_view kLogErrorSection = L"エラーファイル";
inline constexpr std::wstring_view kLogDeletedSection = L"削除ファイル";
inline constexpr std::wstring_view kLogCorrupt = L"ログファイルが壊れている可能性があります";
// A line of the log is split into at most this many fields.
inline constexpr int kMaxLogFields = 256;

// The text of a run's result code ("" for a code without one).
std::wstring_view ResultCodeText(int code);

// Splits `line` at TAB. More than kMaxLogFields fields raise kLogCorrupt.
std::vector<std::wstring_view> SplitLogLine(std::wstring_view line);

class TBackupLog {
public:
  using TLines = std::vector<std::wstring>;

  std::wstring LogFileName;
  std::wstring DataFileName;
  // What Write logs (views, not owned; null lists count as empty).
  const TFileInfoList* CopiedFiles = nullptr;
  const TFileInfoList* ErrorFiles = nullptr;  // Attr holds the error code
  int32_t KeepCount = 0;                      // entries kept, the new one included; 0 = all
  const TFileInfoList* DeletedFiles = nullptr;
  // Where ReadEntry puts the records it reads (not owned; null lists are skipped).
  TOwnedFileInfoList* ReadCopiedFiles = nullptr;
  TOwnedFileInfoList* ReadErrorFiles = nullptr;
  TOwnedFileInfoList* ReadDeletedFiles = nullptr;
  TDateTime ElapsedTime = 0;  // days
  int64_t DeletedSize = 0;    // ReadEntry's results
  int64_t CopiedSize = 0;
  int64_t ErrorSize = 0;
  uint8_t ResultCode = 0;

  TBackupLog() = default;
  virtual ~TBackupLog() = default;
  TBackupLog(const TBackupLog&) = delete;
  TBackupLog& operator=(const TBackupLog&) = delete;

  void SetLogFileName(const std::wstring& value) { LogFileName = value; }
  void SetDataFileName(const std::wstring& value) { DataFileName = value; }
  void SetCopiedFiles(const TFileInfoList* list) { CopiedFiles = list; }
  void SetErrorFiles(const TFileInfoList* list) { ErrorFiles = list; }
  void SetDeletedFiles(const TFileInfoList* list) { DeletedFiles = list; }
  void SetReadTargets(TOwnedFileInfoList* copied, TOwnedFileInfoList* failed, TOwnedFileInfoList* deleted) {
    ReadCopiedFiles = copied;
    ReadErrorFiles = failed;
    ReadDeletedFiles = deleted;
  }
  void SetKeepCount(int32_t value) { KeepCount = value; }
  void SetElapsedTime(TDateTime value) { ElapsedTime = value; }
  void SetResultCode(uint8_t value) { ResultCode = value; }

  // Appends one entry for the data set above, trimming the oldest entries to KeepCount.
  // Raises vog::Error on failure; the previous file then stays as it was.
  void Write();

  // Loads a log file as lines (byte-order mark detection; ANSI without one). Raises when
  // it cannot be read; `exists` tells a missing file apart (then no lines, no error).
  static TLines LoadLines(const std::wstring& path, bool& exists);
  // Saves lines as UTF-16LE with a byte-order mark and CR LF after every line, through a
  // temporary file beside `path`.
  static void SaveLines(const std::wstring& path, const TLines& lines);

  // Parses the entry whose first section line is lines[index] (its entry line is the
  // line before) into ElapsedTime, the three sizes, ResultCode and the three read targets
  // (which receive new TBackupFileInfo records; null targets are skipped).
  // A file line that is not an absolute file path (IsAbsoluteFilePath) raises kLogCorrupt
  // with its line number (counted in `lines` from 1) and its text.
  virtual void ReadEntry(const TLines& lines, int index);
  // The index of the next entry line, for `index` at an entry's first section line.
  virtual int SkipEntry(const TLines& lines, int index);
  // Makes room for one new entry: drops the oldest entries beyond KeepCount - 1.
  virtual void TrimEntries(TLines& lines);
  // Entries after the header line.
  int CountEntries(const TLines& lines);
  // Converts a log of the earlier layout, then makes sure the header line comes first.
  void NormaliseHeader(TLines& lines);
  // Rewrites a log of the earlier layout in the current one and saves it at once.
  void ConvertOldLayout(TLines& lines);
  // The conversion alone, without saving (raises kLogCorrupt on a malformed log).
  static TLines ConvertedOldLayout(const TLines& lines);

  // The entry line Write would make now; false when its numbers cannot be formatted
  // (a negative or impossibly long duration), and `line` is then the short form.
  bool BuildEntryLine(TDateTime now, std::wstring& line) const;
  // "【date time】" as the entry line begins (the time is left out at exactly midnight).
  static std::wstring FormatEntryTime(TDateTime now);
  // Whole hours (any number of digits), minutes and seconds of a duration in days;
  // false for a negative, infinite or absurdly long duration.
  static bool FormatDuration(TDateTime elapsed, std::wstring& text);
  // Reads "h:mm:ss" as the log shows a duration; false when malformed.
  static bool ParseDuration(std::wstring_view text, TDateTime& elapsed);

private:
  // The count of the section line lines[index]; raises kLogCorrupt when the line is
  // missing, has no count, or the count is negative or runs past the end of the lines.
  static int SectionCount(const TLines& lines, int index);
};

}  // namespace vog
