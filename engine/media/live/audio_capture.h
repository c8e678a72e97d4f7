// The audio half of the live source. The chosen device is captured on its own thread into a
// short buffer (newest sound kept, about a quarter of a second at most); the pump's pulls take
// each frame's share from it, padding with silence when the device is late. The test tone is
// made at pull time, so it is exact and costs no thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/media/live/capture_devices.h"

namespace vexto::media {

class AudioCapture {
 public:
  AudioCapture();
  ~AudioCapture();
  AudioCapture(const AudioCapture&) = delete;
  AudioCapture& operator=(const AudioCapture&) = delete;

  // Any thread. active false: silence. The buffered sound of the previous device is dropped.
  void Choose(bool active, const CaptureDevice& device);

  // Any thread, never blocks on the device: appends `samples` stereo samples (48 kHz S16).
  void Take(int samples, std::vector<int16_t>& out);

 private:
  void Run();
  bool Interrupted(uint64_t generation) const;
  void Capture(const CaptureDevice& device, uint64_t generation);
  void Append(const int16_t* data, size_t count, uint64_t generation);

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  bool stop_ = false;
  uint64_t generation_ = 0;
  bool active_ = false;
  CaptureDevice device_;
  int64_t tone_position_ = 0;     // samples of the test tone already given
  std::deque<int16_t> buffered_;  // captured sound not yet taken, interleaved
  std::thread thread_;
};

}  // namespace vexto::media
