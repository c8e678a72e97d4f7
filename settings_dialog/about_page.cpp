#include "settings_dialog/about_page.h"

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace vexto {

namespace {

constexpr int kLogoWidth = 140;
constexpr int kLogoHeight = 98;

QPixmap DrawnLogo() {
  QPixmap pixmap(kLogoWidth, kLogoHeight);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, 0, kLogoHeight);
  back.setColorAt(0, QColor(40, 60, 110));
  back.setColorAt(1, QColor(10, 20, 45));
  painter.setBrush(back);
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(1, 1, kLogoWidth - 2, kLogoHeight - 2), 12, 12);
  // A "play" triangle beside the product name.
  painter.setBrush(QColor(230, 60, 50));
  const QPointF play[3] = {{18, 30}, {18, 68}, {50, 49}};
  painter.drawPolygon(play, 3);
  QFont font("Tahoma");
  font.setPixelSize(30);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(52, 0, kLogoWidth - 56, kLogoHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   "exto");
  return pixmap;
}

}  // namespace

QPixmap TAboutPage::ProductLogo() {
  const QString resource = ":/images/vexto_logo.png";
  if (QFile::exists(resource)) {
    QPixmap pixmap(resource);
    if (!pixmap.isNull()) {
      return pixmap.scaled(kLogoWidth, kLogoHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
  }
  return DrawnLogo();
}

TAboutPage::TAboutPage(QWidget* parent) : QWidget(parent) {
  setObjectName("sist_sobre");
  auto* page_layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(" Sobre o Vexto ", this);
  page_layout->addWidget(group);
  page_layout->addStretch(1);
  auto* row = new QHBoxLayout(group);
  logo = new QLabel(group);
  logo->setObjectName("logo");
  logo->setFixedSize(kLogoWidth, kLogoHeight);
  logo->setAlignment(Qt::AlignCenter);
  logo->setPixmap(ProductLogo());
  row->addWidget(logo, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  lb_produto = new QLabel("Produto: Vexto", group);
  QFont bold = lb_produto->font();
  bold.setBold(true);
  lb_produto->setFont(bold);
  lb_release = new QLabel("Release 1.3 ( 1717-10614 )", group);
  texts->addWidget(lb_produto);
  texts->addWidget(lb_release);
  texts->addStretch(1);
  row->addLayout(texts, 1);
}

}  // namespace vexto
