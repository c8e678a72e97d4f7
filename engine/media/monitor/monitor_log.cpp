#include "engine/media/monitor/monitor_log.h"

#include <cstdio>
#include <mutex>

#include "engine/media/monitor/monitor.h"

namespace vexto::media {
namespace {

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}
MonitorLogHook& Hook() {
  static MonitorLogHook hook;
  return hook;
}

}  // namespace

void SetMonitorLogHook(MonitorLogHook hook) {
  std::lock_guard lock(HookMutex());
  Hook() = std::move(hook);
}

void MonitorLog(const std::string& line) {
  MonitorLogHook hook;
  {
    std::lock_guard lock(HookMutex());
    hook = Hook();
  }
  if (hook) {
    hook(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

}  // namespace vexto::media
