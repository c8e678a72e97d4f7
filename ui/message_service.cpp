#include "ui/message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace vexto {

namespace {
TMessageService::Script& ScriptSlot() {
  static TMessageService::Script script;
  return script;
}
QPointer<QWidget>& ParentSlot() {
  static QPointer<QWidget> parent;
  return parent;
}
QString Title() {
  return QStringLiteral("Vexto");
}
// "\r" in the system's texts is a line break.
QString Shown(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}
}  // namespace

void TMessageService::SetScript(Script script) {
  ScriptSlot() = std::move(script);
}
bool TMessageService::HasScript() {
  return static_cast<bool>(ScriptSlot());
}
void TMessageService::SetParent(QWidget* parent) {
  ParentSlot() = parent;
}

void TMessageService::Inform(const std::string& text) {
  if (ScriptSlot()) {
    ScriptSlot()(Kind::Inform, text);
    return;
  }
  QMessageBox::information(ParentSlot(), Title(), Shown(text), QMessageBox::Ok);
}

void TMessageService::Error(const std::string& text) {
  if (ScriptSlot()) {
    ScriptSlot()(Kind::Error, text);
    return;
  }
  QMessageBox::critical(ParentSlot(), Title(), Shown(text), QMessageBox::Ok);
}

void TMessageService::StyleNotFound(const std::string& text) {
  if (ScriptSlot()) {
    ScriptSlot()(Kind::StyleNotFound, text);
    return;
  }
  QMessageBox::critical(ParentSlot(), Title(), Shown(text), QMessageBox::Close);
}

bool TMessageService::AskYesNoWarning(const std::string& text) {
  if (ScriptSlot()) return ScriptSlot()(Kind::AskYesNoWarning, text);
  return QMessageBox::warning(ParentSlot(), Title(), Shown(text),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace vexto

namespace vexto {

bool TMessageService::AskYesNo(const std::string& text) {
  if (ScriptSlot()) return ScriptSlot()(Kind::AskYesNo, text);
  return QMessageBox::question(ParentSlot(), Title(), Shown(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace vexto
