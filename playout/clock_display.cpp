// The program clock: big clock, small elapsed label, progress bar and alert colours, refreshed
// by the 30 ms UpdateUI_PGM timer (GUI thread) from the time of the last frame the pump took.
#include <exception>

#include "playout/playback_runtime.h"

namespace vexto {

void TPlaybackRuntime::UpdateUI_PGMTimer() {
  if (entrada.load() == eInput::ePlaylist) update_UI(ProgramTime.Load());
  // Safety net for edits that did not call NotifyPlaylistChanged: the pump's end-of-media
  // decisions never work on a snapshot older than one tick.
  try {
    RefreshOnAirSnapshot();
  } catch (const std::exception&) {
  }
}

void TPlaybackRuntime::update_UI(media::M_TIME mTime) {
  const double position = static_cast<double>(mTime.rtStartTime) / 10000000.0;
  const double remaining = ProgramDuration.load() - position;
  try {
    const double tenths = position * 10.0;
    const int progress = tenths >= 2147483647.0    ? 2147483647
                         : tenths <= -2147483648.0 ? -2147483647 - 1
                                                   : static_cast<int>(tenths);
    view_.SetProgressPosition(progress);
    view_.SetElapsedText(FormatTimecode(false, position));
    view_.SetClockText(FormatTimecode(true, ShowElapsed.load() ? position : remaining));
    if (!settings_) return;
    const SettingsFields& s = *settings_;
    const double alert = static_cast<double>(s.int_alerta_seg);
    const double critical = static_cast<double>(s.int_alerta_critico_seg);
    if (s.bl_alerta && alert > remaining) view_.SetClockColor(s.cl_alerta_cor);
    if (s.bl_alerta_critico && critical > remaining) view_.SetClockColor(s.cl_alerta_critico_cor);
    if (alert < remaining && critical < remaining) view_.SetClockColor(clWhite);
  } catch (const std::exception&) {
    // The clock drops its errors; the next tick tries again.
  }
}

void TPlaybackRuntime::Progressivo1Click() {
  const bool elapsed = ShowElapsed.load();
  view_.SetProgressivoChecked(!elapsed);
  ShowElapsed.store(!elapsed);
}

}  // namespace vexto
