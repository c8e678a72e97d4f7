#include "app/form_gc.h"

#include <QFrame>

namespace vexto {

TForm_gc::TForm_gc(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_gc");
  setWindowTitle(QString::fromUtf8("Geração de Caracteres"));
  setFixedSize(640, 240);
  auto* empty = new QFrame(this);
  empty->setObjectName("Panel1");
  empty->setFrameShape(QFrame::StyledPanel);
  empty->setGeometry(0, 0, 260, 240);
  auto* black = new QFrame(this);
  black->setObjectName("Panel2");
  black->setGeometry(260, 0, 380, 240);
  black->setAutoFillBackground(true);
  QPalette p = black->palette();
  p.setColor(QPalette::Window, Qt::black);
  black->setPalette(p);
}

}  // namespace vexto
