// TPlaybackRuntime: what the main window's logic shares with the frame pump, and the operations
// on it: cue (prepararMidia), transport, program clock, source selection and the monitors'
// audio/video. The main window owns one instance, built in FormCreate in this order:
//   TPlaybackRuntime rt(view, logger);           // entrada := eLive, OnAirIndex := -1, PgmState
//   rt.CreateEngineObjects();                   // step 7, through the engine factory
//   rt.BindMonitors(pgmWin, pvwWin, outWin);    // step 9
//   rt.SetSettings(&fields, &ini);              // before carregarVariaveis
//   carregarVariaveis(..., step5 = [&]{ rt.ApplyStoredMonitorChoices(); });
//   ... load the default playlist into rt.MediaList ...
//   rt.StartPump();                             // steps 13-14
// and FormClose calls rt.StopPump() (IsPlaying := false, PumpRunning := false, join).
//
// Threads:
// - GUI thread (the thread that created this QObject): every method unless noted; it alone
//   touches MediaList, the items, the view and the settings file.
// - Frame pump (TAVThread): reads the atomics below, PgmState, the engine objects; it writes
//   IsPlaying, PgmState's mode and frame request and ProgramTime; everything else it has to do
//   at the end of a media is posted to the GUI thread as a queued call.
// - Remote controls (HTTP threads): swPlaylist / swLive only (they only store entrada).
//
// Automatic advance without a stall: while an item plays, the GUI thread keeps the next item
// open on a second reader (the standby reader) and has already taken its first frame from it.
// At the end of the media the pump swaps the standby reader in at once; its next pass uses that
// first frame instead of pulling, and later passes go on with the next frames (-1). So the
// program output goes from the last frame of one item to the first of the next with no lost
// and no repeated frame, and no pass waits for a file to open or a decoder to start. The
// status, grid and clock work of the advance is then posted to the GUI thread. The pump decides
// loop / pause / last / advance from a snapshot of the on-air item's flags that the GUI thread
// publishes whenever they may have changed (see RefreshOnAirSnapshot); when the snapshot is stale
// the whole end-of-media step runs on the GUI thread instead (correct, but the advance may then
// show a few repeated frames).
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/settings_fields.h"
#include "engine/gui_inbox/gui_inbox.h"
#include "engine/media/core/interfaces.h"
#include "engine/state/input.h"
#include "engine/state/state.h"
#include "engine/state/timecode.h"
#include "playlist/media_list.h"
#include "playout/playback_view.h"
#include "playout/program_clock.h"

namespace vexto {

class TAVThread;

// Texts of this module.
inline constexpr const char* kMsgNenhumaMidia = "Nenhuma midia preparada";
inline constexpr const char* kMsgInterromper = "Deseja interromper a reprodução atual?";
inline constexpr const char* kLogPumpEnded = "AVThread Finalizado";

using LoggerFn = std::function<void(const std::string&)>;

// What the pump needs to decide the end of a media on its own (published by the GUI thread).
struct OnAirSnapshot {
  bool valid = false;  // false: let the GUI thread decide
  uint64_t epoch = 0;  // cue generation it was taken in
  int onAirIndex = -1;
  bool loop = false;     // FLoop of the on-air item
  bool pause = false;    // FPause of the on-air item
  bool last = false;     // the on-air item is the last of the list
  std::string nextPath;  // FArquivo of the next item (empty when last)
};

class TPlaybackRuntime final : public QObject, public ISourceSwitch {
  Q_OBJECT

 public:
  // view and logger must outlive the runtime. logger may be called from any thread.
  TPlaybackRuntime(IPlaybackView& view, LoggerFn logger, QObject* parent = nullptr);
  ~TPlaybackRuntime() override;  // stops the pump if it still runs

  // ---- start-up and shutdown (GUI thread) ----
  // Makes PlaylistReader, ProbeReader, PlaylistMonitor, CameraMonitor, ProgramMonitor,
  // CameraSource, StreamWriter through the engine factory in this order (plus the standby
  // reader). Raises media::EngineError ("%s, ClassID: %s").
  void CreateEngineObjects();
  // BindMonitorWindow + SetMonitorAudioVideo("", 0, 1) for each monitor, in order.
  void BindMonitors(int64_t playlistWindow, int64_t cameraWindow, int64_t programWindow);
  // The settings fields (alert thresholds, bl_confimar_preparar) and, through their
  // ConfigFile, the settings file the monitor toggles write to. Must outlive the runtime.
  void SetSettings(SettingsFields* fields) { settings_ = fields; }
  // PumpRunning := true, IsPlaying := false, ShowElapsed := false; starts TAVThread.
  // clock: nullptr for the real-time 29.97 clock.
  void StartPump(std::unique_ptr<IProgramClock> clock = nullptr);
  // IsPlaying := false; PumpRunning := false; waits for the pump ("AVThread Finalizado").
  void StopPump();
  TAVThread* Pump() { return pump_.get(); }

