// A bounded, incremental HTTP/1.x request reader for the control endpoint. Qt-free.
//
// It reads one request: the request line, the header lines, and a body of Content-Length bytes,
// which it skips. Every method token is accepted alike. The whole request (head and body) may
// take at most max_bytes (64 KB by default); past that the request is kTooLarge. Anything that
// is not a well-formed request is kMalformed, among them: a request line without an HTTP/d.d
// version, control characters or spaces in the target, a header line without a name, folded
// header lines, a Content-Length that is not a plain number or that differs between two lines,
// and any Transfer-Encoding (the endpoint reads no chunked bodies; such a request is refused
// rather than guessed at). Lines may end in CRLF or a bare LF; empty lines before the request
// line are skipped.
//
// One object per connection; not thread-safe; never throws for any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexto::remote {

inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;

class HttpRequestParser {
 public:
  enum class State : uint8_t { kNeedMore, kComplete, kMalformed, kTooLarge };

  explicit HttpRequestParser(std::size_t max_bytes = kMaxRequestBytes) : max_bytes_(max_bytes) {}

  // Takes the next bytes received. Once the state is final (kComplete, kMalformed, kTooLarge)
  // further bytes are ignored and the state stays.
  State Feed(std::string_view data);

  State state() const { return state_; }
  // Valid once kComplete (the method and target as sent; the target still percent-encoded).
  const std::string& method() const { return method_; }
  const std::string& target() const { return target_; }
  // Every byte taken so far (head and body).
  std::size_t bytes_taken() const { return taken_; }

 private:
  enum class Phase : uint8_t { kRequestLine, kHeaders, kBody, kDone };

  State FeedHead(std::string_view data, std::size_t& used);
  bool ParseRequestLine(std::string_view line);
  bool ParseHeaderLine(std::string_view line);
  State Finish(State s);

  std::size_t max_bytes_;
  State state_ = State::kNeedMore;
  Phase phase_ = Phase::kRequestLine;
  std::string line_;  // the line being received, without its end
  std::size_t taken_ = 0;
  std::string method_;
  std::string target_;
  bool has_content_length_ = false;
  uint64_t content_length_ = 0;
  uint64_t body_left_ = 0;
};

}  // namespace vexto::remote
