#include "scan/BackupLog.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "scan/FileInfoList.h"

namespace vog {

namespace {

constexpr wchar_t kTab = L'\t';

[[noreturn]] void Corrupt() { throw Error(std::wstring(kLogCorrupt)); }

bool ParseInt64(std::wstring_view text, int64_t& value) { return TryTextToInt(text, value); }

int64_t ReadInt64(std::wstring_view text) {
  int64_t value = 0;
  if (!ParseInt64(text, value)) Corrupt();
  return value;
}

// Splits a full path into folder and name at its last "\".
void SetLoggedPath(TFileInfo& record, std::wstring_view path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring_view::npos) {
    record.SetPath(std::wstring_view(), std::wstring_view(), path);
  } else {
    record.SetPath(std::wstring_view(), path.substr(0, slash), path.substr(slash + 1));
  }
}

int64_t ListSize(const TFileInfoList* list) { return list ? list->TotalSize() : 0; }
int ListCount(const TFileInfoList* list) { return list ? list->Count() : 0; }

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring_view ResultCodeText(int code) {
  static constexpr std::wstring_view kTexts[] = {
      L"エラーなし",
      L"バックアップ元フォルダが存在しません",
      L"バックアップ元フォルダにアクセス権がありません",
      L"ネットワークにログインできません",
      L"バックアップ先が存在しません",
      L"ボリュームラベルが異なります",
      L"圧縮ファイル名が重なっています",
      L"バックアップ先フォルダが重なっています",
      L"オフラインファイルでネットワークが切断されている",
      L"ボリュームシャドウコピーエラー",
      L"省メモリバックアップ時、圧縮・高速ファイルチェック機能は使用できません",
      L"大量の削除を防ぐため、ミラーリングの削除を控えました",
      L"エラーでバックアップが中断しました",
      L"タイトルまたはバックアップ先フォルダが正しくありません",
      L"暗号キーが設定されていません",
  };
  if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return {};
  return kTexts[code];
}

std::vector<std::wstring_view> SplitLogLine(std::wstring_view line) {
  std::vector<std::wstring_view> fields;
  size_t start = 0;
  for (;;) {
    if (static_cast<int>(fields.size()) == kMaxLogFields) Corrupt();
    const size_t tab = line.find(kTab, start);
    if (tab == std::wstring_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

// ---- file ------------------------------------------------------------------

TBackupLog::TLines TBackupLog::LoadLines(const std::wstring& path, bool& exists) {
  std::string bytes;
  const uint32_t code = ReadWholeFile(path, bytes);
  exists = code == err::Success;
  if (code == err::FileNotFound || code == err::PathNotFound) return {};
  if (code) throw Error(L"ファイル \"" + path + L"\" は開けません。(エラー " + IntToText(code) + L")");
  return SplitLines(DecodeText(bytes, CodePage()));
}

void TBackupLog::SaveLines(const std::wstring& path, const TLines& lines) {
  size_t units = 1;
  for (const auto& line : lines) units += line.size() + 2;
  std::string bytes;
  bytes.reserve(units * 2);
  bytes += "\xFF\xFE";
  for (const auto& line : lines) {
    bytes += ToUtf16Le(line);
    bytes.append("\r\0\n\0", 4);
  }
  if (uint32_t code = WriteFileReplacing(path, bytes)) {
    throw Error(L"ファイル \"" + path + L"\" に書き込めません。(エラー " + IntToText(code) + L")");
  }
}

// ---- entry line ----------------------------------------------------------------

std::wstring TBackupLog::FormatEntryTime(TDateTime now) {
  std::wstring text = L"【";
  text += FormatDateTime(kShortDateFormat, now);
  const TDateParts parts = DecodeDateTime(now);
  if (parts.Hour != 0 || parts.Minute != 0 || parts.Second != 0) {
    text += L' ';
    text += FormatDateTime(kLongTimeFormat, now);
  }
  text += L"】";
  return text;
}

bool TBackupLog::FormatDuration(TDateTime elapsed, std::wstring& text) {
  // A run of a million days is a clock gone wrong, not a duration.
  if (!std::isfinite(elapsed) || elapsed < 0 || elapsed > 1e6) return false;
  const int64_t ms = std::llround(elapsed * 86400000.0);
  const int64_t seconds = ms / 1000;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2lld:%.2d:%.2d", static_cast<long long>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  text.assign(buffer, buffer + std::char_traits<char>::length(buffer));
  return true;
}

bool TBackupLog::ParseDuration(std::wstring_view text, TDateTime& elapsed) {
  // Hours are the digits before the first ":", minutes the two characters after it and
  // seconds the two after the next ":".
  const size_t colon = text.find(L':');
  if (colon == std::wstring_view::npos || colon == 0 || text.size() != colon + 6 || text[colon + 3] != L':') {
    return false;
  }
  int64_t hours = 0, minutes = 0, seconds = 0;
  for (size_t i = 0; i < colon; ++i) {
    if (text[i] < L'0' || text[i] > L'9' || hours > 100000000) return false;
    hours = hours * 10 + (text[i] - L'0');
  }
  auto two = [&](size_t at, int64_t& value) {
    if (text[at] < L'0' || text[at] > L'9' || text[at + 1] < L'0' || text[at + 1] > L'9') return false;
    value = (text[at] - L'0') * 10 + (text[at + 1] - L'0');
    return value < 60;
  };
  if (!two(colon + 1, minutes) || !two(colon + 4, seconds)) return false;
  elapsed =
      static_cast<double>(hours / 24) + static_cast<double>((hours % 24) * 3600 + minutes * 60 + seconds) / 86400.0;
  return true;
}

bool TBackupLog::BuildEntryLine(TDateTime now, std::wstring& line) const {
  const std::wstring head = FormatEntryTime(now) + kTab + FileNameOf(DataFileName);
  std::wstring duration;
  if (!FormatDuration(ElapsedTime, duration)) {
    line = head;
    return false;
  }
  line = head;
  for (const std::wstring& field : {duration, IntToText(ListSize(CopiedFiles)), IntToText(ListSize(ErrorFiles)),
                                    IntToText(ListSize(DeletedFiles)), IntToText(ResultCode)}) {
    line += kTab;
    line += field;
  }
  return true;
}

// ---- structure ---------------------------------------------------------------

int TBackupLog::SectionCount(const TLines& lines, int index) {
  if (index < 0 || index >= static_cast<int>(lines.size())) Corrupt();
  const auto fields = SplitLogLine(lines[static_cast<size_t>(index)]);
  if (fields.size() < 2) Corrupt();
  const int64_t count = ReadInt64(fields[1]);
  // The count's lines must all be there: a count that runs past the end is a damaged log.
  if (count < 0 || count > static_cast<int64_t>(lines.size()) - index - 1) Corrupt();
  return static_cast<int>(count);
}

int TBackupLog::SkipEntry(const TLines& lines, int index) {
  for (std::wstring_view name : {kLogCopiedSection, kLogErrorSection, kLogDeletedSection}) {
    const int count = SectionCount(lines, index);
    if (SplitLogLine(lines[static_cast<size_t>(index)])[0] != name) Corrupt();
    index += count + 1;
  }
  return index;
}

int TBackupLog::CountEntries(const TLines& lines) {
  if (lines.empty()) return 0;
  int i = 1;
  int n = 0;
  while (i < static_cast<int>(lines.size())) {
    i = SkipEntry(lines, i + 1);
    ++n;
  }
  return n;
}

void TBackupLog::TrimEntries(TLines& lines) {
  if (KeepCount <= 0 || lines.empty()) return;
  const int n = CountEntries(lines);
  if (n < KeepCount) return;
  int index = 1;
  for (int drop = n - KeepCount + 1; drop > 0; --drop) index = SkipEntry(lines, index + 1);
  TLines kept;
  kept.reserve(lines.size() - static_cast<size_t>(index) + 1);
  kept.emplace_back(kLogHeaderLine);
  for (size_t i = static_cast<size_t>(index); i < lines.size(); ++i) kept.push_back(std::move(lines[i]));
  lines = std::move(kept);
}

void TBackupLog::NormaliseHeader(TLines& lines) {
  if (lines.empty()) return;
  if (SplitLogLine(lines[0]).size() == 2) ConvertOldLayout(lines);
  if (SplitLogLine(lines[0])[0] != kLogHeaderName) lines.emplace(lines.begin(), kLogHeaderLine);
}

TBackupLog::TLines TBackupLog::ConvertedOldLayout(const TLines& lines) {
  TLines converted;
  converted.reserve(lines.size() + lines.size() / 4 + 1);
  converted.emplace_back(kLogHeaderLine);
  int index = 0;
  const int size = static_cast<int>(lines.size());
  while (index < size) {
    converted.push_back(lines[static_cast<size_t>(index++)]);  // the entry line
    for (std::wstring_view name : {kLogCopiedSection, kLogErrorSection}) {
      const int count = SectionCount(lines, index);
      if (SplitLogLine(lines[static_cast<size_t>(index)])[0] != name) Corrupt();
      for (int i = 0; i <= count; ++i) converted.push_back(lines[static_cast<size_t>(index + i)]);
      index += count + 1;
    }
    converted.push_back(std::wstring(kLogDeletedSection) + kTab + L"0");
  }
  return converted;
}

void TBackupLog::ConvertOldLayout(TLines& lines) {
  TLines converted = ConvertedOldLayout(lines);
  // Saved at once, before anything else happens to the file; a failure leaves the old
  // log whole, and `lines` unchanged.
  SaveLines(LogFileName, converted);
  lines = std::move(converted);
}

// ---- reading an entry -----------------------------------------------------------

void TBackupLog::ReadEntry(const TLines& lines, int index) {
  ElapsedTime = 0;
  CopiedSize = ErrorSize = DeletedSize = 0;
  ResultCode = 0;
  if (index < 1 || index > static_cast<int>(lines.size())) Corrupt();
  const auto fields = SplitLogLine(lines[static_cast<size_t>(index - 1)]);
  if (fields.size() > 2) {
    if (fields.size() < 6 || !ParseDuration(fields[2], ElapsedTime)) Corrupt();
    CopiedSize = ReadInt64(fields[3]);
    ErrorSize = ReadInt64(fields[4]);
    DeletedSize = ReadInt64(fields[5]);
  }
  if (fields.size() > 6) {
    const int64_t code = ReadInt64(fields[6]);
    if (code < 0 || code > 255) Corrupt();
    ResultCode = static_cast<uint8_t>(code);
  }
  TOwnedFileInfoList* targets[] = {ReadCopiedFiles, ReadErrorFiles, ReadDeletedFiles};
  const std::wstring_view names[] = {kLogCopiedSection, kLogErrorSection, kLogDeletedSection};
  for (int section = 0; section < 3; ++section) {
    const int count = SectionCount(lines, index);
    if (SplitLogLine(lines[static_cast<size_t>(index)])[0] != names[section]) Corrupt();
    for (int i = 1; i <= count; ++i) {
      const std::wstring& line = lines[static_cast<size_t>(index + i)];
      std::wstring_view path = line;
      uint32_t attr = 0;
      if (section == 1) {
        const auto parts = SplitLogLine(line);
        path = parts[0];
        if (parts.size() > 1) {
          const int64_t code = ReadInt64(parts[1]);
          // Codes are written unsigned; older logs wrote large ones as negative numbers.
          if (code < INT32_MIN || code > UINT32_MAX) Corrupt();
          attr = static_cast<uint32_t>(code);
        }
      }
      // A record's path is the file's full path, as Write put it there; anything else
      // would become a record that points elsewhere, or nowhere.
      if (!IsAbsoluteFilePath(path)) {
        throw Error(std::wstring(kLogCorrupt) + L"。(" + IntToText(index + i + 1) + L" 行目のパス \"" +
                    ShowControlCharacters(path) + L"\" は使えません)");
      }
      if (!targets[section]) continue;
      auto record = std::make_unique<TBackupFileInfo>();
      SetLoggedPath(*record, path);
      record->SetAttr(attr);
      targets[section]->Add(std::move(record));
    }
    index += count + 1;
  }
}

// ---- writing -------------------------------------------------------------------

void TBackupLog::Write() {
  bool exists = false;
  TLines lines = LoadLines(LogFileName, exists);
  if (lines.empty()) {
    // A new log, and also an existing empty one, starts with the header: a log without
    // one could later be taken for the earlier layout.
    lines.emplace_back(kLogHeaderLine);
  } else {
    NormaliseHeader(lines);
    TrimEntries(lines);
  }

  std::wstring entry;
  BuildEntryLine(Clock().Now(), entry);
  lines.push_back(std::move(entry));

  auto section = [&lines](std::wstring_view name, const TFileInfoList* list, bool withCode) {
    lines.push_back(std::wstring(name) + kTab + IntToText(ListCount(list)));
    if (!list) return;
    for (const TFileInfo* record : *list) {
      std::wstring line = record->FullPath();
      if (withCode) {
        line += kTab;
        line += IntToText(record->Attr);
      }
      lines.push_back(std::move(line));
    }
  };
  section(kLogCopiedSection, CopiedFiles, false);
  section(kLogErrorSection, ErrorFiles, true);
  section(kLogDeletedSection, DeletedFiles, false);

  SaveLines(LogFileName, lines);
}

}  // namespace vog
