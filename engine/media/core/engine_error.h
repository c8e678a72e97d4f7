#pragma once

#include <stdexcept>
#include <string>

namespace vexto::media {

// An error raised by the media engine; what() is the text shown to the operator or logged.
class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vexto::media
