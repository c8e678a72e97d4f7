// Time code texts of the playlist, the cue and the clock. Pure functions, safe on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace vexto {

// n in decimal ("%d") with "0" added in front until the text has at least `width` characters:
// ZeroPad(7, 2) is "07", ZeroPad(123, 2) is "123", ZeroPad(-1, 2) is "-1".
std::string ZeroPad(int32_t n, int width);

// "HH:MM:SS" or, with frames, "HH:MM:SS:FF" for t seconds at 29.97 frames per second, in 80-bit
// extended arithmetic: hours = floor(t/3600) rem 60, minutes = floor(t/60) rem 60,
// seconds = floor(t) rem 60 (rem truncates toward zero, keeping the dividend's sign), frames =
// floor(frac(t) / (100/2997)) with frac(t) = t - trunc(t). Hours wrap at 60; negative times keep
// their signs ("-1:-1:-1:-15" for -0.5 s). A time that is not finite reads as 0.
std::string FormatTimecode(bool withFrames, double t);

}  // namespace vexto
