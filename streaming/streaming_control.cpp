#include "streaming/streaming_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <system_error>

#include "core/ini_file.h"
#include "streaming/page/service_presets.h"

namespace vexto {
namespace {

using media::eWriterState;

std::string Seconds(const media::WriterStatus& status) {
  const double left =
      status.retry_in_s > 0.0 ? std::ceil(status.retry_in_s) : std::max(status.retry_delay_s, 0.0);
  return std::to_string(std::lround(left)) + " s";
}

// Compact, for a line holding several destinations.
std::string CompactText(const media::WriterStatus& status) {
  switch (status.state) {
    case eWriterState::Stopped:
      return "parado";
    case eWriterState::Connecting:
      return "conectando";
    case eWriterState::Live:
      return "no ar";
    case eWriterState::Retrying:
      return "tentando de novo em " + Seconds(status);
    case eWriterState::Failed:
      return "falha: " + status.reason;
  }
  return {};
}

// "2026-12-10_21-05-33.mkv" in the local time, with "-2", "-3"... when taken.
std::filesystem::path NewRecordingFile(const std::filesystem::path& folder) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
  std::filesystem::path file = folder / (std::string(stamp) + ".mkv");
  for (int n = 2; std::filesystem::exists(file); ++n) {
    file = folder / (std::string(stamp) + "-" + std::to_string(n) + ".mkv");
  }
  return file;
}

}  // namespace

std::string StreamingStatusText(const media::WriterStatus& status) {
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
    case eWriterState::Retrying:
      return "Falha: " + status.reason + " — tentando de novo em " + Seconds(status);
    case eWriterState::Failed:
      return "Falha: " + status.reason;
  }
  return {};
}

std::string DestinationStateWord(eWriterState state) {
  switch (state) {
    case eWriterState::Stopped:
      return "off";
    case eWriterState::Connecting:
      return "connecting";
    case eWriterState::Live:
      return "live";
    case eWriterState::Retrying:
      return "retrying";
    case eWriterState::Failed:
      return "failed";
  }
  return "off";
}

std::string StreamingStatusLine(const StreamingSnapshot& snapshot,
                                const media::WriterStatus& lone_status) {
  std::string line;
  if (snapshot.destinations.size() > 1) {
    for (const DestinationSnapshot& d : snapshot.destinations) {
      if (!line.empty()) line += " · ";
      line += d.name + ": " + d.text;
    }
  } else if (snapshot.streaming ||
             !(lone_status.state == eWriterState::Stopped && lone_status.reason.empty())) {
    line = StreamingStatusText(lone_status);
  }
  if (!snapshot.recording.text.empty()) {
    if (!line.empty()) line += " · ";
    line += snapshot.recording.text;
  }
  return line;
}

StreamingControl::StreamingControl(std::shared_ptr<media::IMFWriter> writer,
                                   std::atomic<bool>& is_streaming, IStreamingView& view,
                                   StreamingTargetFields fields)
    : writer_(std::move(writer)),
      outputs_(std::dynamic_pointer_cast<media::IMFStreamOutputs>(writer_)),
      is_streaming_(is_streaming),
      view_(view),
      fields_(std::move(fields)) {}

void StreamingControl::PublishFlag() {
  is_streaming_.store(streaming_.load() || recording_.load());
}

std::string StreamingControl::PrimaryName() const {
  const TIniFile* ini = fields_.settings_file ? fields_.settings_file() : nullptr;
  const int service = ini != nullptr ? ini->ReadInteger("rtmp", "tipo_live", -1) : -1;
  if (service >= 0 && service < kServiceOutros) {
    return std::string(kLiveServices[static_cast<size_t>(service)]);
  }
  return "Principal";
}

void StreamingControl::setWriterRTMP(const std::string& server, const std::string& key,
                                     const std::string& config) {
  writer_->StopStreamOutput(0);
  const std::string target = StreamingTargetUrl(server, key);
  const TIniFile* ini = fields_.settings_file ? fields_.settings_file() : nullptr;
  std::vector<Named> named = {{PrimaryName(), {}}};
  std::vector<media::StreamDestination> destinations = {{named.front().name, target}};
  std::vector<Named> unusable;
  if (outputs_ != nullptr && ini != nullptr) {
    const std::vector<DestinationSettings> stored = ReadDestinations(*ini);
    for (int i = 0; i < kMaxDestinations; ++i) {
      const DestinationSettings& d = stored[static_cast<size_t>(i)];
      if (!d.ativo) continue;
      const DestinationTarget t = DestinationTargetOf(d);
      if (t.problem.empty()) {
        named.push_back({DestinationName(d, i), {}});
        destinations.push_back({named.back().name, t.url});
      } else {
        unusable.push_back({DestinationName(d, i), t.problem});
      }
    }
  }
  if (destinations.size() == 1 && unusable.empty()) {
    writer_->StartStreamOutput(target, 1, config);
  } else {
    outputs_->StartStreamOutputs(destinations, 1, config);
  }
  named.insert(named.end(), unusable.begin(), unusable.end());
  std::lock_guard lock(names_mutex_);
  started_ = std::move(named);
}

