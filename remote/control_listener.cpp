#include "remote/control_listener.h"

#include <unistd.h>

#include <array>
#include <ctime>

#include "remote/http_response.h"

namespace vexto::remote {

ControlConnection::ControlConnection(qintptr descriptor, TWebModule1& module,
                                     const ConnectionLimits& limits, QObject* parent)
    : QObject(parent),
      module_(module),
      socket_(new QTcpSocket(this)),
      idle_(new QTimer(this)),
      deadline_(new QTimer(this)),
      parser_(limits.max_request_bytes) {
  if (!socket_->setSocketDescriptor(descriptor)) {
    ::close(static_cast<int>(descriptor));
    return;
  }
  ok_ = true;
  // Bytes wait in the kernel rather than in this process until they are parsed.
  socket_->setReadBufferSize(16 * 1024);
  idle_->setSingleShot(true);
  idle_->setInterval(limits.idle_timeout_ms);
  deadline_->setSingleShot(true);
  deadline_->setInterval(limits.request_timeout_ms);
  connect(idle_, &QTimer::timeout, this, &ControlConnection::Drop);
  connect(deadline_, &QTimer::timeout, this, &ControlConnection::Drop);
  connect(socket_, &QTcpSocket::readyRead, this, &ControlConnection::OnReadyRead);
  connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
  connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    if (socket_->state() == QAbstractSocket::UnconnectedState) deleteLater();
  });
  idle_->start();
  deadline_->start();
  // Bytes may have arrived before the notifier was set up.
  if (socket_->bytesAvailable() > 0) OnReadyRead();
}

void ControlConnection::Drop() {
  idle_->stop();
  deadline_->stop();
  socket_->abort();
  deleteLater();
}

void ControlConnection::OnReadyRead() {
  std::array<char, 16 * 1024> buf{};
  while (socket_->bytesAvailable() > 0) {
    const qint64 n = socket_->read(buf.data(), static_cast<qint64>(buf.size()));
    if (n <= 0) break;
    if (answered_) continue;  // anything after the request is read and ignored until closed
    idle_->start();
    const auto state = parser_.Feed(std::string_view(buf.data(), static_cast<std::size_t>(n)));
    if (state == HttpRequestParser::State::kMalformed ||
        state == HttpRequestParser::State::kTooLarge) {
      Drop();
      return;
    }
    if (state == HttpRequestParser::State::kComplete) {
      answered_ = true;
      deadline_->stop();
      module_.Dispatch(parser_.target());
      const std::string response = ControlResponse(std::time(nullptr));
      socket_->write(response.data(), static_cast<qint64>(response.size()));
      // Closes once the response is written; the idle timer still drops a peer that never
      // lets it go.
      socket_->disconnectFromHost();
      if (socket_->state() == QAbstractSocket::UnconnectedState) {
        deleteLater();
        return;
      }
    }
  }
}

ControlTcpServer::ControlTcpServer(TWebModule1& module, const ConnectionLimits& limits,
                                   QObject* parent)
    : QTcpServer(parent), module_(module), limits_(limits) {
  connect(this, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
    QTimer::singleShot(100, this, [this] { resumeAccepting(); });
  });
}

void ControlTcpServer::incomingConnection(qintptr descriptor) {
  if (open_connections_ >= limits_.max_connections) {
    ::close(static_cast<int>(descriptor));
    return;
  }
  auto* connection = new ControlConnection(descriptor, module_, limits_, this);
  ++open_connections_;
  connect(connection, &QObject::destroyed, this, [this] { --open_connections_; });
  if (!connection->ok()) connection->deleteLater();
}

}  // namespace vexto::remote
