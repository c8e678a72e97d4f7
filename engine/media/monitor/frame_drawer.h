// Scales and converts one frame into a QImage of a given size, aspect kept (the sample aspect
// ratio counted), centred between black bars. Keeps its scaler between frames, so a monitor
// that draws frames of one size into one panel sets it up once. Owned by one thread at a time.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include "engine/media/core/av_ptr.h"

namespace vexto::media {

// The largest rectangle of the frame's display aspect that fits in `area`, centred.
QRect FitPicture(int width, int height, AVRational sample_aspect, QSize area);

class FrameDrawer {
 public:
  // image becomes `size` in Format_RGB32: the frame's picture, or all black when frame is
  // nullptr or its pixel format cannot be read.
  void Draw(const AVFrame* frame, QSize size, QImage& image);

 private:
  SwsContextPtr scaler_;
  QRect picture_;  // where the last picture went in the image (black around it)
};

}  // namespace vexto::media
