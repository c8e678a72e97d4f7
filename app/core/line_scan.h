// Finding line ends in large texts (CR LF, LF or a lone CR end a line).
#pragma once

#include <string_view>

namespace vexto {

// The position of the first '\r' or '\n' at or after `pos`, or npos. A plain byte loop: linear
// whatever the line ends (a search per character set costs several times more per byte).
inline size_t FindLineEnd(std::string_view text, size_t pos) {
  const char* p = text.data();
  for (size_t i = pos; i < text.size(); ++i) {
    if (p[i] == '\n' || p[i] == '\r') return i;
  }
  return std::string_view::npos;
}

}  // namespace vexto
