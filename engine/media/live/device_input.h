// One opened capture device read through libavdevice: demuxer plus decoder, with every blocking
// call bounded by an interrupt callback (a stop request, or no data for `read_timeout`).
// Owned and used by one capture thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "engine/media/core/av_ptr.h"

namespace vexto::media {

// Registers libavdevice's inputs once per process.
void RegisterCaptureFormats();

class DeviceInput {
 public:
  using Clock = std::chrono::steady_clock;
  // Returns true when the capture should give up at once (stop, or the choice changed).
  using StopQuery = std::function<bool()>;

  // format: "video4linux2", "pulse", "alsa". Options as FFmpeg's input options.
  // Raises EngineError when the device cannot be opened or has no stream of `media_type`.
  DeviceInput(const std::string& format, const std::string& url, AVDictionaryOwner& options,
              AVMediaType media_type, StopQuery stop, std::chrono::milliseconds read_timeout);
  DeviceInput(const DeviceInput&) = delete;
  DeviceInput& operator=(const DeviceInput&) = delete;
  ~DeviceInput();

  // The next decoded frame; nullptr when the device failed, timed out or was interrupted.
  AVFramePtr Next();

  const AVCodecContext* Decoder() const { return decoder_.get(); }

 private:
  static int Interrupt(void* self);

  StopQuery stop_;
  std::chrono::milliseconds read_timeout_;
  std::atomic<int64_t> deadline_ns_{0};
  AVFormatInputPtr input_;
  AVCodecContextPtr decoder_;
  AVPacketPtr packet_;
  int stream_ = -1;
};

}  // namespace vexto::media
