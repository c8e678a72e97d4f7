// TPNGButton: the image push button of the transport bar and the source selector. It draws one
// of its PNG pictures (per-pixel alpha) with an optional caption, swaps the picture while the
// pointer is over it or while it is held down, and draws a faded copy when disabled.
//
// Contract: GUI thread only. The button owns copies of its four images. The images returned by
// ImageNormal()/ImageOver() may be replaced in place followed by update(); that path does not
// derive the disabled image again (the play/pause swap uses it).
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace vexto {

enum class TPNGButtonLayout { pbsImageAbove, pbsImageBellow, pbsImageLeft, pbsImageRight };
enum class TPNGButtonStyle { pbsDefault, pbsFlat, pbsNoFrame };
enum class TPNGButtonState { pbsNormal, pbsDown, pbsDisabled };

class TPNGButton : public QWidget {
  Q_OBJECT

 public:
  explicit TPNGButton(QWidget* parent = nullptr);

  // The grey of a disabled caption.
  static QColor GrayTextColor() { return QColor(0x6D, 0x6D, 0x6D); }

  // Copies the image in and derives the disabled image from it.
  void setImageNormal(const QImage& image);
  void setImageOver(const QImage& image);
  void setImageDown(const QImage& image);
  QImage& ImageNormal() { return fImageNormal; }
  QImage& ImageOver() { return fImageOver; }
  QImage& ImageDown() { return FImageDown; }
  const QImage& ImageDisabled() const { return fImageDisabled; }

  void setButtonLayout(TPNGButtonLayout layout);
  TPNGButtonLayout ButtonLayout() const { return FButtonLayout; }
  void setButtonStyle(TPNGButtonStyle style);
  TPNGButtonStyle ButtonStyle() const { return fButtonStyle; }
  void setButtonState(TPNGButtonState state);
  TPNGButtonState ButtonState() const { return FButtonState; }
  void setCaption(const QString& caption);
  const QString& Caption() const { return FCaption; }
  bool IsMouseOver() const { return fMouseOverControl; }

  // What the next paint draws and where: the painting rules in one place, readable by tests.
  struct PaintPlan {
    const QImage* image = nullptr;
    QPoint image_pos;
    QPoint caption_pos;
    bool pressed = false;
  };
  PaintPlan Plan() const;

  // The faded copy: alpha a -> a / 3 on every pixel; palette-based images are kept as they are.
  static QImage DeriveDisabledImage(const QImage& normal);

 signals:
  void OnClick();
  void OnDblClick();
  void OnMouseDown(Qt::MouseButton button, QPoint pos);
  void OnMouseUp(Qt::MouseButton button, QPoint pos);
  void OnMouseMove(QPoint pos);
  void OnMouseEnter();
  void OnMouseExit();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void MouseEntered();
  void MouseLeft();

  TPNGButtonStyle fButtonStyle = TPNGButtonStyle::pbsDefault;
  bool fMouseOverControl = false;
  QString FCaption;
  TPNGButtonLayout FButtonLayout = TPNGButtonLayout::pbsImageAbove;
  TPNGButtonState FButtonState = TPNGButtonState::pbsNormal;
  QImage FImageDown;
  QImage fImageNormal;
  QImage fImageDisabled;
  QImage fImageOver;
};

}  // namespace vexto
