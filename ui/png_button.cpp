#include "ui/png_button.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace vexto {

TPNGButton::TPNGButton(QWidget* parent) : QWidget(parent) {
  resize(23, 23);
  setMouseTracking(true);
  // Drawn on the parent's surface: the parent's background shows through transparent pixels.
  setAttribute(Qt::WA_TranslucentBackground, false);
  setAutoFillBackground(false);
}

QImage TPNGButton::DeriveDisabledImage(const QImage& normal) {
  if (normal.isNull()) return QImage();
  QImage copy = normal.copy();
  const bool palette_based = copy.format() == QImage::Format_Indexed8 ||
                             copy.format() == QImage::Format_Mono ||
                             copy.format() == QImage::Format_MonoLSB;
  if (palette_based) return copy;
  copy = copy.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < copy.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
    for (int x = 0; x < copy.width(); ++x) {
      const QRgb p = line[x];
      line[x] = qRgba(qRed(p), qGreen(p), qBlue(p), qAlpha(p) / 3);
    }
  }
  return copy;
}

void TPNGButton::setImageNormal(const QImage& image) {
  fImageNormal = image.copy();
  fImageDisabled = DeriveDisabledImage(fImageNormal);
  update();
}

void TPNGButton::setImageOver(const QImage& image) {
  fImageOver = image.copy();
  update();
}

void TPNGButton::setImageDown(const QImage& image) {
  FImageDown = image.copy();
  update();
}

void TPNGButton::setButtonLayout(TPNGButtonLayout layout) {
  FButtonLayout = layout;
  update();
}

void TPNGButton::setButtonStyle(TPNGButtonStyle style) {
  fButtonStyle = style;
  update();
}

void TPNGButton::setButtonState(TPNGButtonState state) {
  FButtonState = state;
  update();
}

void TPNGButton::setCaption(const QString& caption) {
  FCaption = caption;
  update();
}

TPNGButton::PaintPlan TPNGButton::Plan() const {
  PaintPlan plan;
  const int W = width();
  const int H = height();
  plan.pressed = FButtonState == TPNGButtonState::pbsDown && fMouseOverControl;
  if (plan.pressed && !FImageDown.isNull()) {
    plan.image = &FImageDown;
  } else if (fMouseOverControl && !fImageOver.isNull() && isEnabled()) {
    plan.image = &fImageOver;
  } else if (FButtonState == TPNGButtonState::pbsDisabled && !fImageDisabled.isNull()) {
    plan.image = &fImageDisabled;
  } else {
    plan.image = &fImageNormal;
  }
  const int iw = plan.image->width();
  int ih = plan.image->height();
  int tw = 0;
  int th = 0;
  if (!FCaption.isEmpty()) {
    const QFontMetrics fm(font());
    tw = fm.horizontalAdvance(FCaption);
    th = fm.height();
    ih += 4;
  }
  const int off = plan.pressed ? 2 : 0;
  int ix = (W - iw) / 2 + off;
  int iy = (H - ih) / 2;
  int cx = (W - tw) / 2 + off;
  int cy = (H - th) / 2;
  switch (FButtonLayout) {
    case TPNGButtonLayout::pbsImageAbove:
      iy = (H - ih - th) / 2;
      cy = iy + ih;
      break;
    case TPNGButtonLayout::pbsImageBellow:
      cy = (H - ih - th) / 2;
      iy = cy + th;
      break;
    case TPNGButtonLayout::pbsImageLeft:
      ix = (W - iw - tw) / 2;
      cx = ix + iw + 5;
      break;
    case TPNGButtonLayout::pbsImageRight:
      cx = (W - iw - tw) / 2;
      ix = cx + tw + 5;
      break;
  }
  iy += off;
  cy += off;
  plan.image_pos = QPoint(ix, iy);
  plan.caption_pos = QPoint(cx, cy);
  return plan;
}

void TPNGButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font());
  const PaintPlan plan = Plan();
  QRect client = rect();

  switch (fButtonStyle) {
    case TPNGButtonStyle::pbsFlat:
      if (FButtonState != TPNGButtonState::pbsDisabled) {
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor highlight = palette().color(QPalette::Light);
        bool framed = false;
        QColor top_left;
        QColor bottom_right;
        if (plan.pressed) {
          top_left = shadow;
          bottom_right = highlight;
          framed = true;
        } else if (fMouseOverControl || FButtonState == TPNGButtonState::pbsDown) {
          top_left = highlight;
          bottom_right = shadow;
          framed = true;
        }
        if (framed) {
          const QRect r = client.adjusted(0, 0, -1, -1);
          painter.setPen(top_left);
          painter.drawLine(r.topLeft(), r.topRight());
          painter.drawLine(r.topLeft(), r.bottomLeft());
          painter.setPen(bottom_right);
          painter.drawLine(r.bottomLeft(), r.bottomRight());
          painter.drawLine(r.topRight(), r.bottomRight());
          client = client.adjusted(1, 1, -1, -1);
        }
      }
      break;
    case TPNGButtonStyle::pbsDefault: {
      QStyleOptionButton option;
      option.initFrom(this);
      option.rect = client;
      option.state &= ~QStyle::State_HasFocus;
      option.state |= plan.pressed ? QStyle::State_Sunken : QStyle::State_Raised;
      style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
      break;
    }
    case TPNGButtonStyle::pbsNoFrame:
      break;
  }

  if (!plan.image->isNull()) {
    painter.drawImage(plan.image_pos, *plan.image);  // source-over: blended by alpha
  }
  if (!FCaption.isEmpty()) {
    QColor colour = palette().color(QPalette::WindowText);
    if (FButtonState == TPNGButtonState::pbsDisabled) colour = GrayTextColor();
    painter.setPen(colour);
    painter.setClipRect(client);
    const QFontMetrics fm(font());
    painter.drawText(QRect(plan.caption_pos, QSize(fm.horizontalAdvance(FCaption), fm.height())),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, FCaption);
  }
}

void TPNGButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) {
      fImageDisabled = DeriveDisabledImage(fImageNormal);
      FButtonState = TPNGButtonState::pbsDisabled;
    } else {
      FButtonState = TPNGButtonState::pbsNormal;
    }
    update();
  }
  QWidget::changeEvent(event);
}

void TPNGButton::MouseEntered() {
  if (!isEnabled() || fMouseOverControl) return;
  emit OnMouseEnter();
  fMouseOverControl = true;
  update();
}

void TPNGButton::MouseLeft() {
  if (!isEnabled() || !fMouseOverControl) return;
  emit OnMouseExit();
  fMouseOverControl = false;
  update();
}

void TPNGButton::enterEvent(QEnterEvent* event) {
  MouseEntered();
  QWidget::enterEvent(event);
}

void TPNGButton::leaveEvent(QEvent* event) {
  MouseLeft();
  QWidget::leaveEvent(event);
}

void TPNGButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const bool inside = rect().contains(pos);
  if (inside && !fMouseOverControl && FButtonState != TPNGButtonState::pbsDown) {
    fMouseOverControl = true;
    update();
  } else if (FButtonState == TPNGButtonState::pbsDown) {
    // While the mouse is captured the crossing of the edge counts as leaving and entering.
    if (!inside) {
      MouseLeft();
    } else {
      MouseEntered();
    }
  }
  emit OnMouseMove(pos);
  QWidget::mouseMoveEvent(event);
}

void TPNGButton::mousePressEvent(QMouseEvent* event) {
  if (FButtonState == TPNGButtonState::pbsNormal && event->button() == Qt::LeftButton) {
    FButtonState = TPNGButtonState::pbsDown;
    update();
  }
  emit OnMouseDown(event->button(), event->position().toPoint());
}

void TPNGButton::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const bool click = event->button() == Qt::LeftButton && rect().contains(pos) &&
                     FButtonState == TPNGButtonState::pbsDown;
  if (FButtonState == TPNGButtonState::pbsDown) {
    FButtonState = TPNGButtonState::pbsNormal;
    update();
  }
  if (click) emit OnClick();
  emit OnMouseUp(event->button(), pos);
  if (!rect().contains(pos)) MouseLeft();
}

void TPNGButton::mouseDoubleClickEvent(QMouseEvent* event) {
  emit OnDblClick();
  // The second press of a double click presses the button again.
  mousePressEvent(event);
}

}  // namespace vexto
