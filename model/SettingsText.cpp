#include "model/SettingsText.h"

#include <limits>

#include "base/Text.h"
#include "model/DataStream.h"
#include "platform/Platform.h"

namespace vog {

namespace {

constexpr wchar_t kFormatLine[] = L"Vogmerist\tVer.\t3\t0";
constexpr wchar_t kItemsSection[] = L"[バックアップ設定]";
constexpr wchar_t kFilesSection[] = L"[ファイル設定]";
constexpr int kFilesSectionLines = 17;
constexpr int kSkippedItemLines = 7;  // t+15 to t+21

std::wstring B(bool value) { return value ? L"1" : L"0"; }
std::wstring Ansi(const std::string& text) { return CodePage().AnsiToWide(text); }
std::string ToAnsi(const std::wstring& text) { return CodePage().WideToAnsi(text); }

// Enciphered fields: the Base64 text is plain ASCII.
std::wstring Encipher(TCipherManager& cipher, const std::string& text) {
  std::string base64 = cipher.EncipherText(text);
  return std::wstring(base64.begin(), base64.end());
}
std::string Decipher(TCipherManager& cipher, const std::wstring& field) {
  std::string base64;
  base64.reserve(field.size());
  for (wchar_t c : field) base64 += c < 0x80 ? static_cast<char>(c) : '?';
  return cipher.DecipherText(base64);
}

std::wstring Join(std::initializer_list<std::wstring> fields) {
  std::wstring line;
  bool first = true;
  for (const auto& f : fields) {
    if (!first) line += L'\t';
    line += f;
    first = false;
  }
  return line;
}

void AddList(std::vector<std::wstring>& lines, const std::vector<std::wstring>& entries) {
  lines.push_back(IntToText(static_cast<int64_t>(entries.size())));
  lines.insert(lines.end(), entries.begin(), entries.end());
}

// Reads the settings text line by line; every failure is the load error.
class TLineReader {
public:
  explicit TLineReader(const std::vector<std::wstring>& lines) : lines_(lines) {}

  const std::wstring& Next() {
    if (next_ >= lines_.size()) ThrowBadDataFile();
    return lines_[next_++];
  }
  void Skip(size_t count) {
    for (size_t i = 0; i < count; ++i) Next();
  }
  std::vector<std::wstring> Fields() {
    const std::wstring& line = Next();
    std::vector<std::wstring> fields(1);
    for (wchar_t c : line) {
      if (c == L'\t') {
        if (fields.size() == MaxSettingsFields) ThrowBadDataFile();
        fields.emplace_back();
      } else {
        fields.back() += c;
      }
    }
    return fields;
  }
  int32_t Number() { return ToNumber(Next()); }
  bool Flag() { return FlagOf(Next()); }

