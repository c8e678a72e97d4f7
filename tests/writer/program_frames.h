// Program frames made directly in the tests, as the frame pump would hand them to the writer:
// solid-colour pictures with a continuous 1 kHz tone carrying each frame's share of samples.
#pragma once

#include <cstdint>
#include <string>

#include "engine/media/core/frame.h"

namespace vexto::test {

struct Rgb {
  int r, g, b;
};

// Frame `index` of a program: a width x height picture of one colour (yuv420p) and the tone's
// SamplesBefore(index + 1) - SamplesBefore(index) stereo samples.
media::IMFFramePtr MakeProgramFrame(int64_t index, Rgb color, int width = 320, int height = 180);

// The average colour of a part of the picture at `seconds` in a media file, decoded by the ffmpeg
// tool; crop is an ffmpeg crop filter (default: the middle quarter). r = -1 when unreadable.
Rgb ColorAt(const std::string& file, double seconds, const std::string& crop = "crop=iw/2:ih/2");

// True when the colours are within tolerance per channel (encoding shifts them a little).
bool Near(Rgb a, Rgb b, int tolerance = 24);

}  // namespace vexto::test
