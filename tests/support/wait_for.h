// Waiting on a condition that another thread makes true, without an event loop.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vexto::test {

// Polls done every 20 ms until it holds or timeout passes; the last answer.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

}  // namespace vexto::test
