#include "settings_dialog/message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace vexto {

namespace {

QString Displayed(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

}  // namespace

bool QtMessageService::AskYesNo(const std::string& text) {
  return QMessageBox::question(parent_, QApplication::applicationDisplayName(), Displayed(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void QtMessageService::ShowError(const std::string& text) {
  QMessageBox::critical(parent_, QApplication::applicationDisplayName(), Displayed(text));
}

}  // namespace vexto
