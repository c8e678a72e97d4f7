// The settings file: an INI file read and written through six operations, with the semantics of
// the classic profile functions (see ini_text.h for the syntax). UTF-8 text.
//
// Reads go to the file: the content is cached together with the file's identity, size and
// modification time and read again whenever any of them changes, so an edit by another program
// is seen at the next read. A file changed less than two seconds before it was read is not
// cached at all (file times are coarse; a same-size edit in the same tick would go unseen). A
// missing or unreadable file reads as empty (every read gives its default); opening never fails.
// Every write reads the file afresh, changes one entry and replaces the file atomically and durably
// (WriteFileAtomically) before it returns; a write that cannot be done raises EIniFileException
// "Unable to write to <path>" and leaves the file as it was. The object may be used from any thread
// (a mutex guards the cache); the system uses it on the GUI thread only.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vexto {

// A refused settings write. what() is "Unable to write to <path>".
class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
 public:
  explicit TIniFile(std::filesystem::path file_name);

  const std::filesystem::path& FileName() const { return file_name_; }

  // The stored text (cut to 2047 characters), or `default_value` when the section or key is
  // missing. A key present with an empty value reads as the empty text.
  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view default_value) const;
  // IniParseInteger of the stored text; `default_value` when missing, empty or not a number.
  int32_t ReadInteger(std::string_view section, std::string_view ident,
                      int32_t default_value) const;
  // ReadInteger with default 1 or 0; any non-zero result is true.
  bool ReadBool(std::string_view section, std::string_view ident, bool default_value) const;

  // Each write is on disk when it returns; throws EIniFileException when refused.
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view ident, int32_t value);  // decimal
  void WriteBool(std::string_view section, std::string_view ident, bool value);        // "1" or "0"

 private:
  struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{};
    bool operator==(const Stamp& o) const {
      return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
             mtime.tv_nsec == o.mtime.tv_nsec;
    }
  };
  // The file's current content (empty when missing or unreadable); caller holds mutex_.
  const std::string& Content() const;
  static bool StampOf(const std::filesystem::path& path, Stamp& stamp);

  std::filesystem::path file_name_;
  mutable std::mutex mutex_;
  mutable Stamp stamp_;
  mutable bool cached_ = false;
  mutable std::string content_;
};

}  // namespace vexto
