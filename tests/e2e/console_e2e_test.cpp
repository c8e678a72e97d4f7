// The console as an operator's machine runs it: the real executable copied into a temporary
// folder (so its vexto.ini, vexto.vxt and Log/ live there), started on the offscreen platform,
// switched by HTTP, closed by SIGTERM.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/file_helpers.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace vexto {
namespace {

using test::FreeLoopbackPort;
using test::LogMessages;
using test::MakeColorClip;
using test::ReadFileBytes;
using test::RunCommand;
using test::TempDir;

class Console {
 public:
  explicit Console(const std::filesystem::path& folder) {
    const std::string exe = (folder / "vexto").string();
    const std::string out = (folder / "console.out").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
    if (posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Console() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
  // SIGTERM, then the exit code (-1 when it did not end within the limit).
  int Terminate(std::chrono::seconds limit) {
    ::kill(pid_, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

TEST(ConsoleEndToEnd, StartsSwitchesByHttpAndClosesOnSigterm) {
  TempDir dir;
  std::filesystem::copy_file(VEXTO_EXECUTABLE, dir / "vexto");
  ASSERT_TRUE(MakeColorClip(dir / "um.mp4", "red", 2.0));
  ASSERT_TRUE(MakeColorClip(dir / "dois.mp4", "green", 2.0));
  const int port = FreeLoopbackPort();
  std::ofstream(dir / "vexto.ini", std::ios::binary)
      << "[playlist]\r\nsalvar_playlist=1\r\n"
      << "[controle_remoto]\r\nserial=0\r\nhttp=1\r\nporta_http=" << port << "\r\n";
  std::ofstream(dir / "vexto.vxt", std::ios::binary)
      << "0#00:00:02#" << (dir / "um.mp4").string() << "#0#-1\r\n"
      << "1#00:00:02#" << (dir / "dois.mp4").string() << "#-1#0\r\n";

  Console console(dir.path());
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/sw_playlist";
  bool served = false;
  for (int i = 0; i < 200 && !served && console.Running(); ++i) {
    const auto result =
        RunCommand({"curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "--max-time", "2", url});
    served = result.exit_code == 0 && result.output.find("200") != std::string::npos;
    if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(served) << ReadFileBytes(dir / "console.out");

  EXPECT_EQ(console.Terminate(std::chrono::seconds(30)), 0) << ReadFileBytes(dir / "console.out");
  const auto log = LogMessages(dir.path());
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Iniciando Vexto");
  EXPECT_EQ(log[1], "Iniciando Comunica\xE7\xE3o Serial");
  EXPECT_EQ(log.back(), "AVThread Finalizado");
  // Saved at close, flags kept.
  const std::string saved = ReadFileBytes(dir / "vexto.vxt");
  EXPECT_NE(saved.find("um.mp4#0#-1"), std::string::npos) << saved;
  EXPECT_NE(saved.find("dois.mp4#-1#0"), std::string::npos) << saved;
  EXPECT_NE(ReadFileBytes(dir / "vexto.ini").find("salvar_playlist=1"), std::string::npos);
}

}  // namespace
}  // namespace vexto
