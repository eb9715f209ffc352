#include "base/Text.h"

#include <algorithm>

namespace vog {

wchar_t UpperUnit(wchar_t c) noexcept {
  const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? static_cast<wchar_t>(u - 32) : c;
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 32);
  if (u == 0xFF) return static_cast<wchar_t>(0x178);
  if (u >= 0x100 && u <= 0x17F) {
    // Latin Extended-A pairs capital/small by even/odd, shifted by one in two ranges.
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) return (u % 2 == 0) ? static_cast<wchar_t>(u - 1) : c;
    if (u == 0x131 || u == 0x138 || u == 0x149 || u == 0x130 || u == 0x17F) return c;
    return (u % 2 == 1) ? static_cast<wchar_t>(u - 1) : c;
  }
  if (u >= 0x3B1 && u <= 0x3CB) return u == 0x3C2 ? static_cast<wchar_t>(0x3A3) : static_cast<wchar_t>(u - 32);
  if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 32);
  if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 80);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 32);
  return c;
}

namespace {

// UpperUnit as an unsigned code unit, with the ASCII case kept inline: paths are mostly
// ASCII and every sort and lookup of a run comes through here.
inline unsigned FoldUnit(wchar_t c) noexcept {
  const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
  if (u < 0x80) return (u - 'a' < 26u) ? u - 32 : u;
  return static_cast<unsigned>(UpperUnit(c)) & 0xFFFF;
}

}  // namespace

int CompareText(std::wstring_view a, std::wstring_view b) noexcept {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned x = FoldUnit(a[i]);
    const unsigned y = FoldUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsWithText(std::wstring_view text, std::wstring_view prefix) noexcept {
  return text.size() >= prefix.size() && CompareText(text.substr(0, prefix.size()), prefix) == 0;
}

std::wstring UpperText(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = UpperUnit(c);
  return out;
}

std::wstring Utf8ToWide(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  size_t i = 0;
  auto put = [&out](uint32_t cp) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
  };
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int len = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      len = 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      len = 4;
    } else {
      put(0xFFFD);
      ++i;
      continue;
    }
    if (i + len > s.size()) {
      put(0xFFFD);
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (t & 0x3F);
    }
    if (ok &&
        ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
      ok = false;
    if (!ok) {
      put(0xFFFD);
      ++i;
      continue;
    }
    put(cp);
    i += len;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view w) {
  std::string out;
  out.reserve(w.size());
  for (size_t i = 0; i < w.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(w[i]) & 0xFFFF;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size()) {
      const uint32_t lo = static_cast<uint32_t>(w[i + 1]) & 0xFFFF;
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::wstring FromUtf16Le(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out.push_back(
        static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return out;
}

std::string ToUtf16Le(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (wchar_t c : text) {
    const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::wstring IntToText(int64_t value) {
  const std::string s = std::to_string(value);
  return std::wstring(s.begin(), s.end());
}

bool TryTextToInt(std::wstring_view text, int64_t& value) noexcept {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (i >= text.size()) return false;
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    const uint64_t d = static_cast<uint64_t>(text[i] - L'0');
    if (v > (UINT64_C(9223372036854775808) - d) / 10) return false;
    v = v * 10 + d;
  }
  if (!negative && v > UINT64_C(9223372036854775807)) return false;
  value = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace vog
