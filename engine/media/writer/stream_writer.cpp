#include "engine/media/writer/stream_writer.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <tuple>

#include "engine/media/core/engine_error.h"
#include "engine/media/writer/encode_pipeline.h"
#include "engine/media/writer/output_catalog.h"
#include "engine/media/writer/output_sink.h"
#include "engine/media/writer/stream_config.h"

namespace vexto::media {
namespace {

class PropertySet final : public IMFPropertySet {
 public:
  explicit PropertySet(PropertyList defaults) : values_(std::move(defaults)) {}

  void SetPropertyValue(const std::string& name, const std::string& value) override {
    std::lock_guard lock(mutex_);
    for (auto& [k, v] : values_) {
      if (k == name) {
        v = value;
        return;
      }
    }
    values_.emplace_back(name, value);
  }

  std::string GetPropertyValue(const std::string& name) const override {
    std::lock_guard lock(mutex_);
    for (const auto& [k, v] : values_) {
      if (k == name) return v;
    }
    return {};
  }

  PropertyList Values() const {
    std::lock_guard lock(mutex_);
    return values_;
  }

 private:
  mutable std::mutex mutex_;
  PropertyList values_;
};

std::string BitrateText(int64_t bits) {
  if (bits % 1000000 == 0) return std::to_string(bits / 1000000) + "M";
  if (bits % 1000 == 0) return std::to_string(bits / 1000) + "k";
  return std::to_string(bits);
}

// Options as handed to the encoder: empty values dropped, live rate cap derived from "b".
PropertyList EncoderOptions(const CodecChoice& choice, const PropertyList& values) {
  PropertyList out;
  bool has_maxrate = false, has_bufsize = false;
  std::string bitrate;
  for (const auto& [k, v] : values) {
    if (v.empty()) continue;
    out.emplace_back(k, v);
    if (k == "maxrate") has_maxrate = true;
    if (k == "bufsize") has_bufsize = true;
    if (k == "b") bitrate = v;
  }
  if (choice.live_rate_cap) {
    if (const auto bits = ParseBitrate(bitrate)) {
      if (!has_maxrate) out.emplace_back("maxrate", BitrateText(*bits));
      if (!has_bufsize) out.emplace_back("bufsize", BitrateText(*bits * 2));
    }
  }
  return out;
}

class StreamWriter final : public IMFWriter, public IMFStreamOutputs {
 public:
  ~StreamWriter() override {
    StopStreamOutput(0);
    StopRecording();
  }

  void CountOutputChoices(int kind, int& count) override {
    std::lock_guard lock(mutex_);
    count = CountOf(kind);
  }

  void GetOutputChoice(int kind, int index, std::string& text, std::string& name) override {
    std::lock_guard lock(mutex_);
    text.clear();
    name.clear();
    if (kind == kChoiceFormat) {
      const auto& outputs = OutputCatalog();
      if (index >= 0 && index < static_cast<int>(outputs.size())) {
        text = outputs[index].format;
        name = outputs[index].name;
      }
      return;
    }
    const auto& list = ListOf(kind);
    if (index >= 0 && index < static_cast<int>(list.size())) {
      text = list[index].encoder;
      name = list[index].name;
    }
  }

  void ChooseOutputChoice(int kind, int index, IMFPropertySetPtr& props) override {
    std::lock_guard lock(mutex_);
    const int count = CountOf(kind);
    const int chosen = (index >= 0 && index < count) ? index : 0;
    if (kind == kChoiceFormat) {
      output_ = chosen;
      video_ = 0;
      audio_ = 0;
    } else if (kind == kChoiceVideoCodec) {
      video_ = chosen;
    } else if (kind == kChoiceAudioCodec) {
      audio_ = chosen;
    } else {
      props = nullptr;
      return;
    }
    props = PropsOf(kind);
  }

  void GetChosenOutputChoice(int kind, std::string& name, IMFPropertySetPtr& props) override {
    std::lock_guard lock(mutex_);
    name.clear();
    props = nullptr;
    if (kind < kChoiceFormat || kind > kChoiceAudioCodec) return;
    const OutputChoice& out = OutputCatalog()[output_];
    name = kind == kChoiceFormat       ? out.name
           : kind == kChoiceVideoCodec ? out.video[video_].name
                                       : out.audio[audio_].name;
    props = PropsOf(kind);
  }

