// The HTTP control server (the main window's FServer): a listener on its own thread, with its
// own event loop, so a busy GUI never delays a switch.
//
// Requests are read by the bounded parser of remote/http_request_parser.h and dispatched by
// TWebModule1 on the server thread, which calls ISourceSwitch::swPlaylist()/swLive() there (they
// only store the atomic source). Every well-formed request, whatever its method, gets the same
// empty "HTTP/1.1 200 OK" with Connection: close, and its connection is closed. A malformed
// request, one whose head and body pass 64 KB, a connection idle for 5 s and a request not whole
// after 30 s are dropped without an answer and without a switch; connections past the limit of
// open ones are closed at once.
//
// Threads: StartServer, Stop, active and port are for one controlling thread (the GUI thread)
// and must never be called from the server thread. The logger is called on the controlling
// thread only (a port that cannot be bound: one line with the reason).
#pragma once

#include <QHostAddress>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/state/input.h"

namespace vexto::remote {

using RemoteLogger = std::function<void(const std::string& utf8_line)>;

inline constexpr uint16_t kDefaultHttpPort = 7001;

struct HttpServerOptions {
  uint16_t port = kDefaultHttpPort;  // 0: any free port (see port())
  // Every local address: IPv4 and, where the system offers it, IPv6.
  QHostAddress address = QHostAddress::Any;
  int listen_backlog = 1024;
  int idle_timeout_ms = 5000;
  int request_timeout_ms = 30000;
  // Connections open at once; further ones are closed as soon as accepted. 0: 1000, or half the
  // process's descriptor limit when that is lower.
  int max_connections = 0;
};

class HttpControlServer {
 public:
  // form must outlive the server (it is called from the server thread).
  HttpControlServer(ISourceSwitch& form, RemoteLogger logger);
  ~HttpControlServer();  // Stop()
  HttpControlServer(const HttpControlServer&) = delete;
  HttpControlServer& operator=(const HttpControlServer&) = delete;

  // If the server is not active: starts its thread and listens with the options. Does nothing
  // when it is already active. Returns whether the server is active afterwards; a port that
  // cannot be bound is logged once ("Servidor HTTP: porta 7001 indisponível (<reason>)") and
  // leaves the server inactive, the rest of the console going on without it.
  bool StartServer(const HttpServerOptions& options = {});

  // Closes the listener and every connection, ends the thread and joins it. Safe to repeat.
  void Stop();

  bool active() const;
  uint16_t port() const;  // the bound port while active, else 0

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vexto::remote
