// The built-in test source: colour bars with a moving box, and a 1 kHz tone. Cheap on purpose:
// the bars are drawn once per size and each frame is a copy plus one small box.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/media/core/av_ptr.h"

namespace vexto::media {

// Makes the test pictures of one size. Not thread-safe; owned by the capture thread.
class TestBars {
 public:
  // Raises EngineError when the size is not positive and even.
  TestBars(int width, int height);

  // A new yuv420p frame (its own refcounted buffers, never written again): the bars with the
  // moving box at the place of picture number `index`.
  AVFramePtr MakeFrame(int64_t index) const;

  int Width() const { return width_; }
  int Height() const { return height_; }

  // The box's left edge in picture `index` (it sweeps the width, then starts again).
  int BoxLeft(int64_t index) const;
  int BoxSize() const { return box_; }
  int BoxTop() const { return box_top_; }

 private:
  int width_;
  int height_;
  int box_;
  int box_top_;
  AVFramePtr bars_;
};

// A 1 kHz sine tone at 48 kHz stereo S16, at -12 dBFS. `first_sample` is the index (per channel)
// of the first sample written since the tone started, so consecutive calls join without a click.
void AppendTestTone(int64_t first_sample, int samples, std::vector<int16_t>& out);

inline constexpr int kTestToneHz = 1000;
inline constexpr int16_t kTestTonePeak = 8192;

}  // namespace vexto::media
