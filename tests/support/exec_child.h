// The child's side of a fork in the test helpers: standard output and error to out_fd (left
// alone when out_fd < 0), standard input from /dev/null, then argv (searched in PATH).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace vexto::test {

[[noreturn]] inline void ExecInChild(const std::vector<std::string>& argv, int out_fd) {
  if (out_fd >= 0) {
    dup2(out_fd, 1);
    dup2(out_fd, 2);
  }
  const int devnull = open("/dev/null", O_RDONLY);
  if (devnull >= 0) dup2(devnull, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

}  // namespace vexto::test
