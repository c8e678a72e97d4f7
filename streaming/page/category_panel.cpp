#include "streaming/page/category_panel.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace vexto {

CategoryPanel::CategoryPanel(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  header_ = new QToolButton(this);
  header_->setText(caption);
  header_->setCheckable(true);
  header_->setChecked(true);
  header_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  header_->setArrowType(Qt::DownArrow);
  header_->setAutoRaise(true);
  header_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  QFont bold = header_->font();
  bold.setBold(true);
  header_->setFont(bold);
  content_ = new QWidget(this);
  layout->addWidget(header_);
  layout->addWidget(content_);
  connect(header_, &QToolButton::toggled, this, [this](bool expanded) {
    header_->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    content_->setVisible(expanded);
    emit collapsedChanged(!expanded);
  });
}

QString CategoryPanel::caption() const {
  return header_->text();
}

bool CategoryPanel::IsCollapsed() const {
  return !header_->isChecked();
}

void CategoryPanel::SetCollapsed(bool collapsed) {
  header_->setChecked(!collapsed);
}

}  // namespace vexto
