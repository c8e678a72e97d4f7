// A program run in the background for a test (a receiver, a server), in its own process group,
// ended with its whole group when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace vexto::test {

class ChildProcess {
 public:
  // Starts argv (no shell); standard output and error go to log (or /dev/null when empty).
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::filesystem::path& log = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  // Waits for the exit; false when it is still running at the end of timeout.
  bool Wait(std::chrono::milliseconds timeout);
  int exit_code() const { return exit_code_; }
  // Sends sig to the process group; after grace, SIGKILL. Waits for the exit.
  void Terminate(int sig, std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int exit_code_ = -1;
};

}  // namespace vexto::test
