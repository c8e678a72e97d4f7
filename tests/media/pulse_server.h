// Test peers for sound: a private PulseAudio server with one null sink ("vexto_null", 48 kHz
// stereo; its monitor source "vexto_null.monitor" records what is played into it), reached
// through PULSE_SERVER, and child processes started and stopped by the tests.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"

extern char** environ;

namespace vexto::test {

// A child process, killed and reaped when this goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::vector<std::string>& extra_env = {}) {
    std::vector<std::string> env_strings;
    for (char** e = environ; *e != nullptr; ++e) env_strings.emplace_back(*e);
    env_strings.insert(env_strings.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> args, env;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : env_strings) env.push_back(e.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), env.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ChildProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    Wait();
  }
  // Waits for the child to end; its exit code, or -1.
  int Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// Starts the server and points this process at it (PULSE_SERVER); Ready() is false when
// PulseAudio is missing or did not come up.
class PulseServer {
 public:
  PulseServer()
      : socket_(dir_ / "native"),
        server_({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                 "--disable-shm=yes", "-L",
                 "module-null-sink sink_name=vexto_null rate=48000 channels=2", "-L",
                 "module-native-protocol-unix auth-anonymous=1 socket=" + socket_.string()},
                {"XDG_RUNTIME_DIR=" + dir_.path().string(), "HOME=" + dir_.path().string()}) {
    for (int i = 0; i < 100 && server_.Started(); ++i) {
      if (RunCommand({"pactl", "--server=unix:" + socket_.string(), "list", "short", "sinks"})
              .output.find("vexto_null") != std::string::npos) {
        ready_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ready_) setenv("PULSE_SERVER", Address().c_str(), 1);
  }
  ~PulseServer() { unsetenv("PULSE_SERVER"); }
  bool Ready() const { return ready_; }
  std::string Address() const { return "unix:" + socket_.string(); }

 private:
  TempDir dir_;
  std::filesystem::path socket_;
  ChildProcess server_;
  bool ready_ = false;
};

}  // namespace vexto::test
