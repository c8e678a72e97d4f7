#include "engine/media/monitor/monitor_surface.h"

#include <QEvent>
#include <QPainter>

#include "engine/media/monitor/monitor_audio.h"

namespace vexto::media {

MonitorSurface::MonitorSurface(QWidget* panel, std::shared_ptr<MonitorShared> shared)
    : QWidget(panel), shared_(std::move(shared)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Clicks and the context menu belong to the panel.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(panel->rect());
  panel->installEventFilter(this);
  show();
  raise();
}

bool MonitorSurface::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent() && event->type() == QEvent::Resize) {
    setGeometry(parentWidget()->rect());
  }
  return QWidget::eventFilter(watched, event);
}

void MonitorSurface::paintEvent(QPaintEvent* /*event*/) {
  IMFFramePtr frame;
  uint64_t serial = 0;
  {
    std::lock_guard lock(shared_->mutex);
    frame = shared_->newest;
    serial = shared_->serial;
  }
  const bool video_on = shared_->video_on.load();
  if (!drawn_once_ || serial != drawn_serial_ || video_on != drawn_video_on_ ||
      image_.size() != size()) {
    drawer_.Draw(video_on && frame ? frame->Video() : nullptr, size(), image_);
    drawn_serial_ = serial;
    drawn_video_on_ = video_on;
    drawn_once_ = true;
    ++drawn_frames_;
  }
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

}  // namespace vexto::media
