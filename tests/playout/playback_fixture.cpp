#include "tests/playout/playback_fixture.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdlib>
#include <ctime>
#include <thread>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"
#include "tests/playout/test_source_camera.h"

namespace vexto::test {

using namespace std::chrono_literals;

void RecordingView::SetUpdateTimerEnabled(bool enabled) {
  timer_enabled = enabled;
  if (timer_) {
    if (enabled) {
      timer_->start();
    } else {
      timer_->stop();
    }
  }
}

void RecordingView::AttachTimer(TPlaybackRuntime* runtime) {
  timer_ = std::make_unique<QTimer>();
  timer_->setInterval(30);
  QObject::connect(timer_.get(), &QTimer::timeout, [runtime] { runtime->UpdateUI_PGMTimer(); });
  if (timer_enabled) timer_->start();
}

PushRecord Describe(const media::IMFFramePtr& frame) {
  PushRecord r;
  if (!frame) return r;
  r.nil = false;
  r.width = frame->Width();
  r.t = frame->Time().rtStartTime;
  r.flags = frame->Time().eFFlags;
  if (const AVFrame* v = frame->Video()) {
    for (int p = 0; p < 3; ++p) r.sig[p] = v->data[p] ? v->data[p][0] : 0;
  }
  return r;
}

void RecordingMonitor::PushFrame(const media::IMFFramePtr& frame, int a, int b, int) {
  PushRecord r = Describe(frame);
  r.a = a;
  r.b = b;
  std::lock_guard l(mutex_);
  records_.push_back(r);
}

void RecordingWriter::PushFrame(const media::IMFFramePtr& frame, int, int, int) {
  std::lock_guard l(mutex_);
  records_.push_back(Describe(frame));
}

namespace {

void Signature(const std::string& file, int out[3]) {
  auto reader = media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
  reader->OpenMediaFile(file, 0);
  media::M_AV_PROPS props{};
  media::IMFFramePtr f;
  reader->PullFrame(props, 0.0, -1, -1, f, "");
  const PushRecord r = Describe(f);
  for (int i = 0; i < 3; ++i) out[i] = r.sig[i];
}

TempDir& ClipDir() {
  static TempDir dir;
  return dir;
}

const std::vector<std::string>& X264() {
  static const std::vector<std::string> args = {"-c:v",     "libx264", "-preset", "ultrafast",
                                                "-pix_fmt", "yuv420p", "-g",      "30"};
  return args;
}

}  // namespace

std::string Clips::long60() const {
  static const std::string path = [] {
    const std::string p = (ClipDir() / "long60.mp4").string();
    MakeColorClip(p, "gray", 60.0, "64x48", "5", X264());
    return p;
  }();
  return path;
}

std::string Clips::short1234() const {
  static const std::string path = [] {
    const std::string p = (ClipDir() / "short1234.mp4").string();
    MakeColorClip(p, "white", 12.34, "64x48", "30000/1001", X264());
    return p;
  }();
  return path;
}

const Clips& TestClips() {
  static Clips clips = [] {
    media::RegisterBuiltInEngineClasses();
    Clips c;
    TempDir& dir = ClipDir();
    c.red = (dir / "red.mp4").string();
    c.green = (dir / "green.mp4").string();
    c.blue = (dir / "blue.mp4").string();
    MakeColorClip(c.red, "red", 2.0, "160x120", "30000/1001", X264());
    MakeColorClip(c.green, "green", 2.0, "160x120", "30000/1001", X264());
    MakeColorClip(c.blue, "blue", 2.0, "160x120", "30000/1001", X264());
    Signature(c.red, c.sig[0]);
    Signature(c.green, c.sig[1]);
    Signature(c.blue, c.sig[2]);
    return c;
  }();
  return clips;
}

int ClipOf(const PushRecord& r) {
  if (r.nil || r.width != 160) return -1;
  const Clips& c = TestClips();
  for (int k = 0; k < 3; ++k) {
    bool same = true;
    for (int p = 0; p < 3; ++p) same = same && std::abs(r.sig[p] - c.sig[k][p]) <= 4;
    if (same) return k;
  }
  return -1;
}

int64_t FrameIndex(const PushRecord& r) {
  return static_cast<int64_t>(static_cast<double>(r.t) / media::kFrameDuration100ns + 0.5);
}

bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout * SlowFactor();
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

void RunFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(1ms);
  }
}

int SlowFactor() {
#if defined(VEXTO_TSAN) || defined(VEXTO_ASAN)
  return 4;
#else
  return 1;
#endif
}

void FastClock::Start() {
  start_ = MonotonicNowNs();
  tick_ = 0;
}

void FastClock::WaitNextTick() {
  ++tick_;
  const int64_t deadline = start_ + ProgramTickNs(tick_) / speedup_;
  const int64_t now = MonotonicNowNs();
  if (now > deadline) {
    tick_ = (now - start_) * speedup_ * 3 / 100100000 + 1;  // drop missed ticks
    return;
  }
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(deadline / 1000000000LL);
  ts.tv_nsec = static_cast<long>(deadline % 1000000000LL);
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}

Rig::Rig(bool with_camera) {
  media::RegisterBuiltInEngineClasses();
  rt = std::make_unique<TPlaybackRuntime>(view, [this](const std::string& line) {
    std::lock_guard l(log_mutex);
    log.push_back(line);
  });
  std::shared_ptr<media::IMFLive> camera;
  if (with_camera) {
    camera = test::MakeTestSourceCamera();
  }
  auto reader = [] {
    return media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
  };
  rt->SetEngineObjects(reader(), reader(), reader(), playlist_monitor, camera_monitor,
                       program_monitor, camera, writer);
  rt->SetSettings(&settings);
  rt->SetCueDelayMs(0);
  view.AttachTimer(rt.get());
}

Rig::~Rig() {
  rt->StopPump();
  QCoreApplication::processEvents();
}

std::vector<std::string> Rig::Log() {
  std::lock_guard l(log_mutex);
  return log;
}

void Rig::AddItems(const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    auto item = std::make_unique<TMidia>(f);
    item->FNome = f.substr(f.find_last_of('/') + 1);
    item->FStatus = std::string(kStatusPronto);
    rt->MediaList.Add(std::move(item));
  }
  rt->NotifyPlaylistChanged();
}

void Rig::Cue(int row) {
  view.selected_row = row;
  rt->prepararMidia(rt->MediaList.Items(row).FArquivo, false);
}

}  // namespace vexto::test
