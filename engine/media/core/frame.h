// IMFFrame: one program frame, made once and never changed afterwards. The same frame is
// shared (by counted reference) between the monitors, the program output and the stream writer,
// on any thread; nothing may modify it after Make().
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/media/core/av_ptr.h"
#include "engine/media/core/media_types.h"

namespace vexto::media {

class IMFFrame;
using IMFFramePtr = std::shared_ptr<const IMFFrame>;

class IMFFrame {
 public:
  // video: the picture in any pixel format libswscale reads (nullptr: no picture, drawn black).
  // audio: interleaved signed 16-bit stereo at 48 kHz, this frame's share of the sound.
  static IMFFramePtr Make(AVFramePtr video, std::vector<int16_t> audio, const M_TIME& time);

  IMFFrame(const IMFFrame&) = delete;
  IMFFrame& operator=(const IMFFrame&) = delete;

  void ReadFrameTime(M_TIME& time) const { time = time_; }
  const M_TIME& Time() const { return time_; }

  const AVFrame* Video() const { return video_.get(); }
  int Width() const { return video_ ? video_->width : 0; }
  int Height() const { return video_ ? video_->height : 0; }

  const std::vector<int16_t>& Audio() const { return audio_; }
  int AudioSamples() const { return static_cast<int>(audio_.size() / kAudioChannels); }

 private:
  struct Token {};

 public:
  IMFFrame(Token, AVFramePtr video, std::vector<int16_t> audio, const M_TIME& time)
      : video_(std::move(video)), audio_(std::move(audio)), time_(time) {}

 private:
  const AVFramePtr video_;
  const std::vector<int16_t> audio_;
  const M_TIME time_;
};

inline IMFFramePtr IMFFrame::Make(AVFramePtr video, std::vector<int16_t> audio,
                                  const M_TIME& time) {
  return std::make_shared<const IMFFrame>(Token{}, std::move(video), std::move(audio), time);
}

}  // namespace vexto::media
