// One monitor draw: a 1080p yuv420p frame into a 360 x 233 panel (scale + convert, then paint),
// next to plain sws_scale of the same frame to the same size and the ffmpeg tool's scale
// filter, all measured in this run.
#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/live/test_pattern.h"
#include "engine/media/monitor/frame_drawer.h"
#include "engine/media/monitor/monitor.h"
#include "engine/media/monitor/monitor_surface.h"

using namespace vexto::media;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFrames = 300;
constexpr int kFramesPerRound = 20;
constexpr int kRounds = 15;
constexpr int kPanelW = 360;
constexpr int kPanelH = 233;

// Per-call times of one method; methods are measured in interleaved rounds so that a load
// spike on this shared machine hits them alike, and the median is the figure that counts.
struct Method {
  Method(std::string n, std::function<void(int)> b, int calls = kFramesPerRound)
      : name(std::move(n)), body(std::move(b)), calls_per_round(calls) {}
  std::string name;
  std::function<void(int)> body;
  int calls_per_round;
  std::vector<double> ms;
};

void RunRounds(std::vector<Method>& methods, int rounds) {
  int index = 0;
  for (int r = 0; r < rounds; ++r) {
    for (Method& m : methods) {
      for (int i = 0; i < m.calls_per_round; ++i, ++index) {
        const auto t0 = Clock::now();
        m.body(index);
        m.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      }
    }
  }
}

void Print(const Method& m) {
  std::vector<double> v = m.ms;
  std::sort(v.begin(), v.end());
  double total = 0;
  for (double x : v) total += x;
  std::printf("  %-56s median %8.4f ms  mean %8.4f  p95 %8.4f\n", m.name.c_str(), v[v.size() / 2],
              total / static_cast<double>(v.size()), v[v.size() * 95 / 100]);
}

// Plain sws_scale of the two frames in turn (as the monitor gets them) to `size`.
std::function<void(int)> PlainScale(const AVFrame* a, const AVFrame* b, QSize size, int flags) {
  const AVFrame* src = a;
  auto sws = std::make_shared<SwsContextPtr>(
      sws_getContext(src->width, src->height, AV_PIX_FMT_YUV420P, size.width(), size.height(),
                     AV_PIX_FMT_RGB32, flags, nullptr, nullptr, nullptr));
  auto out =
      std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(size.width()) * size.height() * 4);
  const int width = size.width();
  return [sws, out, a, b, width](int i) {
    const AVFrame* f = i % 2 == 0 ? a : b;
    uint8_t* dst[4] = {out->data(), nullptr, nullptr, nullptr};
    const int stride[4] = {width * 4, 0, 0, 0};
    sws_scale(sws->get(), f->data, f->linesize, 0, f->height, dst, stride);
  };
}

// CPU time of the ffmpeg tool per frame, with and without its scale filter; -1 when it fails.
double ToolSeconds(const std::string& filter) {
  const std::string cmd =
      "ffmpeg -hide_banner -nostdin -benchmark -threads 1 -filter_threads 1 -f lavfi -i "
      "testsrc2=s=1920x1080:r=30000/1001,format=yuv420p -frames:v " +
      std::to_string(kFrames) + (filter.empty() ? "" : " -vf " + filter) +
      " -f null - 2>&1 | grep -o 'utime=[0-9.]*s' | tail -1";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buf[128] = {};
  const bool got = std::fgets(buf, sizeof buf, pipe) != nullptr;
  pclose(pipe);
  if (!got) return -1;
  return std::atof(buf + 6);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const TestBars bars(1920, 1080);
  const AVFramePtr a = bars.MakeFrame(0);
  const AVFramePtr b = bars.MakeFrame(40);
  const QRect fit = FitPicture(1920, 1080, {0, 1}, {kPanelW, kPanelH});
  std::printf("Monitor draw: 1920x1080 yuv420p into a %dx%d panel (picture %dx%d)\n", kPanelW,
              kPanelH, fit.width(), fit.height());

  QWidget panel;
  panel.resize(kPanelW, kPanelH);
  panel.show();
  auto monitor = QueryEngineInterface<IMFPreview>(MakeMonitor(), CLSID_MFPreview);
  monitor->BindMonitorWindow("", static_cast<int64_t>(panel.winId()));
  MonitorSurface* surface = nullptr;
  for (QObject* child : panel.children()) {
    if (auto* s = dynamic_cast<MonitorSurface*>(child)) surface = s;
  }
  if (surface == nullptr) {
    std::fprintf(stderr, "monitor did not bind\n");
    return 1;
  }
  const IMFFramePtr fa = IMFFrame::Make(RefAVFrame(a.get()), std::vector<int16_t>(3204), {});
  const IMFFramePtr fb = IMFFrame::Make(RefAVFrame(b.get()), std::vector<int16_t>(3204), {});
  QApplication::processEvents();

  FrameDrawer drawer;
  QImage image;
  std::vector<Method> methods;
  methods.push_back({"ref: sws_scale SWS_FAST_BILINEAR to RGB32, same size",
                     PlainScale(a.get(), b.get(), fit.size(), SWS_FAST_BILINEAR)});
  methods.push_back({"ref: sws_scale SWS_AREA to RGB32, same size",
                     PlainScale(a.get(), b.get(), fit.size(), SWS_AREA)});
  methods.push_back({"FrameDrawer::Draw (scale + convert, letterboxed)", [&](int i) {
                       drawer.Draw(i % 2 == 0 ? a.get() : b.get(), {kPanelW, kPanelH}, image);
                     }});
  methods.push_back({"one monitor draw: PushFrame + paint of a new frame", [&](int i) {
                       monitor->PushFrame(i % 2 == 0 ? fa : fb, 0, 0, 0);
                       surface->repaint();
                       QApplication::processEvents();
                     }});
  methods.push_back({"paint only (the same frame again)", [&](int) { surface->repaint(); }});
  methods.push_back({"PushFrame alone (pump side)",
                     [&](int i) { monitor->PushFrame(i % 2 == 0 ? fa : fb, 0, 0, 0); },
                     kFramesPerRound * 10});
  RunRounds(methods, kRounds);
  for (const Method& m : methods) Print(m);

  const double tool_scaled = ToolSeconds("scale=" + std::to_string(fit.width()) + ":" +
                                         std::to_string(fit.height()) + ":flags=area,format=bgra");
  const double tool_plain = ToolSeconds("");
  if (tool_scaled >= 0 && tool_plain >= 0) {
    std::printf("  %-56s mean   %7.3f ms (CPU time, with minus without the filter)\n",
                "ref: ffmpeg tool scale=...:flags=area,format=bgra",
                (tool_scaled - tool_plain) * 1000.0 / kFrames);
  }
  QApplication::processEvents();
  return 0;
}
