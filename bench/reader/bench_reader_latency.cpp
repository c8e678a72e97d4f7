// Pull latency of the file reader at the program's pace (one pull every 1001/30000 s, on
// absolute deadlines, as the frame pump does): p50, p99 and the worst pull, and how many pulls
// had to repeat a frame because decoding was behind. References measured in the same run: the
// pull's own CPU time (what is left is waiting for the processor on a busy machine), and the
// same statistics for a stand-in operation of a pull's size (a lock and a frame's worth of
// sound copied) timed on the same ticks, which shows the machine's scheduling noise.
// Usage: bench_reader_latency [FILE] [SECONDS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/reader/bench_clip.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"

using namespace vexto;
using Clock = std::chrono::steady_clock;

namespace {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

void Summary(const char* what, std::vector<double>& ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  auto pct = [&](double p) {
    return ms[static_cast<size_t>(p * static_cast<double>(ms.size() - 1))];
  };
  std::cout << what << ": p50 " << pct(0.5) << " ms, p99 " << pct(0.99) << " ms, max " << ms.back()
            << " ms\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = bench::BenchClip(argc, argv);
  if (path.empty()) return 1;
  const double seconds = argc > 2 ? std::atof(argv[2]) : 30.0;
  media::RegisterBuiltInEngineClasses();
  auto reader = media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
  reader->OpenMediaFile(path, 0);

  const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
      static_cast<double>(media::kProgramRateDen) / media::kProgramRateNum));
  const auto pulls = static_cast<int>(seconds * media::kProgramRateNum / media::kProgramRateDen);
  std::vector<double> wall_ms;
  std::vector<double> cpu_ms;
  std::vector<double> stand_in_ms;
  std::mutex stand_in_mutex;
  const std::vector<int16_t> stand_in_sound(1602 * 2, 1);
  int64_t previous = -1;
  int repeats = 0;
  int nil = 0;
  auto deadline = Clock::now();
  for (int i = 0; i < pulls; ++i) {
    std::this_thread::sleep_until(deadline);
    deadline += period;
    media::M_AV_PROPS props;
    media::IMFFramePtr frame;
    const double position = i == 0 ? 0.0 : -1.0;  // the cue's pull first, then play
    const double c0 = ThreadCpuMs();
    const auto t0 = Clock::now();
    reader->PullFrame(props, position, -1, -1, frame, "");
    const auto t1 = Clock::now();
    const double c1 = ThreadCpuMs();
    {
      const auto s0 = Clock::now();
      std::lock_guard lock(stand_in_mutex);
      const std::vector<int16_t> copy(stand_in_sound);
      const auto s1 = Clock::now();
      if (i > 0 && copy[0] == 1) stand_in_ms.push_back(Ms(s1 - s0));
    }
    if (i > 0) {
      wall_ms.push_back(Ms(t1 - t0));
      cpu_ms.push_back(c1 - c0);
    }
    if (!frame) {
      ++nil;
      continue;
    }
    const auto index =
        std::llround(static_cast<double>(frame->Time().rtStartTime) / media::kFrameDuration100ns);
    if (index == previous) ++repeats;
    previous = index;
  }
  std::cout << "file: " << path << "\npulls: " << wall_ms.size() << " at 29.97/s (frame period "
            << 1000.0 * media::kProgramRateDen / media::kProgramRateNum << " ms)\n";
  Summary("pull latency (wall)", wall_ms);
  Summary("pull CPU time      ", cpu_ms);
  Summary("stand-in (wall)    ", stand_in_ms);
  std::cout << "target: pull p99 < 2 ms\nrepeated frames (decoder behind): " << repeats
            << ", nil: " << nil << "\n";
  return 0;
}