  static int32_t ToNumber(const std::wstring& text) {
    int64_t value = 0;
    if (!TryTextToInt(text, value) || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
      ThrowBadDataFile();
    return static_cast<int32_t>(value);
  }
  // A Boolean is a number whose low byte is the flag.
  static bool FlagOf(const std::wstring& text) { return (ToNumber(text) & 0xFF) != 0; }

private:
  const std::vector<std::wstring>& lines_;
  size_t next_ = 0;
};

const std::wstring& Field(const std::vector<std::wstring>& fields, size_t index) {
  if (index >= fields.size()) ThrowBadDataFile();
  return fields[index];
}

bool Present(const std::vector<std::wstring>& fields, size_t index) {
  return index < fields.size() && !fields[index].empty();
}

void ReadList(TLineReader& in, std::vector<std::wstring>& entries) {
  int32_t count = in.Number();
  for (int32_t i = 0; i < count; ++i) entries.push_back(in.Next());
}

std::unique_ptr<TBackupInfo> ReadItem(TLineReader& in, TCipherManager& cipher) {
  auto item = std::make_unique<TBackupInfo>();
  TBackupInfo& b = *item;
  // Only the first and last characters are cut, so a title may itself hold "]".
  const std::wstring& title = in.Next();
  b.Title = title.size() >= 2 ? title.substr(1, title.size() - 2) : std::wstring();
  b.SourceFolder = in.Next();
  b.DestFolder = in.Next();
  b.IncludeSubFolders = in.Flag();
  b.Condition.Mirroring = in.Flag();

  auto f = in.Fields();
  b.Condition.CopyAll = TLineReader::FlagOf(Field(f, 0));
  b.Condition.CopyNewer = TLineReader::FlagOf(Field(f, 1));
  b.Condition.CopyNew = TLineReader::FlagOf(Field(f, 2));
  b.Condition.CopySizeChanged = TLineReader::FlagOf(Field(f, 3));
  if (Present(f, 4)) b.Condition.CopyTimeChanged = TLineReader::FlagOf(f[4]);

  f = in.Fields();
  b.KeepHistory = TLineReader::FlagOf(Field(f, 0));
  b.HistoryFolderFormat = Field(f, 1);
  b.HistoryCount = TLineReader::ToNumber(Field(f, 2));
  b.UseHistoryFolder = TLineReader::FlagOf(Field(f, 3));
  b.HistoryFolder = Field(f, 4);

  f = in.Fields();
  b.UseHistoryDatabase = TLineReader::FlagOf(Field(f, 0));
  f = in.Fields();
  b.ConfirmOverwrite = TLineReader::FlagOf(Field(f, 0));
  f = in.Fields();
  b.Archive = TLineReader::FlagOf(Field(f, 0));
  b.ArchiveName = Field(f, 1);

  f = in.Fields();
  b.Encrypt = TLineReader::FlagOf(Field(f, 0));
  b.Decrypt = TLineReader::FlagOf(Field(f, 1));
  b.CipherKey = Decipher(cipher, Field(f, 2));
  b.CipherName = ToAnsi(Field(f, 3));

  b.UseTempFile = in.Flag();

  f = in.Fields();
  b.NetLogon = TLineReader::FlagOf(Field(f, 0));
  b.NetUser = ToAnsi(Field(f, 1));
  b.NetPassword = Decipher(cipher, Field(f, 2));
  b.NetDisconnect = TLineReader::FlagOf(Field(f, 3));
  if (Present(f, 4)) {
    b.SecondLogon = TLineReader::FlagOf(f[4]);
    if (f.size() > 5) b.SecondUser = ToAnsi(f[5]);
    if (f.size() > 6) b.SecondPassword = Decipher(cipher, f[6]);
    if (Present(f, 7)) b.SecondDisconnect = TLineReader::FlagOf(f[7]);
  }

  f = in.Fields();
  b.CheckVolumeLabel = TLineReader::FlagOf(Field(f, 0));
  b.VolumeLabel = Field(f, 1);

  // A missing or unreadable spare flag keeps its default.
  const std::wstring& spare = in.Next();
  int64_t value = 0;
  if (TryTextToInt(spare, value)) b.SpareFlag = (value & 0xFF) != 0;

  in.Skip(kSkippedItemLines);
  ReadList(in, b.TargetCondition.Files);
  ReadList(in, b.TargetCondition.Folders);
  ReadList(in, b.ExcludeCondition.Files);
  ReadList(in, b.ExcludeCondition.Folders);
  return item;
}

}  // namespace

std::vector<std::wstring> BuildSettingsText(const TBackupInfoList& items, TCipherManager& cipher) {
  std::vector<std::wstring> lines = {kFormatLine, kItemsSection, IntToText(items.Count())};
  for (const TBackupInfo* item : items) {
    const TBackupInfo& b = *item;
    const TBackupCondition& c = b.Condition;
    lines.push_back(L"[" + b.Title + L"]");
    lines.push_back(b.SourceFolder);
    lines.push_back(b.DestFolder);
    lines.push_back(B(b.IncludeSubFolders));
    lines.push_back(B(c.Mirroring));
    lines.push_back(
        Join({B(c.CopyAll), B(c.CopyNewer), B(c.CopyNew), B(c.CopySizeChanged), B(c.CopyTimeChanged), L""}));
    lines.push_back(Join({B(b.KeepHistory), b.HistoryFolderFormat, IntToText(b.HistoryCount), B(b.UseHistoryFolder),
                          b.HistoryFolder, L""}));
    lines.push_back(Join({B(b.UseHistoryDatabase), L""}));
    lines.push_back(Join({B(b.ConfirmOverwrite), L"", L"", L""}));
    lines.push_back(Join({B(b.Archive), b.ArchiveName, L"", L"", L""}));
    lines.push_back(Join({B(b.Encrypt), B(b.Decrypt), Encipher(cipher, b.CipherKey), Ansi(b.CipherName), L""}));
    lines.push_back(B(b.UseTempFile));
    lines.push_back(
        Join({B(b.NetLogon), Ansi(b.NetUser), Encipher(cipher, b.NetPassword), B(b.NetDisconnect), B(b.SecondLogon),
              Ansi(b.SecondUser), Encipher(cipher, b.SecondPassword), B(b.SecondDisconnect)}));
    lines.push_back(Join({B(b.CheckVolumeLabel), b.VolumeLabel}));
    lines.push_back(B(b.SpareFlag));
    lines.push_back(L"\t\t\t\t");
    lines.push_back(L"\t\t\t\t");
    lines.push_back(L"\t\t");
    for (int i = 0; i < 4; ++i) lines.emplace_back();
    AddList(lines, b.TargetCondition.Files);
    AddList(lines, b.TargetCondition.Folders);
    AddList(lines, b.ExcludeCondition.Files);
    AddList(lines, b.ExcludeCondition.Folders);
  }
  lines.push_back(kFilesSection);
  for (int i = 0; i < kFilesSectionLines; ++i) lines.emplace_back();
  return lines;
}

std::vector<std::unique_ptr<TBackupInfo>> ParseSettingsText(const std::vector<std::wstring>& lines,
                                                            TCipherManager& cipher) {
  TLineReader in(lines);
  in.Skip(2);  // format name and section name are not examined
  int32_t count = in.Number();
  std::vector<std::unique_ptr<TBackupInfo>> items;
  for (int32_t i = 0; i < count; ++i) items.push_back(ReadItem(in, cipher));
  return items;
}

}  // namespace vog
