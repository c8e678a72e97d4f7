// Decode throughput of the file reader, pulled as fast as it goes (no pacing), against the
// ffmpeg tool decoding the same file to a null output with the same decoder threads (auto).
// Usage: bench_reader_throughput [FILE]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <thread>

#include "bench/reader/bench_clip.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"

using namespace vexto;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
  double seconds = 0.0;
  int64_t frames = 0;  // distinct program frames
  int64_t repeats = 0;
};

Run PullThrough(const std::string& path) {
  auto reader = media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
  const auto start = Clock::now();
  reader->OpenMediaFile(path, 0);
  Run run;
  int64_t previous = -1;
  for (;;) {
    media::M_AV_PROPS props;
    media::IMFFramePtr frame;
    reader->PullFrame(props, -1, -1, -1, frame, "");
    if (!frame) break;
    const auto index =
        std::llround(static_cast<double>(frame->Time().rtStartTime) / media::kFrameDuration100ns);
    if (index == previous) {
      // The decoder is behind: a real pump would show the last frame again; here, let it work.
      ++run.repeats;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    } else {
      ++run.frames;
      previous = index;
    }
    if ((frame->Time().eFFlags & media::eMFF_EndOfMedia) != 0) break;
  }
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return run;
}

double FfmpegSeconds(const std::string& path) {
  std::string out;
  const auto start = Clock::now();
  const int rc = bench::RunShell(
      "ffmpeg -nostdin -hide_banner -benchmark -threads 0 -i '" + path + "' -f null -", out);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return rc == 0 ? seconds : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = bench::BenchClip(argc, argv);
  if (path.empty()) return 1;
  media::RegisterBuiltInEngineClasses();
  std::cout << "file: " << path << "\ndecoder threads: auto ("
            << std::thread::hardware_concurrency()
            << " cores), for the reader and for ffmpeg -threads 0\n";
  // Alternate the two, three rounds each, and keep the best of each (a shared machine is noisy).
  Run best{};
  double ffmpeg_best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const Run run = PullThrough(path);
    const double ff = FfmpegSeconds(path);
    std::cout << "round " << round + 1 << ": reader " << run.frames << " frames in " << run.seconds
              << " s (" << run.repeats << " repeats while waiting), ffmpeg " << ff << " s\n";
    if (best.frames == 0 || run.seconds < best.seconds) best = run;
    if (ff > 0) ffmpeg_best = std::min(ffmpeg_best, ff);
  }
  const double reader_fps = static_cast<double>(best.frames) / best.seconds;
  // Both decode every source frame of the file (at 29.97 one program frame is one source frame).
  const double ffmpeg_fps = static_cast<double>(best.frames) / ffmpeg_best;
  std::cout << "reader: " << reader_fps << " fps\nffmpeg: " << ffmpeg_fps
            << " fps\nratio:  " << 100.0 * reader_fps / ffmpeg_fps << " % (target >= 90 %)\n";
  return 0;
}
