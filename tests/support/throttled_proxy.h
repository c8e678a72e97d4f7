// A TCP relay on a free loopback port for tests and benchmarks: every connection made to it is
// joined to 127.0.0.1:<target>, and what the client sends is passed on at most at `bytes_per_s`
// (0: no limit), so a server seems slow. Stall() stops reading from the clients altogether: a
// server that accepted and hangs. Runs on a thread of its own; stops with the object.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "tests/support/test_support.h"

namespace vexto::test {

class ThrottledProxy {
 public:
  ThrottledProxy(int target_port, int64_t bytes_per_s);
  ~ThrottledProxy();
  ThrottledProxy(const ThrottledProxy&) = delete;
  ThrottledProxy& operator=(const ThrottledProxy&) = delete;

  int port() const { return listener_.port(); }
  void Stall() { stalled_.store(true); }
  int64_t bytes_passed() const { return passed_.load(); }

 private:
  void Run();

  int target_port_;
  int64_t rate_;
  LoopbackListener listener_;
  std::atomic<bool> running_{true};
  std::atomic<bool> stalled_{false};
  std::atomic<int64_t> passed_{0};
  std::thread thread_;
};

}  // namespace vexto::test
