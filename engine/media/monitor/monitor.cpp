#include "engine/media/monitor/monitor.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include "engine/media/monitor/monitor_audio.h"
#include "engine/media/monitor/monitor_surface.h"

namespace vexto::media {
namespace {

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

// Runs `work` on the GUI thread: at once when already there, else queued.
template <typename F>
void OnGui(F work) {
  if (OnGuiThread()) {
    work();
  } else if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
  }
}

// GUI thread: removes the surface and the sound output of a monitor.
void TearDown(MonitorShared& shared) {
  delete shared.surface.data();
  shared.surface = nullptr;
  shared.audio_output.reset();
  shared.inbox.reset();
}

class Monitor final : public IMFPreview {
 public:
  Monitor() {
    // Without an application there is nothing to repaint, and pushes only keep the newest frame.
    if (QCoreApplication::instance() != nullptr) shared_->inbox = std::make_unique<GuiInbox>();
  }

  ~Monitor() override {
    // Whoever drops the monitor, its Qt objects go on the GUI thread.
    OnGui([shared = shared_] { TearDown(*shared); });
  }

  void BindMonitorWindow(const std::string& /*channel*/, int64_t window) override {
    QWidget* panel = window != 0 ? QWidget::find(static_cast<WId>(window)) : nullptr;
    MonitorShared& s = *shared_;
    MonitorSurface* current = s.surface.data();
    if (current != nullptr) {
      if (current->parentWidget() == panel) return;
      delete current;
    }
    s.surface = nullptr;
    if (panel != nullptr) s.surface = new MonitorSurface(panel, shared_);  // owned by the panel
  }

  void SetMonitorAudioVideo(const std::string& /*channel*/, int audio, int video) override {
    MonitorShared& s = *shared_;
    s.video_on = video != 0;
    const bool audio_on = audio == 1;
    if (audio_on && !s.audio_output) {
      s.audio->Clear();
      s.audio_output = std::make_unique<MonitorAudio>(s.audio);
    } else if (!audio_on) {
      s.audio_output.reset();
    }
    s.audio_on = audio_on;
    if (s.surface) s.surface->update();
  }

  void PushFrame(const IMFFramePtr& frame, int /*a*/, int /*b*/, int /*c*/) override {
    MonitorShared& s = *shared_;
    if (s.audio_on && frame && !frame->Audio().empty()) {
      s.audio->Write(frame->Audio().data(), frame->Audio().size());
    }
    bool post = false;
    {
      std::lock_guard lock(s.mutex);
      s.newest = frame;
      ++s.serial;
      // With video off the panel stays black: nothing to repaint until it is switched on.
      post = !s.update_queued && s.video_on.load();
      if (post) s.update_queued = true;
    }
    if (!post || !s.inbox) return;
    s.inbox->Post([weak = std::weak_ptr<MonitorShared>(shared_)] {
      const std::shared_ptr<MonitorShared> shared = weak.lock();
      if (!shared) return;
      {
        std::lock_guard lock(shared->mutex);
        shared->update_queued = false;
      }
      if (shared->surface) shared->surface->update();
    });
  }

 private:
  const std::shared_ptr<MonitorShared> shared_ = std::make_shared<MonitorShared>();
};

}  // namespace

EngineObjectPtr MakeMonitor() {
  return std::make_shared<Monitor>();
}

}  // namespace vexto::media
