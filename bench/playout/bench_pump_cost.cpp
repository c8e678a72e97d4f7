// Pump cost: process CPU while the pump plays a 1080p 29.97 item to three monitors and the
// camera (built-in test source), as a share of one core, next to the reader alone decoding the
// same file at the same pace in the same run. Env: VEXTO_BENCH_SECONDS (default 10).
#include <QCoreApplication>

#include <cstdio>

#include "bench/playout/bench_support.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"

using namespace vexto;
using namespace vexto::bench;

namespace {

struct PassTimes {
  std::mutex mutex;
  std::vector<double> ms;
};

void OnPass(void* ctx, int64_t, int64_t pass_ns) {
  auto* t = static_cast<PassTimes*>(ctx);
  std::lock_guard l(t->mutex);
  t->ms.push_back(static_cast<double>(pass_ns) / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const double seconds = EnvDouble("VEXTO_BENCH_SECONDS", 10.0);
  test::TempDir dir;
  const std::string clip = (dir / "hd.mp4").string();
  std::printf("making a %.0f s 1080p29.97 clip...\n", seconds + 2);
  MakeClip(clip, "testsrc2=s=1920x1080:r=30000/1001", seconds + 2, "veryfast");
  media::RegisterBuiltInEngineClasses();

  // Reference: the reader alone, pulled at the program rate.
  double ref_share = 0.0;
  {
    auto reader = media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
    reader->OpenMediaFile(clip, 0);
    media::M_AV_PROPS props{};
    media::IMFFramePtr f;
    reader->PullFrame(props, -1.0, -1, -1, f, "");
    RealTimeProgramClock clock;
    clock.Start();
    const double c0 = ProcessCpuSeconds();
    const int64_t t0 = MonotonicNowNs();
    const int frames = static_cast<int>(seconds * 29.97);
    for (int i = 0; i < frames; ++i) {
      reader->PullFrame(props, -1.0, -1, -1, f, "");
      clock.WaitNextTick();
    }
    const double wall = static_cast<double>(MonotonicNowNs() - t0) / 1e9;
    ref_share = (ProcessCpuSeconds() - c0) / wall * 100.0;
  }

  // Idle pump: the camera only.
  double idle_share = 0.0;
  {
    BenchRig rig({});
    rig.rt->StartPump();
    RunFor(0.5);
    const double c0 = ProcessCpuSeconds();
    const int64_t t0 = MonotonicNowNs();
    RunFor(std::min(seconds, 5.0));
    idle_share =
        (ProcessCpuSeconds() - c0) / (static_cast<double>(MonotonicNowNs() - t0) / 1e9) * 100.0;
  }

  // The pump playing the item: decode + camera + three monitors + program.
  BenchRig rig({clip});
  rig.rt->swPlaylist();
  rig.rt->StartPump();
  PassTimes times;
  rig.CueAndPlay(0);
  RunFor(0.3);
  rig.rt->Pump()->SetPassObserver(&OnPass, &times);
  const double c0 = ProcessCpuSeconds();
  const int64_t t0 = MonotonicNowNs();
  RunFor(seconds);
  const double wall = static_cast<double>(MonotonicNowNs() - t0) / 1e9;
  const double share = (ProcessCpuSeconds() - c0) / wall * 100.0;
  rig.rt->Pump()->SetPassObserver(nullptr, nullptr);
  const PumpStats stats = rig.rt->Pump()->Stats();
  std::vector<double> ms;
  {
    std::lock_guard l(times.mutex);
    ms = times.ms;
  }

  std::printf("\npump cost, 1080p29.97 item, camera test source, 3 monitors (%.0f s)\n", seconds);
  std::printf("  reader alone, paced at 29.97 (reference): %6.1f %% of one core\n", ref_share);
  std::printf("  idle pump, camera only:                   %6.1f %% of one core\n", idle_share);
  std::printf("  pump playing the item:                    %6.1f %% of one core\n", share);
  std::printf("  pump share beyond the reader alone:       %6.1f %% of one core\n",
              share - ref_share);
  std::printf("  pass wall time: mean %.3f ms, p99 %.3f ms, max %.3f ms over %zu passes\n",
              ms.empty() ? 0.0 : [&] {
                double s = 0;
                for (double v : ms) s += v;
                return s / static_cast<double>(ms.size());
              }(),
              Percentile(ms, 99), Percentile(ms, 100), ms.size());
  std::printf("  late passes %lld, dropped ticks %lld, pass errors %lld\n",
              static_cast<long long>(stats.late_passes),
              static_cast<long long>(stats.dropped_ticks), static_cast<long long>(stats.errors));
  return 0;
}
