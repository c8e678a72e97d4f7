// The application object with the generic error handler: an exception that escapes a command
// (an event handler) is shown to the operator in a message box with its text, and the command
// ends there; the system goes on.
#pragma once

#include <QApplication>

namespace vexto {

class TVextoApplication : public QApplication {
 public:
  TVextoApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the text of the exception in flight (the generic error box). Call from a catch block.
void ShowCurrentException();

}  // namespace vexto
