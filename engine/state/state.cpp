#include "engine/state/state.h"

#include <cmath>
#include <thread>

namespace vexto {

TState::TState(eState _state, double _dblFrameRequest, double _dblDuration, double _dblRate,
               std::string _strFileName, bool _bLoop)
    : m_state(_state),
      m_dblFrameRequest(_dblFrameRequest),
      m_dblDuration(_dblDuration),
      m_dblRate(_dblRate),
      m_strFileName(std::move(_strFileName)),
      m_bLoop(_bLoop) {}

void seekPGM(TState& state, double x) {
  if (!(x >= 0)) x = 0;  // negative or NaN
  const double duration = state.dblDuration();
  if (x > duration) x = duration;
  if (!(x >= 0)) x = 0;  // a negative or NaN duration
  state.setDblFrameRequest(x);
}

void PublishedTime::Store(const media::M_TIME& time) {
  uint64_t seq = seq_.load(std::memory_order_relaxed);
  // Become the one writer: move the sequence from even to odd.
  while ((seq & 1) != 0 || !seq_.compare_exchange_weak(seq, seq + 1, std::memory_order_acquire,
                                                       std::memory_order_relaxed)) {
    if ((seq & 1) != 0) std::this_thread::yield();
    seq = seq_.load(std::memory_order_relaxed);
  }
  std::atomic_thread_fence(std::memory_order_release);
  start_.store(time.rtStartTime, std::memory_order_relaxed);
  end_.store(time.rtEndTime, std::memory_order_relaxed);
  flags_.store(time.eFFlags, std::memory_order_relaxed);
  seq_.store(seq + 2, std::memory_order_release);
}

media::M_TIME PublishedTime::Load() const {
  media::M_TIME time;
  for (;;) {
    const uint64_t before = seq_.load(std::memory_order_acquire);
    if ((before & 1) != 0) {
      std::this_thread::yield();
      continue;
    }
    time.rtStartTime = start_.load(std::memory_order_relaxed);
    time.rtEndTime = end_.load(std::memory_order_relaxed);
    time.eFFlags = flags_.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (seq_.load(std::memory_order_relaxed) == before) return time;
  }
}

}  // namespace vexto
