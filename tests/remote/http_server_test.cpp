// The HTTP control server over real loopback sockets: exact response bytes for every method,
// path matching, concurrency, slow and hostile clients, port conflicts and stopping.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "remote/http_control_server.h"
#include "tests/remote/raw_http_client.h"
#include "tests/remote/recording_switch.h"
#include "tests/support/test_support.h"

namespace vexto::remote {
namespace {

using test::ConnectLoopback;
using test::Exchange;
using test::ReadResult;
using test::ReadUntilClosed;
using test::RecordingSwitch;
using test::SendAll;
using Clock = std::chrono::steady_clock;

constexpr int kLive = static_cast<int>(eInput::eLive);
constexpr int kPlaylist = static_cast<int>(eInput::ePlaylist);

// Checks the one response the endpoint gives, byte for byte (the Date value by its form).
void ExpectControlResponse(const ReadResult& r, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_TRUE(r.closed) << "connection left open";
  static const std::regex kResponse(
      "HTTP/1\\.1 200 OK\r\n"
      "Content-Type: text/html; charset=ISO-8859-1\r\n"
      "Content-Length: 0\r\n"
      "Connection: close\r\n"
      "Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-3][0-9] "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] GMT\r\n"
      "\r\n");
  EXPECT_TRUE(std::regex_match(r.data, kResponse)) << "got: [" << r.data << "]";
}

class HttpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HttpServerOptions options;
    options.port = static_cast<uint16_t>(test::FreeLoopbackPort());
    ASSERT_TRUE(server_.StartServer(options)) << (logged_.empty() ? "" : logged_.front());
    port_ = server_.port();
    ASSERT_EQ(port_, options.port);
  }

  RecordingSwitch switch_;
  std::vector<std::string> logged_;
  HttpControlServer server_{switch_, [this](const std::string& line) { logged_.push_back(line); }};
  uint16_t port_ = 0;
};

struct MethodCase {
  const char* name;
  std::string head;  // method token
  std::string body;
};

struct PathCase {
  const char* path;
  int expected;  // kLive, kPlaylist or RecordingSwitch::kUnset (no switch)
};

TEST_F(HttpServerTest, EveryMethodAndPathGetsTheSameEmptyAnswerAndSwitchesByPathOnly) {
  const std::vector<MethodCase> methods = {
      {"GET", "GET", ""},
      {"HEAD", "HEAD", ""},
      {"POST with body", "POST", "a=1&b=2"},
      {"PUT with body", "PUT", "xyz"},
      {"DELETE", "DELETE", ""},
      {"unknown method", "FROB", ""},
  };
  const std::vector<PathCase> paths = {
      {"/sw_live", kLive},
      {"/SW_LIVE", kLive},
      {"/sw_live?x=1", kLive},
      {"/sw_%6Cive", kLive},
      {"/Sw_PlayList", kPlaylist},
      {"/sw_playlist?sw_live", kPlaylist},
      {"/sw_live/", RecordingSwitch::kUnset},
      {"/sw_livex", RecordingSwitch::kUnset},
      {"/", RecordingSwitch::kUnset},
      {"/sw_%zzive", RecordingSwitch::kUnset},
  };
  for (const auto& m : methods) {
    for (const auto& p : paths) {
      switch_.Reset();
      std::string request = m.head + " " + p.path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
      if (!m.body.empty()) {
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(m.body.size()) + "\r\n";
      }
      request += "\r\n" + m.body;
      const std::string what = std::string(m.name) + " " + p.path;
      ExpectControlResponse(Exchange(port_, request), what);
      EXPECT_EQ(switch_.entrada.load(), p.expected) << what;
      EXPECT_EQ(switch_.calls(), p.expected == RecordingSwitch::kUnset ? 0 : 1) << what;
    }
  }
}

TEST_F(HttpServerTest, LastRequestWinsAndRepeatsChangeNothingFurther) {
  ExpectControlResponse(Exchange(port_, "GET /sw_live HTTP/1.1\r\n\r\n"), "live");
  ExpectControlResponse(Exchange(port_, "GET /sw_playlist HTTP/1.0\r\n\r\n"), "playlist");
  EXPECT_EQ(switch_.entrada.load(), kPlaylist);
  ExpectControlResponse(Exchange(port_, "GET /sw_playlist HTTP/1.1\r\n\r\n"), "again");
  EXPECT_EQ(switch_.entrada.load(), kPlaylist);
}

