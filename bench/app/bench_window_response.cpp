// The operator's window answering clicks while it works: the console (main window, runtime,
// frame pump, the three monitors, the camera's test source) plays a 1080p29.97 item on the
// program and streams it to nginx-rtmp on loopback, and a click on the "Playlist" source button
// is posted every 100 ms from another thread. The figure is the time from posting the click
// until the button's handler has run on the GUI thread (the event loop's wait plus the click's
// own work). Reference, same run: the same clicks on the same window with nothing playing and
// nothing streaming.
//
//   build/release/bin/bench_window_response [clip] [seconds=20]
// The clip defaults to /tmp/vexto-bench-1080p2997.mp4 (made with the ffmpeg tool if missing).
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "app/form_main.h"
#include "ui/message_service.h"
#include "app/window_hooks.h"
#include "bench/reader/bench_clip.h"
#include "core/event_log.h"
#include "tests/support/nginx_rtmp.h"
#include "tests/support/test_support.h"
#include "ui/playlist_grid.h"
#include "ui/png_button.h"

namespace vexto {
namespace {

using Clock = std::chrono::steady_clock;

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QTest::qWait(10);
}

struct Latencies {
  std::vector<double> ms;
  int late_100 = 0;
};

// Posts a click on button every 100 ms for `seconds` and collects the answer times.
Latencies MeasureClicks(TPNGButton* button, int seconds) {
  std::mutex mutex;
  Latencies out;
  std::atomic<bool> done{false};
  std::thread clicker([&] {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    auto next = Clock::now();
    while (Clock::now() < end) {
      next += std::chrono::milliseconds(100);
      std::this_thread::sleep_until(next);
      const auto posted = Clock::now();
      QMetaObject::invokeMethod(
          button,
          [&, button, posted] {
            bool answered = false;
            const auto connection =
                QObject::connect(button, &TPNGButton::OnClick, [&answered] { answered = true; });
            QTest::mouseClick(button, Qt::LeftButton);
            QObject::disconnect(connection);
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - posted).count();
            std::lock_guard lock(mutex);
            if (answered) out.ms.push_back(ms);
            if (ms > 100.0) ++out.late_100;
          },
          Qt::QueuedConnection);
    }
    done = true;
  });
  while (!done) QTest::qWait(5);
  clicker.join();
  Pump(200);  // the last posted clicks
  std::sort(out.ms.begin(), out.ms.end());
  return out;
}

double Percentile(const std::vector<double>& v, double p) {
  if (v.empty()) return 0;
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

void Print(const char* what, const Latencies& l) {
  std::printf("%-44s clicks %4zu  p50 %6.2f ms  p99 %6.2f ms  max %6.2f ms  over 100 ms: %d\n",
              what, l.ms.size(), Percentile(l.ms, 0.5), Percentile(l.ms, 0.99),
              l.ms.empty() ? 0.0 : l.ms.back(), l.late_100);
}

int Run(int argc, char** argv) {
  const std::string clip = bench::BenchClip(argc, argv);
  if (clip.empty()) {
    std::fprintf(stderr, "no benchmark clip\n");
    return 1;
  }
  const int seconds = argc > 2 ? std::max(5, std::atoi(argv[2])) : 20;

  test::NginxRtmp nginx;
  if (!nginx.running()) {
    std::fprintf(stderr, "nginx-rtmp did not start\n");
    return 1;
  }
  RegisterEngineClassesForApp();
  test::TempDir dir;
  std::ofstream(dir / "vexto.ini", std::ios::binary)
      << "[rtmp]\r\nurl_servidor=" << nginx.ServerUrl() << "\r\nchave_streaming=bench\r\n"
      << "video_bitrate=4M\r\n[Preview]\r\nLive-Video=1\r\nPlaylist-Video=1\r\n";
  std::ofstream(dir / "vexto.vxt", std::ios::binary) << "0#00:01:00#" << clip << "#0#-1\r\n";
  TEventLog(dir.path()).CreateLogFile("\\vexto.log");
  TMessageService::SetScript([](TMessageService::Kind, const std::string& text) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return false;
  });

  MainWindowOptions options;
  options.exe_path = dir / "vexto";
  options.end_process = [](int) {};
  options.remote_control = false;
  auto form = std::make_unique<Tform_main>(options);
  form->FormCreate();
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) std::fprintf(stderr, "window not exposed\n");
  Pump(1000);

  std::printf("window response: a click on \"Playlist\" posted every 100 ms, %d s per case\n",
              seconds);
  const Latencies idle = MeasureClicks(form->bot_1, seconds);

  // Cue (Enter on the first row), play (Space), program on the playlist, streaming on.
  form->gridPlaylist->setFocus();
  form->gridPlaylist->selectRow(0);
  QTest::keyClick(form->gridPlaylist, Qt::Key_Return);
  Pump(1500);
  QTest::keyClick(form->gridPlaylist, Qt::Key_Space);
  QTest::mouseClick(form->bot_1, Qt::LeftButton);
  form->bot_Streaming->click();
  const auto writer = form->Runtime().StreamWriter;
  for (int i = 0; i < 100 && writer->GetStatus().state != media::eWriterState::Live; ++i) Pump(100);
  if (writer->GetStatus().state != media::eWriterState::Live) {
    std::fprintf(stderr, "the stream did not go live: %s\n", writer->GetStatus().reason.c_str());
  }
  Pump(1000);
  const media::WriterStatus before = writer->GetStatus();
  const Latencies busy = MeasureClicks(form->bot_1, seconds);
  const media::WriterStatus after = writer->GetStatus();

  Print("reference: idle window", idle);
  Print("1080p item playing + streaming to nginx", busy);
  std::printf("stream meanwhile: %lld frames sent, %lld dropped; item still playing: %s\n",
              static_cast<long long>(after.frames_sent - before.frames_sent),
              static_cast<long long>(after.frames_dropped - before.frames_dropped),
              form->Runtime().IsPlaying.load() ? "yes" : "no");
  std::printf("target: every click answered within 100 ms\n");

  form->bot_Streaming->click();
  form->close();
  Pump(500);
  form.reset();
  TMessageService::SetScript(nullptr);
  return 0;
}

}  // namespace
}  // namespace vexto

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return vexto::Run(argc, argv);
}
