#include "ui/ui_resources.h"

#include <QtGlobal>
#include <stdexcept>

static void InitImagesResource() {
  Q_INIT_RESOURCE(images);
}

namespace vexto {

void InitUiResources() {
  InitImagesResource();
}

QImage LoadUiImage(const QString& name) {
  InitUiResources();
  QImage image(":/images/" + name);
  if (image.isNull()) throw std::runtime_error("Missing picture: " + name.toStdString());
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace vexto
