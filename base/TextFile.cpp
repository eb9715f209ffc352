#include "base/TextFile.h"

#include "base/Text.h"

namespace vog {

namespace {

bool StartsWithBytes(std::string_view bytes, std::string_view mark) {
  return bytes.size() >= mark.size() && bytes.substr(0, mark.size()) == mark;
}

// A dangling last byte of UTF-16 text is not dropped silently: it shows as U+FFFD.
std::wstring FromUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring out;
  out.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned a = static_cast<unsigned char>(bytes[i]);
    const unsigned b = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
  }
  if (bytes.size() % 2 != 0) out.push_back(static_cast<wchar_t>(0xFFFD));
  return out;
}

}  // namespace

std::wstring DecodeText(std::string_view bytes, const ICodePage& codePage, TTextEncoding* found) {
  TTextEncoding encoding = TTextEncoding::Ansi;
  std::wstring text;
  if (StartsWithBytes(bytes, "\xFF\xFE")) {
    encoding = TTextEncoding::Utf16Le;
    text = FromUtf16(bytes.substr(2), false);
  } else if (StartsWithBytes(bytes, "\xFE\xFF")) {
    encoding = TTextEncoding::Utf16Be;
    text = FromUtf16(bytes.substr(2), true);
  } else if (StartsWithBytes(bytes, "\xEF\xBB\xBF")) {
    encoding = TTextEncoding::Utf8;
    text = Utf8ToWide(bytes.substr(3));
  } else {
    text = codePage.AnsiToWide(bytes);
  }
  if (found) *found = encoding;
  return text;
}

std::string EncodeUtf16LeWithBom(std::wstring_view text) { return "\xFF\xFE" + ToUtf16Le(text); }

std::vector<std::wstring> SplitLines(std::wstring_view text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c != L'\r' && c != L'\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::wstring JoinLinesCrLf(const std::vector<std::wstring>& lines) {
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::wstring out;
  out.reserve(size);
  for (const auto& line : lines) {
    out += line;
    out += L"\r\n";
  }
  return out;
}

}  // namespace vog
