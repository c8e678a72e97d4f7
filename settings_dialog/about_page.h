// sist_sobre: the "Sobre o Vexto" page of the settings dialog (product logo, product name and
// release). Static content. GUI thread only.
#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;

namespace vexto {

class TAboutPage : public QWidget {
  Q_OBJECT

 public:
  explicit TAboutPage(QWidget* parent = nullptr);

  // The product logo, 140 x 98: the application's logo picture when the resources carry one
  // (":/images/vexto_logo.png"), else a drawn stand-in.
  static QPixmap ProductLogo();

  QLabel* logo = nullptr;
  QLabel* lb_produto = nullptr;
  QLabel* lb_release = nullptr;
};

}  // namespace vexto
