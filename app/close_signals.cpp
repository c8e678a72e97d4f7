#include "app/close_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace vexto {

namespace {
int g_signal_fds[2] = {-1, -1};

extern "C" void HandleCloseSignal(int) {
  const char byte = 1;
  const ssize_t written = ::write(g_signal_fds[0], &byte, 1);
  (void)written;
}
}  // namespace

TCloseSignals::TCloseSignals(QWidget* window) : window_(window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_fds) != 0) return;
  ::fcntl(g_signal_fds[0], F_SETFL, O_NONBLOCK);
  ::fcntl(g_signal_fds[1], F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(g_signal_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TCloseSignals::OnSignal);
  struct sigaction action {};
  action.sa_handler = HandleCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

TCloseSignals::~TCloseSignals() {
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  if (notifier_ != nullptr) notifier_->setEnabled(false);  // owned by this object
  for (int& fd : g_signal_fds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void TCloseSignals::OnSignal() {
  char buffer[16];
  while (::read(g_signal_fds[1], buffer, sizeof buffer) > 0) {
  }
  if (window_) window_->close();
}

}  // namespace vexto
