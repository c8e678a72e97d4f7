// The program clock that paces the frame pump at 30000/1001 frames per second.
//
// RealTimeProgramClock sleeps to absolute deadlines on CLOCK_MONOTONIC (clock_nanosleep with
// TIMER_ABSTIME): deadline n is start + n * 1001/30000 s computed in integer nanoseconds, so
// the schedule never drifts. A pass that ends after its next deadline is counted as late and
// the schedule moves on to the first deadline still ahead (missed ticks are dropped, never
// made up in a burst). UnpacedProgramClock returns at once (tests, benchmarks).
//
// Thread contract: WaitNextTick is called by the pump thread only; the counters may be read
// from any thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace vexto {

class IProgramClock {
 public:
  virtual ~IProgramClock() = default;
  // Called once before the first pass.
  virtual void Start() = 0;
  // Blocks until the next pass is due.
  virtual void WaitNextTick() = 0;
  // Passes that ended after their next deadline (their missed ticks were dropped).
  virtual int64_t LatePasses() const = 0;
  // Ticks dropped because a pass overran them.
  virtual int64_t DroppedTicks() const = 0;
};

// Nanoseconds of deadline n of a 30000/1001 schedule (exact integer arithmetic, no overflow
// for centuries: every 30000 ticks are exactly 1001 s).
constexpr int64_t ProgramTickNs(int64_t n) {
  return (n / 30000) * 1001 * 1000000000LL + (n % 30000) * 1001 * 1000000000LL / 30000;
}

int64_t MonotonicNowNs();

class RealTimeProgramClock final : public IProgramClock {
 public:
  void Start() override;
  void WaitNextTick() override;
  int64_t LatePasses() const override { return late_.load(std::memory_order_relaxed); }
  int64_t DroppedTicks() const override { return dropped_.load(std::memory_order_relaxed); }
  // Lateness of the last wake-up against its deadline, nanoseconds (pump thread only).
  int64_t LastWakeLatenessNs() const { return last_lateness_ns_; }

 private:
  int64_t start_ns_ = 0;
  int64_t tick_ = 0;  // index of the deadline last waited for
  int64_t last_lateness_ns_ = 0;
  std::atomic<int64_t> late_{0};
  std::atomic<int64_t> dropped_{0};
};

class UnpacedProgramClock final : public IProgramClock {
 public:
  void Start() override {}
  void WaitNextTick() override;
  int64_t LatePasses() const override { return 0; }
  int64_t DroppedTicks() const override { return 0; }
};

}  // namespace vexto
