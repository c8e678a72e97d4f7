#include "remote/http_response.h"

#include <array>
#include <cstdio>

namespace vexto::remote {

std::string FormatHttpDate(std::time_t when) {
  static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  gmtime_r(&when, &tm);
  std::array<char, 40> buf{};
  std::snprintf(buf.data(), buf.size(), "%s, %02d %s %04d %02d:%02d:%02d GMT",
                kDays[static_cast<std::size_t>(tm.tm_wday % 7)], tm.tm_mday,
                kMonths[static_cast<std::size_t>(tm.tm_mon % 12)], tm.tm_year + 1900, tm.tm_hour,
                tm.tm_min, tm.tm_sec);
  return buf.data();
}

std::string ControlResponse(std::time_t now) {
  std::string r =
      "HTTP/1.1 200 OK\r\n"
      "Content-Type: text/html; charset=ISO-8859-1\r\n"
      "Content-Length: 0\r\n"
      "Connection: close\r\n"
      "Date: ";
  r += FormatHttpDate(now);
  r += "\r\n\r\n";
  return r;
}

}  // namespace vexto::remote
