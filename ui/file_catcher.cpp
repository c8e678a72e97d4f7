#include "ui/file_catcher.h"

#include <QUrl>

namespace vexto {

TFileCatcher::TFileCatcher(const QMimeData& drop) {
  for (const QUrl& url : drop.urls()) {
    if (url.isLocalFile()) files_.push_back(url.toLocalFile());
  }
}

}  // namespace vexto
