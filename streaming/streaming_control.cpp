#include "streaming/streaming_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexto {

std::string StreamingTargetUrl(const std::string& server, const std::string& key) {
  std::string target = server;
  if (target.empty() || target.back() != '/') target += '/';
  return target + key;
}

std::string StreamingStatusText(const media::WriterStatus& status) {
  using media::eWriterState;
  switch (status.state) {
    case eWriterState::Stopped:
      return "Parado";
    case eWriterState::Connecting:
      return "Conectando…";
    case eWriterState::Live: {
      char rate[32];
      if (status.bitrate_kbps >= 1000.0) {
        std::snprintf(rate, sizeof rate, "%.1f Mb/s", status.bitrate_kbps / 1000.0);
      } else {
        std::snprintf(rate, sizeof rate, "%.0f kb/s", status.bitrate_kbps);
      }
      std::string text = std::string("No ar — ") + rate;
      for (char& c : text) {
        if (c == '.') c = ',';  // Portuguese decimal comma
      }
      return text;
    }
    case eWriterState::Retrying: {
      const long seconds = std::lround(std::max(status.retry_delay_s, 0.0));
      return "Falha: " + status.reason + " — tentando de novo em " + std::to_string(seconds) + " s";
    }
    case eWriterState::Failed:
      return "Falha: " + status.reason;
  }
  return {};
}

StreamingControl::StreamingControl(std::shared_ptr<media::IMFWriter> writer,
                                   std::atomic<bool>& is_streaming, IStreamingView& view,
                                   StreamingTargetFields fields)
    : writer_(std::move(writer)),
      is_streaming_(is_streaming),
      view_(view),
      fields_(std::move(fields)) {}

void StreamingControl::setWriterRTMP(const std::string& server, const std::string& key,
                                     const std::string& config) {
  writer_->StopStreamOutput(0);
  writer_->StartStreamOutput(StreamingTargetUrl(server, key), 1, config);
}

void StreamingControl::bot_StreamingClick() {
  if (is_streaming_.load()) {
    view_.SetStreamingButtonCaption(kCaptionHabilitar);
    is_streaming_.store(false);
    writer_->StopStreamOutput(0);
    return;
  }
  const std::string server = fields_.url_servidor ? fields_.url_servidor() : std::string();
  if (server.empty()) {
    view_.ShowStreamingPage();
    return;
  }
  std::string text, config;
  writer_->ReadStreamConfig(text, config);
  const std::string key = fields_.chave_streaming ? fields_.chave_streaming() : std::string();
  setWriterRTMP(server, key, config);
  is_streaming_.store(true);
  view_.SetServerCaption(server);
  view_.SetStreamingButtonCaption(kCaptionDesabilitar);
}

void StreamingControl::verificarEncoder() {
  if (!is_streaming_.load()) return;
  if (!view_.AskYesNo(kApplyToRunningStreamQuestion)) return;
  bot_StreamingClick();
  bot_StreamingClick();
}

void StreamingControl::bot_ConfigClick() {
  view_.ShowStreamingPageModal();
}

}  // namespace vexto
