// Plain blocking POSIX sockets for talking to the HTTP control server byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexto::test {

// Owns one socket descriptor.
class RawSocket {
 public:
  RawSocket() = default;
  explicit RawSocket(int fd) : fd_(fd) {}
  ~RawSocket();
  RawSocket(RawSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  RawSocket& operator=(RawSocket&& other) noexcept;
  RawSocket(const RawSocket&) = delete;
  RawSocket& operator=(const RawSocket&) = delete;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Connects to 127.0.0.1 (or ::1) on port; an invalid socket when refused.
RawSocket ConnectLoopback(uint16_t port, bool ipv6 = false);

// Sends everything; false when the peer has gone (no SIGPIPE).
bool SendAll(const RawSocket& s, std::string_view data);

struct ReadResult {
  std::string data;
  bool closed = false;  // the peer closed (orderly or by reset) before the time ran out
};

// Reads until the peer closes or timeout_ms passes.
ReadResult ReadUntilClosed(const RawSocket& s, int timeout_ms);

// Sends request on a new connection and reads the whole answer (5 s at most).
ReadResult Exchange(uint16_t port, std::string_view request, bool ipv6 = false);

}  // namespace vexto::test
