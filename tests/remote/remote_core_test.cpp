// The Qt-free request handling: path matching, the request reader's limits and the response.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/http_path.h"
#include "remote/http_request_parser.h"
#include "remote/http_response.h"
#include "remote/serial_port_name.h"
#include "remote/web_module.h"

namespace vexto::remote {
namespace {

using State = HttpRequestParser::State;

TEST(ActionForTarget, MatchesTheDecodedPathWholeAndWithoutCase) {
  const std::vector<std::pair<std::string, RemoteAction>> cases = {
      {"/sw_live", RemoteAction::Live},
      {"/SW_LIVE", RemoteAction::Live},
      {"/sw_live?x=1", RemoteAction::Live},
      {"/sw_live#frag", RemoteAction::Live},
      {"/sw_%6Cive", RemoteAction::Live},
      {"/sw%5Flive", RemoteAction::Live},
      {"/%73%77%5f%6c%69%76%65", RemoteAction::Live},
      {"http://host:7001/sw_live?x", RemoteAction::Live},
      {"/sw_playlist", RemoteAction::Playlist},
      {"/Sw_PlayList?a=/sw_live", RemoteAction::Playlist},
      {"/sw_live/", RemoteAction::None},
      {"/sw_livex", RemoteAction::None},
      {"//sw_live", RemoteAction::None},
      {"/sw_live%00", RemoteAction::None},
      {"/sw_%zzive", RemoteAction::None},
      {"/sw_%6", RemoteAction::None},
      {"/sw_%", RemoteAction::None},
      {"/sw_li%2576e", RemoteAction::None},  // decoded once only: "/sw_li%76e"
      {"/", RemoteAction::None},
      {"*", RemoteAction::None},
      {"http://host", RemoteAction::None},
      {"http://host?/sw_live", RemoteAction::None},
      {"", RemoteAction::None},
  };
  for (const auto& [target, action] : cases) {
    EXPECT_EQ(ActionForTarget(target), action) << target;
  }
}

TEST(PercentDecode, InvalidEscapesStayLiterally) {
  EXPECT_EQ(PercentDecode("%41%62"), "Ab");
  EXPECT_EQ(PercentDecode("%"), "%");
  EXPECT_EQ(PercentDecode("%4"), "%4");
  EXPECT_EQ(PercentDecode("%zz%41"), "%zzA");
  EXPECT_EQ(PercentDecode("%%41"), "%A");
  EXPECT_EQ(PercentDecode("%00"), std::string(1, '\0'));
  EXPECT_EQ(PercentDecode("%ff"), "\xff");
}

HttpRequestParser::State FeedAll(HttpRequestParser& p, const std::string& bytes,
                                 std::size_t chunk) {
  State s = State::kNeedMore;
  for (std::size_t i = 0; i < bytes.size(); i += chunk)
    s = p.Feed(std::string_view(bytes).substr(i, chunk));
  return s;
}

TEST(HttpRequestParser, ReadsTheSameRequestWhateverTheChunking) {
  const std::string request =
      "\r\nPOST /sw_playlist?x=1 HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\n"
      "Content-Length: 5\r\nX-Empty:\r\n\r\nhello";
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}, request.size()}) {
    HttpRequestParser p;
    EXPECT_EQ(FeedAll(p, request, chunk), State::kComplete) << chunk;
    EXPECT_EQ(p.method(), "POST");
    EXPECT_EQ(p.target(), "/sw_playlist?x=1");
    EXPECT_EQ(p.bytes_taken(), request.size());
  }
}

TEST(HttpRequestParser, WaitsForTheWholeBodyAndIgnoresWhatFollows) {
  HttpRequestParser p;
  EXPECT_EQ(p.Feed("PUT /x HTTP/1.0\nContent-Length: 3\n\nab"), State::kNeedMore);
  EXPECT_EQ(p.Feed("cGARBAGE"), State::kComplete);
  EXPECT_EQ(p.Feed("\x01\x02"), State::kComplete);
}

