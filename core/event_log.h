// The event log: Log/vexto.log beside the executable, one line per event, never truncated.
//
// Line layout: short date, "-", long time, "  -> ", message, CR LF, e.g.
// "12/08/25-21:27:05  -> Iniciando Vexto". Date and time use the formats of the process's LC_TIME
// locale (nl_langinfo D_FMT and T_FMT through strftime); both come from one reading of the clock,
// so a line written at midnight never mixes two days. The file is Windows-1252 without a
// byte-order mark: the UTF-8 message is converted and a character the code page lacks becomes
// '?'; a message holding a line break continues on the next physical line without a prefix.
//
// Threads: logger may be called from any thread (the GUI thread and the frame pump). One
// process-wide mutex serialises every open, write and close, so lines from two threads never
// interleave and never share a file handle. Each call opens, appends and closes the file; nothing
// is buffered between calls, so a line is in the file when logger returns.
//
// Failures raise std::system_error carrying errno (the input/output error of the system): a
// missing folder, a missing log file for logger (it never creates the file; a log deleted while
// the system runs makes every later call fail and write nothing), denied access, a full disk.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace vexto {

class TEventLog {
 public:
  // `exe_folder` is the folder beside which "Log" lives (the executable's folder in the system,
  // a temporary folder in tests).
  explicit TEventLog(std::filesystem::path exe_folder);

  // Makes sure the folder "Log" (with any missing parents) and the file `name` in it exist;
  // `name` starts with a path separator, "/" or "\" ("\vexto.log" and "/vexto.log" are the same).
  // An existing file is left unchanged. Throws std::system_error when the file cannot be made.
  void CreateLogFile(std::string_view name) const;

  // Appends one line with `message` (UTF-8) to Log/vexto.log.
  void logger(std::string_view message) const;

  std::filesystem::path LogFolder() const { return exe_folder_ / "Log"; }
  std::filesystem::path LogFilePath() const { return LogFolder() / "vexto.log"; }

  // The text of one line for `message` at time `when`, without the conversion to Windows-1252
  // (UTF-8, ends with CR LF).
  static std::string FormatLine(std::string_view message, std::time_t when);

 private:
  std::filesystem::path exe_folder_;
};

// The process's log, beside the running executable.
const TEventLog& ProcessEventLog();

// The system's two operations on the process's log.
void CreateLogFile(std::string_view name);
void logger(std::string_view message);

}  // namespace vexto
