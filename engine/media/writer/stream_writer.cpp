#include "engine/media/writer/stream_writer.h"

#include <map>
#include <mutex>
#include <tuple>

#include "engine/media/core/engine_error.h"
#include "engine/media/writer/output_catalog.h"
#include "engine/media/writer/stream_config.h"
#include "engine/media/writer/writer_session.h"

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

class StreamWriter final : public IMFWriter {
 public:
  ~StreamWriter() override { StopStreamOutput(0); }

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
    SessionOptions options;
    options.config = ParseStreamConfig(config);  // raises before anything changes
    options.url = url;
    options.keep_retrying = (flags & 1) != 0;
    {
      std::lock_guard lock(mutex_);
      options.logger = logger_;
    }
    StopStreamOutput(0);
    auto session = std::make_shared<WriterSession>(std::move(options));
    session->Start();
    std::lock_guard lock(session_mutex_);
    session_ = std::move(session);
  }

  void StopStreamOutput(int /*flags*/) override {
    std::shared_ptr<WriterSession> session;
    {
      std::lock_guard lock(session_mutex_);
      session = std::move(session_);
    }
    if (!session) return;
    session->Stop();
    std::lock_guard lock(session_mutex_);
    last_status_ = session->Status();  // Stopped, with the run's counts
  }

  void PushFrame(const IMFFramePtr& frame, int, int, int) override {
    std::shared_ptr<WriterSession> session;
    {
      std::lock_guard lock(session_mutex_);
      session = session_;
    }
    if (session) session->Push(frame);
  }

  WriterStatus GetStatus() const override {
    std::shared_ptr<WriterSession> session;
    {
      std::lock_guard lock(session_mutex_);
      session = session_;
    }
    if (session) return session->Status();
    std::lock_guard lock(session_mutex_);
    return last_status_;
  }

  void SetWriterLogger(WriterLogger logger) override {
    std::lock_guard lock(mutex_);
    logger_ = std::move(logger);
  }

 private:
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

  mutable std::mutex session_mutex_;  // only guards the pointer; never held while stopping
  std::shared_ptr<WriterSession> session_;
  WriterStatus last_status_;  // of the last run, once stopped
};

}  // namespace

EngineObjectPtr MakeStreamWriter() {
  return std::make_shared<StreamWriter>();
}

}  // namespace vexto::media
