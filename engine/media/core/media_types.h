// Records shared by every engine object. Times are in 100-ns units, as the engine's callers
// expect; the program runs at 30000/1001 frames per second with 48 kHz stereo audio.
#pragma once

#include <cstdint>
#include <string>

namespace vexto::media {

inline constexpr int kProgramRateNum = 30000;
inline constexpr int kProgramRateDen = 1001;
inline constexpr int kAudioSampleRate = 48000;
inline constexpr int kAudioChannels = 2;
// One program frame lasts 1001/30000 s = 333 666.67 units of 100 ns.
inline constexpr double kFrameDuration100ns = 1e7 * kProgramRateDen / kProgramRateNum;

// Bit of M_TIME::eFFlags set on exactly the last frame of a media.
inline constexpr uint32_t eMFF_EndOfMedia = 2;

// Audio samples (per channel) carried by the first n program frames: round(n * 48000 * 1001 /
// 30000). Frame k carries SamplesBefore(k + 1) - SamplesBefore(k) samples (1601 or 1602), so the
// sum never drifts whatever the order of pulls.
inline constexpr int64_t SamplesBefore(int64_t n) {
  // n * 1601.6 rounded half away from zero, computed exactly in integers.
  const int64_t num = n * kAudioSampleRate * kProgramRateDen;  // over kProgramRateNum
  return (num >= 0 ? num + kProgramRateNum / 2 : num - kProgramRateNum / 2) / kProgramRateNum;
}

struct M_TIME {
  int64_t rtStartTime = 0;  // start of the frame in the media, 100-ns units
  int64_t rtEndTime = 0;    // end of the frame in the media, 100-ns units
  uint32_t eFFlags = 0;     // eMFF_EndOfMedia on the last frame of the media
};

// Handed by reference to every pull; the engine fills it with what it knows of the source.
struct M_AV_PROPS {
  int32_t nWidth = 0;
  int32_t nHeight = 0;
  double dblRate = 0.0;
  int32_t nSampleRate = 0;
  int32_t nChannels = 0;
};

// One input video format of a capture device; the settings page hands it back unchanged.
struct M_VID_PROPS {
  int32_t nWidth = 0;
  int32_t nHeight = 0;
  int32_t nRateNum = 0;  // frames per second = nRateNum / nRateDen
  int32_t nRateDen = 1;
  std::string strPixelFormat;  // FFmpeg pixel format or V4L2 fourcc name, e.g. "yuyv422"
  int32_t nIndex = -1;         // position in the device's format list when it was listed
};

}  // namespace vexto::media