  void ReadStreamConfig(std::string& text, std::string& config) override {
    std::lock_guard lock(mutex_);
    const OutputChoice& out = OutputCatalog()[output_];
    const CodecChoice& v = out.video[video_];
    const CodecChoice& a = out.audio[audio_];
    StreamConfig c;
    c.format = out.format;
    const std::string size = Props(kChoiceFormat, output_, 0)->GetPropertyValue("size");
    if (!size.empty()) {
      try {
        const StreamConfig sized =
            ParseStreamConfig("format=" + out.format + " size=" + size +
                              " video.codec=" + v.encoder + " audio.codec=" + a.encoder);
        c.width = sized.width;
        c.height = sized.height;
      } catch (const EngineError&) {
        // An unusable size keeps the default; the text shows what will be used.
      }
    }
    c.video_codec = v.encoder;
    c.video_options = EncoderOptions(v, Props(kChoiceVideoCodec, output_, video_)->Values());
    c.audio_codec = a.encoder;
    c.audio_options = EncoderOptions(a, Props(kChoiceAudioCodec, output_, audio_)->Values());
    config = RenderStreamConfig(c);
    auto value_of = [](const PropertyList& l, const char* key) {
      for (const auto& [k, val] : l) {
        if (k == key) return " " + val;
      }
      return std::string();
    };
    text = out.name + ": " + v.name + value_of(c.video_options, "b") + ", " + a.name +
           value_of(c.audio_options, "b") + ", " + std::to_string(c.width) + "x" +
           std::to_string(c.height);
  }

  void StartStreamOutput(const std::string& url, int flags, const std::string& config) override {
    StartStreamOutputs({StreamDestination{{}, url}}, flags, config);
  }

  void StartStreamOutputs(const std::vector<StreamDestination>& destinations, int flags,
                          const std::string& config) override {
    const StreamConfig parsed = ParseStreamConfig(config);  // raises before anything changes
    StopStreamOutput(0);
    if (destinations.empty()) return;
    const WriterLogger logger = Logger();
    std::shared_ptr<EncodePipeline> pipeline;
    {
      std::lock_guard lock(session_mutex_);
      // The recording's encode serves the stream too when it encodes the same way.
      if (recording_pipeline_ && recording_pipeline_->Running() &&
          recording_pipeline_->ConfigText() == RenderStreamConfig(parsed)) {
        pipeline = recording_pipeline_;
      }
    }
    if (!pipeline) {
      pipeline = std::make_shared<EncodePipeline>(parsed, logger);
      pipeline->Start();
    }
    std::vector<std::shared_ptr<OutputSink>> sinks;
    for (size_t i = 0; i < destinations.size(); ++i) {
      SinkOptions options;
      options.name = destinations[i].name;
      options.url = destinations[i].url;
      options.network = IsNetworkUrl(options.url);
      options.format = i == 0 || !options.network ? parsed.format : FormatForUrl(options.url);
      if (options.format.empty()) options.format = parsed.format;
      options.keep_retrying = (flags & 1) != 0;
      options.logger = logger;
      sinks.push_back(std::make_shared<OutputSink>(std::move(options), pipeline->Streams()));
    }
    for (const auto& sink : sinks) {
      pipeline->Attach(sink);
      if (pipeline->FailureReason().empty()) sink->Start();
    }
    std::lock_guard lock(session_mutex_);
    stream_pipeline_ = std::move(pipeline);
    destinations_ = std::move(sinks);
  }

  void StopStreamOutput(int /*flags*/) override {
    std::shared_ptr<EncodePipeline> pipeline;
    std::vector<std::shared_ptr<OutputSink>> sinks;
    bool shared = false;
    {
      std::lock_guard lock(session_mutex_);
      pipeline = std::move(stream_pipeline_);
      sinks = std::move(destinations_);
      shared = pipeline && pipeline == recording_pipeline_;
    }
    if (!pipeline) return;
    StopOutputs(pipeline, sinks, !shared);
    std::vector<DestinationStatus> statuses;
    for (const auto& sink : sinks) statuses.push_back({sink->options().name, sink->Status()});
    std::lock_guard lock(session_mutex_);
    last_destinations_ = std::move(statuses);
  }

