// Scanning the settings and playlist texts: line ends in large texts (CR LF, LF or a lone CR
// end a line) and the blanks around fields.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vexto {

// The position of the first '\r' or '\n' at or after `pos`, or npos. Searches windows of 4 KB
// with memchr (fast, and cheap under the sanitizers), so the cost stays linear in the bytes
// scanned whichever line end the text uses.
inline size_t FindLineEnd(std::string_view text, size_t pos) {
  constexpr size_t kWindow = 4096;
  while (pos < text.size()) {
    const char* begin = text.data() + pos;
    const size_t n = std::min(kWindow, text.size() - pos);
    const void* lf = std::memchr(begin, '\n', n);
    const size_t limit = lf ? size_t(static_cast<const char*>(lf) - begin) : n;
    const void* cr = std::memchr(begin, '\r', limit);
    if (cr) return pos + size_t(static_cast<const char*>(cr) - begin);
    if (lf) return pos + limit;
    pos += n;
  }
  return std::string_view::npos;
}

// Spaces and tabs are the blanks around names, values and fields.
inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// s without its leading and trailing blanks.
inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace vexto
