#include "settings_dialog/colour_box.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

#include "settings_dialog/tcolor.h"

namespace vexto {

namespace {

constexpr int kCustomIndex = 0;

QIcon Swatch(TColor colour) {
  QPixmap pixmap(16, 12);
  pixmap.fill(TColorToQColor(colour));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

}  // namespace

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  addItem(Swatch(0x000000), "Custom...", QVariant::fromValue<int>(0x000000));
  for (const auto& named : NamedColours()) {
    addItem(Swatch(named.value), named.name, QVariant::fromValue<int>(named.value));
  }
  setCurrentIndex(1);  // Black
  current_ = Selected();
  picker_ = [this](const QColor& initial) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(initial, this);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
  connect(this, &QComboBox::activated, this, &TColorBox::OnActivated);
}

TColor TColorBox::Selected() const {
  const int index = currentIndex();
  if (index < 0) return 0;
  return static_cast<TColor>(itemData(index).toInt());
}

void TColorBox::SetCustomEntry(TColor colour) {
  setItemData(kCustomIndex, QVariant::fromValue<int>(colour));
  setItemIcon(kCustomIndex, Swatch(colour));
}

void TColorBox::SetSelected(TColor colour) {
  const QSignalBlocker block(this);
  int index = -1;
  for (int i = kCustomIndex + 1; i < count(); ++i) {
    if (itemData(i).toInt() == colour) {
      index = i;
      break;
    }
  }
  if (index < 0) {
    SetCustomEntry(colour);
    index = kCustomIndex;
  }
  setCurrentIndex(index);
  current_ = colour;
}

void TColorBox::OnActivated(int index) {
  if (index == kCustomIndex) {
    const std::optional<QColor> chosen = picker_ ? picker_(TColorToQColor(current_)) : std::nullopt;
    if (!chosen) {
      SetSelected(current_);  // cancelled: the previous colour stays selected
      return;
    }
    SetCustomEntry(QColorToTColor(*chosen));
  }
  const TColor picked = Selected();
  if (picked == current_) return;
  current_ = picked;
  emit colourChanged(picked);
}

}  // namespace vexto