  void PushFrame(const IMFFramePtr& frame, int, int, int) override {
    std::shared_ptr<EncodePipeline> stream, recording;
    {
      std::lock_guard lock(session_mutex_);
      stream = stream_pipeline_;
      recording = recording_pipeline_;
    }
    if (stream) stream->Push(frame);
    if (recording && recording != stream) recording->Push(frame);
  }

  WriterStatus GetStatus() const override {
    std::shared_ptr<OutputSink> first;
    {
      std::lock_guard lock(session_mutex_);
      if (destinations_.empty()) {
        return last_destinations_.empty() ? WriterStatus{} : last_destinations_.front().status;
      }
      first = destinations_.front();
    }
    return first->Status();
  }

  std::vector<DestinationStatus> GetDestinationStatus() const override {
    std::vector<std::shared_ptr<OutputSink>> sinks;
    {
      std::lock_guard lock(session_mutex_);
      if (destinations_.empty()) return last_destinations_;
      sinks = destinations_;
    }
    std::vector<DestinationStatus> out;
    for (const auto& sink : sinks) out.push_back({sink->options().name, sink->Status()});
    return out;
  }

  void ReconnectNow() override {
    std::vector<std::shared_ptr<OutputSink>> sinks;
    {
      std::lock_guard lock(session_mutex_);
      sinks = destinations_;
    }
    for (const auto& sink : sinks) sink->ReconnectNow();
  }

  void StartRecording(const std::string& path, const std::string& config) override {
    const StreamConfig parsed = ParseStreamConfig(config);  // raises before anything changes
    StopRecording();
    std::shared_ptr<EncodePipeline> pipeline;
    {
      std::lock_guard lock(session_mutex_);
      if (stream_pipeline_ && stream_pipeline_->Running()) pipeline = stream_pipeline_;
    }
    if (!pipeline) {
      pipeline = std::make_shared<EncodePipeline>(parsed, Logger());
      pipeline->Start();
    }
    SinkOptions options;
    options.url = path;
    options.format = "matroska";
    options.network = false;
    options.keep_retrying = false;
    options.recording = true;
    options.logger = Logger();
    auto sink = std::make_shared<OutputSink>(std::move(options), pipeline->Streams());
    pipeline->Attach(sink);
    if (pipeline->FailureReason().empty()) sink->Start();
    std::lock_guard lock(session_mutex_);
    recording_pipeline_ = std::move(pipeline);
    recording_ = std::move(sink);
  }

  void StopRecording() override {
    std::shared_ptr<EncodePipeline> pipeline;
    std::shared_ptr<OutputSink> sink;
    bool shared = false;
    {
      std::lock_guard lock(session_mutex_);
      pipeline = std::move(recording_pipeline_);
      sink = std::move(recording_);
      shared = pipeline && pipeline == stream_pipeline_;
    }
    if (!pipeline || !sink) return;
    const WriterStatus before = sink->Status();
    StopOutputs(pipeline, {sink}, !shared);
    RecordingStatus last = RecordingOf(*sink);
    if (before.state == eWriterState::Failed) last.reason = before.reason;
    std::lock_guard lock(session_mutex_);
    last_recording_ = std::move(last);
  }

  RecordingStatus GetRecordingStatus() const override {
    std::shared_ptr<OutputSink> sink;
    {
      std::lock_guard lock(session_mutex_);
      if (!recording_) return last_recording_;
      sink = recording_;
    }
    return RecordingOf(*sink);
  }

  void SetWriterLogger(WriterLogger logger) override {
    std::lock_guard lock(mutex_);
    logger_ = std::move(logger);
  }

 private:
  WriterLogger Logger() const {
    std::lock_guard lock(mutex_);
    return logger_;
  }

