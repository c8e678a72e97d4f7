// HTTP control figures, printed next to the frame pump's period and a bare loopback wake-up
// measured in the same run:
//   1. request-to-switch latency: from the moment the request is sent on an open connection until
//      ISourceSwitch sees the store (median, p99, max over 1,000 requests);
//   2. sustained requests per second, a new connection for each request.
// The GUI (main) thread runs no event loop meanwhile: the server thread alone does the work.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "remote/http_control_server.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFramePeriodMs = 1001.0 / 30.0;  // 33.37 ms

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

// Records when the last store happened, as the playback runtime's atomic would see it.
class TimingSwitch : public vexto::ISourceSwitch {
 public:
  void swPlaylist() override { Store(); }
  void swLive() override { Store(); }
  std::atomic<int64_t> last_store_ns{0};
  std::atomic<int> stores{0};

 private:
  void Store() {
    last_store_ns.store(NowNs(), std::memory_order_relaxed);
    stores.fetch_add(1, std::memory_order_release);
  }
};

int Connect(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool ReadToClose(int fd) {
  char buf[512];
  bool got = false;
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return got;
    got = true;
  }
}

struct Stats {
  double median_ms, p99_ms, max_ms;
};

Stats Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
  return {at(0.5), at(0.99), ms.back()};
}

// The floor: a thread blocked in recv on a loopback connection, woken by one send.
Stats LoopbackWakeup(int rounds) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  ::listen(listener, 4);
  std::atomic<int64_t> woke_ns{0};
  std::atomic<int> wakes{0};
  std::thread peer([&] {
    const int fd = ::accept(listener, nullptr, nullptr);
    char c;
    while (::recv(fd, &c, 1, 0) == 1) {
      woke_ns.store(NowNs());
      wakes.fetch_add(1, std::memory_order_release);
    }
    ::close(fd);
  });
  const int client = Connect(ntohs(addr.sin_port));
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const int before = wakes.load(std::memory_order_acquire);
    const int64_t t0 = NowNs();
    ::send(client, "x", 1, MSG_NOSIGNAL);
    while (wakes.load(std::memory_order_acquire) == before) std::this_thread::yield();
    ms.push_back(static_cast<double>(woke_ns.load() - t0) / 1e6);
  }
  ::close(client);
  peer.join();
  ::close(listener);
  return Summarise(ms);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  TimingSwitch sw;
  vexto::remote::HttpControlServer server(
      sw, [](const std::string& line) { std::printf("log: %s\n", line.c_str()); });
  vexto::remote::HttpServerOptions options;
  options.port = 0;
  options.address = QHostAddress::LocalHost;
  if (!server.StartServer(options)) return 1;
  const uint16_t port = server.port();

  constexpr int kRequests = 1000;
  std::vector<double> latency_ms;
  latency_ms.reserve(kRequests);
  for (int i = 0; i < kRequests; ++i) {
    const int fd = Connect(port);
    if (fd < 0) return 1;
    const std::string request = i % 2 ? "GET /sw_live HTTP/1.1\r\nHost: x\r\n\r\n"
                                      : "GET /sw_playlist HTTP/1.1\r\nHost: x\r\n\r\n";
    const int before = sw.stores.load(std::memory_order_acquire);
    const int64_t t0 = NowNs();
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    while (sw.stores.load(std::memory_order_acquire) == before) std::this_thread::yield();
    latency_ms.push_back(static_cast<double>(sw.last_store_ns.load() - t0) / 1e6);
    ReadToClose(fd);
    ::close(fd);
  }
  const Stats http = Summarise(latency_ms);
  const Stats floor = LoopbackWakeup(kRequests);

  std::printf("Request to switch over %d requests (connection already open):\n", kRequests);
  std::printf("  HTTP control    median %.3f ms  p99 %.3f ms  max %.3f ms\n", http.median_ms,
              http.p99_ms, http.max_ms);
  std::printf("  loopback wake   median %.3f ms  p99 %.3f ms  max %.3f ms  (reference)\n",
              floor.median_ms, floor.p99_ms, floor.max_ms);
  std::printf("  frame period    %.2f ms: p99 is %.2f %% of one pass\n", kFramePeriodMs,
              100.0 * http.p99_ms / kFramePeriodMs);

  // Sustained rate: two client threads, a new connection per request, for three seconds.
  constexpr int kClients = 2;
  std::atomic<int> done{0}, failed{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> clients;
  const auto start = Clock::now();
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&] {
      static const std::string request = "GET /sw_live HTTP/1.1\r\n\r\n";
      while (!stop.load()) {
        const int fd = Connect(port);
        if (fd < 0) {
          failed.fetch_add(1);
          continue;
        }
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        (ReadToClose(fd) ? done : failed).fetch_add(1);
        ::close(fd);
      }
    });
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  stop.store(true);
  for (auto& t : clients) t.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf(
      "Sustained: %.0f requests/s with a closing connection each (%d clients, %d failed)"
      "; the pump makes %.2f passes/s\n",
      done.load() / seconds, kClients, failed.load(), 1000.0 / kFramePeriodMs);
  server.Stop();
  return 0;
}
