// nginx with its RTMP module on a free loopback port, for tests: application "live" records
// every published stream to <folder>/rec/<name>.flv. Stopped (its whole process group) when
// the object goes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_support.h"

namespace vexto::test {

class NginxRtmp {
 public:
  NginxRtmp();  // starts the server; fails the test (ADD_FAILURE) if it does not listen
  ~NginxRtmp();

  int port() const { return port_; }
  bool running() const { return process_ != nullptr; }
  // "rtmp://127.0.0.1:<port>/live" — the server URL an operator would type.
  std::string ServerUrl() const;
  // The recording of stream `name` (complete once the publisher has left).
  std::filesystem::path Recording(const std::string& name) const;

  // Stops the server at once (SIGKILL to its group: the connection simply drops).
  void Kill();
  // Starts it again on the same port; true once it listens.
  bool Restart();

 private:
  bool Launch();

  TempDir dir_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

// True when something accepts TCP connections on 127.0.0.1:port.
bool LoopbackPortListening(int port);

}  // namespace vexto::test
