#include "tests/remote/raw_http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace vexto::test {

RawSocket::~RawSocket() {
  if (fd_ >= 0) ::close(fd_);
}

RawSocket& RawSocket::operator=(RawSocket&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

RawSocket ConnectLoopback(uint16_t port, bool ipv6) {
  RawSocket s(::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) return s;
  int rc = -1;
  if (ipv6) {
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_port = htons(port);
    addr.sin6_addr = in6addr_loopback;
    rc = ::connect(s.fd(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  } else {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    rc = ::connect(s.fd(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  }
  if (rc != 0) return RawSocket();
  return s;
}

bool SendAll(const RawSocket& s, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::send(s.fd(), data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

ReadResult ReadUntilClosed(const RawSocket& s, int timeout_ms) {
  ReadResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  char buf[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return result;
    pollfd p{s.fd(), POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return result;
    const ssize_t n = ::recv(s.fd(), buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      result.closed = true;
      return result;
    }
    result.data.append(buf, static_cast<std::size_t>(n));
  }
}

ReadResult Exchange(uint16_t port, std::string_view request, bool ipv6) {
  RawSocket s = ConnectLoopback(port, ipv6);
  if (!s.valid()) return {};
  SendAll(s, request);
  return ReadUntilClosed(s, 5000);
}

}  // namespace vexto::test
