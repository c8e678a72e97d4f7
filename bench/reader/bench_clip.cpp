#include "bench/reader/bench_clip.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include <sys/wait.h>

namespace vexto::bench {

int RunShell(const std::string& command, std::string& out) {
  out.clear();
  struct PipeCloser {
    void operator()(FILE* f) const {
      if (f != nullptr) pclose(f);
    }
  };
  FILE* raw = popen((command + " 2>&1").c_str(), "r");
  if (raw == nullptr) return -1;
  char buf[4096];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, raw)) > 0) out.append(buf, n);
  const int status = pclose(raw);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BenchClip(int argc, char** argv) {
  if (argc > 1) return argv[1];
  const std::string path = "/tmp/vexto-bench-1080p2997.mp4";
  if (std::filesystem::exists(path)) return path;
  std::cout << "making " << path << " with the ffmpeg tool..." << std::endl;
  const std::string partial = path + ".partial.mp4";
  std::string out;
  const int rc = RunShell(
      "ffmpeg -nostdin -hide_banner -loglevel error -y "
      "-f lavfi -i testsrc2=s=1920x1080:r=30000/1001:d=60 "
      "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=60 "
      "-c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k " +
          partial,
      out);
  if (rc != 0) {
    std::cerr << out;
    return {};
  }
  std::filesystem::rename(partial, path);
  return path;
}

}  // namespace vexto::bench
