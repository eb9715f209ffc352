// The native build's ANSI code page: Windows code page 932 through glibc's iconv "CP932"
// (Microsoft's table, with the NEC and IBM extensions), so that byte text converts the
// same way as on a Japanese Windows.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/Text.h"
#include "platform/SystemPlatform.h"

namespace vog {

namespace {

// The replacement Windows uses for a double-byte sequence code page 932 has no character for.
constexpr wchar_t kUnmappedDbcs = 0x30FB;

// One iconv conversion descriptor per call: descriptors carry state and are not safe to
// share between threads, and opening one is cheap once glibc has loaded the table.
class TIconv {
public:
  TIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: CP932 is not available");
  }
  ~TIconv() { iconv_close(cd_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts as much as possible; returns the bytes of `in` consumed. Stops at the first
  // sequence that cannot be converted (errno EILSEQ or EINVAL) or at the end.
  size_t Convert(const char* in, size_t inSize, std::string& out, int& error) {
    error = 0;
    size_t consumed = 0;
    char buffer[4096];
    while (consumed < inSize) {
      char* src = const_cast<char*>(in + consumed);
      size_t srcLeft = inSize - consumed;
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      const size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, dst);
      consumed = inSize - srcLeft;
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        error = errno;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return consumed;
      }
    }
    return consumed;
  }

private:
  iconv_t cd_;
};

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Upper case of one UTF-16 unit as the system's upper-casing of ANSI text does it:
// the simple mapping plus the small Roman numerals that code page 932 carries.
wchar_t UpperForAnsi(wchar_t c) {
  const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
  if (u >= 0x2170 && u <= 0x217F) return static_cast<wchar_t>(u - 0x10);
  return UpperUnit(c);
}

class TPosixCodePage : public ICodePage {
public:
  unsigned CodePageNumber() const override { return 932; }

  std::wstring AnsiToWide(std::string_view ansi) const override {
    TIconv cd("UTF-16LE", "CP932");
    std::string utf16;
    size_t pos = 0;
    while (pos < ansi.size()) {
      int error = 0;
      pos += cd.Convert(ansi.data() + pos, ansi.size() - pos, utf16, error);
      if (pos >= ansi.size()) break;
      // A byte or pair without a character: one replacement, as MultiByteToWideChar does.
      const unsigned char c = static_cast<unsigned char>(ansi[pos]);
      const bool pair = IsCp932Lead(c) && pos + 1 < ansi.size() && ansi[pos + 1] != '\0';
      utf16.push_back(static_cast<char>(kUnmappedDbcs & 0xFF));
      utf16.push_back(static_cast<char>(kUnmappedDbcs >> 8));
      pos += pair ? 2 : 1;
    }
    return FromUtf16Le(utf16);
  }

  std::string WideToAnsi(std::wstring_view wide, bool* lossless) const override {
    const std::string utf16 = ToUtf16Le(wide);
    TIconv cd("CP932", "UTF-16LE");
    std::string out;
    bool exact = true;
    size_t pos = 0;
    while (pos < utf16.size()) {
      int error = 0;
      pos += cd.Convert(utf16.data() + pos, utf16.size() - pos, out, error);
      if (pos >= utf16.size()) break;
      // A character code page 932 does not have (a whole surrogate pair counts as one).
      exact = false;
      out.push_back('?');
      const unsigned unit = static_cast<unsigned char>(utf16[pos]) | (static_cast<unsigned char>(utf16[pos + 1]) << 8);
      size_t skip = 2;
      if (unit >= 0xD800 && unit <= 0xDBFF && pos + 3 < utf16.size()) {
        const unsigned next =
            static_cast<unsigned char>(utf16[pos + 2]) | (static_cast<unsigned char>(utf16[pos + 3]) << 8);
        if (next >= 0xDC00 && next <= 0xDFFF) skip = 4;
      }
      pos += skip;
    }
    // Some characters map one way only (a "best fit"); the text is exact only if it
    // comes back unchanged.
    if (lossless) *lossless = exact && AnsiToWide(out) == wide;
    return out;
  }

  std::string AnsiUpper(std::string_view ansi) const override {
    std::string out(ansi);
    for (size_t i = 0; i < out.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(out[i]);
      if (c >= 'a' && c <= 'z') {
        out[i] = static_cast<char>(c - 32);
      } else if (IsCp932Lead(c) && i + 1 < out.size()) {
        // A double-byte character is upper-cased whole (full-width Latin, Greek and
        // Cyrillic letters have capitals in the code page) and never split.
        const std::wstring w = AnsiToWide(std::string_view(out).substr(i, 2));
        if (w.size() == 1) {
          const wchar_t upper = UpperForAnsi(w[0]);
          if (upper != w[0]) {
            bool exact = false;
            const std::string back = WideToAnsi(std::wstring(1, upper), &exact);
            if (exact && back.size() == 2) out.replace(i, 2, back);
          }
        }
        ++i;
      }
    }
    return out;
  }

  bool IsLeadByte(unsigned char c) const override { return IsCp932Lead(c); }
};

}  // namespace

std::unique_ptr<ICodePage> CreateSystemCodePage() { return std::make_unique<TPosixCodePage>(); }

}  // namespace vog
