// TForm_gc: the character-generator window, "Geração de Caracteres": an empty panel beside a
// black panel. Opened by a button of the main window that is never visible.
#pragma once

#include <QWidget>

namespace vexto {

class TForm_gc : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_gc(QWidget* parent = nullptr);
};

}  // namespace vexto
