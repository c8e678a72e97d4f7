#include "engine/media/live/audio_capture.h"

#include <algorithm>
#include <chrono>

#include "engine/media/core/av_ptr.h"
#include "engine/media/core/engine_error.h"
#include "engine/media/core/media_types.h"
#include "engine/media/live/device_input.h"
#include "engine/media/live/test_pattern.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vexto::media {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kReadTimeout{2000};
constexpr std::chrono::milliseconds kRetryDelay{1000};
// Most sound kept waiting for pulls: 250 ms; older sound is dropped.
constexpr size_t kMaxBuffered = kAudioSampleRate / 4 * kAudioChannels;

}  // namespace

AudioCapture::AudioCapture() : thread_([this] { Run(); }) {}

AudioCapture::~AudioCapture() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void AudioCapture::Choose(bool active, const CaptureDevice& device) {
  {
    std::lock_guard lock(mutex_);
    active_ = active;
    device_ = device;
    ++generation_;
    tone_position_ = 0;
    buffered_.clear();
  }
  wake_.notify_all();
}

void AudioCapture::Take(int samples, std::vector<int16_t>& out) {
  if (samples <= 0) return;
  std::lock_guard lock(mutex_);
  if (active_ && device_.kind == eCaptureKind::TestSource) {
    AppendTestTone(tone_position_, samples, out);
    tone_position_ += samples;
    return;
  }
  const size_t wanted = static_cast<size_t>(samples) * kAudioChannels;
  const size_t have = std::min(wanted, buffered_.size());
  out.insert(out.end(), buffered_.begin(), buffered_.begin() + static_cast<ptrdiff_t>(have));
  buffered_.erase(buffered_.begin(), buffered_.begin() + static_cast<ptrdiff_t>(have));
  out.insert(out.end(), wanted - have, int16_t{0});
}

bool AudioCapture::Interrupted(uint64_t generation) const {
  std::lock_guard lock(mutex_);
  return stop_ || generation_ != generation;
}

void AudioCapture::Append(const int16_t* data, size_t count, uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_) return;
  buffered_.insert(buffered_.end(), data, data + count);
  if (buffered_.size() > kMaxBuffered) {
    const size_t excess = (buffered_.size() - kMaxBuffered) / kAudioChannels * kAudioChannels;
    buffered_.erase(buffered_.begin(), buffered_.begin() + static_cast<ptrdiff_t>(excess));
  }
}

void AudioCapture::Run() {
  for (;;) {
    CaptureDevice device;
    uint64_t generation = 0;
    {
      std::unique_lock lock(mutex_);
      // Only real devices need the thread; the tone and silence are made by Take.
      wake_.wait(lock,
                 [&] { return stop_ || (active_ && device_.kind != eCaptureKind::TestSource); });
      if (stop_) return;
      device = device_;
      generation = generation_;
    }
    Capture(device, generation);
    // Failed or finished: try the same device again after a while, or at once on a new choice.
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, kRetryDelay, [&] { return stop_ || generation_ != generation; });
  }
}

void AudioCapture::Capture(const CaptureDevice& device, uint64_t generation) {
  try {
    AVDictionaryOwner options;
    options.Set("sample_rate", std::to_string(kAudioSampleRate));
    options.Set("channels", std::to_string(kAudioChannels));
    DeviceInput input(
        device.kind == eCaptureKind::Pulse ? "pulse" : "alsa", device.url, options,
        AVMEDIA_TYPE_AUDIO, [this, generation] { return Interrupted(generation); }, kReadTimeout);
    const AVCodecContext* dec = input.Decoder();
    AVChannelLayout out_layout = AV_CHANNEL_LAYOUT_STEREO;
    // A shallow copy: swr copies what it needs; nothing is freed here.
    AVChannelLayout in_layout = dec->ch_layout;
    if (in_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
      av_channel_layout_default(&in_layout, dec->ch_layout.nb_channels);
    }
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &out_layout, AV_SAMPLE_FMT_S16, kAudioSampleRate, &in_layout,
                            dec->sample_fmt, dec->sample_rate, 0, nullptr) < 0) {
      return;
    }
    SwrContextPtr swr(raw);
    if (swr_init(swr.get()) < 0) return;
    std::vector<int16_t> converted;
    while (AVFramePtr frame = input.Next()) {
      const int max_out = swr_get_out_samples(swr.get(), frame->nb_samples);
      if (max_out <= 0) continue;
      converted.resize(static_cast<size_t>(max_out) * kAudioChannels);
      auto* dst = reinterpret_cast<uint8_t*>(converted.data());
      const int got =
          swr_convert(swr.get(), &dst, max_out, const_cast<const uint8_t**>(frame->extended_data),
                      frame->nb_samples);
      if (got > 0) Append(converted.data(), static_cast<size_t>(got) * kAudioChannels, generation);
      if (Interrupted(generation)) return;
    }
  } catch (const EngineError&) {
    // The device is gone: silence until it comes back or another is chosen.
  }
}

}  // namespace vexto::media
