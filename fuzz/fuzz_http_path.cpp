// Fuzzes the HTTP control's request reader and path matching with arbitrary bytes: the first
// byte picks the chunk size the request arrives in, the rest is the request.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "remote/http_path.h"
#include "remote/http_request_parser.h"

using vexto::remote::ActionForTarget;
using vexto::remote::HttpRequestParser;
using vexto::remote::kMaxRequestBytes;
using vexto::remote::PercentDecode;
using vexto::remote::TargetPath;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = static_cast<std::size_t>(data[0]) + 1;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  // The path rules alone, on the raw bytes.
  const std::string_view path = TargetPath(input);
  if (path.size() > input.size()) std::abort();
  if (PercentDecode(path).size() > path.size()) std::abort();
  (void)ActionForTarget(input);

  // The request reader, fed in chunks, must agree with itself fed at once.
  HttpRequestParser chunked;
  for (std::size_t i = 0; i < input.size(); i += chunk) chunked.Feed(input.substr(i, chunk));
  HttpRequestParser whole;
  whole.Feed(input);
  if (chunked.state() != whole.state()) std::abort();
  if (chunked.bytes_taken() > kMaxRequestBytes + 1) std::abort();
  if (whole.state() == HttpRequestParser::State::kComplete) {
    if (chunked.method() != whole.method() || chunked.target() != whole.target()) std::abort();
    (void)ActionForTarget(whole.target());
  }
  return 0;
}
