// The serial port setting as a Linux device path. Qt-free.
#pragma once

#include <string>
#include <string_view>

namespace vexto::remote {

// "COMn" (n >= 1, decimal, "com" in any letter case) names /dev/ttyS(n-1): "COM3" gives
// "/dev/ttyS2". Any other text is a device path: an absolute path is kept, a bare name is taken
// under /dev ("ttyUSB0" gives "/dev/ttyUSB0"). Empty text stays empty (nothing to open).
std::string SerialDevicePath(std::string_view setting);

}  // namespace vexto::remote
