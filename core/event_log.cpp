#include "core/event_log.h"

#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <system_error>

#include "core/paths.h"
#include "core/text_encoding.h"

namespace vexto {
namespace {

// The one lock of the process's log: every open, write and close happens under it.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

[[noreturn]] void ThrowErrno(int err, const std::filesystem::path& path) {
  throw std::system_error(err, std::generic_category(), path.string());
}

std::string Strftime(const char* format, const std::tm& tm) {
  if (format == nullptr || *format == '\0') return {};
  char buf[256];
  // The format is the locale's own date or time format, not user input.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const size_t n = std::strftime(buf, sizeof buf, format, &tm);
#pragma GCC diagnostic pop
  return std::string(buf, n);
}

}  // namespace

TEventLog::TEventLog(std::filesystem::path exe_folder) : exe_folder_(std::move(exe_folder)) {}

std::string TEventLog::FormatLine(std::string_view message, std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  std::string line = Strftime(nl_langinfo(D_FMT), tm);
  line += "-";
  line += Strftime(nl_langinfo(T_FMT), tm);
  line += "  -> ";
  line += message;
  line += "\r\n";
  return line;
}

void TEventLog::CreateLogFile(std::string_view name) const {
  while (!name.empty() && (name.front() == '/' || name.front() == '\\')) name.remove_prefix(1);
  const std::filesystem::path folder = LogFolder();
  const std::filesystem::path path = folder / std::string(name);
  std::lock_guard lock(LogMutex());
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);  // a failure shows in the open below
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) ThrowErrno(errno, path);
  if (::close(fd) != 0) ThrowErrno(errno, path);
}

void TEventLog::logger(std::string_view message) const {
  const std::filesystem::path path = LogFilePath();
  std::lock_guard lock(LogMutex());
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) ThrowErrno(errno, path);
  const std::string bytes = Utf8ToCp1252(FormatLine(message, std::time(nullptr)));
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      ThrowErrno(err, path);
    }
    rest.remove_prefix(size_t(n));
  }
  if (::close(fd) != 0) ThrowErrno(errno, path);
}

const TEventLog& ProcessEventLog() {
  static const TEventLog log(ExecutableFolder());
  return log;
}

void CreateLogFile(std::string_view name) {
  ProcessEventLog().CreateLogFile(name);
}

void logger(std::string_view message) {
  ProcessEventLog().logger(message);
}

}  // namespace vexto
