#include "playout/program_clock.h"

#include <cerrno>
#include <ctime>
#include <thread>

namespace vexto {

int64_t MonotonicNowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void RealTimeProgramClock::Start() {
  start_ns_ = MonotonicNowNs();
  tick_ = 0;
}

void RealTimeProgramClock::WaitNextTick() {
  int64_t next = tick_ + 1;
  const int64_t now = MonotonicNowNs();
  if (now >= start_ns_ + ProgramTickNs(next)) {
    // The pass overran its slot: count it and skip to the first deadline still ahead.
    late_.fetch_add(1, std::memory_order_relaxed);
    int64_t ahead = (now - start_ns_) * 3 / 100100000 + 1;  // ticks elapsed + 1
    while (start_ns_ + ProgramTickNs(ahead) <= now) ++ahead;
    dropped_.fetch_add(ahead - next, std::memory_order_relaxed);
    next = ahead;
  }
  const int64_t deadline = start_ns_ + ProgramTickNs(next);
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(deadline / 1000000000LL);
  ts.tv_nsec = static_cast<long>(deadline % 1000000000LL);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
  last_lateness_ns_ = MonotonicNowNs() - deadline;
  tick_ = next;
}

void UnpacedProgramClock::WaitNextTick() {
  std::this_thread::yield();
}

}  // namespace vexto
