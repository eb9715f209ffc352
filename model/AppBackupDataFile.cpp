#include "model/AppBackupDataFile.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "model/DataStream.h"
#include "model/SettingsText.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "services/cipher/CipherManager.h"

namespace vog {

namespace {

constexpr wchar_t kHeader[] = L"VogAppBackupData\tVer.1.00";
constexpr uint64_t kMaxDataFileSize = uint64_t{256} << 20;

// The data-file key is never stored whole. These three texts are part of the file format:
// every data file this program has written can only be read with exactly these values, so
// they must never change (tests/datafile pins a known file).
constexpr char kKeyBase[] = "Qn4#tVr8#Lm2Ws6#Kd0Hx3#Pj7Bz5#Fy9Cg1#Ue6Ta8k";
constexpr char kKeyMark[] = "#mark";
constexpr char kKeyFill[] = "Ridge";
static_assert(sizeof(kKeyBase) - 1 == 44, "the key base is 44 characters");

void SetUpCipher(TCipherManager& cipher) {
  cipher.SetAlgorithm("Blowfish");
  cipher.SetMode(TCipherMode::cmCTS);
  std::string key = DataFileKey();
  cipher.SetKeyText(key);
  std::fill(key.begin(), key.end(), '\0');
}

std::wstring Wide(const std::string& ansi) { return CodePage().AnsiToWide(ansi); }
std::string Ansi(const std::wstring& wide) { return CodePage().WideToAnsi(wide); }

// A text that a reader would refuse must not be written: the file could not be loaded.
void CheckLength(std::wstring_view text) {
  if (text.size() > TDataReader::MaxStringUnits) throw Error(L"データファイルに書けない長さの文字列があります");
}

void WriteText(TDataWriter& out, std::wstring_view text) {
  CheckLength(text);
  out.String(text);
}

std::wstring FileError(const std::wstring& what, const std::wstring& path, uint32_t code) {
  return L"データファイル " + path + what + L" (エラー " + IntToText(code) + L")";
}

}  // namespace

std::string DataFileKey() {
  std::string text = kKeyBase;
  std::replace(text.begin(), text.end(), kKeyMark[0], kKeyFill[0]);
  // Reversed character by character: a double-byte character stays whole.
  std::vector<std::string> chars;
  const ICodePage& codePage = CodePage();
  for (size_t i = 0; i < text.size();) {
    size_t n = codePage.IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    chars.push_back(text.substr(i, n));
    i += n;
  }
  std::string key;
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) key += *it;
  std::fill(text.begin(), text.end(), '\0');
  return key;
}

std::string EncodePlainStream(const TBackupInfoList& list, const TAppBackupData& d) {
  TCipherManager cipher;
  SetUpCipher(cipher);
  TDataWriter out;
  out.String(kHeader);
  std::vector<std::wstring> lines = BuildSettingsText(list, cipher);
  out.Int32(static_cast<int32_t>(lines.size()));
  for (const auto& line : lines) WriteText(out, line);

  WriteText(out, Wide(d.AppTitle));
  WriteText(out, d.SpareText1);
  out.Component(d.SpareImage);
  out.Component(d.IconImage);
  WriteText(out, Wide(d.AboutTitle));
  out.Component(d.AboutImage);
  WriteText(out, Wide(d.AboutUrl));
  WriteText(out, d.SpareText2);
  out.Bool(d.AllowPreview);
  out.Bool(d.ShowResult);
  out.Bool(d.RestoreChangedOnly);
  out.Bool(d.ClearRestoreTarget);
  out.Bool(d.WriteLog);
  WriteText(out, Wide(d.LogFileName));
  out.Int32(d.LogKeepCount);
  out.Bool(d.SpareFlag1);
  out.Bool(d.SpareFlag2);
  out.Bool(d.IdlePriority);
  out.Bool(d.SpareFlag3);
  for (const auto& text : d.SpareTexts3To7) WriteText(out, text);
  out.Byte(d.ReservedByte);
  out.Eight(d.ReservedValue);
  out.Bool(d.AllowEdit);
  out.Bool(d.AutoRunOnVolume);
  out.Bool(d.AutoRunPreview);
  out.Bool(d.AutoRunQuiet);
  out.Bool(d.AutoRunEject);
  out.Bool(d.AutoRunRemove);
  out.Int32(d.WindowWidth);
  out.Int32(d.WindowHeight);
  for (uint8_t b : d.SpareBlock.Bytes) out.Byte(b);
  for (int32_t v : d.SpareBlock.Integers) out.Int32(v);
  for (const auto& v : d.SpareBlock.Values) out.Eight(v);
  for (const auto& text : d.SpareTexts8To17) WriteText(out, text);
  return std::move(out.Bytes());
}

