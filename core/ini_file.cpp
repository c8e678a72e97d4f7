#include "core/ini_file.h"

#include <sys/stat.h>

#include <system_error>

#include "core/atomic_file.h"
#include "core/ini_text.h"

namespace vexto {
namespace {

// A file whose last change is at least this old is taken as settled for the read cache.
constexpr time_t kSettledSeconds = 2;

}  // namespace

TIniFile::TIniFile(std::filesystem::path file_name) : file_name_(std::move(file_name)) {}

bool TIniFile::StampOf(const std::filesystem::path& path, Stamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  stamp.dev = st.st_dev;
  stamp.ino = st.st_ino;
  stamp.size = st.st_size;
  stamp.mtime = st.st_mtim;
  return true;
}

const std::string& TIniFile::Content() const {
  Stamp now;
  if (!StampOf(file_name_, now)) {
    cached_ = false;
    content_.clear();
    return content_;
  }
  if (cached_ && now == stamp_) return content_;
  timespec read_time{};
  clock_gettime(CLOCK_REALTIME, &read_time);
  try {
    content_ = ReadWholeFile(file_name_);
    // Keep the content only if the file did not change while it was read, and only if it was
    // last changed well before this read: file times are coarse, so a change within the same
    // tick could keep the same stamp (the file is then read again next time).
    Stamp after;
    cached_ = StampOf(file_name_, after) && after == now &&
              read_time.tv_sec - now.mtime.tv_sec >= kSettledSeconds;
    stamp_ = now;
  } catch (const std::system_error&) {
    cached_ = false;
    content_.clear();
  }
  return content_;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view default_value) const {
  std::lock_guard lock(mutex_);
  const auto value = IniFindValue(Content(), section, ident);
  return value ? IniCutValue(*value) : std::string(default_value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident,
                              int32_t default_value) const {
  std::lock_guard lock(mutex_);
  const auto value = IniFindValue(Content(), section, ident);
  return value ? IniParseInteger(IniCutValue(*value), default_value) : default_value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident,
                        bool default_value) const {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
  std::lock_guard lock(mutex_);
  try {
    std::string old;
    try {
      old = ReadWholeFile(file_name_);
    } catch (const std::system_error& e) {
      if (e.code() != std::errc::no_such_file_or_directory) throw;
    }
    WriteFileAtomically(file_name_, IniSetValue(old, section, ident, value));
  } catch (const std::exception&) {
    cached_ = false;
    throw EIniFileException("Unable to write to " + file_name_.string());
  }
  cached_ = false;  // the next read takes the new file (and its new stamp)
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int32_t value) {
  WriteString(section, ident, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

}  // namespace vexto
