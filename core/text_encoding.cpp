#include "core/text_encoding.h"

#include <array>
#include <cstdint>

namespace vexto {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the code page equals ISO-8859-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The byte for code point `cp`, or -1 when the code page lacks it.
int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
  for (size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == cp) return int(0x80 + i);
  }
  return -1;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

bool NextUtf8(std::string_view text, size_t& pos, char32_t& cp) {
  const auto byte = [&](size_t i) { return uint8_t(text[i]); };
  const uint8_t b0 = byte(pos);
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  }
  size_t len = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return false;
  }
  if (text.size() - pos < len) {
    ++pos;
    return false;
  }
  for (size_t i = 1; i < len; ++i) {
    const uint8_t b = byte(pos + i);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return false;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return false;
  }
  pos += len;
  return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const uint8_t b = uint8_t(c);
    if (b >= 0x80 && b < 0xA0) {
      AppendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8, bool* all_mapped) {
  std::string out;
  out.reserve(utf8.size());
  bool exact = true;
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    const int b = NextUtf8(utf8, pos, cp) ? Cp1252Byte(cp) : -1;
    if (b < 0) exact = false;
    out.push_back(b < 0 ? '?' : char(b));
  }
  if (all_mapped != nullptr) *all_mapped = exact;
  return out;
}

bool FitsCp1252(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    if (!NextUtf8(utf8, pos, cp) || Cp1252Byte(cp) < 0) return false;
  }
  return true;
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;
  const auto unit = [&](size_t i) -> char16_t {
    const uint8_t a = uint8_t(bytes[2 * i]);
    const uint8_t b = uint8_t(bytes[2 * i + 1]);
    return big_endian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
  };
  for (size_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char16_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, u);  // lone surrogates become U+FFFD there
  }
  return out;
}

}  // namespace vexto
