#include "engine/media/live/test_pattern.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/media/core/engine_error.h"
#include "engine/media/core/media_types.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace vexto::media {
namespace {

struct Yuv {
  uint8_t y, u, v;
};

// BT.601 limited range of an 8-bit RGB colour.
Yuv ToYuv(int r, int g, int b) {
  const double y = 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0;
  const double u = 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0;
  const double v = 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0;
  return {static_cast<uint8_t>(std::lround(y)), static_cast<uint8_t>(std::lround(u)),
          static_cast<uint8_t>(std::lround(v))};
}

void FillRect(AVFrame* f, int x0, int y0, int w, int h, Yuv c) {
  for (int y = y0; y < y0 + h; ++y) {
    std::memset(f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0] + x0, c.y,
                static_cast<size_t>(w));
  }
  for (int y = y0 / 2; y < (y0 + h) / 2; ++y) {
    std::memset(f->data[1] + static_cast<ptrdiff_t>(y) * f->linesize[1] + x0 / 2, c.u,
                static_cast<size_t>(w / 2));
    std::memset(f->data[2] + static_cast<ptrdiff_t>(y) * f->linesize[2] + x0 / 2, c.v,
                static_cast<size_t>(w / 2));
  }
}

AVFramePtr AllocYuv420(int width, int height) {
  AVFramePtr f = MakeAVFrame();
  if (!f) throw EngineError("Out of memory");
  f->format = AV_PIX_FMT_YUV420P;
  f->width = width;
  f->height = height;
  if (av_frame_get_buffer(f.get(), 0) < 0) throw EngineError("Out of memory");
  return f;
}

}  // namespace

TestBars::TestBars(int width, int height) : width_(width), height_(height) {
  if (width < 16 || height < 16 || width % 2 != 0 || height % 2 != 0) {
    throw EngineError("Invalid test picture size");
  }
  box_ = (height / 6) & ~1;
  bars_ = AllocYuv420(width, height);
  // Seven 75 % bars over the top two thirds, then a strip of blue, black and white.
  static constexpr std::array<std::array<int, 3>, 7> kBars = {{{191, 191, 191},
                                                               {191, 191, 0},
                                                               {0, 191, 191},
                                                               {0, 191, 0},
                                                               {191, 0, 191},
                                                               {191, 0, 0},
                                                               {0, 0, 191}}};
  const int top = (height * 2 / 3) & ~1;
  for (int i = 0; i < 7; ++i) {
    const int x0 = (width * i / 7) & ~1;
    const int x1 = i == 6 ? width : (width * (i + 1) / 7) & ~1;
    FillRect(bars_.get(), x0, 0, x1 - x0, top, ToYuv(kBars[i][0], kBars[i][1], kBars[i][2]));
  }
  const int third = (width / 3) & ~1;
  FillRect(bars_.get(), 0, top, third, height - top, ToYuv(0, 33, 76));
  FillRect(bars_.get(), third, top, third, height - top, ToYuv(16, 16, 16));
  FillRect(bars_.get(), 2 * third, top, width - 2 * third, height - top, ToYuv(235, 235, 235));
  box_top_ = (top + (height - top - box_) / 2) & ~1;
}

int TestBars::BoxLeft(int64_t index) const {
  const int span = width_ - box_;
  const int step = std::max(2, (width_ / 160) & ~1);
  return static_cast<int>((index * step) % span) & ~1;
}

AVFramePtr TestBars::MakeFrame(int64_t index) const {
  AVFramePtr f = AllocYuv420(width_, height_);
  av_frame_copy(f.get(), bars_.get());
  FillRect(f.get(), BoxLeft(index), box_top_, box_, box_, ToYuv(255, 128, 0));
  return f;
}

void AppendTestTone(int64_t first_sample, int samples, std::vector<int16_t>& out) {
  // One period is exactly 48 samples at 48 kHz, so a table keeps the phase exact forever.
  static const std::array<int16_t, kAudioSampleRate / kTestToneHz> kPeriod = [] {
    std::array<int16_t, kAudioSampleRate / kTestToneHz> t{};
    for (size_t i = 0; i < t.size(); ++i) {
      t[i] = static_cast<int16_t>(std::lround(
          kTestTonePeak * std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / t.size())));
    }
    return t;
  }();
  out.reserve(out.size() + static_cast<size_t>(samples) * kAudioChannels);
  for (int i = 0; i < samples; ++i) {
    const int16_t s = kPeriod[static_cast<size_t>((first_sample + i) % kPeriod.size())];
    for (int c = 0; c < kAudioChannels; ++c) out.push_back(s);
  }
}

}  // namespace vexto::media
