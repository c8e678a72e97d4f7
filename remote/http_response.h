// The one response the control endpoint gives to every well-formed request. Qt-free.
#pragma once

#include <ctime>
#include <string>

namespace vexto::remote {

// An HTTP date (IMF-fixdate, always English names, GMT): "Sun, 06 Nov 1994 08:49:37 GMT".
std::string FormatHttpDate(std::time_t when);

// "HTTP/1.1 200 OK", Content-Type "text/html; charset=ISO-8859-1", Content-Length 0,
// Connection "close", Date, an empty line and no body. The same for every method, HEAD included.
std::string ControlResponse(std::time_t now);

}  // namespace vexto::remote
