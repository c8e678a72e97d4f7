#include "engine/state/timecode.h"

#include <cmath>

namespace vexto {
namespace {

// floor(x) rem 60, x finite: fmodl keeps the dividend's sign and is exact.
int32_t FloorRem60(long double x) {
  return int32_t(std::fmod(std::floor(x), 60.0L));
}

}  // namespace

std::string ZeroPad(int32_t n, int width) {
  std::string text = std::to_string(n);
  if (int(text.size()) < width) text.insert(0, size_t(width) - text.size(), '0');
  return text;
}

std::string FormatTimecode(bool withFrames, double t_in) {
  const long double t = std::isfinite(t_in) ? static_cast<long double>(t_in) : 0.0L;
  const long double d = 100.0L / 2997.0L;
  const int32_t hours = FloorRem60(t / 3600.0L);
  const int32_t minutes = FloorRem60(t / 60.0L);
  const int32_t seconds = FloorRem60(t);
  std::string text = ZeroPad(hours, 2) + ":" + ZeroPad(minutes, 2) + ":" + ZeroPad(seconds, 2);
  if (withFrames) {
    const long double frac = t - std::trunc(t);
    const auto frames = int32_t(std::floor(frac / d));  // -30 .. 29
    text += ":" + ZeroPad(frames, 2);
  }
  return text;
}

}  // namespace vexto