void StreamingControl::bot_StreamingClick() {
  if (Streaming()) {
    view_.SetStreamingButtonCaption(kCaptionHabilitar);
    streaming_.store(false);
    PublishFlag();
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
  streaming_.store(true);
  PublishFlag();
  view_.SetServerCaption(server);
  view_.SetStreamingButtonCaption(kCaptionDesabilitar);
}

void StreamingControl::verificarEncoder() {
  if (!Streaming()) return;
  if (!view_.AskYesNo(kApplyToRunningStreamQuestion)) return;
  bot_StreamingClick();
  bot_StreamingClick();
}

void StreamingControl::bot_ConfigClick() {
  view_.ShowStreamingPageModal();
}

void StreamingControl::ToggleRecording() {
  if (recording_.load()) {
    StopRecording();
  } else {
    StartRecording();
  }
}

void StreamingControl::StartRecording() {
  if (recording_.load()) return;
  if (outputs_ == nullptr) throw std::runtime_error("Este gravador não grava arquivos");
  const TIniFile* ini = fields_.settings_file ? fields_.settings_file() : nullptr;
  const std::filesystem::path folder = RecordingFolder(
      ini != nullptr ? ini->ReadString(kRecordingSection, kRecordingFolderKey, "") : "",
      fields_.program_folder);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw std::runtime_error("Não foi possível criar a pasta de gravação '" + folder.string() +
                             "': " + error.message());
  }
  const std::filesystem::path file = NewRecordingFile(folder);
  std::string text, config;
  writer_->ReadStreamConfig(text, config);
  outputs_->StartRecording(file.string(), config);
  {
    std::lock_guard lock(names_mutex_);
    recording_reason_.clear();
    recording_file_ = file.string();
  }
  recording_.store(true);
  PublishFlag();
  view_.SetRecordingChecked(true);
}

void StreamingControl::StopRecording() {
  if (!recording_.load()) return;
  recording_.store(false);
  PublishFlag();
  if (outputs_ != nullptr) outputs_->StopRecording();
  view_.SetRecordingChecked(false);
}

void StreamingControl::ReconnectNow() {
  if (outputs_ != nullptr) outputs_->ReconnectNow();
}

void StreamingControl::RefreshStatus() {
  if (recording_.load() && outputs_ != nullptr) {
    const media::RecordingStatus r = outputs_->GetRecordingStatus();
    if (r.state == eWriterState::Failed) {
      StopRecording();
      std::lock_guard lock(names_mutex_);
      recording_reason_ = r.reason;
    }
  }
  const StreamingSnapshot snapshot = Snapshot();
  bool failure = !snapshot.recording.on && !snapshot.recording.text.empty();
  for (const DestinationSnapshot& d : snapshot.destinations) {
    failure = failure || d.state == "retrying" || d.state == "failed";
  }
  const media::WriterStatus lone = writer_->GetStatus();
  if (snapshot.destinations.size() <= 1) {
    failure = failure || lone.state == eWriterState::Retrying || lone.state == eWriterState::Failed;
  }
  view_.SetStreamingStatus(StreamingStatusLine(snapshot, lone), failure);
  view_.SetRecordingChecked(recording_.load());
}

StreamingSnapshot StreamingControl::Snapshot() const {
  StreamingSnapshot snap;
  snap.streaming = Streaming();
  std::vector<media::DestinationStatus> statuses;
  if (snap.streaming) {
    if (outputs_ != nullptr) {
      statuses = outputs_->GetDestinationStatus();
    } else {
      statuses.push_back({{}, writer_->GetStatus()});
    }
  }
  media::RecordingStatus recording;
  if (outputs_ != nullptr) recording = outputs_->GetRecordingStatus();
  std::lock_guard lock(names_mutex_);
  if (snap.streaming) {
    for (size_t i = 0; i < started_.size(); ++i) {
      const Named& n = started_[i];
      if (!n.problem.empty()) {
        snap.destinations.push_back({n.name, "failed", "falha: " + n.problem});
      } else if (i < statuses.size()) {
        const media::WriterStatus& s = statuses[i].status;
        snap.destinations.push_back({n.name, DestinationStateWord(s.state), CompactText(s)});
      }
    }
  }
  snap.recording.on = recording_.load();
  snap.recording.file = recording.file.empty() ? recording_file_ : recording.file;
  if (snap.recording.on) {
    snap.recording.text = "Gravando";
  } else if (!recording_reason_.empty()) {
    snap.recording.text = "Gravação parada: " + recording_reason_;
  }
  return snap;
}

}  // namespace vexto
