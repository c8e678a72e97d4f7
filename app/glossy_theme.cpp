#include "app/glossy_theme.h"

#include <QApplication>
#include <algorithm>
#include <cctype>

#include "ui/message_service.h"

namespace vexto {

namespace {

constexpr const char* kGlossySheet = R"(
QMenuBar {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:0.5 #eceff3,
                              stop:0.51 #dfe3e8, stop:1 #e8ebef);
  border-bottom: 1px solid #b5bcc6;
}
QMenuBar::item { padding: 3px 8px; background: transparent; }
QMenuBar::item:selected {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #e4f0fc, stop:1 #b9d6f3);
  border: 1px solid #84acdd; border-radius: 2px;
}
QMenu { background: #fbfbfb; border: 1px solid #9aa3ad; padding: 2px; }
QMenu::item { padding: 4px 22px 4px 24px; }
QMenu::item:selected {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #eaf3fd, stop:1 #c4ddf7);
  color: #000000; border: 1px solid #95b9e6; border-radius: 2px;
}
QMenu::separator { height: 1px; background: #d4d9df; margin: 3px 6px; }
QPushButton {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:0.45 #eef1f5,
                              stop:0.5 #dde2e8, stop:1 #e9edf1);
  border: 1px solid #8d96a1; border-radius: 3px; padding: 1px 6px; color: #1a1a1a;
}
QPushButton:hover {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f3f9ff, stop:0.45 #dcecfc,
                              stop:0.5 #c3ddf8, stop:1 #d6e8fa);
  border-color: #5f8fcf;
}
QPushButton:pressed {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #c0d8f2, stop:1 #e0ecf8);
}
QScrollBar:vertical { background: #eef0f3; width: 15px; margin: 0; }
QScrollBar::handle:vertical {
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #fbfbfb, stop:1 #d9dee4);
  border: 1px solid #9aa3ad; border-radius: 3px; min-height: 20px;
}
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
QTableView { gridline-color: #c9ced6; selection-background-color: #3d6fb0;
             selection-color: #ffffff; }
QProgressBar { border: none; background: #3a3a3a; }
QProgressBar::chunk {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #9fd0ff, stop:1 #3b7fcf);
}
QSlider::groove:horizontal { height: 4px; background: #2e2e2e; border-radius: 2px; }
QSlider::handle:horizontal {
  width: 13px; margin: -5px 0;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #c4ccd6);
  border: 1px solid #6c7682; border-radius: 3px;
}
QToolTip { background: #ffffe1; color: #000000; border: 1px solid #767676; }
)";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

const char* FindBuiltInStyle(const std::string& name) {
  if (Lower(name) == "glossy") return kGlossySheet;
  return nullptr;
}

bool ApplyStyle(QApplication& app, const std::string& name) {
  const char* sheet = FindBuiltInStyle(name);
  if (sheet == nullptr) {
    TMessageService::StyleNotFound("Style '" + name + "' not found");
    return false;
  }
  app.setStyleSheet(QString::fromUtf8(sheet));
  return true;
}

}  // namespace vexto
