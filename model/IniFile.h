#pragma once
// A small INI file reader and writer of the program's own, the same on every build.
// It reads what Windows' profile functions and editors write: UTF-16 with either byte
// order, UTF-8 with a byte-order mark, and ANSI text without a mark. It writes UTF-16LE
// with a byte-order mark and CR LF line ends (the form Windows keeps Unicode profiles in),
// keeping every section, key, comment and line it does not touch as it was.
//
// Section and key names compare without regard to letter case, as Windows does. Values
// are trimmed of surrounding blanks, and one pair of enclosing double quotes is removed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vog {

class TIniFile {
public:
  // Reads `path`; a missing or unreadable file is an empty one.
  void Load(const std::wstring& path);
  // Parses file bytes (with or without a byte-order mark).
  void Parse(std::string_view bytes);
  // The file's bytes as Save writes them.
  std::string Bytes() const;
  // Writes to a temporary file beside `path` and renames it into place; 0 or the Windows
  // error code of the step that failed.
  uint32_t Save(const std::wstring& path) const;

  bool HasKey(const std::wstring& section, const std::wstring& key) const;
  std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& def) const;
  // A decimal integer; a missing key or a value that is not one gives `def`.
  int32_t ReadInteger(const std::wstring& section, const std::wstring& key, int32_t def) const;
  bool ReadBool(const std::wstring& section, const std::wstring& key, bool def) const;

  // Replaces the key's value where it stands, or adds the key at the end of its section
  // (the section at the end of the file when it is new).
  void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  void WriteInteger(const std::wstring& section, const std::wstring& key, int32_t value);
  void WriteBool(const std::wstring& section, const std::wstring& key, bool value);

private:
  struct TSection {
    std::wstring Name;                // empty for lines before the first section
    std::wstring Header;              // the section's own line as read
    std::vector<std::wstring> Lines;  // everything up to the next section
  };
  const TSection* Find(const std::wstring& section) const;
  const std::wstring* FindLine(const std::wstring& section, const std::wstring& key) const;

  std::vector<TSection> sections_;
};

}  // namespace vog
