// A frame pump stand-in for the writer tests: pushes program frames in real time (absolute
// deadlines) on its own thread, alternating a live-like source (640x360) and a clip (1280x720)
// every 5 s, and times every PushFrame.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/media/core/interfaces.h"
#include "tests/writer/program_frames.h"

namespace vexto::test {

inline constexpr Rgb kLiveColor{30, 60, 200};
inline constexpr Rgb kClipColor{200, 40, 40};

class Pump {
 public:
  explicit Pump(media::IMFReceiver& writer, int64_t frames = INT64_MAX)
      : writer_(writer), frames_(frames), thread_([this] { Run(); }) {}
  ~Pump() { Stop(); }
  void Stop() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
  }
  int64_t pushed() const { return pushed_.load(); }
  std::chrono::nanoseconds longest() const { return std::chrono::nanoseconds(longest_.load()); }
  // After Stop.
  std::chrono::nanoseconds median() {
    if (times_.empty()) return {};
    std::sort(times_.begin(), times_.end());
    return std::chrono::nanoseconds(times_[times_.size() / 2]);
  }

 private:
  void Run() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (int64_t i = 0; running_.load() && i < frames_; ++i) {
      std::this_thread::sleep_until(start + std::chrono::nanoseconds(i * 1001000000LL / 30));
      const bool clip = (i / 150) % 2 == 1;
      const media::IMFFramePtr frame = clip ? MakeProgramFrame(i, kClipColor, 1280, 720)
                                            : MakeProgramFrame(i, kLiveColor, 640, 360);
      const auto t0 = Clock::now();
      writer_.PushFrame(frame, 0, 0, 0);
      const int64_t took = (Clock::now() - t0).count();
      longest_.store(std::max(longest_.load(), took));
      times_.push_back(took);
      pushed_.store(i + 1);
    }
  }

  media::IMFReceiver& writer_;
  const int64_t frames_;
  std::atomic<bool> running_{true};
  std::atomic<int64_t> pushed_{0};
  std::atomic<int64_t> longest_{0};
  std::vector<int64_t> times_;  // the pump thread's, read after Stop
  std::thread thread_;
};

}  // namespace vexto::test
