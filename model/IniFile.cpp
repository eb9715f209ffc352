#include "model/IniFile.h"

#include <limits>
#include <memory>

#include "base/Text.h"
#include "base/TextFile.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"

namespace vog {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// "[name]" (blanks around allowed) gives the name; anything else is no section line.
bool SectionName(std::wstring_view line, std::wstring& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != L'[') return false;
  size_t close = line.find(L']');
  if (close == std::wstring_view::npos) return false;
  name = std::wstring(Trim(line.substr(1, close - 1)));
  return true;
}

// "key=value": the trimmed key and the value. Comment lines start with ";".
bool KeyValue(std::wstring_view line, std::wstring_view& key, std::wstring_view& value) {
  std::wstring_view t = Trim(line);
  if (t.empty() || t.front() == L';') return false;
  size_t eq = line.find(L'=');
  if (eq == std::wstring_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  // A value in matching quotes, double or single, loses them (as the system's profile
  // functions read it).
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return !key.empty();
}

}  // namespace

void TIniFile::Load(const std::wstring& path) {
  sections_.clear();
  std::string bytes;
  // Settings files are small; anything huge is not one of ours.
  if (ReadWholeFile(path, bytes, 16 << 20) != err::Success) return;
  Parse(bytes);
}

void TIniFile::Parse(std::string_view bytes) {
  sections_.clear();
  sections_.push_back({});
  for (auto& line : SplitLines(DecodeText(bytes, CodePage()))) {
    std::wstring name;
    if (SectionName(line, name))
      sections_.push_back({name, line, {}});
    else
      sections_.back().Lines.push_back(std::move(line));
  }
}

std::string TIniFile::Bytes() const {
  std::vector<std::wstring> lines;
  for (const auto& s : sections_) {
    if (!s.Header.empty()) lines.push_back(s.Header);
    lines.insert(lines.end(), s.Lines.begin(), s.Lines.end());
  }
  return EncodeUtf16LeWithBom(JoinLinesCrLf(lines));
}

uint32_t TIniFile::Save(const std::wstring& path) const { return WriteFileReplacing(path, Bytes()); }

const TIniFile::TSection* TIniFile::Find(const std::wstring& section) const {
  for (const auto& s : sections_)
    if (!s.Header.empty() && SameText(s.Name, section)) return &s;
  return nullptr;
}

const std::wstring* TIniFile::FindLine(const std::wstring& section, const std::wstring& key) const {
  const TSection* s = Find(section);
  if (!s) return nullptr;
  for (const auto& line : s->Lines) {
    std::wstring_view k, v;
    if (KeyValue(line, k, v) && SameText(k, key)) return &line;
  }
  return nullptr;
}

bool TIniFile::HasKey(const std::wstring& section, const std::wstring& key) const {
  return FindLine(section, key) != nullptr;
}

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& def) const {
  const std::wstring* line = FindLine(section, key);
  if (!line) return def;
  std::wstring_view k, v;
  KeyValue(*line, k, v);
  return std::wstring(v);
}

int32_t TIniFile::ReadInteger(const std::wstring& section, const std::wstring& key, int32_t def) const {
  const std::wstring* line = FindLine(section, key);
  if (!line) return def;
  std::wstring_view k, v;
  KeyValue(*line, k, v);
  int64_t value = 0;
  if (!TryTextToInt(v, value) || value < std::numeric_limits<int32_t>::min() ||
      value > std::numeric_limits<int32_t>::max())
    return def;
  return static_cast<int32_t>(value);
}

bool TIniFile::ReadBool(const std::wstring& section, const std::wstring& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  TSection* s = const_cast<TSection*>(Find(section));
  if (!s) {
    if (sections_.empty()) sections_.push_back({});
    // A blank line before a new section, as Windows' own writer leaves one.
    TSection& last = sections_.back();
    if (!last.Header.empty() || !last.Lines.empty())
      if (last.Lines.empty() || !last.Lines.back().empty()) last.Lines.emplace_back();
    sections_.push_back({section, L"[" + section + L"]", {}});
    s = &sections_.back();
  }
  for (auto& existing : s->Lines) {
    std::wstring_view k, v;
    if (KeyValue(existing, k, v) && SameText(k, key)) {
      existing = std::wstring(k) + L"=" + value;  // the key keeps its spelling
      return;
    }
  }
  std::wstring line = key + L"=" + value;
  // After the section's last key, before the blank lines that separate it from the next.
  size_t at = s->Lines.size();
  while (at > 0 && Trim(s->Lines[at - 1]).empty()) --at;
  s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), line);
}

void TIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int32_t value) {
  WriteString(section, key, IntToText(value));
}

void TIniFile::WriteBool(const std::wstring& section, const std::wstring& key, bool value) {
  WriteString(section, key, value ? L"1" : L"0");
}

}  // namespace vog
