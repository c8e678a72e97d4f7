#include "engine/media/monitor/frame_drawer.h"

#include <algorithm>
#include <cmath>

namespace vexto::media {

QRect FitPicture(int width, int height, AVRational sample_aspect, QSize area) {
  if (width <= 0 || height <= 0 || area.isEmpty()) return {};
  double aspect = static_cast<double>(width) / height;
  if (sample_aspect.num > 0 && sample_aspect.den > 0) aspect *= av_q2d(sample_aspect);
  int w = area.width();
  int h = static_cast<int>(std::lround(w / aspect));
  if (h > area.height()) {
    h = area.height();
    w = static_cast<int>(std::lround(h * aspect));
  }
  w = std::clamp(w, 1, area.width());
  h = std::clamp(h, 1, area.height());
  return {(area.width() - w) / 2, (area.height() - h) / 2, w, h};
}

void FrameDrawer::Draw(const AVFrame* frame, QSize size, QImage& image) {
  if (image.size() != size || image.format() != QImage::Format_RGB32) {
    image = QImage(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    picture_ = {};
  }
  if (size.isEmpty()) return;
  const auto format =
      frame != nullptr ? static_cast<AVPixelFormat>(frame->format) : AV_PIX_FMT_NONE;
  if (frame == nullptr || frame->data[0] == nullptr || !sws_isSupportedInput(format)) {
    image.fill(Qt::black);
    picture_ = {};
    return;
  }
  const QRect fit = FitPicture(frame->width, frame->height, frame->sample_aspect_ratio, size);
  if (fit.isEmpty()) {
    image.fill(Qt::black);
    picture_ = {};
    return;
  }
  if (fit != picture_) {
    image.fill(Qt::black);
    picture_ = fit;
  }
  // Area averaging when shrinking (no aliasing, about 1 ms for 1080p into a small panel);
  // bilinear when enlarging.
  const bool shrinking = fit.width() < frame->width || fit.height() < frame->height;
  SwsContext* ctx = sws_getCachedContext(
      scaler_.release(), frame->width, frame->height, format, fit.width(), fit.height(),
      AV_PIX_FMT_RGB32, shrinking ? SWS_AREA : SWS_BILINEAR, nullptr, nullptr, nullptr);
  scaler_.reset(ctx);
  if (ctx == nullptr) {
    image.fill(Qt::black);
    picture_ = {};
    return;
  }
  // Format_RGB32 is one native-endian 0xffRRGGBB word per pixel, which is AV_PIX_FMT_RGB32.
  uint8_t* dst[4] = {image.bits() + static_cast<ptrdiff_t>(fit.y()) * image.bytesPerLine() +
                         static_cast<ptrdiff_t>(fit.x()) * 4,
                     nullptr, nullptr, nullptr};
  const int dst_stride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
  sws_scale(ctx, frame->data, frame->linesize, 0, frame->height, dst, dst_stride);
}

}  // namespace vexto::media
