// The hand-over between the pump and the GUI thread, and the widget that draws it.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/gui_inbox/gui_inbox.h"
#include "engine/media/core/frame.h"
#include "engine/media/monitor/audio_ring.h"
#include "engine/media/monitor/frame_drawer.h"

namespace vexto::media {

class MonitorAudio;
class MonitorSurface;

// Shared by the monitor object (pump side) and its surface (GUI side).
struct MonitorShared {
  // Pump and GUI threads, under `mutex`: the newest pushed frame and whether an update is
  // already queued on the GUI thread (the pump's one credit).
  std::mutex mutex;
  IMFFramePtr newest;
  uint64_t serial = 0;  // counts pushes, so the GUI knows when there is a new frame
  bool update_queued = false;

  std::atomic<bool> video_on{true};
  std::atomic<bool> audio_on{false};
  const std::shared_ptr<AudioRing> audio = std::make_shared<AudioRing>();

  // Made with the monitor, destroyed on the GUI thread with its surface; the pump posts the
  // surface's repaint through it.
  std::unique_ptr<GuiInbox> inbox;

  // GUI thread only.
  QPointer<MonitorSurface> surface;
  std::unique_ptr<MonitorAudio> audio_output;
};

// A child of the bound panel that covers it and paints the newest frame. GUI thread only.
class MonitorSurface final : public QWidget {
 public:
  MonitorSurface(QWidget* panel, std::shared_ptr<MonitorShared> shared);

  // Frames converted since creation (for tests and benchmarks).
  int64_t DrawnFrames() const { return drawn_frames_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::shared_ptr<MonitorShared> shared_;
  FrameDrawer drawer_;
  QImage image_;
  uint64_t drawn_serial_ = 0;
  bool drawn_video_on_ = false;
  bool drawn_once_ = false;
  int64_t drawn_frames_ = 0;
};

}  // namespace vexto::media
