#include "bench/playout/bench_support.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"
#include "tests/playout/test_source_camera.h"

namespace vexto::bench {

BenchRig::BenchRig(const std::vector<std::string>& files) {
  media::RegisterBuiltInEngineClasses();
  rt = std::make_unique<TPlaybackRuntime>(view, [](const std::string& line) {
    if (line != kLogPumpEnded) std::fprintf(stderr, "log: %s\n", line.c_str());
  });
  auto live = test::MakeTestSourceCamera();
  auto reader = [] {
    return media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
  };
  rt->SetEngineObjects(reader(), reader(), reader(), playlist, camera, program, live, writer);
  rt->SetSettings(&settings);
  rt->SetCueDelayMs(0);
  for (const std::string& f : files) {
    auto item = std::make_unique<TMidia>(f);
    item->FStatus = std::string(kStatusPronto);
    rt->MediaList.Add(std::move(item));
  }
}

BenchRig::~BenchRig() {
  rt->StopPump();
}

void BenchRig::CueAndPlay(int row) {
  view.selected_row = row;
  rt->prepararMidia(rt->MediaList.Items(row).FArquivo, false);
  rt->botPlayPGMClick();
}

void MakeClip(const std::string& path, const std::string& video_source, double seconds,
              const std::string& preset) {
  const std::string d = std::to_string(seconds);
  const test::CommandResult r =
      test::RunCommand({"ffmpeg",
                        "-hide_banner",
                        "-loglevel",
                        "error",
                        "-y",
                        "-f",
                        "lavfi",
                        "-i",
                        video_source + ":d=" + d,
                        "-f",
                        "lavfi",
                        "-i",
                        "sine=frequency=1000:sample_rate=48000:duration=" + d,
                        "-shortest",
                        "-c:v",
                        "libx264",
                        "-preset",
                        preset,
                        "-pix_fmt",
                        "yuv420p",
                        "-g",
                        "60",
                        "-c:a",
                        "aac",
                        path});
  if (r.exit_code != 0) {
    std::fprintf(stderr, "ffmpeg failed: %s\n", r.output.c_str());
    std::exit(1);
  }
}

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<size_t>(p / 100.0 * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

void RunFor(double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

double EnvDouble(const char* name, double fallback) {
  const char* v = std::getenv(name);
  return v ? std::atof(v) : fallback;
}

}  // namespace vexto::bench
