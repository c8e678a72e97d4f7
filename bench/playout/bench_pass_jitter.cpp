// Pass jitter of the real-time pump playing a looping item with the camera: the spread of the
// interval between pass starts around one program frame, and the late passes. Reference: a bare
// absolute-deadline sleep loop with no work, for 10 s in the same run.
// Env: VEXTO_BENCH_MINUTES (default 1; 10 for the long run).
#include <QCoreApplication>

#include <cmath>
#include <cstdio>

#include "bench/playout/bench_support.h"

using namespace vexto;
using namespace vexto::bench;

namespace {

struct Starts {
  std::mutex mutex;
  std::vector<int64_t> ns;
};

void OnPass(void* ctx, int64_t start_ns, int64_t) {
  auto* s = static_cast<Starts*>(ctx);
  std::lock_guard l(s->mutex);
  s->ns.push_back(start_ns);
}

std::vector<double> Deviations(const std::vector<int64_t>& starts) {
  const double period_ms = 1001.0 / 30.0;
  std::vector<double> dev;
  for (size_t i = 1; i < starts.size(); ++i) {
    const double d = static_cast<double>(starts[i] - starts[i - 1]) / 1e6;
    dev.push_back(std::fabs(d - period_ms * std::round(d / period_ms)));
  }
  return dev;
}

void Print(const char* what, const std::vector<double>& dev) {
  std::printf("  %-34s p50 %.3f ms, p99 %.3f ms, max %.3f ms (%zu intervals)\n", what,
              Percentile(dev, 50), Percentile(dev, 99), Percentile(dev, 100), dev.size());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const double minutes = EnvDouble("VEXTO_BENCH_MINUTES", 1.0);
  test::TempDir dir;
  const std::string clip = (dir / "item.mp4").string();
  MakeClip(clip, "testsrc2=s=640x360:r=30000/1001", 5.0);

  // Reference: the clock alone.
  std::vector<int64_t> bare;
  {
    RealTimeProgramClock clock;
    clock.Start();
    for (int i = 0; i < 300; ++i) {
      bare.push_back(MonotonicNowNs());
      clock.WaitNextTick();
    }
  }

  BenchRig rig({clip});
  rig.rt->MediaList.Items(0).FLoop = true;
  rig.rt->NotifyPlaylistChanged();
  rig.rt->swPlaylist();
  rig.rt->StartPump();
  rig.CueAndPlay(0);
  RunFor(0.5);
  const PumpStats before = rig.rt->Pump()->Stats();
  Starts starts;
  rig.rt->Pump()->SetPassObserver(&OnPass, &starts);
  RunFor(minutes * 60.0);
  rig.rt->Pump()->SetPassObserver(nullptr, nullptr);
  const PumpStats after = rig.rt->Pump()->Stats();
  std::vector<int64_t> ns;
  {
    std::lock_guard l(starts.mutex);
    ns = starts.ns;
  }
  std::printf("\npass jitter, real-time pump playing a looping 640x360 item + camera, %.1f min\n",
              minutes);
  Print("bare clock loop (reference, 10 s):", Deviations(bare));
  Print("pump passes:", Deviations(ns));
  std::printf("  late passes %lld, dropped ticks %lld of %lld passes; target p99 < 2 ms\n",
              static_cast<long long>(after.late_passes - before.late_passes),
              static_cast<long long>(after.dropped_ticks - before.dropped_ticks),
              static_cast<long long>(after.passes - before.passes));
  return 0;
}
