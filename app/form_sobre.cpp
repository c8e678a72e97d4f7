#include "app/form_sobre.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/ui_resources.h"

namespace vexto {

Tform_sobre::Tform_sobre(QWidget* parent) : QDialog(parent) {
  setObjectName("form_sobre");
  setWindowTitle("Sobre");
  setModal(true);
  setFixedSize(320, 170);

  auto* logo = new QLabel(this);
  logo->setObjectName("Image1");
  logo->setPixmap(QPixmap::fromImage(LoadUiImage("vexto_logo.png")));
  logo->setGeometry(16, 16, 140, 98);

  auto* product = new QLabel("Vexto", this);
  product->setObjectName("ProductName");
  QFont big = product->font();
  big.setPixelSize(24);
  big.setBold(true);
  product->setFont(big);
  product->setGeometry(172, 30, 140, 32);

  auto* version = new QLabel("1.3", this);
  version->setObjectName("Version");
  version->setGeometry(172, 66, 140, 20);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setGeometry(124, 130, 75, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vexto
