#include "remote/http_request_parser.h"

#include <algorithm>

#include "remote/http_path.h"

namespace vexto::remote {
namespace {

bool IsTokenChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  switch (c) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '*':
    case '+':
    case '-':
    case '.':
    case '^':
    case '_':
    case '`':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

bool IsToken(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return IsTokenChar(static_cast<unsigned char>(c));
  });
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

HttpRequestParser::State HttpRequestParser::Finish(State s) {
  state_ = s;
  if (s != State::kNeedMore) {
    phase_ = Phase::kDone;
    line_.clear();
    line_.shrink_to_fit();
  }
  return s;
}

HttpRequestParser::State HttpRequestParser::Feed(std::string_view data) {
  while (!data.empty() && state_ == State::kNeedMore) {
    if (phase_ == Phase::kBody) {
      const auto n = static_cast<std::size_t>(std::min<uint64_t>(body_left_, data.size()));
      body_left_ -= n;
      taken_ += n;
      data.remove_prefix(n);
      if (body_left_ == 0) return Finish(State::kComplete);
      continue;
    }
    std::size_t used = 0;
    const State s = FeedHead(data, used);
    data.remove_prefix(used);
    if (s != State::kNeedMore) return s;
  }
  return state_;
}

// Takes bytes up to and including the end of the current line, then handles that line.
HttpRequestParser::State HttpRequestParser::FeedHead(std::string_view data, std::size_t& used) {
  const auto nl = data.find('\n');
  const std::size_t part = nl == std::string_view::npos ? data.size() : nl + 1;
  if (taken_ + part > max_bytes_) {
    taken_ = max_bytes_ + 1;
    return Finish(State::kTooLarge);
  }
  taken_ += part;
  used = part;
  if (nl == std::string_view::npos) {
    line_.append(data);
    return State::kNeedMore;
  }
  line_.append(data.substr(0, nl));
  std::string_view line = line_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.find('\r') != std::string_view::npos) return Finish(State::kMalformed);

  if (phase_ == Phase::kRequestLine) {
    if (!line.empty()) {
      if (!ParseRequestLine(line)) return Finish(State::kMalformed);
      phase_ = Phase::kHeaders;
    }
  } else if (line.empty()) {
    // End of the head.
    if (content_length_ > max_bytes_ - taken_) {
      taken_ = max_bytes_ + 1;
      return Finish(State::kTooLarge);
    }
    body_left_ = content_length_;
    if (body_left_ == 0) return Finish(State::kComplete);
    phase_ = Phase::kBody;
  } else if (!ParseHeaderLine(line)) {
    return Finish(State::kMalformed);
  }
  line_.clear();
  return State::kNeedMore;
}

bool HttpRequestParser::ParseRequestLine(std::string_view line) {
  const auto sp1 = line.find(' ');
  if (sp1 == std::string_view::npos) return false;
  const auto sp2 = line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos) return false;
  const std::string_view method = line.substr(0, sp1);
  const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string_view version = line.substr(sp2 + 1);
  if (!IsToken(method) || target.empty()) return false;
  for (char c : target) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
  }
  if (version.size() != 8 || !version.starts_with("HTTP/") || !IsDigit(version[5]) ||
      version[6] != '.' || !IsDigit(version[7])) {
    return false;
  }
  method_.assign(method);
  target_.assign(target);
  return true;
}

bool HttpRequestParser::ParseHeaderLine(std::string_view line) {
  if (line.front() == ' ' || line.front() == '\t') return false;  // folded line
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view name = line.substr(0, colon);
  if (!IsToken(name)) return false;
  const std::string_view value = TrimBlanks(line.substr(colon + 1));
  for (char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && u != '\t') || u == 0x7F) return false;
  }
  if (EqualsIgnoringCase(name, "Transfer-Encoding")) return false;
  if (EqualsIgnoringCase(name, "Content-Length")) {
    if (value.empty() || value.size() > 18) return false;
    uint64_t n = 0;
    for (char c : value) {
      if (!IsDigit(c)) return false;
      n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (has_content_length_ && n != content_length_) return false;
    has_content_length_ = true;
    content_length_ = n;
  }
  return true;
}

}  // namespace vexto::remote
