// The live source's test source on this machine: CPU time per captured 1280x720 frame, the
// cost of one pull, and how long destroying a running source takes; next to the ffmpeg tool
// drawing its own colour bars of the same size, measured in the same run.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/live/live_source.h"

using namespace vexto::media;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::shared_ptr<IMFLive> TestSource() {
  auto live = QueryEngineInterface<IMFLive>(MakeLiveSource(), CLSID_MFLive);
  int count = 0;
  live->CountCaptureDevices(kCaptureVideo, count);
  live->ChooseCaptureDevice(kCaptureVideo, count - 1, 0);
  live->CountCaptureDevices(kCaptureAudio, count);
  live->ChooseCaptureDevice(kCaptureAudio, count - 1, 0);
  return live;
}

// CPU seconds of `ffmpeg -f lavfi -i <source> -frames:v n -f null -`; -1 when it fails.
double ToolSeconds(const std::string& source, int frames) {
  const std::string cmd =
      "ffmpeg -hide_banner -nostdin -benchmark -threads 1 -filter_threads 1 "
      "-f lavfi -i " +
      source + " -frames:v " + std::to_string(frames) +
      " -f null - 2>&1 | grep -o 'utime=[0-9.]*s' | tail -1";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buf[128] = {};
  const bool got = std::fgets(buf, sizeof buf, pipe) != nullptr;
  pclose(pipe);
  return got ? std::atof(buf + 6) : -1;
}

}  // namespace

int main() {
  constexpr double kSeconds = 5.0;
  const int frames = static_cast<int>(kSeconds * 30000 / 1001);

  // Capture alone: the process does nothing else while the source runs.
  auto live = TestSource();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double cpu0 = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
  const double capture_ms = (CpuSeconds() - cpu0) * 1000.0 / frames;

  std::vector<double> pulls;
  for (int i = 0; i < 300; ++i) {
    M_AV_PROPS props;
    IMFFramePtr frame;
    const auto t0 = Clock::now();
    live->PullFrame(props, -1.0, -1, -1, frame, "");
    pulls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  live.reset();

  std::vector<double> destroys;
  for (int i = 0; i < 10; ++i) {
    auto source = TestSource();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto t0 = Clock::now();
    source.reset();
    destroys.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }

  std::printf("Live source, test source 1280x720 yuv420p at 29.97 fps with the 1 kHz tone\n");
  std::printf("  %-52s %8.3f ms\n", "capture CPU per frame (bars copy + moving box)", capture_ms);
  std::printf("  %-52s %8.3f ms (max %.3f)\n", "PullFrame, median", Median(pulls),
              *std::max_element(pulls.begin(), pulls.end()));
  std::printf("  %-52s %8.3f ms (max %.3f)\n", "destroying a running source, median",
              Median(destroys), *std::max_element(destroys.begin(), destroys.end()));
  const double tool = ToolSeconds("smptebars=s=1280x720:r=30000/1001", 300);
  if (tool >= 0) {
    std::printf("  %-52s %8.3f ms\n", "ref: ffmpeg tool smptebars 1280x720, CPU per frame",
                tool * 1000.0 / 300);
  }
  return 0;
}