  // ---- shared flags (any thread) ----
  std::atomic<bool> PumpRunning{false};
  std::atomic<bool> IsPlaying{false};
  std::atomic<bool> IsStreaming{false};  // written by the streaming control
  std::atomic<bool> ShowElapsed{false};
  std::atomic<eInput> entrada{eInput::eLive};
  std::atomic<int> OnAirIndex{-1};

  TState PgmState{eST_PlayFwd, -1.0, 0.0, 1.0, "", true};
  PublishedTime ProgramTime;  // time of the last frame taken from the playlist reader
  ProgramDurationValue ProgramDuration{0.0};

  // ---- engine objects (set once by CreateEngineObjects, then read-only) ----
  std::shared_ptr<media::IMFReader> ProbeReader;
  std::shared_ptr<media::IMFPreview> PlaylistMonitor;
  std::shared_ptr<media::IMFPreview> CameraMonitor;
  std::shared_ptr<media::IMFPreview> ProgramMonitor;
  std::shared_ptr<media::IMFWriter> StreamWriter;
  // The reader the playlist plays from now (it changes at each automatic advance). Any thread.
  std::shared_ptr<media::IMFReader> PlaylistReader() const;
  // The live source; replaceable while the pump runs (the pump takes its own reference each
  // pass, so an old source lives until the end of the pass that uses it). Any thread.
  std::shared_ptr<media::IMFLive> CameraSource() const;
  void ReplaceCameraSource(std::shared_ptr<media::IMFLive> source);
  // Replace engine objects before StartPump (tests, benchmarks). GUI thread.
  void SetEngineObjects(std::shared_ptr<media::IMFReader> playlistReader,
                        std::shared_ptr<media::IMFReader> standbyReader,
                        std::shared_ptr<media::IMFReader> probeReader,
                        std::shared_ptr<media::IMFPreview> playlistMonitor,
                        std::shared_ptr<media::IMFPreview> cameraMonitor,
                        std::shared_ptr<media::IMFPreview> programMonitor,
                        std::shared_ptr<media::IMFLive> cameraSource,
                        std::shared_ptr<media::IMFWriter> streamWriter);

  // ---- playlist (GUI thread only) ----
  TMediaList MediaList;
  media::IMFFramePtr CueFrame;  // the frame taken by the last cue
  // Call after any edit of MediaList or of an item's FLoop / FPause / order (the clock timer
  // also refreshes it every tick as a safety net). Publishes the on-air snapshot and keeps the
  // next item open on the standby reader.
  void NotifyPlaylistChanged() { RefreshOnAirSnapshot(); }

  // ---- cue (GUI thread) ----
  // Operator's cue (Auto false: 500 ms wait that keeps painting, optional confirmation) and the
  // automatic advance's fallback (Auto true: no wait). Errors of the engine steps go to the log.
  void prepararMidia(const std::string& FileName, bool Auto);
  // Wait of the operator's cue, milliseconds (500; tests may shorten it).
  void SetCueDelayMs(int ms) { cue_delay_ms_ = ms; }

  // ---- transport (GUI thread; errors raised with the system's texts) ----
  void botPlayPGMClick();
  void Play(const std::string& Status);
  void PNGButton2Click();  // rewind
  void PNGButton3Click();  // stop (raises "Argument out of range" with nothing on air)
  void PNGButton4Click();  // one-frame step
  void trackBarPGMChange();
  // The seek bar's position, as the runtime holds it (0..kSeekBarMax).
  int SeekBarPosition() const { return seek_bar_position_; }
  // Code sets the seek bar: if the value changes, show it and run trackBarPGMChange.
  void SetSeekBarPosition(int position);
  // The operator moved the slider (QSlider::valueChanged): same as SetSeekBarPosition, but the
  // view already shows it. A value equal to the held one is ignored.
  void SeekBarMoved(int position);
  static constexpr int kSeekBarMax = 100;

