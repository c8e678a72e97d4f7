// Monitor audio/video choices: the eight check items (four pairs of twins), the monitors and
// the "Preview" keys of the settings file. GUI thread. (swPlaylist / swLive are in the header:
// they only store entrada.)
#include "playout/playback_runtime.h"

namespace vexto {

namespace {

const char* PreviewKey(eMonitorAV s) {
  switch (s) {
    case eMonitorAV::PlaylistAudio:
      return "Playlist-Audio";
    case eMonitorAV::PlaylistVideo:
      return "Playlist-Video";
    case eMonitorAV::LiveAudio:
      return "Live-Audio";
    case eMonitorAV::LiveVideo:
      return "Live-Video";
  }
  return "";
}

}  // namespace

void TPlaybackRuntime::setPlaylistAV(int a, int v) {
  if (PlaylistMonitor) PlaylistMonitor->SetMonitorAudioVideo("", a, v);
}

void TPlaybackRuntime::setLiveAV(int a, int v) {
  if (CameraMonitor) CameraMonitor->SetMonitorAudioVideo("", a, v);
}

void TPlaybackRuntime::ToggleMonitor(eMonitorAV s) {
  bool& mark = menu_checked_[static_cast<int>(s)];
  mark = !mark;
  view_.SetMonitorMenuChecked(s, mark);  // the twin item gets the same mark
  auto on = [this](eMonitorAV x) { return MonitorMenuChecked(x) ? 1 : 0; };
  if (s == eMonitorAV::PlaylistAudio || s == eMonitorAV::PlaylistVideo) {
    setPlaylistAV(on(eMonitorAV::PlaylistAudio), on(eMonitorAV::PlaylistVideo));
  } else {
    setLiveAV(on(eMonitorAV::LiveAudio), on(eMonitorAV::LiveVideo));
  }
  if (settings_ && settings_->ConfigFile) {
    settings_->ConfigFile->WriteInteger("Preview", PreviewKey(s), mark ? 1 : 0);
  }
}

void TPlaybackRuntime::Audio1Click() {
  ToggleMonitor(eMonitorAV::PlaylistAudio);
}
void TPlaybackRuntime::Video1Click() {
  ToggleMonitor(eMonitorAV::PlaylistVideo);
}
void TPlaybackRuntime::Audio2Click() {
  ToggleMonitor(eMonitorAV::LiveAudio);
}
void TPlaybackRuntime::Video2Click() {
  ToggleMonitor(eMonitorAV::LiveVideo);
}

void TPlaybackRuntime::ApplyStoredMonitorChoices(const SettingsFields& s) {
  const std::pair<eMonitorAV, int> values[] = {{eMonitorAV::PlaylistAudio, s.intPreviewListAudio},
                                               {eMonitorAV::PlaylistVideo, s.intPreviewListVideo},
                                               {eMonitorAV::LiveAudio, s.intPreviewLiveAudio},
                                               {eMonitorAV::LiveVideo, s.intPreviewLiveVideo}};
  for (const auto& [setting, value] : values) {
    menu_checked_[static_cast<int>(setting)] = IntToBoolean(value);
    view_.SetMonitorMenuChecked(setting, IntToBoolean(value));
  }
  setPlaylistAV(s.intPreviewListAudio, s.intPreviewListVideo);
  setLiveAV(s.intPreviewLiveAudio, s.intPreviewLiveVideo);
}

}  // namespace vexto
