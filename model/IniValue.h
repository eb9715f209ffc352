#pragma once
// Reads one string value from an INI file, as the system's profile functions do: section
// and key names ignore letter case, blanks around keys and values are dropped, and a value
// wrapped in matching quotes loses them. The file is ANSI (code page of the platform) or
// UTF-16LE with its byte-order mark.
#include <string>

namespace vog {

// False when the file cannot be read or has no such section or key.
bool ReadIniValue(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                  std::wstring& value);

}  // namespace vog
