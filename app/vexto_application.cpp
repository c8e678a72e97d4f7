#include "app/vexto_application.h"

#include <exception>

#include "ui/message_service.h"

namespace vexto {

TVextoApplication::TVextoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void ShowCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    TMessageService::Error(e.what());
  } catch (...) {
    TMessageService::Error("Unknown error");
  }
}

bool TVextoApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException();
    return false;
  }
}

}  // namespace vexto
