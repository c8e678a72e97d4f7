#include "remote/serial_port_name.h"

#include "remote/http_path.h"

namespace vexto::remote {

std::string SerialDevicePath(std::string_view setting) {
  if (setting.empty()) return {};
  if (setting.size() > 3 && setting.size() <= 12 &&
      EqualsIgnoringCase(setting.substr(0, 3), "COM")) {
    const std::string_view digits = setting.substr(3);
    bool all_digits = true;
    unsigned long long n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') {
        all_digits = false;
        break;
      }
      n = n * 10 + static_cast<unsigned long long>(c - '0');
    }
    if (all_digits && n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  if (setting.front() == '/') return std::string(setting);
  return "/dev/" + std::string(setting);
}

}  // namespace vexto::remote
