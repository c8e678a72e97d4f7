#include "streaming/page/str_to_int.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace vexto {

namespace {

[[noreturn]] void Invalid(const std::string& text) {
  throw ConvertError("'" + text + "' is not a valid integer value");
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t StrToInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  }
  if (i >= text.size()) Invalid(text);
  // Hexadecimal texts name the bit pattern (so "$FFFFFFFF" is -1); decimal texts must fit.
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit =
        base == 16 ? HexDigit(text[i])
                   : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
    if (digit < 0) Invalid(text);
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) Invalid(text);
  }
  int64_t result = 0;
  if (base == 16) {
    result = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (negative) result = -result;
    if (result > std::numeric_limits<int32_t>::max()) Invalid(text);
    return static_cast<int32_t>(result);
  }
  result = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  if (result < std::numeric_limits<int32_t>::min() || result > std::numeric_limits<int32_t>::max())
    Invalid(text);
  return static_cast<int32_t>(result);
}

}  // namespace vexto
