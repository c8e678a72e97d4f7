#include "tests/media/test_reader_support.h"

#include <cmath>
#include <cstdlib>
#include <functional>

#include <unistd.h>

#include "engine/media/core/av_ptr.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"
#include "tests/support/test_support.h"

namespace vexto::test {

bool MakeCounterClip(const std::filesystem::path& out, const std::string& rate, double seconds,
                     const std::string& video_codec, const std::string& audio_codec,
                     const std::vector<std::string>& extra, const std::string& size) {
  const std::string d = std::to_string(seconds);
  std::vector<std::string> args;
  if (!video_codec.empty()) {
    args.insert(args.end(),
                {"-f", "lavfi", "-i",
                 // The digits are drawn small (geq is slow) and scaled up without blending.
                 "color=c=black:s=48x24:r=" + rate + ":d=" + d +
                     ",format=yuv420p,geq=lum='28+24*mod(floor(N/pow(8,floor(X*3/W))),8)'"
                     ":cb=128:cr=128,scale=" +
                     size.substr(0, size.find('x')) + ":" + size.substr(size.find('x') + 1) +
                     ":flags=neighbor"});
  }
  if (!audio_codec.empty()) {
    args.insert(args.end(),
                {"-f", "lavfi", "-i", "sine=frequency=1000:sample_rate=48000:duration=" + d});
  }
  if (!video_codec.empty()) args.insert(args.end(), {"-c:v", video_codec});
  if (!audio_codec.empty()) args.insert(args.end(), {"-c:a", audio_codec});
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(out.string());
  return Ffmpeg(args);
}

std::filesystem::path CounterClip(const std::string& ext, const std::string& rate, double seconds,
                                  const std::string& video_codec, const std::string& audio_codec,
                                  const std::vector<std::string>& extra, const std::string& size) {
  std::string key = "v2|" + rate + "|" + std::to_string(seconds) + "|" + video_codec + "|" +
                    audio_codec + "|" + size;
  for (const auto& e : extra) key += "|" + e;
  const auto folder =
      std::filesystem::temp_directory_path() / ("vexto-reader-clips-" + std::to_string(getuid()));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const auto path = folder / (std::to_string(std::hash<std::string>{}(key)) + ext);
  if (std::filesystem::exists(path)) return path;
  const auto partial = folder / ("partial-" + std::to_string(getpid()) + "-" +
                                 std::to_string(std::hash<std::string>{}(key)) + ext);
  if (!MakeCounterClip(partial, rate, seconds, video_codec, audio_codec, extra, size)) return {};
  std::filesystem::rename(partial, path, ec);
  return ec ? std::filesystem::path() : path;
}

int CounterOf(const AVFrame* picture) {
  if (picture == nullptr || picture->width < 32 || picture->height < 32) return -1;
  const int w = picture->width;
  const int h = picture->height;
  media::SwsContextPtr sws(sws_getContext(w, h, static_cast<AVPixelFormat>(picture->format), w, h,
                                          AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr));
  if (!sws) return -1;
  std::vector<uint8_t> gray(static_cast<size_t>(w) * h);
  uint8_t* dst[4] = {gray.data(), nullptr, nullptr, nullptr};
  int stride[4] = {w, 0, 0, 0};
  sws_scale(sws.get(), picture->data, picture->linesize, 0, h, dst, stride);
  // Mean luma (full range) of a 16x16 block around (x0, h/2).
  auto mean = [&](int x0) {
    long sum = 0;
    int count = 0;
    for (int y = h / 2 - 8; y < h / 2 + 8; ++y) {
      for (int x = x0 - 8; x < x0 + 8; ++x) {
        sum += gray[static_cast<size_t>(y) * w + x];
        ++count;
      }
    }
    return static_cast<double>(sum) / count;
  };
  // Digit i was written as limited-range luma 28 + 24 i; the gray scale gives it full range.
  int number = 0;
  for (int j = 2; j >= 0; --j) {
    const double limited = mean(w * (2 * j + 1) / 6) * 219.0 / 255.0 + 16.0;
    const auto digit = static_cast<int>(std::lround((limited - 28.0) / 24.0));
    if (digit < 0 || digit > 7) return -1;
    number = number * 8 + digit;
  }
  return number;
}

int Peak(const std::vector<int16_t>& audio) {
  int peak = 0;
  for (int16_t s : audio) peak = std::max(peak, std::abs(static_cast<int>(s)));
  return peak;
}

std::shared_ptr<media::IMFReader> NewReader() {
  media::RegisterBuiltInEngineClasses();
  return media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
}

media::IMFFramePtr Pull(media::IMFReader& reader, double position, const std::string& hints) {
  media::M_AV_PROPS props;
  media::IMFFramePtr frame;
  reader.PullFrame(props, position, -1, -1, frame, hints);
  return frame;
}

media::IMFFramePtr PullWaiting(media::IMFReader& reader, double position,
                               const std::string& hints) {
  media::IMFFramePtr frame;
  for (int i = 0; i < 5 && !frame; ++i) frame = Pull(reader, position, hints);
  return frame;
}

int64_t IndexOf(const media::IMFFramePtr& frame) {
  if (!frame) return -1;
  return std::llround(static_cast<double>(frame->Time().rtStartTime) / media::kFrameDuration100ns);
}

bool IsLast(const media::IMFFramePtr& frame) {
  return frame && (frame->Time().eFFlags & media::eMFF_EndOfMedia) != 0;
}

}  // namespace vexto::test
