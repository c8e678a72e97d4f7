// Pull latency of the file reader at the program's pace (one pull every 1001/30000 s, on
// absolute deadlines, as the frame pump does): p50, p99 and the worst pull, and how many pulls
// had to repeat a frame because decoding was behind. The reference is the frame period.
// Usage: bench_reader_latency [FILE] [SECONDS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

#include "bench/reader/bench_clip.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"

using namespace vexto;
using Clock = std::chrono::steady_clock;

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
  std::vector<double> ms;
  ms.reserve(static_cast<size_t>(pulls));
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
    const auto t0 = Clock::now();
    reader->PullFrame(props, position, -1, -1, frame, "");
    const auto t1 = Clock::now();
    if (i > 0) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    if (!frame) {
      ++nil;
      continue;
    }
    const auto index =
        std::llround(static_cast<double>(frame->Time().rtStartTime) / media::kFrameDuration100ns);
    if (index == previous) ++repeats;
    previous = index;
  }
  std::sort(ms.begin(), ms.end());
  auto pct = [&](double p) {
    return ms[static_cast<size_t>(p * static_cast<double>(ms.size() - 1))];
  };
  std::cout << "file: " << path << "\npulls: " << ms.size() << " at 29.97/s (frame period "
            << 1000.0 * media::kProgramRateDen / media::kProgramRateNum << " ms)\n"
            << "pull latency: p50 " << pct(0.5) << " ms, p99 " << pct(0.99) << " ms, max "
            << ms.back() << " ms (target p99 < 2 ms)\n"
            << "repeated frames (decoder behind): " << repeats << ", nil: " << nil << "\n";
  return 0;
}
