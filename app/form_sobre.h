// Tform_sobre: the About box, shown modally by "Sobre": the program icon, the product name
// "Vexto", the version "1.3" and an "OK" button. Fixed size.
#pragma once

#include <QDialog>

namespace vexto {

class Tform_sobre : public QDialog {
  Q_OBJECT

 public:
  explicit Tform_sobre(QWidget* parent = nullptr);
};

}  // namespace vexto
