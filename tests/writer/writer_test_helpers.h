// Small helpers the writer tests share: waiting on a condition (tests/support/wait_for.h), and
// collecting the writer's log lines from its own threads.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/media/core/interfaces.h"
#include "tests/support/wait_for.h"

namespace vexto::test {

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
