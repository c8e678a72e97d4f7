// Fuzzes the stream configuration: the writer's configuration text (ParseStreamConfig, which
// must either raise EngineError or give a configuration that renders and parses back to the
// same), and the further destinations as the settings file keeps them (any settings text reads
// into four destinations whose targets are either refused with a reason or safe to hand to
// FFmpeg: one of the three schemes, no blank or control character).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ini_text.h"
#include "engine/media/core/engine_error.h"
#include "engine/media/writer/stream_config.h"
#include "streaming/destinations.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void FuzzConfigText(const std::string& text) {
  using namespace vexto::media;
  StreamConfig config;
  try {
    config = ParseStreamConfig(text);
  } catch (const EngineError&) {
    return;
  }
  const std::string rendered = RenderStreamConfig(config);
  const StreamConfig again = ParseStreamConfig(rendered);  // must not raise
  Check(RenderStreamConfig(again) == rendered);
  Check(again.width == config.width && again.height == config.height);
  for (const auto& [key, value] : config.video_options) (void)ParseBitrate(value);
}

void FuzzDestinations(std::string_view text) {
  const auto read = [text](std::string_view section,
                           std::string_view key) -> std::optional<std::string> {
    return vexto::IniFindValue(text, section, key);
  };
  const auto destinations = vexto::ReadDestinations(read);
  Check(destinations.size() == static_cast<size_t>(vexto::kMaxDestinations));
  for (size_t i = 0; i < destinations.size(); ++i) {
    const std::string name = vexto::DestinationName(destinations[i], static_cast<int>(i));
    Check(!name.empty());
    for (const char c : name) Check(static_cast<unsigned char>(c) >= ' ');
    const vexto::DestinationTarget target = vexto::DestinationTargetOf(destinations[i]);
    Check(target.url.empty() != target.problem.empty());
    if (target.url.empty()) continue;
    const std::string scheme = target.url.substr(0, target.url.find("://"));
    Check(scheme.size() < target.url.size());
    for (const char c : target.url) {
      Check(static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) != 0x7F);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int quiet = (av_log_set_level(AV_LOG_QUIET), 0);
  (void)quiet;
  const std::string text(reinterpret_cast<const char*>(data), size);
  FuzzConfigText(text);
  FuzzDestinations(text);
  return 0;
}
