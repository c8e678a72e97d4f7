// Helpers shared by the tests: temporary folders, running commands, and media clips generated
// with the ffmpeg tool at test time (no binary fixtures in the repository).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vexto::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct CommandResult {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

// Runs argv (no shell) and waits for it.
CommandResult RunCommand(const std::vector<std::string>& argv);

// Runs `ffmpeg -hide_banner -loglevel error -y <args...>`; fails the current test on error.
// Returns true on success.
bool Ffmpeg(const std::vector<std::string>& args);

// A clip of a solid colour with a sine tone: size "WxH", rate "30000/1001", duration seconds.
// extra_args go before the output path (codec choices and so on).
bool MakeColorClip(const std::filesystem::path& out, const std::string& color, double seconds,
                   const std::string& size = "320x240", const std::string& rate = "30000/1001",
                   const std::vector<std::string>& extra_args = {});

// ffprobe's value of one entry, e.g. ProbeEntry(file, "v:0", "stream=codec_name").
std::string ProbeEntry(const std::filesystem::path& file, const std::string& stream,
                       const std::string& entry);

// A TCP port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

// A socket listening on a free port of 127.0.0.1: the kernel completes connections to it,
// whether or not anybody accepts them. Closed with the object.
class LoopbackListener {
 public:
  LoopbackListener();
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;
  int port() const { return port_; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace vexto::test
