// Whole-number conversion of the texts the operator types (seconds fields, the stored service
// position): optional blanks, optional sign, decimal digits or hexadecimal after "$", "0x" or
// "x". Anything else, empty text included, raises ConvertError with the text
// "'<text>' is not a valid integer value". Pure functions, any thread.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vexto {

class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

int32_t StrToInt(const std::string& text);

}  // namespace vexto
