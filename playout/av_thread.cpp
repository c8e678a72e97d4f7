#include "playout/av_thread.h"

#include <cmath>
#include <exception>

#include "playout/playback_runtime.h"

namespace vexto {

using media::IMFFramePtr;

TAVThread::TAVThread(TPlaybackRuntime& runtime, std::unique_ptr<IProgramClock> clock)
    : rt_(runtime), clock_(std::move(clock)) {
  if (!clock_) clock_ = std::make_unique<RealTimeProgramClock>();
  thread_ = std::thread([this] { Execute(); });
}

TAVThread::~TAVThread() {
  WaitFor();
}

void TAVThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

PumpStats TAVThread::Stats() const {
  PumpStats s;
  s.passes = passes_.load();
  s.errors = errors_.load();
  s.late_passes = clock_->LatePasses();
  s.dropped_ticks = clock_->DroppedTicks();
  return s;
}

void TAVThread::SetPassObserver(PassObserver fn, void* ctx) {
  observer_ctx_.store(ctx);
  observer_.store(fn);
}

void TAVThread::Execute() {
  clock_->Start();
  while (rt_.PumpRunning.load()) {
    const int64_t t0 = MonotonicNowNs();
    try {
      Pass();
    } catch (const std::exception& e) {
      errors_.fetch_add(1);
      rt_.Log(e.what());
    } catch (...) {
      errors_.fetch_add(1);
      rt_.Log("Erro desconhecido no AVThread");
    }
    passes_.fetch_add(1);
    if (PassObserver fn = observer_.load()) fn(observer_ctx_.load(), t0, MonotonicNowNs() - t0);
    if (!rt_.PumpRunning.load()) break;
    clock_->WaitNextTick();
  }
  rt_.Log(kLogPumpEnded);
}

void TAVThread::Pass() {
  TState& st = rt_.PgmState;
  IMFFramePtr camera_frame;
  IMFFramePtr playlist_frame;

  // Camera: our own reference for this pass, so a replacement never frees it under us.
  if (std::shared_ptr<media::IMFLive> camera = rt_.CameraSource()) {
    camera->PullFrame(camera_pull_props_, st.m_dblFrameRequest.load(), -1, -1, camera_frame,
                      hints_);
  }
  if (rt_.CameraMonitor) rt_.CameraMonitor->PushFrame(camera_frame, 0, 0, 0);

  if (rt_.IsPlaying.load()) {
    const eState mode = st.m_state.load();
    hints_.clear();
    if (mode == eState::eST_Pause) {
      hints_ = " pause=true";
    } else if (mode == eState::eST_PlayRev || mode == eState::eST_StepRev) {
      hints_ = " reverse=true";
    }
    double request = st.m_dblFrameRequest.load();
    // Right after an automatic advance the new item's first frame is already there.
    playlist_frame = rt_.TakeSwappedFirstFrame();
    if (playlist_frame && request >= 0) playlist_frame.reset();  // a seek came first
    std::shared_ptr<media::IMFReader> reader;
    if (!playlist_frame) reader = rt_.PlaylistReader();
    if (reader) reader->PullFrame(playlist_pull_props_, request, -1, -1, playlist_frame, hints_);
    if (playlist_frame) {
      if (mode == eState::eST_StepFwd || mode == eState::eST_StepRev) {
        eState expected = mode;  // a Play that came meanwhile wins
        st.m_state.compare_exchange_strong(expected, eState::eST_Pause);
      }
      // Back to "the next frame" unless a seek arrived while we pulled.
      const double next = -std::trunc(st.m_dblRate.load());
      st.m_dblFrameRequest.compare_exchange_strong(request, next);
      media::M_TIME t{};
      playlist_frame->ReadFrameTime(t);
      rt_.ProgramTime.Store(t);
      if (rt_.PlaylistMonitor) rt_.PlaylistMonitor->PushFrame(playlist_frame, 0, 0, 0);
      if (t.eFFlags & media::eMFF_EndOfMedia) rt_.PumpEndOfMedia();
    }
  }

  const IMFFramePtr& program =
      rt_.entrada.load() == eInput::ePlaylist ? playlist_frame : camera_frame;
  if (rt_.ProgramMonitor) rt_.ProgramMonitor->PushFrame(program, -1, -1, 0);
  if (rt_.IsStreaming.load() && rt_.StreamWriter) rt_.StreamWriter->PushFrame(program, 0, 0, 0);
}

}  // namespace vexto
