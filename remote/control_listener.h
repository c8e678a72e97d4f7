// The HTTP control's listener and its connections. Internal to remote/: HttpControlServer is the
// only user. Everything here lives on, and is only touched from, the HTTP server thread.
//
// Why not QAbstractHttpServer (Qt 6.4): its request parser refuses method tokens it does not
// know (a "FOO /sw_live" request never reaches the handler, while the endpoint must treat every
// method alike), it offers no hook to bound a request's size or to drop an idle connection, and
// its responder builds its own header block. The endpoint needs exactly one response and a few
// hard limits, so it reads requests with its own bounded parser (remote/http_request_parser.h)
// on plain QTcpServer/QTcpSocket.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstddef>

#include "remote/http_request_parser.h"
#include "remote/web_module.h"

namespace vexto::remote {

struct ConnectionLimits {
  int idle_timeout_ms = 5000;      // no byte received for this long: dropped
  int request_timeout_ms = 30000;  // a whole request not received by then: dropped
  std::size_t max_request_bytes = kMaxRequestBytes;
  int max_connections = 1000;  // open at once; further ones are closed as soon as accepted
};

// One accepted connection: reads one request, runs the module's action, answers and closes.
// Owned by its ControlTcpServer (Qt parent); deletes itself once its socket is closed.
class ControlConnection : public QObject {
  Q_OBJECT

 public:
  ControlConnection(qintptr descriptor, TWebModule1& module, const ConnectionLimits& limits,
                    QObject* parent);
  bool ok() const { return ok_; }

 private:
  void OnReadyRead();
  void Drop();

  TWebModule1& module_;
  QTcpSocket* socket_;  // child
  QTimer* idle_;        // child
  QTimer* deadline_;    // child
  HttpRequestParser parser_;
  bool answered_ = false;
  bool ok_ = false;
};

// Accepts connections and hands each to a ControlConnection. At most limits.max_connections
// are open at once; one past that is closed as soon as it is accepted (no answer, no switch), so
// a flood of connections cannot use up the process's file descriptors. When accepting fails
// (descriptors or memory short for a moment), accepting resumes 100 ms later instead of stopping
// for good.
class ControlTcpServer : public QTcpServer {
  Q_OBJECT

 public:
  ControlTcpServer(TWebModule1& module, const ConnectionLimits& limits, QObject* parent = nullptr);
  int open_connections() const { return open_connections_; }

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  TWebModule1& module_;
  ConnectionLimits limits_;
  int open_connections_ = 0;
};

}  // namespace vexto::remote
