// Construction, engine objects, the pump's life, the reader swap and the on-air snapshot.
#include "playout/playback_runtime.h"

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "playout/av_thread.h"

namespace vexto {

using namespace media;

TPlaybackRuntime::TPlaybackRuntime(IPlaybackView& view, LoggerFn logger, QObject* parent)
    : QObject(parent), view_(view), logger_(std::move(logger)) {}

TPlaybackRuntime::~TPlaybackRuntime() {
  StopPump();
}

void TPlaybackRuntime::CreateEngineObjects() {
  std::shared_ptr<IMFReader> playlist = CreateEngineInterface<IMFReader>(CLSID_MFReader);
  ProbeReader = CreateEngineInterface<IMFReader>(CLSID_MFReader);
  PlaylistMonitor = CreateEngineInterface<IMFPreview>(CLSID_MFPreview);
  CameraMonitor = CreateEngineInterface<IMFPreview>(CLSID_MFPreview);
  ProgramMonitor = CreateEngineInterface<IMFPreview>(CLSID_MFPreview);
  std::shared_ptr<IMFLive> camera = CreateEngineInterface<IMFLive>(CLSID_MFLive);
  StreamWriter = CreateEngineInterface<IMFWriter>(CLSID_MFWriter);
  // The second playlist reader, which holds the next item open for the automatic advance.
  std::shared_ptr<IMFReader> standby = CreateEngineInterface<IMFReader>(CLSID_MFReader);
  std::lock_guard lock(sources_mutex_);
  active_reader_ = std::move(playlist);
  standby_reader_ = std::move(standby);
  standby_path_.clear();
  standby_ready_ = false;
  camera_source_ = std::move(camera);
}

void TPlaybackRuntime::SetEngineObjects(
    std::shared_ptr<IMFReader> playlistReader, std::shared_ptr<IMFReader> standbyReader,
    std::shared_ptr<IMFReader> probeReader, std::shared_ptr<IMFPreview> playlistMonitor,
    std::shared_ptr<IMFPreview> cameraMonitor, std::shared_ptr<IMFPreview> programMonitor,
    std::shared_ptr<IMFLive> cameraSource, std::shared_ptr<IMFWriter> streamWriter) {
  ProbeReader = std::move(probeReader);
  PlaylistMonitor = std::move(playlistMonitor);
  CameraMonitor = std::move(cameraMonitor);
  ProgramMonitor = std::move(programMonitor);
  StreamWriter = std::move(streamWriter);
  std::lock_guard lock(sources_mutex_);
  active_reader_ = std::move(playlistReader);
  standby_reader_ = std::move(standbyReader);
  standby_path_.clear();
  standby_ready_ = false;
  camera_source_ = std::move(cameraSource);
}

void TPlaybackRuntime::BindMonitors(int64_t playlistWindow, int64_t cameraWindow,
                                    int64_t programWindow) {
  const std::pair<IMFPreview*, int64_t> monitors[] = {{PlaylistMonitor.get(), playlistWindow},
                                                      {CameraMonitor.get(), cameraWindow},
                                                      {ProgramMonitor.get(), programWindow}};
  for (const auto& [monitor, window] : monitors) {
    if (!monitor) continue;
    monitor->BindMonitorWindow("", window);
    monitor->SetMonitorAudioVideo("", 0, 1);
  }
}

void TPlaybackRuntime::StartPump(std::unique_ptr<IProgramClock> clock) {
  if (pump_) return;
  PumpRunning.store(true);
  IsPlaying.store(false);
  ShowElapsed.store(false);
  pump_ = std::make_unique<TAVThread>(*this, std::move(clock));
}

void TPlaybackRuntime::StopPump() {
  IsPlaying.store(false);
  PumpRunning.store(false);
  if (pump_) pump_->WaitFor();
}

std::shared_ptr<IMFReader> TPlaybackRuntime::PlaylistReader() const {
  std::lock_guard lock(sources_mutex_);
  return active_reader_;
}

std::shared_ptr<IMFLive> TPlaybackRuntime::CameraSource() const {
  std::lock_guard lock(sources_mutex_);
  return camera_source_;
}

void TPlaybackRuntime::ReplaceCameraSource(std::shared_ptr<IMFLive> source) {
  std::shared_ptr<IMFLive> old;
  {
    std::lock_guard lock(sources_mutex_);
    old = std::exchange(camera_source_, std::move(source));
  }
  // old is released here, outside the lock; the pump may still hold its own reference until
  // the end of its pass.
}

void TPlaybackRuntime::Log(const std::string& line) const {
  if (logger_) logger_(line);
}

void TPlaybackRuntime::PostToGui(std::function<void()> fn) {
  gui_inbox_.Post(std::move(fn));
}

// ---- on-air snapshot and standby reader (GUI thread) ----

void TPlaybackRuntime::InvalidateStandby() {
  std::lock_guard lock(snapshot_mutex_);
  snapshot_.valid = false;
}

void TPlaybackRuntime::RefreshOnAirSnapshot() {
  OnAirSnapshot s;
  s.epoch = epoch_.load();
  const int idx = OnAirIndex.load();
  if (idx >= 0 && idx < MediaList.Count()) {
    const TMidia& item = MediaList.Items(idx);
    s.valid = true;
    s.onAirIndex = idx;
    s.loop = item.FLoop;
    s.pause = item.FPause;
    s.last = idx + 1 > MediaList.Count() - 1;
    if (!s.last) s.nextPath = MediaList.Items(idx + 1).FArquivo;
  }

  if (!s.nextPath.empty()) {
    // Keep the next item open on the standby reader.
    std::shared_ptr<IMFReader> standby;
    {
      std::lock_guard lock(sources_mutex_);
      if (standby_path_ != s.nextPath) {
        standby_ready_ = false;
        standby = standby_reader_;
      }
    }
    if (standby) {
      IMFFramePtr first;
      try {
        standby->CloseMediaFile();
        standby->OpenMediaFile(s.nextPath, 0);
        // The first pull after an open gives frame 0 and waits for the decoder: done here, so
        // the pump never waits for it.
        M_AV_PROPS props{};
        standby->PullFrame(props, -1.0, -1, -1, first, "");
      } catch (const std::exception& e) {
        Log(e.what());
      }
      std::lock_guard lock(sources_mutex_);
      if (standby_reader_ == standby) {
        standby_path_ = s.nextPath;
        standby_first_ = std::move(first);
        standby_ready_ = true;
      }
    }
  }

  std::lock_guard lock(snapshot_mutex_);
  snapshot_ = std::move(s);
}

// ---- pump side ----

OnAirSnapshot TPlaybackRuntime::SnapshotForPump() const {
  std::lock_guard lock(snapshot_mutex_);
  return snapshot_;
}

IMFFramePtr TPlaybackRuntime::TakeSwappedFirstFrame() {
  std::lock_guard lock(sources_mutex_);
  return std::exchange(swapped_first_, nullptr);
}

bool TPlaybackRuntime::SwapInStandby(const OnAirSnapshot& snap) {
  IMFFramePtr first;
  {
    std::lock_guard lock(sources_mutex_);
    if (!standby_ready_ || standby_path_ != snap.nextPath || snap.epoch != epoch_.load()) {
      return false;
    }
    std::swap(active_reader_, standby_reader_);
    swapped_first_ = std::move(standby_first_);
    standby_first_.reset();
    standby_ready_ = false;
    standby_path_.clear();  // the standby now holds the finished item
    first = swapped_first_;
  }
  InvalidateStandby();  // the on-air item changes: no more decisions on this snapshot
  // The clock goes over to the new item now: a GUI tick between the advance and the next pass
  // would otherwise count the new item's duration down from the old item's last frame.
  if (first) {
    media::M_TIME t{};
    first->ReadFrameTime(t);
    ProgramTime.Store(t);
  }
  return true;
}

void TPlaybackRuntime::PumpEndOfMedia() {
  const OnAirSnapshot snap = SnapshotForPump();
  const uint64_t epoch = snap.epoch;
  if (!snap.valid || epoch != epoch_.load() || snap.onAirIndex != OnAirIndex.load()) {
    // No consistent picture of the playlist here: stop taking frames and let the GUI thread
    // run the whole step on the list itself.
    IsPlaying.store(false);
    const uint64_t now_epoch = epoch_.load();
    PostToGui([this, now_epoch] {
      if (epoch_.load() == now_epoch) EndOfMediaOnGui();
    });
    return;
  }
  if (snap.loop) {
    seekPGM(PgmState, 0.0);  // the next pull takes the first frame
    IsPlaying.store(true);
    PostToGui([this, epoch] { LoopDoneOnGui(epoch); });
    return;
  }
  if (snap.pause) {
    IsPlaying.store(false);
    seekPGM(PgmState, 0.0);
    const int index = snap.onAirIndex;
    PostToGui([this, epoch, index] { PauseDoneOnGui(epoch, index); });
    return;
  }
  if (snap.last) {
    IsPlaying.store(false);
    const int index = snap.onAirIndex;
    PostToGui([this, epoch, index] { LastDoneOnGui(epoch, index); });
    return;
  }
  if (SwapInStandby(snap)) {
    // The next item plays from its first frame (already taken) on the very next pass.
    PgmState.m_dblRate.store(1.0);
    PgmState.m_state.store(eST_PlayFwd);
    PgmState.m_dblFrameRequest.store(-1.0);
    IsPlaying.store(true);
    const int index = snap.onAirIndex;
    std::string path = snap.nextPath;
    PostToGui([this, epoch, index, path] { AdvanceDoneOnGui(epoch, index, path); });
    return;
  }
  IsPlaying.store(false);
  PostToGui([this, epoch] {
    if (epoch_.load() == epoch) EndOfMediaOnGui();
  });
}

// ---- GUI side of the end of a media ----

void TPlaybackRuntime::LoopDoneOnGui(uint64_t epoch) {
  if (epoch_.load() != epoch) return;
  view_.SetClockColor(clWhite);
  // The bar goes back to 0 without a second seek: the pump has already asked for position 0,
  // and a late seek would throw the loop back to its start a few frames in.
  if (seek_bar_position_ != 0) {
    seek_bar_position_ = 0;
    view_.ShowSeekBarPosition(0);
  }
}

void TPlaybackRuntime::PauseDoneOnGui(uint64_t epoch, int index) {
  if (epoch_.load() != epoch) return;
  if (index < MediaList.Count()) MediaList.Items(index).FStatus = std::string(kStatusPausado);
  view_.SetGridStatusCell(index, std::string(kStatusPausado));
  view_.SetClockColor(clWhite);
  view_.SetUpdateTimerEnabled(false);
  RefreshOnAirSnapshot();
}

void TPlaybackRuntime::LastDoneOnGui(uint64_t epoch, int index) {
  if (epoch_.load() != epoch) return;
  if (index < MediaList.Count()) MediaList.Items(index).FStatus = std::string(kStatusPronto);
  view_.SetGridStatusCell(index, std::string(kStatusPronto));
  view_.PGMPaintPlay();
  OnAirIndex.store(-1);
  RefreshOnAirSnapshot();
}

void TPlaybackRuntime::AdvanceDoneOnGui(uint64_t epoch, int index, const std::string& path) {
  if (epoch_.load() != epoch) return;
  const int next = index + 1;
  const bool still_next = OnAirIndex.load() == index && next < MediaList.Count() &&
                          MediaList.Items(next).FArquivo == path &&
                          MediaList.Items(next).FStatus == kStatusPronto;
  if (!still_next) {
    // The playlist changed since the pump swapped readers: cue the real next item.
    IsPlaying.store(false);
    EndOfMediaOnGui();
    return;
  }
  view_.SetGridSelectedRow(next);
  // The cue of the next item, without its wait and reader work (the pump already plays it).
  epoch_.fetch_add(1);
  InvalidateStandby();
  MediaList.Items(index).FStatus = std::string(kStatusPronto);
  OnAirIndex.store(next);
  view_.SetClockColor(clWhite);
  FinishCue(next, PlaylistReader());
  MediaList.Items(next).FStatus = std::string(kStatusReproduzindo);
  view_.listar();
  view_.SetClockColor(clWhite);
  RefreshOnAirSnapshot();
}

void TPlaybackRuntime::EndOfMediaOnGui() {
  const int idx = OnAirIndex.load();
  if (idx < 0 || idx >= MediaList.Count()) return;  // nothing on air any more
  TMidia& item = MediaList.Items(idx);
  if (item.FLoop) {
    // IsPlaying last, so the pump's first pull comes after both seeks to 0.
    seekPGM(PgmState, 0.0);
    view_.SetClockColor(clWhite);
    SetSeekBarPosition(0);
    IsPlaying.store(true);
  } else if (item.FPause) {
    IsPlaying.store(false);
    item.FStatus = std::string(kStatusPausado);
    view_.SetGridStatusCell(idx, std::string(kStatusPausado));
    seekPGM(PgmState, 0.0);
    view_.SetClockColor(clWhite);
    view_.SetUpdateTimerEnabled(false);
  } else if (idx + 1 > MediaList.Count() - 1) {
    IsPlaying.store(false);
    item.FStatus = std::string(kStatusPronto);
    view_.SetGridStatusCell(idx, std::string(kStatusPronto));
    view_.PGMPaintPlay();
    OnAirIndex.store(-1);
  } else {
    view_.SetGridSelectedRow(idx + 1);
    prepararMidia(MediaList.Items(idx + 1).FArquivo, true);
    IsPlaying.store(true);
    const int now = OnAirIndex.load();
    if (now >= 0 && now < MediaList.Count())
      MediaList.Items(now).FStatus = std::string(kStatusReproduzindo);
    view_.listar();
    view_.SetClockColor(clWhite);
  }
  RefreshOnAirSnapshot();
}

}  // namespace vexto
