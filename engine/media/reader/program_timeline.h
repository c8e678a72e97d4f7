// The program timeline of a file: program frame k starts at media time k * 1001/30000 s and
// shows the source picture and sound of that time. These helpers convert between program
// frame indices, media seconds and the 100-ns times of M_TIME.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/media/core/media_types.h"

namespace vexto::media {

// Media time (seconds from the start of the media) at which program frame k starts.
inline double ProgramFrameSeconds(int64_t k) {
  return static_cast<double>(k) * kProgramRateDen / kProgramRateNum;
}

// Start of program frame k in 100-ns units, rounded to the nearest unit; frame k ends where
// frame k + 1 starts, so consecutive frames tile the timeline with no gap.
inline int64_t ProgramFrameStart100ns(int64_t k) {
  const int64_t num = k * kProgramRateDen * 10'000'000;
  return (num + kProgramRateNum / 2) / kProgramRateNum;
}

// The program frame showing media time `seconds` (the one whose span covers it); negative
// times give frame 0. A time within 1 microsecond before a frame boundary counts as on it.
inline int64_t ProgramFrameAt(double seconds) {
  if (!(seconds > 0.0)) return 0;
  return static_cast<int64_t>(std::floor(seconds * kProgramRateNum / kProgramRateDen + 1e-6));
}

// Index of the last program frame of a media lasting `seconds`: the last frame that starts
// before the end. An end less than 1 ms past a frame boundary (container rounding) does not
// start another frame. Returns -1 for a media with no length.
inline int64_t LastProgramFrameFor(double seconds) {
  if (!(seconds > 0.0)) return -1;
  const double frames = (seconds - 0.001) * kProgramRateNum / kProgramRateDen;
  const auto count = static_cast<int64_t>(std::ceil(frames));
  return count < 1 ? 0 : count - 1;
}

}  // namespace vexto::media
