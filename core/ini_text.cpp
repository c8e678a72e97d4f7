#include "core/ini_text.h"

#include <limits>

#include "core/line_scan.h"
#include "core/text_encoding.h"

namespace vexto {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// One physical line: content [begin, end), the next line starts at `next`.
struct Line {
  size_t begin = 0;
  size_t end = 0;
  size_t next = 0;
};

// Reads the line starting at `pos` (pos < text.size()).
Line LineAt(std::string_view text, size_t pos) {
  Line line;
  line.begin = pos;
  const size_t eol = FindLineEnd(text, pos);
  if (eol == std::string_view::npos) {
    line.end = line.next = text.size();
  } else {
    line.end = eol;
    line.next = eol + 1;
    if (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n') ++line.next;
  }
  return line;
}

size_t FirstLine(std::string_view text) {
  return text.starts_with(kBom) ? kBom.size() : 0;
}

enum class Kind { kOther, kSection, kEntry };

struct Parsed {
  Kind kind = Kind::kOther;
  std::string_view name;   // section name or key
  std::string_view value;  // entry value, raw (after '=')
};

Parsed ParseLine(std::string_view line) {
  Parsed p;
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#') return p;
  if (t.front() == '[') {
    std::string_view name = t.substr(1);
    name = name.substr(0, name.find(']'));
    p.kind = Kind::kSection;
    p.name = Trim(name);
    return p;
  }
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = Kind::kEntry;
  p.name = Trim(t.substr(0, eq));
  p.value = t.substr(eq + 1);
  return p;
}

// Folds one code point to lower case (ASCII and Latin-1 letters); invalid bytes map above
// U+10FFFF so they only equal themselves.
char32_t Fold(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  return cp;
}

std::string_view NewLineOf(std::string_view text) {
  const size_t eol = FindLineEnd(text, 0);
  if (eol != std::string_view::npos && text[eol] == '\r' && eol + 1 < text.size() &&
      text[eol + 1] == '\n') {
    return "\r\n";
  }
  return "\n";
}

std::string EncodeValue(std::string_view value) {
  value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
  const bool quote =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                         (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  if (!quote) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t ca = 0;
    char32_t cb = 0;
    const size_t ia = i;
    const size_t jb = j;
    if (!NextUtf8(a, i, ca)) ca = 0x110000 + uint8_t(a[ia]);
    if (!NextUtf8(b, j, cb)) cb = 0x110000 + uint8_t(b[jb]);
    if (Fold(ca) != Fold(cb)) return false;
  }
  return i == a.size() && j == b.size();
}

std::optional<std::string> IniFindValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  bool in_section = false;
  bool seen_section = false;
  for (size_t pos = FirstLine(text); pos < text.size();) {
    const Line line = LineAt(text, pos);
    pos = line.next;
    const Parsed p = ParseLine(text.substr(line.begin, line.end - line.begin));
    if (p.kind == Kind::kSection) {
      if (in_section) return std::nullopt;  // the first section of that name had no such key
      in_section = !seen_section && IniNamesEqual(p.name, section);
      seen_section = seen_section || in_section;
    } else if (p.kind == Kind::kEntry && in_section && IniNamesEqual(p.name, key)) {
      std::string_view v = Trim(p.value);
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      v = v.substr(0, v.find('\0'));
      return std::string(v);
    }
  }
  return std::nullopt;
}

std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
  const std::string encoded = EncodeValue(value);
  bool in_section = false;
  bool found_section = false;
  size_t insert_at = 0;  // just past the last entry (or the header) of the found section
  for (size_t pos = FirstLine(text); pos < text.size();) {
    const Line line = LineAt(text, pos);
    pos = line.next;
    const Parsed p = ParseLine(text.substr(line.begin, line.end - line.begin));
    if (p.kind == Kind::kSection) {
      if (in_section) break;
      if (!found_section && IniNamesEqual(p.name, section)) {
        in_section = found_section = true;
        insert_at = line.next;
      }
    } else if (in_section && p.kind != Kind::kOther) {
      if (IniNamesEqual(p.name, key)) {
        std::string out(text.substr(0, line.begin));
        out.append(p.name).append("=").append(encoded);
        out.append(text.substr(line.end));
        return out;
      }
      insert_at = line.next;
    }
  }
  const std::string_view nl = NewLineOf(text);
  std::string out;
  if (found_section) {
    out.append(text.substr(0, insert_at));
    // The header or entry may be the file's last line, without a line end.
    if (insert_at > 0 && text[insert_at - 1] != '\n' && text[insert_at - 1] != '\r') out += nl;
    out.append(key).append("=").append(encoded).append(nl);
    out.append(text.substr(insert_at));
    return out;
  }
  out.append(text);
  if (!out.empty() && out.back() != '\n' && out.back() != '\r' && out != kBom) out += nl;
  out.append("[").append(section).append("]").append(nl);
  out.append(key).append("=").append(encoded).append(nl);
  return out;
}

int32_t IniParseInteger(std::string_view text, int32_t default_value) {
  std::string_view s = text;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with("$")) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return default_value;
  uint64_t magnitude = 0;
  for (const char c : s) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return default_value;
    magnitude = magnitude * uint64_t(base) + uint64_t(digit);
    if (magnitude > 0xFFFFFFFFull) return default_value;
  }
  if (base == 16) {
    const auto bits = uint32_t(magnitude);
    const auto value = int32_t(bits);  // two's complement wrap, as the hexadecimal form reads
    return negative ? int32_t(0u - bits) : value;
  }
  if (negative) {
    if (magnitude > uint64_t(std::numeric_limits<int32_t>::max()) + 1) return default_value;
    return int32_t(-int64_t(magnitude));
  }
  if (magnitude > uint64_t(std::numeric_limits<int32_t>::max())) return default_value;
  return int32_t(magnitude);
}

std::string IniCutValue(std::string_view value) {
  size_t chars = 0;
  size_t pos = 0;
  while (pos < value.size() && chars < kIniMaxValueChars) {
    char32_t cp = 0;
    NextUtf8(value, pos, cp);  // a stray byte moves one byte and counts as one character
    ++chars;
  }
  return std::string(value.substr(0, pos));
}

}  // namespace vexto
