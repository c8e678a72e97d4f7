#include "engine/media/live/video_capture.h"

#include <string>

#include "engine/media/core/engine_error.h"
#include "engine/media/live/device_input.h"
#include "engine/media/live/test_pattern.h"

namespace vexto::media {
namespace {

using Clock = std::chrono::steady_clock;

// A device that stops delivering for this long is closed and counted as failed.
constexpr std::chrono::milliseconds kReadTimeout{2000};
// Wait before reopening a device that failed while the choice stays the same.
constexpr std::chrono::milliseconds kRetryDelay{1000};

Clock::duration FramePeriod(const M_VID_PROPS& f) {
  const int num = f.nRateNum > 0 ? f.nRateNum : kProgramRateNum;
  const int den = f.nRateDen > 0 ? f.nRateDen : kProgramRateDen;
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(den) / static_cast<double>(num)));
}

}  // namespace

VideoCapture::VideoCapture() : thread_([this] { Run(); }) {}

VideoCapture::~VideoCapture() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void VideoCapture::Choose(const VideoCaptureChoice& choice) {
  {
    std::lock_guard lock(mutex_);
    choice_ = choice;
    ++generation_;
    newest_.reset();
  }
  wake_.notify_all();
}

AVFramePtr VideoCapture::Newest() const {
  std::lock_guard lock(mutex_);
  return RefAVFrame(newest_.get());
}

int64_t VideoCapture::CapturedCount() const {
  std::lock_guard lock(mutex_);
  return captured_;
}

void VideoCapture::Publish(AVFramePtr frame, uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_) return;
  if (frame) ++captured_;
  newest_ = std::move(frame);
}

bool VideoCapture::Interrupted(uint64_t generation) const {
  std::lock_guard lock(mutex_);
  return stop_ || generation_ != generation;
}

bool VideoCapture::WaitUntil(Clock::time_point deadline, uint64_t generation) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_until(lock, deadline, [&] { return stop_ || generation_ != generation; });
}

void VideoCapture::Run() {
  for (;;) {
    VideoCaptureChoice choice;
    uint64_t generation = 0;
    {
      std::unique_lock lock(mutex_);
      if (stop_) return;
      choice = choice_;
      generation = generation_;
    }
    if (!choice.active) {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stop_ || generation_ != generation; });
      continue;
    }
    if (choice.device.kind == eCaptureKind::TestSource) {
      try {
        RunTestSource(choice, generation);
      } catch (const EngineError&) {
        // A size the bars cannot have: no picture until another choice.
        Publish(nullptr, generation);
        WaitUntil(Clock::time_point::max(), generation);
      }
    } else {
      RunDevice(choice, generation);
    }
  }
}

void VideoCapture::RunTestSource(const VideoCaptureChoice& choice, uint64_t generation) {
  M_VID_PROPS format = choice.format;
  if (format.nWidth <= 0 && !choice.device.formats.empty()) format = choice.device.formats[0];
  const TestBars bars(format.nWidth, format.nHeight);
  const Clock::duration period = FramePeriod(format);
  Clock::time_point start = Clock::now();
  for (int64_t n = 0;; ++n) {
    Publish(bars.MakeFrame(n), generation);
    Clock::time_point next = start + period * (n + 1);
    const Clock::time_point now = Clock::now();
    if (now > next + 2 * period) {
      // Far behind (the machine was busy): skip ahead instead of bursting.
      start = now - period * (n + 1);
      next = now;
    }
    if (!WaitUntil(next, generation)) return;
  }
}

void VideoCapture::RunDevice(const VideoCaptureChoice& choice, uint64_t generation) {
  try {
    AVDictionaryOwner options;
    const M_VID_PROPS& f = choice.format;
    if (f.nWidth > 0 && f.nHeight > 0) {
      options.Set("video_size", std::to_string(f.nWidth) + "x" + std::to_string(f.nHeight));
    }
    if (f.nRateNum > 0 && f.nRateDen > 0) {
      options.Set("framerate", std::to_string(f.nRateNum) + "/" + std::to_string(f.nRateDen));
    }
    if (!f.strPixelFormat.empty()) options.Set("input_format", f.strPixelFormat);
    if (choice.input > 0) options.Set("channel", std::to_string(choice.input));
    DeviceInput input(
        "video4linux2", choice.device.url, options, AVMEDIA_TYPE_VIDEO,
        [this, generation] { return Interrupted(generation); }, kReadTimeout);
    while (AVFramePtr frame = input.Next()) {
      Publish(std::move(frame), generation);
      if (Interrupted(generation)) return;
    }
  } catch (const EngineError&) {
    // The device is gone or refused the format: no picture until it comes back.
  }
  Publish(nullptr, generation);
  WaitUntil(Clock::now() + kRetryDelay, generation);
}

}  // namespace vexto::media
