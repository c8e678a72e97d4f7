// CategoryPanel: a collapsible section with a caption bar ("Avançado" on the streaming page).
// Clicking the caption folds the content away or shows it again. GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

class QToolButton;
class QVBoxLayout;

namespace vexto {

class CategoryPanel : public QWidget {
  Q_OBJECT

 public:
  CategoryPanel(const QString& caption, QWidget* parent = nullptr);

  // The widget holding the panel's controls; lay them out on it.
  QWidget* content() const { return content_; }
  QString caption() const;

  bool IsCollapsed() const;
  void SetCollapsed(bool collapsed);

 signals:
  void collapsedChanged(bool collapsed);

 private:
  QToolButton* header_ = nullptr;
  QWidget* content_ = nullptr;
};

}  // namespace vexto
