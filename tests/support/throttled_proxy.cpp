#include "tests/support/throttled_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace vexto::test {
namespace {

int ConnectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

struct Pair {
  int client = -1;
  int server = -1;
  std::vector<char> to_server;  // read from the client, not yet passed on
};

}  // namespace

ThrottledProxy::ThrottledProxy(int target_port, int64_t bytes_per_s)
    : target_port_(target_port), rate_(bytes_per_s) {
  thread_ = std::thread([this] { Run(); });
}

ThrottledProxy::~ThrottledProxy() {
  running_.store(false);
  thread_.join();
}

void ThrottledProxy::Run() {
  using Clock = std::chrono::steady_clock;
  std::vector<Pair> pairs;
  double budget = 0;  // bytes that may be passed on now
  auto last = Clock::now();
  std::vector<char> buf(64 * 1024);
  while (running_.load()) {
    const auto now = Clock::now();
    if (rate_ > 0) {
      budget = std::min<double>(budget + std::chrono::duration<double>(now - last).count() * rate_,
                                static_cast<double>(rate_) / 10);
    }
    last = now;
    std::vector<pollfd> fds{{listener_.fd(), POLLIN, 0}};
    for (const Pair& p : pairs) {
      const bool room = p.to_server.size() < buf.size();
      fds.push_back({p.client, static_cast<short>(room && !stalled_.load() ? POLLIN : 0), 0});
      fds.push_back({p.server, POLLIN, 0});
    }
    poll(fds.data(), fds.size(), 5);
    const size_t polled = pairs.size();  // a pair accepted now is polled on the next turn
    if (fds[0].revents & POLLIN) {
      const int c = accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC);
      if (c >= 0) {
        const int s = ConnectLoopback(target_port_);
        if (s < 0) {
          close(c);
        } else {
          pairs.push_back({c, s, {}});
        }
      }
    }
    for (size_t i = 0; i < polled; ++i) {
      Pair& p = pairs[i];
      bool closed = false;
      if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
        const ssize_t n = recv(p.client, buf.data(), buf.size() - p.to_server.size(), 0);
        if (n <= 0) closed = true;
        if (n > 0) p.to_server.insert(p.to_server.end(), buf.data(), buf.data() + n);
      }
      if (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
        const ssize_t n = recv(p.server, buf.data(), buf.size(), 0);
        if (n <= 0) closed = true;
        if (n > 0) (void)!send(p.client, buf.data(), static_cast<size_t>(n), MSG_NOSIGNAL);
      }
      if (!p.to_server.empty() && !stalled_.load()) {
        size_t allowed = p.to_server.size();
        if (rate_ > 0) allowed = std::min(allowed, static_cast<size_t>(std::max(0.0, budget)));
        if (allowed > 0) {
          const ssize_t n =
              send(p.server, p.to_server.data(), allowed, MSG_NOSIGNAL | MSG_DONTWAIT);
          if (n > 0) {
            p.to_server.erase(p.to_server.begin(), p.to_server.begin() + n);
            budget -= static_cast<double>(n);
            passed_.fetch_add(n);
          }
        }
      }
      if (closed) {
        close(p.client);
        close(p.server);
        p.client = p.server = -1;
      }
    }
    std::erase_if(pairs, [](const Pair& p) { return p.client < 0; });
  }
  for (const Pair& p : pairs) {
    close(p.client);
    close(p.server);
  }
}

}  // namespace vexto::test
