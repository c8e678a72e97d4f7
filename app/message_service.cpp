#include "app/message_service.h"

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
  QMessageBox::information(ParentSlot(), Title(), QString::fromStdString(text), QMessageBox::Ok);
}

void TMessageService::Error(const std::string& text) {
  if (ScriptSlot()) {
    ScriptSlot()(Kind::Error, text);
    return;
  }
  QMessageBox::critical(ParentSlot(), Title(), QString::fromStdString(text), QMessageBox::Ok);
}

void TMessageService::StyleNotFound(const std::string& text) {
  if (ScriptSlot()) {
    ScriptSlot()(Kind::StyleNotFound, text);
    return;
  }
  QMessageBox::critical(ParentSlot(), Title(), QString::fromStdString(text), QMessageBox::Close);
}

bool TMessageService::AskYesNoWarning(const std::string& text) {
  if (ScriptSlot()) return ScriptSlot()(Kind::AskYesNoWarning, text);
  return QMessageBox::warning(ParentSlot(), Title(), QString::fromStdString(text),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace vexto
