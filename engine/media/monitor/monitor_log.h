// The monitors' log line writer behind SetMonitorLogHook.
#pragma once

#include <string>

namespace vexto::media {

// Any thread.
void MonitorLog(const std::string& line);

}  // namespace vexto::media