  static RecordingStatus RecordingOf(const OutputSink& sink) {
    const WriterStatus s = sink.Status();
    RecordingStatus r;
    r.state = s.state;
    r.file = sink.options().url;
    if (s.state == eWriterState::Failed) r.reason = s.reason;
    r.frames_written = s.frames_sent;
    return r;
  }

  // Stops the outputs together: those live send what they have queued for up to 0.7 s, then
  // everything left is aborted; returns within one second whatever the servers do. whole: the
  // encode stops too (nothing else uses it); otherwise it goes on for its other outputs.
  static void StopOutputs(const std::shared_ptr<EncodePipeline>& pipeline,
                          const std::vector<std::shared_ptr<OutputSink>>& sinks, bool whole) {
    const auto start = std::chrono::steady_clock::now();
    const auto graceful = start + std::chrono::milliseconds(700);
    const auto budget = start + std::chrono::milliseconds(950);
    if (whole) {
      pipeline->CloseInput();
    } else {
      for (const auto& sink : sinks) pipeline->Detach(sink);
    }
    // Detached outputs get nothing more; the others still get what the encode drains.
    for (const auto& sink : sinks) sink->BeginStop(!whole);
    if (whole && !sinks.empty() && std::all_of(sinks.begin(), sinks.end(), [](const auto& s) {
          return s->Status().state != eWriterState::Live;
        })) {
      pipeline->Abort();  // nothing to finish
    }
    bool done = !whole || pipeline->FinishStop(graceful);
    for (const auto& sink : sinks) done = sink->FinishStop(graceful) && done;
    if (done) return;
    if (whole) pipeline->Abort();
    for (const auto& sink : sinks) sink->Abort();
    if (whole) pipeline->FinishStop(budget);
    for (const auto& sink : sinks) sink->FinishStop(budget);
  }

  const std::vector<CodecChoice>& ListOf(int kind) const {
    static const std::vector<CodecChoice> none;
    const OutputChoice& out = OutputCatalog()[output_];
    if (kind == kChoiceVideoCodec) return out.video;
    if (kind == kChoiceAudioCodec) return out.audio;
    return none;
  }

  int CountOf(int kind) const {
    if (kind == kChoiceFormat) return static_cast<int>(OutputCatalog().size());
    return static_cast<int>(ListOf(kind).size());
  }

  std::shared_ptr<PropertySet> PropsOf(int kind) {
    if (kind == kChoiceFormat) return Props(kind, output_, 0);
    return Props(kind, output_, kind == kChoiceVideoCodec ? video_ : audio_);
  }

  std::shared_ptr<PropertySet> Props(int kind, int output, int index) {
    auto key = std::make_tuple(kind, output, index);
    auto it = props_.find(key);
    if (it != props_.end()) return it->second;
    const OutputChoice& out = OutputCatalog()[output];
    PropertyList defaults;
    if (kind == kChoiceFormat) {
      defaults = {{"size", std::to_string(kDefaultOutputWidth) + "x" +
                               std::to_string(kDefaultOutputHeight)}};
    } else {
      defaults = (kind == kChoiceVideoCodec ? out.video : out.audio)[index].defaults;
    }
    auto created = std::make_shared<PropertySet>(std::move(defaults));
    props_.emplace(key, created);
    return created;
  }

  mutable std::mutex mutex_;  // choices, properties map, logger
  int output_ = 0;
  int video_ = 0;
  int audio_ = 0;
  std::map<std::tuple<int, int, int>, std::shared_ptr<PropertySet>> props_;
  WriterLogger logger_;

  // Guards the pointers and the last runs' statuses; never held while stopping.
  mutable std::mutex session_mutex_;
  std::shared_ptr<EncodePipeline> stream_pipeline_;
  std::vector<std::shared_ptr<OutputSink>> destinations_;
  std::shared_ptr<EncodePipeline> recording_pipeline_;  // may be stream_pipeline_
  std::shared_ptr<OutputSink> recording_;
  std::vector<DestinationStatus> last_destinations_;  // of the last run, once stopped
  RecordingStatus last_recording_;
};

}  // namespace

EngineObjectPtr MakeStreamWriter() {
  return std::make_shared<StreamWriter>();
}

}  // namespace vexto::media
