#pragma once
// The ANSI code page service (932 on a Japanese system). Byte text (pass phrases, cipher
// names, network credentials, names inside archives) converts to and from UTF-16 only here.
#include <string>
#include <string_view>

namespace vog {

class ICodePage {
public:
  virtual ~ICodePage() = default;
  virtual unsigned CodePageNumber() const = 0;
  virtual std::wstring AnsiToWide(std::string_view ansi) const = 0;
  // Characters without an ANSI form become "?"; `lossless` (when given) tells whether
  // every character converted exactly.
  virtual std::string WideToAnsi(std::wstring_view wide, bool* lossless = nullptr) const = 0;
  // Upper-cases ASCII letters and, where the code page has them, other letters;
  // double-byte characters are kept whole.
  virtual std::string AnsiUpper(std::string_view ansi) const = 0;
  // Whether `c` is the first byte of a double-byte character.
  virtual bool IsLeadByte(unsigned char c) const = 0;
};

}  // namespace vog
