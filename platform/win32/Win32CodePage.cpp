// The ANSI code page of the system (932 on a Japanese Windows, and under Wine with
// LC_ALL=ja_JP.UTF-8).
#include <windows.h>

#include <climits>

#include "platform/SystemPlatform.h"

namespace vog {

namespace {

int ClampSize(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

class TWin32CodePage : public ICodePage {
public:
  unsigned CodePageNumber() const override { return GetACP(); }

  std::wstring AnsiToWide(std::string_view ansi) const override {
    if (ansi.empty()) return {};
    const int inSize = ClampSize(ansi.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), inSize, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), inSize, out.data(), n);
    return out;
  }

  std::string WideToAnsi(std::wstring_view wide, bool* lossless) const override {
    if (lossless) *lossless = true;
    if (wide.empty()) return {};
    const int inSize = ClampSize(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), inSize, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
      if (lossless) *lossless = false;
      return {};
    }
    std::string out(static_cast<size_t>(n), '\0');
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, 0, wide.data(), inSize, out.data(), n, "?", &usedDefault);
    // The default character flags characters without any form; a "best fit" (a look-alike
    // character) is not flagged, so the text is exact only if it also comes back unchanged.
    if (lossless) *lossless = !usedDefault && AnsiToWide(out) == wide;
    return out;
  }

  std::string AnsiUpper(std::string_view ansi) const override {
    std::string out(ansi);
    // ASCII text (every option and most paths) is upper-cased here, as the system would:
    // the system's call lives in the window library, which a run from the command line
    // otherwise never loads.
    bool ascii = true;
    for (char& c : out) {
      if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (!ascii) {
      out = ansi;
      CharUpperBuffA(out.data(), static_cast<DWORD>(ClampSize(out.size())));
    }
    return out;
  }

  bool IsLeadByte(unsigned char c) const override { return IsDBCSLeadByte(c) != FALSE; }
};

}  // namespace

std::unique_ptr<ICodePage> CreateSystemCodePage() { return std::make_unique<TWin32CodePage>(); }

}  // namespace vog
