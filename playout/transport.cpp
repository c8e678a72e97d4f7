// Transport commands of the on-air item: play/pause, rewind, stop, one-frame step, seek bar.
// GUI thread. They only change shared state; the pump turns it into frames.
#include "playout/av_thread.h"
#include "playout/playback_runtime.h"

namespace vexto {

void TPlaybackRuntime::botPlayPGMClick() {
  const int idx = OnAirIndex.load();
  if (idx >= 0) Play(MediaList.Items(idx).FStatus);
}

void TPlaybackRuntime::Play(const std::string& Status) {
  const int idx = OnAirIndex.load();
  if (idx == -1) {
    view_.ShowMessage(kMsgNenhumaMidia);
    return;
  }
  if (PgmState.m_state.load() == eState::eST_Pause) {
    // Leave the paused mode that follows a step; nothing else changes.
    PgmState.m_state.store(eState::eST_PlayFwd);
    PgmState.m_dblRate.store(1.0);
    view_.PGMPaintPause();
    return;
  }
  PgmState.m_dblRate.store(1.0);
  PgmState.m_state.store(eState::eST_PlayFwd);
  double duration = 0.0;
  if (const auto reader = PlaylistReader()) reader->QueryMediaDuration(duration);
  ProgramDuration.store(duration);
  PgmState.m_dblDuration.store(duration);
  SetSeekBarPosition(0);
  if (Status == kStatusPreparado || Status == kStatusPausado) {
    if (pump_) pump_->NumFrames.store(-1);
    view_.SetUpdateTimerEnabled(true);
    MediaList.Items(idx).FStatus = std::string(kStatusReproduzindo);
    view_.PGMPaintPause();
    view_.listar();
    RefreshOnAirSnapshot();
    IsPlaying.store(true);
  } else if (Status == kStatusReproduzindo) {
    IsPlaying.store(false);
    view_.SetUpdateTimerEnabled(false);
    MediaList.Items(idx).FStatus = std::string(kStatusPausado);
    view_.PGMPaintPlay();
    view_.listar();
  }
}

void TPlaybackRuntime::PNGButton2Click() {
  seekPGM(PgmState, 0.0);
}

void TPlaybackRuntime::PNGButton3Click() {
  seekPGM(PgmState, 0.0);
  IsPlaying.store(false);
  SetSeekBarPosition(0);
  view_.PGMPaintPlay();
  const int idx = OnAirIndex.load();
  MediaList.Items(idx).FStatus =
      std::string(kStatusPreparado);  // raises "Argument out of range" at -1
  view_.SetGridStatusCell(idx, std::string(kStatusPreparado));
}

void TPlaybackRuntime::PNGButton4Click() {
  PgmState.m_state.store(eState::eST_StepFwd);
  PgmState.m_dblRate.store(3.0);
  view_.PGMPaintPlay();
}

void TPlaybackRuntime::trackBarPGMChange() {
  seekPGM(PgmState, static_cast<double>(seek_bar_position_) / static_cast<double>(kSeekBarMax) *
                        PgmState.m_dblDuration.load());
}

void TPlaybackRuntime::SetSeekBarPosition(int position) {
  if (position == seek_bar_position_) return;
  seek_bar_position_ = position;
  view_.ShowSeekBarPosition(position);
  trackBarPGMChange();
}

void TPlaybackRuntime::SeekBarMoved(int position) {
  if (position == seek_bar_position_) return;
  seek_bar_position_ = position;
  trackBarPGMChange();
}

}  // namespace vexto