TEST_F(HttpServerTest, AnswersOnIpv6LoopbackWhereTheSystemHasIt) {
  test::RawSocket probe = ConnectLoopback(port_, /*ipv6=*/true);
  if (!probe.valid()) GTEST_SKIP() << "no IPv6 loopback here";
  SendAll(probe, "GET /sw_live HTTP/1.1\r\n\r\n");
  ExpectControlResponse(ReadUntilClosed(probe, 5000), "ipv6");
  EXPECT_EQ(switch_.entrada.load(), kLive);
}

TEST_F(HttpServerTest, MalformedAndOversizedRequestsAreClosedWithoutAnswerOrSwitch) {
  std::mt19937 rng(1234);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(rng() & 0xFF);
  garbage[0] = '\x01';
  garbage[100] = '\n';

  const std::vector<std::pair<const char*, std::string>> cases = {
      {"binary garbage", garbage},
      {"no version", "GET /sw_playlist\r\n\r\n"},
      {"space in target", "GET /sw playlist HTTP/1.1\r\n\r\n"},
      {"bad version", "GET /sw_playlist HTTX/1.1\r\n\r\n"},
      {"header without colon", "GET /sw_playlist HTTP/1.1\r\nBad Header\r\n\r\n"},
      {"folded header", "GET /sw_playlist HTTP/1.1\r\nA: b\r\n c\r\n\r\n"},
      {"chunked body",
       "POST /sw_playlist HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n"},
      {"conflicting lengths",
       "POST /sw_playlist HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab"},
      {"body past 64 KB", "POST /sw_playlist HTTP/1.1\r\nContent-Length: 70000\r\n\r\n"},
  };
  for (const auto& [name, request] : cases) {
    switch_.Reset();
    const auto start = Clock::now();
    const ReadResult r = Exchange(port_, request);
    EXPECT_TRUE(r.closed) << name;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << name << ": not dropped at once";
    EXPECT_EQ(r.data, "") << name;
    EXPECT_EQ(switch_.calls(), 0) << name;
  }
  // The server is still serving.
  ExpectControlResponse(Exchange(port_, "GET /sw_live HTTP/1.1\r\n\r\n"), "after");
  EXPECT_EQ(switch_.entrada.load(), kLive);
}

TEST_F(HttpServerTest, OneMegabyteHeaderIsDroppedAndSwitchesNothing) {
  std::string request = "GET /sw_playlist HTTP/1.1\r\nX-Big: ";
  request.append(1024 * 1024, 'a');
  request += "\r\n\r\n";
  test::RawSocket s = ConnectLoopback(port_);
  ASSERT_TRUE(s.valid());
  SendAll(s, request);  // may fail part-way: the server gives up after 64 KB
  const ReadResult r = ReadUntilClosed(s, 5000);
  EXPECT_TRUE(r.closed);
  EXPECT_EQ(r.data.find("HTTP/1.1"), std::string::npos);
  EXPECT_EQ(switch_.calls(), 0);
  ExpectControlResponse(Exchange(port_, "GET /sw_live HTTP/1.1\r\n\r\n"), "after");
}

TEST(HttpServerLoad, FiveHundredConcurrentConnectionsAreAllServed) {
  // The idle limit has its own test; here it is long so that a slow sanitizer build on a busy
  // machine cannot turn "all connected first, then all sending" into idle drops.
  RecordingSwitch sw;
  HttpControlServer server(sw, nullptr);
  HttpServerOptions options;
  options.port = static_cast<uint16_t>(test::FreeLoopbackPort());
  options.idle_timeout_ms = 60000;
  ASSERT_TRUE(server.StartServer(options));
  const uint16_t port = options.port;
  constexpr int kClients = 500;
  std::vector<test::RawSocket> sockets;
  sockets.reserve(kClients);
  for (int i = 0; i < kClients; ++i) {
    sockets.push_back(ConnectLoopback(port));
    ASSERT_TRUE(sockets.back().valid()) << "connection " << i;
  }
  for (int i = 0; i < kClients; ++i) {
    ASSERT_TRUE(
        SendAll(sockets[static_cast<std::size_t>(i)],
                i % 2 ? "GET /sw_live HTTP/1.1\r\n\r\n" : "GET /sw_playlist HTTP/1.1\r\n\r\n"));
  }
  int answered = 0;
  for (auto& s : sockets) {
    const ReadResult r = ReadUntilClosed(s, 30000);
    if (r.closed && r.data.starts_with("HTTP/1.1 200 OK\r\n")) ++answered;
  }
  EXPECT_EQ(answered, kClients);
  EXPECT_EQ(sw.live_calls.load(), kClients / 2);
  EXPECT_EQ(sw.playlist_calls.load(), kClients / 2);
}

