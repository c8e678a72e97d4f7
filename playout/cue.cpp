// prepararMidia: cueing a playlist item onto the playlist reader.
//
// The operator's cue waits 500 ms before it acts. That wait runs on the GUI thread as a nested
// event loop that excludes user input: the window keeps painting, the clock timer keeps ticking
// and queued work (the pump's end-of-media steps, the serial line) keeps running, while no
// operator command can start in the middle of the cue. Without a Qt application it is a plain
// sleep. The automatic advance never waits (the pump hands over at once, see
// playback_runtime.h).
//
// The cue works on the item of the grid row selected when it starts, from step 1 to step 17.
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

#include "playout/av_thread.h"
#include "playout/playback_runtime.h"

namespace vexto {

namespace {

void WaitKeepingUi(int ms) {
  if (ms <= 0) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace

void TPlaybackRuntime::prepararMidia(const std::string& FileName, bool Auto) {
  // 1. Only an item reading "Pronto" is cued.
  const int row = view_.GridSelectedRow();
  if (MediaList.Items(row).FStatus != kStatusPronto) return;
  // 2. The operator's wait.
  if (!Auto) WaitKeepingUi(cue_delay_ms_);
  // 3. Ask before interrupting playback.
  if (!Auto && IsPlaying.load() && settings_ && settings_->bl_confimar_preparar) {
    if (!view_.AskYesNoWarning(kMsgInterromper)) return;
  }
  // From here on queued end-of-media work of the previous item no longer applies.
  epoch_.fetch_add(1);
  InvalidateStandby();
  // 4-7.
  const int previous = OnAirIndex.load();
  if (previous >= 0) MediaList.Items(previous).FStatus = std::string(kStatusPronto);
  IsPlaying.store(false);
  OnAirIndex.store(row);
  view_.SetClockColor(clWhite);
  // 8.
  if (MediaList.Count() == 0) return;
  try {
    const std::shared_ptr<media::IMFReader> reader = PlaylistReader();
    DropSwappedFirstFrame();
    // 9-10.
    reader->CloseMediaFile();
    reader->OpenMediaFile(FileName, 0);
    // 11-12.
    CueFrame.reset();
    const double position = pump_ ? static_cast<double>(pump_->NumFrames.load()) : 0.0;
    const std::string hints = pump_ ? pump_->strState : std::string();
    reader->PullFrame(cue_pull_props_, position, -1, -1, CueFrame, hints);
    if (PlaylistMonitor) PlaylistMonitor->PushFrame(CueFrame, -1, -1, 0);
    // 13-17.
    FinishCue(row, reader);
  } catch (const std::exception& e) {
    Log(e.what());
  }
  RefreshOnAirSnapshot();
}

void TPlaybackRuntime::FinishCue(int row, const std::shared_ptr<media::IMFReader>& reader) {
  MediaList.Items(row).FStatus = std::string(kStatusPreparado);
  view_.listar();
  PgmState.m_dblRate.store(1.0);
  PgmState.m_state.store(eState::eST_PlayFwd);
  double duration = 0.0;
  if (reader) reader->QueryMediaDuration(duration);
  ProgramDuration.store(duration);
  PgmState.m_dblDuration.store(duration);
  const double tenths = duration * 10.0;
  view_.SetProgressMax(tenths >= 2147483647.0 ? 2147483647 : static_cast<int>(tenths));
  view_.SetClockText(FormatTimecode(true, ShowElapsed.load() ? 0.0 : duration));
}

}  // namespace vexto