void DecodePlainStream(std::string_view plain, TAppBackupData& d, std::vector<std::unique_ptr<TBackupInfo>>& items) {
  TDataReader in(plain);
  if (in.String() != kHeader) ThrowBadDataFile();
  int32_t count = in.Int32();
  if (count < 0) ThrowBadDataFile();
  std::vector<std::wstring> lines;
  // Each line takes at least its 4-byte count, so a count beyond that is a damaged file.
  if (static_cast<size_t>(count) > (plain.size() - in.Position()) / 4) ThrowBadDataFile();
  lines.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) lines.push_back(in.String());

  TCipherManager cipher;
  SetUpCipher(cipher);
  items = ParseSettingsText(lines, cipher);

  d.AppTitle = Ansi(in.String());
  d.SpareText1 = in.String();
  in.Component(d.SpareImage);
  in.Component(d.IconImage);
  d.AboutTitle = Ansi(in.String());
  in.Component(d.AboutImage);
  d.AboutUrl = Ansi(in.String());
  d.SpareText2 = in.String();
  d.AllowPreview = in.Bool();
  d.ShowResult = in.Bool();
  d.RestoreChangedOnly = in.Bool();
  d.ClearRestoreTarget = in.Bool();
  d.WriteLog = in.Bool();
  d.LogFileName = Ansi(in.String());
  d.LogKeepCount = in.Int32();
  d.SpareFlag1 = in.Bool();
  d.SpareFlag2 = in.Bool();
  d.IdlePriority = in.Bool();
  d.SpareFlag3 = in.Bool();
  for (auto& text : d.SpareTexts3To7) text = in.String();
  d.ReservedByte = in.Byte();
  d.ReservedValue = in.Eight();
  d.AllowEdit = in.Bool();
  d.AutoRunOnVolume = in.Bool();
  d.AutoRunPreview = in.Bool();
  d.AutoRunQuiet = in.Bool();
  d.AutoRunEject = in.Bool();
  d.AutoRunRemove = in.Bool();
  d.WindowWidth = in.Int32();
  d.WindowHeight = in.Int32();
  for (auto& b : d.SpareBlock.Bytes) b = in.Byte();
  for (auto& v : d.SpareBlock.Integers) v = in.Int32();
  for (auto& v : d.SpareBlock.Values) v = in.Eight();
  for (auto& text : d.SpareTexts8To17) text = in.String();
}

void TAppBackupDataFile::SetFileName(const std::string& ansi) { FileName = CodePage().AnsiToWide(ansi); }

void TAppBackupDataFile::Load() {
  std::string bytes;
  // A data file holds texts of at most 1024 units and three pictures; a file larger than
  // kMaxDataFileSize is not one.
  if (uint32_t e = ReadWholeFile(FileName, bytes, kMaxDataFileSize))
    throw Error(FileError(L" を読めません", FileName, e));

  TCipherManager cipher;
  SetUpCipher(cipher);
  cipher.DecipherBuffer(bytes.data(), bytes.data(), bytes.size());

  // Everything is parsed into temporaries; the list and the block change only on success.
  TAppBackupData data;
  std::vector<std::unique_ptr<TBackupInfo>> items;
  DecodePlainStream(bytes, data, items);
  std::fill(bytes.begin(), bytes.end(), '\0');

  List->Assign(std::move(items));
  *Data = std::move(data);
}

void TAppBackupDataFile::Save() {
  std::string bytes = EncodePlainStream(*List, *Data);
  TCipherManager cipher;
  SetUpCipher(cipher);
  cipher.EncipherBuffer(bytes.data(), bytes.data(), bytes.size());

  // Written beside the data file and renamed into place, so a failure never destroys it.
  if (uint32_t e = WriteFileReplacing(FileName, bytes)) throw Error(FileError(L" に書き込めません", FileName, e));
}

}  // namespace vog
