#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "tests/support/exec_child.h"

namespace vexto::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& log) {
  const std::string log_path = log.empty() ? "/dev/null" : log.string();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    setpgid(0, 0);
    ExecInChild(argv, open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644));
  }
  setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess() {
  if (!reaped_) Terminate(SIGTERM, std::chrono::milliseconds(1000));
}

bool ChildProcess::Running() {
  return !Wait(std::chrono::milliseconds(0));
}

bool ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (reaped_) return true;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      reaped_ = true;
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (r < 0) {
      reaped_ = true;
      return true;
    }
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void ChildProcess::Terminate(int sig, std::chrono::milliseconds grace) {
  if (reaped_) {
    kill(-pid_, SIGKILL);  // anything the group left behind
    return;
  }
  kill(-pid_, sig);
  if (!Wait(grace)) {
    kill(-pid_, SIGKILL);
    Wait(std::chrono::milliseconds(5000));
  }
  kill(-pid_, SIGKILL);
}

}  // namespace vexto::test