  // ---- program clock (GUI thread) ----
  void UpdateUI_PGMTimer();
  void update_UI(media::M_TIME mTime);
  void Progressivo1Click();

  // ---- source selection (any thread) and monitors' audio/video (GUI thread) ----
  void swPlaylist() override { entrada.store(eInput::ePlaylist); }
  void swLive() override { entrada.store(eInput::eLive); }
  void setPlaylistAV(int a, int v);
  void setLiveAV(int a, int v);
  static bool IntToBoolean(int n) { return n == 1; }
  void Audio1Click();                    // playlist audio, context menu
  void Video1Click();                    // playlist video, context menu
  void Audio2Click();                    // camera audio, context menu
  void Video2Click();                    // camera video, context menu
  void Audio3Click() { Audio1Click(); }  // main-menu twins
  void Video3Click() { Video1Click(); }
  void Audio4Click() { Audio2Click(); }
  void Video4Click() { Video2Click(); }
  bool MonitorMenuChecked(eMonitorAV s) const { return menu_checked_[static_cast<int>(s)]; }
  // Step 5 of carregarVariaveis (pass it as its callback): ticks := IntToBoolean of the four
  // "Preview" fields; the monitors get the integers as read.
  void ApplyStoredMonitorChoices(const SettingsFields& fields);

  // ---- end of media (GUI thread parts, posted by the pump) ----
  // Whole end-of-media step on the GUI thread (used when the pump's snapshot is stale).
  void EndOfMediaOnGui();
  // Publish the on-air snapshot and keep the next item open on the standby reader.
  void RefreshOnAirSnapshot();

  void Log(const std::string& line) const;
  // Posts fn to the GUI thread (queued; dropped if the runtime is gone). Any thread.
  void PostToGui(std::function<void()> fn);

 private:
  friend class TAVThread;

  // Pump side (pump thread only).
  OnAirSnapshot SnapshotForPump() const;
  // Swaps the standby reader in when it holds snapshot.nextPath for this epoch.
  bool SwapInStandby(const OnAirSnapshot& snap);
  // The first frame of the item swapped in, once (nullptr when none or already taken).
  media::IMFFramePtr TakeSwappedFirstFrame();
  void DropSwappedFirstFrame() { (void)TakeSwappedFirstFrame(); }
  void PumpEndOfMedia();

  // GUI side of each end-of-media case (posted by the pump).
  void LoopDoneOnGui(uint64_t epoch);
  void PauseDoneOnGui(uint64_t epoch, int index);
  void LastDoneOnGui(uint64_t epoch, int index);
  void AdvanceDoneOnGui(uint64_t epoch, int index, const std::string& path);
  // Steps of the cue that follow the reader work (13-17), shared by the operator's cue and the
  // advance.
  void FinishCue(int row, const std::shared_ptr<media::IMFReader>& reader);
  void ToggleMonitor(eMonitorAV s);
  void InvalidateStandby();

  IPlaybackView& view_;
  LoggerFn logger_;
  SettingsFields* settings_ = nullptr;
  int cue_delay_ms_ = 500;
  int seek_bar_position_ = 0;
  bool menu_checked_[4] = {false, false, false, false};
  media::M_AV_PROPS cue_pull_props_{};  // the cue's pulls (GUI thread)

  // Readers and live source: pointers guarded by a short mutex (no engine call under it).
  mutable std::mutex sources_mutex_;
  std::shared_ptr<media::IMFReader> active_reader_;
  std::shared_ptr<media::IMFReader> standby_reader_;
  std::string standby_path_;          // file open on the standby reader ("" none)
  bool standby_ready_ = false;        // standby holds standby_path_ for the current epoch
  media::IMFFramePtr standby_first_;  // frame 0 of the standby file, already pulled
  media::IMFFramePtr swapped_first_;  // frame 0 of the item just swapped in, for the pump
  std::shared_ptr<media::IMFLive> camera_source_;

  // On-air snapshot (GUI thread writes, pump reads at end of media).
  mutable std::mutex snapshot_mutex_;
  OnAirSnapshot snapshot_;
  std::atomic<uint64_t> epoch_{1};  // bumped by every cue (queued end-of-media work from an
                                    // older epoch is dropped)

  // Declared before the pump so that it outlives it: the pump posts into it until it stops.
  GuiInbox gui_inbox_;
  std::unique_ptr<TAVThread> pump_;
};

}  // namespace vexto
