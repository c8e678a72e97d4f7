#include "tests/writer/program_frames.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

#include "tests/support/test_support.h"

namespace vexto::test {
namespace {

void RgbToYuv(Rgb c, int& y, int& u, int& v) {
  y = static_cast<int>(std::lround(16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255.0));
  u = static_cast<int>(std::lround(128 + (-37.797 * c.r - 74.203 * c.g + 112.0 * c.b) / 255.0));
  v = static_cast<int>(std::lround(128 + (112.0 * c.r - 93.786 * c.g - 18.214 * c.b) / 255.0));
}

}  // namespace

media::IMFFramePtr MakeProgramFrame(int64_t index, Rgb color, int width, int height) {
  media::AVFramePtr picture = media::MakeAVFrame();
  picture->format = AV_PIX_FMT_YUV420P;
  picture->width = width;
  picture->height = height;
  av_frame_get_buffer(picture.get(), 0);
  int y = 0, u = 0, v = 0;
  RgbToYuv(color, y, u, v);
  for (int row = 0; row < height; ++row) {
    std::memset(picture->data[0] + row * picture->linesize[0], y, width);
  }
  for (int row = 0; row < height / 2; ++row) {
    std::memset(picture->data[1] + row * picture->linesize[1], u, width / 2);
    std::memset(picture->data[2] + row * picture->linesize[2], v, width / 2);
  }
  const int64_t first = media::SamplesBefore(index);
  const int64_t count = media::SamplesBefore(index + 1) - first;
  std::vector<int16_t> audio(static_cast<size_t>(count * media::kAudioChannels));
  for (int64_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(first + i) / media::kAudioSampleRate;
    const auto s = static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 1000 * t));
    audio[static_cast<size_t>(2 * i)] = s;
    audio[static_cast<size_t>(2 * i + 1)] = s;
  }
  media::M_TIME time;
  time.rtStartTime = static_cast<int64_t>(index * media::kFrameDuration100ns);
  time.rtEndTime = static_cast<int64_t>((index + 1) * media::kFrameDuration100ns);
  return media::IMFFrame::Make(std::move(picture), std::move(audio), time);
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

Rgb ColorAt(const std::string& file, double seconds, const std::string& crop) {
  TempDir dir;
  const auto out = dir / "pixel.rgb";
  const CommandResult r =
      RunCommand({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-ss",
                  std::to_string(seconds), "-i", file, "-frames:v", "1", "-vf",
                  crop + ",scale=16:16", "-f", "rawvideo", "-pix_fmt", "rgb24", out.string()});
  if (r.exit_code != 0) return {-1, -1, -1};
  FILE* f = std::fopen(out.c_str(), "rb");
  if (f == nullptr) return {-1, -1, -1};
  std::vector<unsigned char> px(16 * 16 * 3);
  const size_t n = std::fread(px.data(), 1, px.size(), f);
  std::fclose(f);
  if (n != px.size()) return {-1, -1, -1};
  long sum[3] = {0, 0, 0};
  for (size_t i = 0; i < px.size(); ++i) sum[i % 3] += px[i];
  return {static_cast<int>(sum[0] / 256), static_cast<int>(sum[1] / 256),
          static_cast<int>(sum[2] / 256)};
}

}  // namespace vexto::test
