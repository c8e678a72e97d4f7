#include "remote/http_control_server.h"

#include <QMetaObject>
#include <QThread>

#include "remote/control_listener.h"
#include "remote/web_module.h"

namespace vexto::remote {

struct HttpControlServer::Impl {
  Impl(ISourceSwitch& form, RemoteLogger log) : module(form), logger(std::move(log)) {}

  TWebModule1 module;  // used on the server thread only
  RemoteLogger logger;
  std::unique_ptr<QThread> thread;
  std::unique_ptr<QObject> context;            // lives on the server thread
  std::unique_ptr<ControlTcpServer> listener;  // created, used and destroyed on that thread
  uint16_t bound_port = 0;
};

HttpControlServer::HttpControlServer(ISourceSwitch& form, RemoteLogger logger)
    : impl_(std::make_unique<Impl>(form, std::move(logger))) {}

HttpControlServer::~HttpControlServer() {
  Stop();
}

bool HttpControlServer::active() const {
  return impl_->thread != nullptr;
}

uint16_t HttpControlServer::port() const {
  return impl_->bound_port;
}

bool HttpControlServer::StartServer(const HttpServerOptions& options) {
  if (active()) return true;
  auto thread = std::make_unique<QThread>();
  thread->setObjectName(QStringLiteral("vexto-http"));
  auto context = std::make_unique<QObject>();
  context->moveToThread(thread.get());
  thread->start();

  bool listening = false;
  QString reason;
  uint16_t bound = 0;
  Impl& impl = *impl_;
  QMetaObject::invokeMethod(
      context.get(),
      [&] {
        ConnectionLimits limits;
        limits.idle_timeout_ms = options.idle_timeout_ms;
        limits.request_timeout_ms = options.request_timeout_ms;
        auto listener = std::make_unique<ControlTcpServer>(impl.module, limits);
        listener->setListenBacklogSize(options.listen_backlog);
        listener->setMaxPendingConnections(options.listen_backlog);
        if (listener->listen(options.address, options.port)) {
          listening = true;
          bound = listener->serverPort();
          impl.listener = std::move(listener);
        } else {
          reason = listener->errorString();
        }
      },
      Qt::BlockingQueuedConnection);

  if (!listening) {
    thread->quit();
    thread->wait();
    context.reset();
    if (impl.logger) {
      impl.logger("Servidor HTTP: porta " + std::to_string(options.port) + " indisponível (" +
                  reason.toStdString() + ")");
    }
    return false;
  }
  impl.thread = std::move(thread);
  impl.context = std::move(context);
  impl.bound_port = bound;
  return true;
}

void HttpControlServer::Stop() {
  Impl& impl = *impl_;
  if (!impl.thread) return;
  // The listener and its connections (its children) go on the thread they live on.
  QMetaObject::invokeMethod(
      impl.context.get(), [&impl] { impl.listener.reset(); }, Qt::BlockingQueuedConnection);
  impl.thread->quit();
  impl.thread->wait();
  impl.context.reset();
  impl.thread.reset();
  impl.bound_port = 0;
}

}  // namespace vexto::remote
