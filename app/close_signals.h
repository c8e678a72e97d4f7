// SIGTERM and SIGINT close the console the way "Sair" does: the signal handler only writes one
// byte to a self-pipe; a QSocketNotifier on the GUI thread reads it and calls close() on the
// main window, which runs the ordinary close sequence.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

namespace vexto {

class TCloseSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; window is closed on the first signal. One instance per process.
  explicit TCloseSignals(QWidget* window);
  ~TCloseSignals() override;

 private:
  void OnSignal();

  QPointer<QWidget> window_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vexto
