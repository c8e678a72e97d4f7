// TAVThread: the frame pump. One thread moves every frame of the system, one pass per tick of
// the program clock (30000/1001 per second):
//   1. take its own reference to CameraSource; pull a camera frame (position = PgmState's frame
//      request, hints = those of the last playlist pull); push it to CameraMonitor;
//   2. while IsPlaying: pull a playlist frame with the hints of PgmState's mode; when one came:
//      step modes fall back to eST_Pause, the frame request becomes -trunc(rate) (unless a seek
//      arrived meanwhile), ProgramTime := its time, push it to PlaylistMonitor, and on the
//      end-of-media bit run the end-of-media step (TPlaybackRuntime::PumpEndOfMedia);
//   3. program frame := playlist frame (entrada = ePlaylist) or camera frame (eLive); push it to
//      ProgramMonitor and, while IsStreaming, to StreamWriter;
//   4. release the three frames; wait for the next tick.
// The loop runs while PumpRunning is true. An error inside a pass is logged and the next pass
// goes on. "AVThread Finalizado" is logged once when the loop ends.
//
// The pump never touches a widget and never waits for the GUI thread: end-of-media work on the
// playlist, the grid and the clock is posted to the GUI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "engine/media/core/media_types.h"
#include "playout/program_clock.h"

namespace vexto {

class TPlaybackRuntime;

struct PumpStats {
  int64_t passes = 0;
  int64_t errors = 0;         // passes whose work raised an error (logged)
  int64_t late_passes = 0;    // from the program clock
  int64_t dropped_ticks = 0;  // from the program clock
};

class TAVThread {
 public:
  // Starts the thread at once.
  TAVThread(TPlaybackRuntime& runtime, std::unique_ptr<IProgramClock> clock);
  ~TAVThread();  // joins (the runtime clears PumpRunning first)
  TAVThread(const TAVThread&) = delete;
  TAVThread& operator=(const TAVThread&) = delete;

  // Position of the cue's pull: 0 from creation, -1 once the play command has run.
  std::atomic<int> NumFrames{0};
  // Hints of the cue's pull: always empty (never written, so safe to read on any thread).
  const std::string strState;

  // Waits until the loop has ended (PumpRunning must be false). Idempotent.
  void WaitFor();
  PumpStats Stats() const;
  // Called on the pump thread after each pass with the pass's start (MonotonicNowNs) and its
  // duration (benchmarks). The thread starts in the constructor, so this is set afterwards
  // through atomics.
  using PassObserver = void (*)(void* ctx, int64_t start_ns, int64_t pass_ns);
  void SetPassObserver(PassObserver fn, void* ctx);

 private:
  void Execute();
  void Pass();

  TPlaybackRuntime& rt_;
  std::unique_ptr<IProgramClock> clock_;
  media::M_AV_PROPS camera_pull_props_{};
  media::M_AV_PROPS playlist_pull_props_{};
  std::string hints_;  // hints of the last playlist pull (pump thread)
  std::atomic<int64_t> passes_{0};
  std::atomic<int64_t> errors_{0};
  std::atomic<PassObserver> observer_{nullptr};
  std::atomic<void*> observer_ctx_{nullptr};
  std::thread thread_;
};

}  // namespace vexto
