// Small stand-ins for engine objects where a test needs what the real ones never do: a capture
// device without formats, and a writer whose calls are recorded. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/media/core/interfaces.h"

namespace vexto::test {

// One video device "Sem Formatos" with one input and no formats; one audio device.
class NoFormatLive : public media::IMFLive {
 public:
  void PullFrame(media::M_AV_PROPS&, double, int, int, media::IMFFramePtr& frame,
                 const std::string&) override {
    frame = nullptr;
  }
  void CountPropertyChoices(const std::string&, int& count) override { count = 1; }
  void GetPropertyChoice(const std::string&, int, std::string& text, std::string& name) override {
    text = "0";
    name = "Entrada 1";
  }
  void ChoosePropertyChoice(const std::string&, int index) override { lines.push_back(index); }
  void CountVideoFormats(int, int& count) override { count = 0; }
  void GetVideoFormat(int, int index, media::M_VID_PROPS& props, std::string& name) override {
    props = {};
    props.nIndex = index;
    name.clear();
  }
  void ApplyVideoFormat(int, const media::M_VID_PROPS& props) override {
    formats.push_back(props.nIndex);
  }
  void GetCurrentVideoFormat(int, media::M_VID_PROPS& props, int& index,
                             std::string& name) override {
    props = {};
    index = -1;
    name.clear();
  }
  void CountCaptureDevices(int, int& count) override { count = 1; }
  void GetCaptureDeviceName(int category, int, std::string& name, int& busy) override {
    name = category == media::kCaptureVideo ? "Sem Formatos" : "Microfone";
    busy = 0;
  }
  void ChooseCaptureDevice(int category, int index, int) override {
    (category == media::kCaptureVideo ? video_devices : audio_devices).push_back(index);
  }

  std::vector<int> video_devices, audio_devices, lines, formats;
};

// A writer with small fixed lists that records the choices made on it. A position outside a
// list chooses the default of that kind (the streaming output, H.264, AAC), as the engine's does.
class RecordingWriter : public media::IMFWriter {
 public:
  struct Props : media::IMFPropertySet {
    void SetPropertyValue(const std::string& name, const std::string& value) override {
      if (name == "b") bitrate = value;
      set_calls.push_back(name + "=" + value);
    }
    std::string GetPropertyValue(const std::string& name) const override {
      return name == "b" ? bitrate : std::string();
    }
    std::string bitrate;
    std::vector<std::string> set_calls;
  };

  RecordingWriter() : video_props(std::make_shared<Props>()) {}

  const std::vector<std::string>& List(int kind) const {
    static const std::vector<std::string> outputs = {"MP4 File", "RTMP Streaming", "FLV File"};
    static const std::vector<std::string> video = {"H.264", "MPEG-4 Part 2"};
    static const std::vector<std::string> audio = {"AAC", "MP3"};
    return kind == media::kChoiceFormat ? outputs
                                        : (kind == media::kChoiceVideoCodec ? video : audio);
  }
  static int Default(int kind) { return kind == media::kChoiceFormat ? 1 : 0; }

  void PushFrame(const media::IMFFramePtr&, int, int, int) override {}
  void CountOutputChoices(int kind, int& count) override {
    count = static_cast<int>(List(kind).size());
  }
  void GetOutputChoice(int kind, int index, std::string& text, std::string& name) override {
    text = "choice " + std::to_string(index);
    name = List(kind).at(static_cast<size_t>(index));
  }
  void ChooseOutputChoice(int kind, int index, media::IMFPropertySetPtr& props) override {
    calls.push_back({kind, index});
    const int size = static_cast<int>(List(kind).size());
    chosen[kind] = index >= 0 && index < size ? index : Default(kind);
    props = kind == media::kChoiceVideoCodec ? video_props : nullptr;
  }
  void GetChosenOutputChoice(int kind, std::string& name,
                             media::IMFPropertySetPtr& props) override {
    name = List(kind).at(static_cast<size_t>(chosen[kind]));
    props = kind == media::kChoiceVideoCodec ? video_props : nullptr;
  }
  void ReadStreamConfig(std::string& text, std::string& config) override {
    text = List(0)[size_t(chosen[0])];
    config = "format=" + List(0)[size_t(chosen[0])] + " video=" + List(1)[size_t(chosen[1])] +
             " b=" + video_props->bitrate + " audio=" + List(2)[size_t(chosen[2])];
  }
  void StartStreamOutput(const std::string& url, int, const std::string& config) override {
    starts.push_back(url + " " + config);
  }
  void StopStreamOutput(int) override { ++stops; }
  media::WriterStatus GetStatus() const override { return {}; }

  struct Call {
    int kind;
    int index;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;
  int chosen[3] = {1, 0, 0};
  std::shared_ptr<Props> video_props;
  std::vector<std::string> starts;
  int stops = 0;
};

}  // namespace vexto::test
