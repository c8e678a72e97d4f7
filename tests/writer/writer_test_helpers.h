// Small helpers the writer tests share: waiting on a condition, and collecting the writer's
// log lines from its own threads.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/media/core/interfaces.h"

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

// The lines the writer logs, taken from any thread.
struct LogLines {
  std::mutex mutex;
  std::vector<std::string> lines;
  media::WriterLogger Hook() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex);
      lines.push_back(line);
    };
  }
  std::vector<std::string> Get() {
    std::lock_guard lock(mutex);
    return lines;
  }
};

}  // namespace vexto::test
