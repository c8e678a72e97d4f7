// The button and grid pictures are a Qt resource inside the static vexto_ui library; call
// InitUiResources() once (after QApplication exists) before loading ":/images/...".
#pragma once

#include <QImage>
#include <QString>

namespace vexto {

void InitUiResources();
// A picture of the resource by file name ("play.png"); raises std::runtime_error when missing.
QImage LoadUiImage(const QString& name);

}  // namespace vexto
