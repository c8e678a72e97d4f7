// Errors of the playlist file. Each carries the text the operator sees in the error box.
#pragma once

#include <stdexcept>

namespace vexto {

// The file cannot be opened or read: "Cannot open file "<path>". <system reason>".
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file cannot be created or written: "Cannot create file "<path>". <system reason>".
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A flag field that is neither a number nor True/False: "'<text>' is not a valid boolean value".
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A line that is not blank but has fewer than five fields:
// "Playlist corrompido: a linha <n> não tem os cinco campos\r\r<line>".
class EPlaylistFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vexto