TEST(HttpRequestParser, RefusesMalformedRequests) {
  const std::vector<std::string> cases = {
      "GET /sw_live\r\n\r\n",
      "GET  /sw_live HTTP/1.1\r\n\r\n",
      "GET /sw_live HTTP/1.1 \r\n\r\n",
      "GET /sw_live HTTP/11\r\n\r\n",
      "G(T /sw_live HTTP/1.1\r\n\r\n",
      "GET /sw\x01live HTTP/1.1\r\n\r\n",
      "GET /sw\xc3\xa7 HTTP/1.1\r\n\r\n",
      "GET /sw_live HTTP/1.1\rX\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nNo colon\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\n: empty name\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nA: b\r\n\tfolded\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nA: b\x01\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nContent-Length: 1x\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nContent-Length:\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nContent-Length: 1\r\ncontent-length: 2\r\n\r\n",
      "GET /sw_live HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n",
      std::string("\0\0\0\n", 4),
  };
  for (const auto& c : cases) {
    HttpRequestParser p;
    EXPECT_EQ(p.Feed(c), State::kMalformed) << c;
  }
}

TEST(HttpRequestParser, SixtyFourKilobytesIsTheWholeRequestsLimit) {
  const std::string head_start = "GET /sw_live HTTP/1.1\r\nX: ";
  const std::string head_end = "\r\n\r\n";
  const std::size_t filler = kMaxRequestBytes - head_start.size() - head_end.size();
  {
    HttpRequestParser p;
    EXPECT_EQ(FeedAll(p, head_start + std::string(filler, 'a') + head_end, 1000), State::kComplete);
  }
  {
    HttpRequestParser p;
    EXPECT_EQ(FeedAll(p, head_start + std::string(filler + 1, 'a') + head_end, 1000),
              State::kTooLarge);
  }
  {
    HttpRequestParser p;  // a line without end never grows past the limit
    EXPECT_EQ(FeedAll(p, std::string(1024 * 1024, 'G'), 4096), State::kTooLarge);
    EXPECT_LE(p.bytes_taken(), kMaxRequestBytes + 1);
  }
  {
    HttpRequestParser p;  // a body announced past the limit is refused before it is sent
    EXPECT_EQ(p.Feed("POST / HTTP/1.1\r\nContent-Length: 65536\r\n\r\n"), State::kTooLarge);
  }
  {
    HttpRequestParser p;
    EXPECT_EQ(p.Feed("POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n"),
              State::kMalformed);
  }
  {
    HttpRequestParser p;  // the body fills the limit exactly
    const std::string head = "POST / HTTP/1.1\r\nContent-Length: ";
    std::string len = std::to_string(kMaxRequestBytes - head.size() - 9);  // "NNNNN\r\n\r\n"
    EXPECT_EQ(p.Feed(head + len + "\r\n\r\n"), State::kNeedMore);
    EXPECT_EQ(FeedAll(p, std::string(kMaxRequestBytes - head.size() - 9, 'b'), 999),
              State::kComplete);
  }
}

TEST(HttpResponse, IsTheFixedEmptyAnswerWithAnHttpDate) {
  EXPECT_EQ(FormatHttpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(FormatHttpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
  EXPECT_EQ(ControlResponse(784111777),
            "HTTP/1.1 200 OK\r\n"
            "Content-Type: text/html; charset=ISO-8859-1\r\n"
            "Content-Length: 0\r\n"
            "Connection: close\r\n"
            "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
            "\r\n");
}

TEST(TWebModule1, ActionTableInDispatchOrder) {
  const auto actions = TWebModule1::Actions();
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0].name, "DefaultHandler");
  EXPECT_EQ(actions[0].path, "/");
  EXPECT_TRUE(actions[0].is_default);
  EXPECT_EQ(actions[0].handler, nullptr);
  EXPECT_EQ(actions[1].name, "sw_playlist");
  EXPECT_EQ(actions[1].path, "/sw_playlist");
  EXPECT_EQ(actions[1].handler, &TWebModule1::WebModule1WebActionItem1Action);
  EXPECT_EQ(actions[2].name, "sw_live");
  EXPECT_EQ(actions[2].path, "/sw_live");
  EXPECT_EQ(actions[2].handler, &TWebModule1::WebModule1sw_liveAction);
}

TEST(SerialDevicePath, ComNamesMapToTtySAndOtherTextIsAPath) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"COM1", "/dev/ttyS0"},       {"COM3", "/dev/ttyS2"},      {"com12", "/dev/ttyS11"},
      {"COM0", "/dev/COM0"},        {"COM", "/dev/COM"},         {"COM3x", "/dev/COM3x"},
      {"/dev/pts/4", "/dev/pts/4"}, {"ttyUSB0", "/dev/ttyUSB0"}, {"", ""},
  };
  for (const auto& [setting, path] : cases) EXPECT_EQ(SerialDevicePath(setting), path) << setting;
}

}  // namespace
}  // namespace vexto::remote
