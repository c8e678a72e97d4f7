#include "engine/media/live/live_source.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

#include "engine/media/live/audio_capture.h"
#include "engine/media/live/capture_devices.h"
#include "engine/media/live/video_capture.h"

namespace vexto::media {
namespace {

constexpr const char* kLineIn = "line-in";

bool SameFormat(const M_VID_PROPS& a, const M_VID_PROPS& b) {
  return a.nWidth == b.nWidth && a.nHeight == b.nHeight && a.nRateNum == b.nRateNum &&
         a.nRateDen == b.nRateDen && a.strPixelFormat == b.strPixelFormat;
}

class LiveSource final : public IMFLive {
 public:
  LiveSource() {
    video_devices_ = ListVideoCaptureDevices();
    audio_devices_ = ListAudioCaptureDevices();
  }

  void CountCaptureDevices(int category, int& count) override {
    // Listing may open devices: done outside the lock, then swapped in.
    if (category == kCaptureVideo) {
      auto list = ListVideoCaptureDevices();
      std::lock_guard lock(mutex_);
      video_devices_ = std::move(list);
      count = static_cast<int>(video_devices_.size());
    } else if (category == kCaptureAudio) {
      auto list = ListAudioCaptureDevices();
      std::lock_guard lock(mutex_);
      audio_devices_ = std::move(list);
      count = static_cast<int>(audio_devices_.size());
    } else {
      count = 0;
    }
  }

  void GetCaptureDeviceName(int category, int index, std::string& name, int& busy) override {
    std::lock_guard lock(mutex_);
    const auto* list = List(category);
    busy = 0;
    name = list != nullptr && InRange(*list, index) ? (*list)[index].name : std::string();
  }

  void ChooseCaptureDevice(int category, int index, int /*flags*/) override {
    std::lock_guard lock(mutex_);
    if (category == kCaptureVideo) {
      video_.active = InRange(video_devices_, index);
      video_.device = video_.active ? video_devices_[index] : CaptureDevice{};
      video_.input = 0;
      video_.format = video_.device.formats.empty() ? M_VID_PROPS{} : video_.device.formats[0];
      video_capture_.Choose(video_);
    } else if (category == kCaptureAudio) {
      audio_active_ = InRange(audio_devices_, index);
      audio_capture_.Choose(audio_active_, audio_active_ ? audio_devices_[index] : CaptureDevice{});
    } else {
      return;
    }
    pulls_ = 0;
  }

  void CountPropertyChoices(const std::string& property, int& count) override {
    std::lock_guard lock(mutex_);
    count = property == kLineIn ? static_cast<int>(video_.device.inputs.size()) : 0;
  }

  void GetPropertyChoice(const std::string& property, int index, std::string& text,
                         std::string& name) override {
    std::lock_guard lock(mutex_);
    if (property == kLineIn && InRange(video_.device.inputs, index)) {
      text = video_.device.inputs[index].text;
      name = video_.device.inputs[index].name;
    } else {
      text.clear();
      name.clear();
    }
  }

  void ChoosePropertyChoice(const std::string& property, int index) override {
    std::lock_guard lock(mutex_);
    if (property != kLineIn || !InRange(video_.device.inputs, index)) return;
    if (video_.input == index) return;
    video_.input = index;
    video_capture_.Choose(video_);
  }

  void CountVideoFormats(int /*stream*/, int& count) override {
    std::lock_guard lock(mutex_);
    count = static_cast<int>(video_.device.formats.size());
  }

  void GetVideoFormat(int /*stream*/, int index, M_VID_PROPS& props, std::string& name) override {
    std::lock_guard lock(mutex_);
    if (InRange(video_.device.formats, index)) {
      props = video_.device.formats[index];
      name = VideoFormatName(props);
    } else {
      props = M_VID_PROPS{};
      name.clear();
    }
  }

  void ApplyVideoFormat(int /*stream*/, const M_VID_PROPS& props) override {
    std::lock_guard lock(mutex_);
    const auto& formats = video_.device.formats;
    const M_VID_PROPS* found = nullptr;
    if (InRange(formats, props.nIndex) && SameFormat(formats[props.nIndex], props)) {
      found = &formats[props.nIndex];
    } else {
      for (const auto& f : formats) {
        if (SameFormat(f, props)) {
          found = &f;
          break;
        }
      }
    }
    if (found == nullptr || SameFormat(*found, video_.format)) return;
    video_.format = *found;
    video_capture_.Choose(video_);
  }

  void GetCurrentVideoFormat(int /*stream*/, M_VID_PROPS& props, int& index,
                             std::string& name) override {
    std::lock_guard lock(mutex_);
    if (video_.format.nWidth > 0) {
      props = video_.format;
      index = video_.format.nIndex;
      name = VideoFormatName(props);
    } else {
      props = M_VID_PROPS{};
      index = -1;
      name.clear();
    }
  }

  void PullFrame(M_AV_PROPS& props, double /*position*/, int /*a*/, int /*b*/, IMFFramePtr& frame,
                 const std::string& /*hints*/) override {
    const int64_t n = pulls_.fetch_add(1);
    AVFramePtr video = video_capture_.Newest();
    const bool audio_chosen = audio_active_.load();
    props.dblRate = static_cast<double>(kProgramRateNum) / kProgramRateDen;
    props.nSampleRate = kAudioSampleRate;
    props.nChannels = kAudioChannels;
    props.nWidth = video ? video->width : 0;
    props.nHeight = video ? video->height : 0;
    if (!video && !audio_chosen) {
      frame = nullptr;
      return;
    }
    std::vector<int16_t> audio;
    audio_capture_.Take(static_cast<int>(SamplesBefore(n + 1) - SamplesBefore(n)), audio);
    M_TIME time;
    time.rtStartTime = std::llround(static_cast<double>(n) * kFrameDuration100ns);
    time.rtEndTime = std::llround(static_cast<double>(n + 1) * kFrameDuration100ns);
    time.eFFlags = 0;
    frame = IMFFrame::Make(std::move(video), std::move(audio), time);
  }

 private:
  template <typename T>
  static bool InRange(const std::vector<T>& v, int index) {
    return index >= 0 && static_cast<size_t>(index) < v.size();
  }
  const std::vector<CaptureDevice>* List(int category) const {
    if (category == kCaptureVideo) return &video_devices_;
    if (category == kCaptureAudio) return &audio_devices_;
    return nullptr;
  }

  std::mutex mutex_;  // guards the lists and the choices (not the pulls)
  std::vector<CaptureDevice> video_devices_;
  std::vector<CaptureDevice> audio_devices_;
  VideoCaptureChoice video_;
  std::atomic<bool> audio_active_{false};
  std::atomic<int64_t> pulls_{0};
  // Last: their threads stop first when the object goes.
  VideoCapture video_capture_;
  AudioCapture audio_capture_;
};

}  // namespace

EngineObjectPtr MakeLiveSource() {
  return std::make_shared<LiveSource>();
}

}  // namespace vexto::media
