// The video half of the live source: one capture thread that keeps the newest picture of the
// chosen device. The thread is started by the constructor and joined by the destructor, which
// returns within a few milliseconds (every wait and device read is interruptible).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/media/core/av_ptr.h"
#include "engine/media/core/media_types.h"
#include "engine/media/live/capture_devices.h"

namespace vexto::media {

struct VideoCaptureChoice {
  bool active = false;  // false: no device, no picture
  CaptureDevice device;
  int input = 0;       // position in device.inputs
  M_VID_PROPS format;  // nWidth 0: the device's own default format
};

class VideoCapture {
 public:
  VideoCapture();
  ~VideoCapture();
  VideoCapture(const VideoCapture&) = delete;
  VideoCapture& operator=(const VideoCapture&) = delete;

  // Any thread. Drops the current picture at once; the thread reopens with the new choice.
  void Choose(const VideoCaptureChoice& choice);

  // Any thread, never blocks on the device: a new reference to the newest picture, or nullptr
  // when there is none (no device, device failed or not yet delivered).
  AVFramePtr Newest() const;

  // Pictures captured since construction (for tests and diagnostics).
  int64_t CapturedCount() const;

 private:
  void Run();
  // Stores `frame` as the newest unless a newer choice was made meanwhile.
  void Publish(AVFramePtr frame, uint64_t generation);
  // Waits until `deadline`; false when a stop or a new choice came first.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline, uint64_t generation);
  bool Interrupted(uint64_t generation) const;
  void RunTestSource(const VideoCaptureChoice& choice, uint64_t generation);
  void RunDevice(const VideoCaptureChoice& choice, uint64_t generation);

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  bool stop_ = false;
  uint64_t generation_ = 0;  // bumped by every Choose
  VideoCaptureChoice choice_;
  AVFramePtr newest_;
  int64_t captured_ = 0;
  std::thread thread_;  // last: started after the state above exists
};

}  // namespace vexto::media
