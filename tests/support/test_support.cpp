#include "tests/support/test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include <gtest/gtest.h>

#include "tests/support/exec_child.h"

namespace vexto::test {

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "vexto-test-XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

CommandResult RunCommand(const std::vector<std::string>& argv) {
  CommandResult result;
  int pipefd[2];
  if (pipe2(pipefd, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid == 0) ExecInChild(argv, pipefd[1]);
  close(pipefd[1]);
  char buf[4096];
  ssize_t n;
  while ((n = read(pipefd[0], buf, sizeof buf)) > 0) result.output.append(buf, size_t(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool Ffmpeg(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"ffmpeg",    "-nostdin", "-hide_banner",
                                   "-loglevel", "error",    "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  const CommandResult r = RunCommand(argv);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  return r.exit_code == 0;
}

bool MakeColorClip(const std::filesystem::path& out, const std::string& color, double seconds,
                   const std::string& size, const std::string& rate,
                   const std::vector<std::string>& extra_args) {
  const std::string d = std::to_string(seconds);
  std::vector<std::string> args = {
      "-f",       "lavfi", "-i", "color=c=" + color + ":s=" + size + ":r=" + rate + ":d=" + d,
      "-f",       "lavfi", "-i", "sine=frequency=1000:sample_rate=48000:duration=" + d,
      "-shortest"};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  args.push_back(out.string());
  return Ffmpeg(args);
}

std::string ProbeEntry(const std::filesystem::path& file, const std::string& stream,
                       const std::string& entry) {
  const CommandResult r =
      RunCommand({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries", entry,
                  "-of", "default=noprint_wrappers=1:nokey=1", file.string()});
  std::string out = r.output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

namespace {

// A socket bound to a free port of 127.0.0.1; port receives the port.
int BindLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

int FreeLoopbackPort() {
  int port = 0;
  close(BindLoopback(port));
  return port;
}

LoopbackListener::LoopbackListener() {
  fd_ = BindLoopback(port_);
  listen(fd_, 16);
}

LoopbackListener::~LoopbackListener() {
  close(fd_);
}

}  // namespace vexto::test