TEST_F(HttpServerTest, SlowClientBlocksNobodyAndIsDroppedAfterFiveIdleSeconds) {
  test::RawSocket slow = ConnectLoopback(port_);
  ASSERT_TRUE(slow.valid());
  const std::string slow_request = "GET /sw_playlist HTTP/1.1\r\n\r\n";
  // One byte a second; between bytes other clients are answered at once.
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SendAll(slow, slow_request.substr(static_cast<std::size_t>(i), 1)));
    const auto start = Clock::now();
    ExpectControlResponse(Exchange(port_, "GET /sw_live HTTP/1.1\r\n\r\n"), "other client");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(900));
    std::this_thread::sleep_until(start + std::chrono::seconds(1));
  }
  const auto last_byte = Clock::now();
  const ReadResult r = ReadUntilClosed(slow, 9000);
  const auto waited = Clock::now() - last_byte;
  EXPECT_TRUE(r.closed);
  EXPECT_EQ(r.data, "");
  EXPECT_GE(waited, std::chrono::milliseconds(3500));  // the last second was already idle
  EXPECT_LE(waited, std::chrono::milliseconds(8000));
  EXPECT_EQ(switch_.playlist_calls.load(), 0);
}

TEST(HttpServerLimits, ConnectionsPastTheLimitAreClosedAtOnceUntilOthersEnd) {
  RecordingSwitch sw;
  HttpControlServer server(sw, nullptr);
  HttpServerOptions options;
  options.port = static_cast<uint16_t>(test::FreeLoopbackPort());
  options.max_connections = 4;
  ASSERT_TRUE(server.StartServer(options));
  std::vector<test::RawSocket> held;
  for (int i = 0; i < 4; ++i) held.push_back(ConnectLoopback(options.port));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // all four accepted
  {
    test::RawSocket extra = ConnectLoopback(options.port);
    ASSERT_TRUE(extra.valid());
    SendAll(extra, "GET /sw_playlist HTTP/1.1\r\n\r\n");
    const ReadResult r = ReadUntilClosed(extra, 2000);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(r.data, "");
  }
  EXPECT_EQ(sw.calls(), 0);
  // One of the four finishes its request; a new connection is served again.
  SendAll(held[0], "GET /sw_live HTTP/1.1\r\n\r\n");
  ExpectControlResponse(ReadUntilClosed(held[0], 5000), "held");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ExpectControlResponse(Exchange(options.port, "GET /sw_playlist HTTP/1.1\r\n\r\n"), "new");
  EXPECT_EQ(sw.entrada.load(), kPlaylist);
}

TEST_F(HttpServerTest, StartServerOnAnActiveServerDoesNothing) {
  HttpServerOptions other;
  other.port = static_cast<uint16_t>(test::FreeLoopbackPort());
  EXPECT_TRUE(server_.StartServer(other));
  EXPECT_EQ(server_.port(), port_);
  EXPECT_TRUE(logged_.empty());
}

TEST_F(HttpServerTest, PortInUseIsLoggedOnceAndTheConsoleGoesOn) {
  RecordingSwitch other_switch;
  std::vector<std::string> other_log;
  HttpControlServer second(other_switch,
                           [&](const std::string& line) { other_log.push_back(line); });
  HttpServerOptions options;
  options.port = port_;
  EXPECT_FALSE(second.StartServer(options));
  EXPECT_FALSE(second.active());
  ASSERT_EQ(other_log.size(), 1u);
  EXPECT_THAT(other_log[0], ::testing::HasSubstr("porta " + std::to_string(port_)));
  EXPECT_THAT(other_log[0], ::testing::HasSubstr("("));
  ExpectControlResponse(Exchange(port_, "GET /sw_live HTTP/1.1\r\n\r\n"), "first still serves");
  EXPECT_EQ(other_switch.calls(), 0);
}

TEST_F(HttpServerTest, StopClosesEverythingAndRefusesNewConnections) {
  test::RawSocket pending = ConnectLoopback(port_);  // mid-request when the server stops
  ASSERT_TRUE(pending.valid());
  SendAll(pending, "GET /sw_li");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server_.Stop();
  EXPECT_FALSE(server_.active());
  EXPECT_TRUE(ReadUntilClosed(pending, 2000).closed);
  EXPECT_FALSE(ConnectLoopback(port_).valid());
  server_.Stop();  // again: nothing
  // And it starts again.
  HttpServerOptions options;
  options.port = port_;
  ASSERT_TRUE(server_.StartServer(options));
  ExpectControlResponse(Exchange(port_, "GET /sw_live HTTP/1.1\r\n\r\n"), "restarted");
}

}  // namespace
}  // namespace vexto::remote
