#include "remote/http_control_server.h"

#include <pthread.h>
#include <sys/resource.h>

#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "remote/control_listener.h"
#include "remote/web_module.h"

namespace vexto::remote {
namespace {

int DefaultMaxConnections() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1000;
  return static_cast<int>(std::min<rlim_t>(1000, std::max<rlim_t>(limit.rlim_cur / 2, 16)));
}

// The server thread: a std::thread running a Qt event loop. Everything the server uses is made,
// used and destroyed inside Run(); the controlling thread only starts it, waits for its listen
// result, posts a quit to its loop and joins it. The hand-overs are a mutex, a condition
// variable and the join, so they are plain to the thread sanitizer (Qt's own synchronisation,
// QThread::wait included, is not instrumented).
class ServerThread {
 public:
  ServerThread(TWebModule1& module, const HttpServerOptions& options)
      : module_(module), options_(options), thread_([this] { Run(); }) {}
  ~ServerThread() { StopAndJoin(); }
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  // Blocks until the thread has tried to listen; returns whether it listens.
  bool WaitListening(QString& reason, uint16_t& port) {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return phase_ != Phase::kStarting; });
    reason = reason_;
    port = port_;
    return phase_ == Phase::kListening;
  }

  // Ends the event loop (if any) and blocks until Run() has released everything.
  void StopAndJoin() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      // A queued quit (by name: no functor object shared between the threads), taken by the
      // loop even when it has not started to run yet.
      if (loop_) QMetaObject::invokeMethod(loop_, "quit", Qt::QueuedConnection);
    }
    thread_.join();
  }

 private:
  enum class Phase { kStarting, kListening, kFailed };

  void Run() {
    pthread_setname_np(pthread_self(), "vexto-http");
    QEventLoop loop;  // the thread's event dispatcher comes with it
    ConnectionLimits limits;
    limits.idle_timeout_ms = options_.idle_timeout_ms;
    limits.request_timeout_ms = options_.request_timeout_ms;
    limits.max_connections =
        options_.max_connections > 0 ? options_.max_connections : DefaultMaxConnections();
    auto listener = std::make_unique<ControlTcpServer>(module_, limits);
    listener->setListenBacklogSize(options_.listen_backlog);
    listener->setMaxPendingConnections(options_.listen_backlog);
    const bool listening = listener->listen(options_.address, options_.port);
    {
      std::lock_guard lock(mutex_);
      reason_ = listener->errorString();
      port_ = listening ? listener->serverPort() : 0;
      phase_ = listening ? Phase::kListening : Phase::kFailed;
      if (listening) loop_ = &loop;
      cv_.notify_all();
    }
    if (listening) loop.exec();
    {
      std::lock_guard lock(mutex_);
      loop_ = nullptr;
    }
    listener.reset();  // closes the listener and every connection (its children)
  }

  TWebModule1& module_;
  const HttpServerOptions options_;
  std::mutex mutex_;
  std::condition_variable cv_;
  Phase phase_ = Phase::kStarting;
  QString reason_;
  uint16_t port_ = 0;
  QEventLoop* loop_ = nullptr;  // guarded by mutex_; set while the loop may run
  std::thread thread_;          // last: starts once every member above exists
};

}  // namespace

struct HttpControlServer::Impl {
  Impl(ISourceSwitch& form, RemoteLogger log) : module(form), logger(std::move(log)) {}

  TWebModule1 module;  // used on the server thread only
  RemoteLogger logger;
  std::unique_ptr<ServerThread> thread;
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
  auto thread = std::make_unique<ServerThread>(impl_->module, options);
  QString reason;
  uint16_t bound = 0;
  if (!thread->WaitListening(reason, bound)) {
    thread->StopAndJoin();
    if (impl_->logger) {
      impl_->logger("Servidor HTTP: porta " + std::to_string(options.port) + " indisponível (" +
                    reason.toStdString() + ")");
    }
    return false;
  }
  impl_->thread = std::move(thread);
  impl_->bound_port = bound;
  return true;
}

void HttpControlServer::Stop() {
  if (!impl_->thread) return;
  impl_->thread->StopAndJoin();
  impl_->thread.reset();
  impl_->bound_port = 0;
}

}  // namespace vexto::remote
