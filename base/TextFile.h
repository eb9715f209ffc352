#pragma once
// Text files: the program writes UTF-16LE with a byte-order mark and CR LF line ends;
// it reads UTF-16LE (FF FE), UTF-16BE (FE FF), UTF-8 (EF BB BF) and, without a mark,
// ANSI through the code page service.
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"

namespace vog {

enum class TTextEncoding { Utf16Le, Utf16Be, Utf8, Ansi };

// Decodes file bytes to text, detecting the byte-order mark.
std::wstring DecodeText(std::string_view bytes, const ICodePage& codePage, TTextEncoding* found = nullptr);
// Encodes text as UTF-16LE with FF FE. Line ends are written as given.
std::string EncodeUtf16LeWithBom(std::wstring_view text);
// Splits text into lines at CR LF, LF or CR. A final line end yields no empty last line.
std::vector<std::wstring> SplitLines(std::wstring_view text);
// Joins lines with CR LF after each one.
std::wstring JoinLinesCrLf(const std::vector<std::wstring>& lines);

}  // namespace vog
