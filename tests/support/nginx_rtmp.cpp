#include "tests/support/nginx_rtmp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

namespace vexto::test {

bool LoopbackPortListening(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

NginxRtmp::NginxRtmp() : port_(FreeLoopbackPort()) {
  namespace fs = std::filesystem;
  fs::create_directories(dir_ / "rec");
  fs::create_directories(dir_ / "logs");
  // Workers may drop root; let them write the recordings wherever they run as.
  fs::permissions(dir_ / "rec", fs::perms::all);
  fs::permissions(dir_.path(), fs::perms::all);
  std::ofstream conf(dir_ / "nginx.conf");
  conf << "load_module /usr/lib/nginx/modules/ngx_rtmp_module.so;\n";
  if (geteuid() == 0) conf << "user root;\n";
  conf << "worker_processes 1;\n"
       << "error_log " << (dir_ / "logs/error.log").string() << " info;\n"
       << "pid " << (dir_ / "nginx.pid").string() << ";\n"
       << "events { worker_connections 64; }\n"
       << "rtmp { server { listen 127.0.0.1:" << port_ << ";\n"
       << "  application live { live on; record all; record_path " << (dir_ / "rec").string()
       << "; record_unique off; } } }\n";
  conf.close();
  EXPECT_TRUE(Launch()) << "nginx did not start on port " << port_;
}

NginxRtmp::~NginxRtmp() {
  if (process_) process_->Terminate(SIGTERM, std::chrono::milliseconds(2000));
}

bool NginxRtmp::Launch() {
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"nginx", "-p", dir_.path().string(), "-c",
                               (dir_ / "nginx.conf").string(), "-g", "daemon off;"},
      dir_ / "logs/stdout.log");
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    if (LoopbackPortListening(port_)) return true;
    if (!process_->Running()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::string NginxRtmp::ServerUrl() const {
  return "rtmp://127.0.0.1:" + std::to_string(port_) + "/live";
}

std::filesystem::path NginxRtmp::Recording(const std::string& name) const {
  return dir_ / ("rec/" + name + ".flv");
}

void NginxRtmp::Kill() {
  if (process_) process_->Terminate(SIGKILL);
  process_.reset();
}

bool NginxRtmp::Restart() {
  Kill();
  return Launch();
}

}  // namespace vexto::test
