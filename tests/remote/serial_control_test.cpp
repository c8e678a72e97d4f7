// The serial control over a pseudo-terminal: the test writes to the master side, the component
// opens the slave path as its device.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/ini_file.h"
#include "remote/remote_control.h"
#include "remote/serial_port_name.h"
#include "tests/remote/recording_switch.h"
#include "tests/support/test_support.h"

namespace vexto::remote {
namespace {

using test::RecordingSwitch;

constexpr int kLive = static_cast<int>(eInput::eLive);
constexpr int kPlaylist = static_cast<int>(eInput::ePlaylist);

// A pseudo-terminal pair; the test holds the master.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    const char* name = ::ptsname(master_);
    if (name) slave_path_ = name;
  }
  ~PseudoTerminal() { CloseMaster(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return master_ >= 0 && !slave_path_.empty(); }
  const std::string& slave_path() const { return slave_path_; }
  bool Write(const std::string& bytes) {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slave_path_;
};

// Runs the event loop until done() or timeout_ms has passed; returns done().
bool ProcessEventsUntil(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeout_ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

double CpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class SerialControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.ok()) << "no pseudo-terminal";
    RemoteSettings settings;
    settings.porta_serial = pty_.slave_path();
    remote_.StartSerialControl(settings);
    ASSERT_TRUE(remote_.ComPort1().Connected()) << (logged_.empty() ? "" : logged_.front());
  }

  // Writes one batch and waits until the component has handled it.
  void SendBatch(const std::string& bytes) {
    const int before = remote_.ComPort1().rx_events();
    ASSERT_TRUE(pty_.Write(bytes));
    ASSERT_TRUE(ProcessEventsUntil([&] { return remote_.ComPort1().rx_events() > before; }, 3000))
        << "batch not received";
  }

  PseudoTerminal pty_;
  RecordingSwitch switch_;
  std::vector<std::string> logged_;
  RemoteControl remote_{switch_, [this](const std::string& line) { logged_.push_back(line); }};
};

TEST_F(SerialControlTest, FirstByteOfEachBatchDecides) {
  struct Case {
    const char* name;
    std::string batch;
    int start;     // source before the batch
    int expected;  // source after it
    int calls;     // switch calls the batch makes
  };
  const std::vector<Case> cases = {
      {"1 alone", "1", kLive, kPlaylist, 1},
      {"2 alone", "2", kPlaylist, kLive, 1},
      {"1 with CR LF", "1\r\n", kLive, kPlaylist, 1},
      {"CR LF alone", "\r\n", kLive, kLive, 0},
      {"2 then 1", "21", kPlaylist, kLive, 1},
      {"3 then anything", "3121", kLive, kLive, 0},
      {"a NUL byte first", std::string("\0001", 2), kLive, kLive, 0},
      {"a high byte first",
       "\xFF"
       "1",
       kPlaylist, kPlaylist, 0},
  };
  for (const auto& c : cases) {
    switch_.Reset();
    switch_.entrada.store(c.start);
    SendBatch(c.batch);
    EXPECT_EQ(switch_.entrada.load(), c.expected) << c.name;
    EXPECT_EQ(switch_.calls(), c.calls) << c.name;
  }
  EXPECT_TRUE(logged_.empty());
}

TEST_F(SerialControlTest, PeerClosingClosesThePortWithOneLogLineAndNoSpin) {
  SendBatch("2");
  pty_.CloseMaster();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !remote_.ComPort1().Connected(); }, 3000))
      << "port still open after its peer went";
  const double cpu_before = CpuSeconds();
  {
    QEventLoop idle;  // a second of event loop that sleeps unless an event comes
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
  }
  const double cpu_used = CpuSeconds() - cpu_before;
  EXPECT_LT(cpu_used, 0.3) << "the closed port keeps the event loop busy";
  ASSERT_EQ(logged_.size(), 1u);
  EXPECT_THAT(logged_[0], ::testing::HasSubstr(pty_.slave_path()));
  EXPECT_EQ(switch_.entrada.load(), kLive);
}

TEST(SerialPortOpen, MissingDeviceIsLoggedOnceAndLeftClosed) {
  RecordingSwitch sw;
  std::vector<std::string> logged;
  RemoteControl remote(sw, [&](const std::string& line) { logged.push_back(line); });
  RemoteSettings settings;
  settings.porta_serial = "/nonexistent/vexto-tty";
  remote.StartSerialControl(settings);
  EXPECT_FALSE(remote.ComPort1().Connected());
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_THAT(logged[0], ::testing::HasSubstr("/nonexistent/vexto-tty"));
  remote.StopRemoteControl();
  EXPECT_EQ(logged.size(), 1u);
}

TEST(SerialPortOpen, SettingsTurnEachControlOff) {
  RecordingSwitch sw;
  std::vector<std::string> logged;
  RemoteControl remote(sw, [&](const std::string& line) { logged.push_back(line); });
  RemoteSettings settings;
  settings.http = false;
  settings.serial = false;
  settings.porta_serial = "/nonexistent/vexto-tty";
  remote.StartSerialControl(settings);
  remote.StartHttpControl(settings);
  EXPECT_FALSE(remote.ComPort1().Connected());
  EXPECT_FALSE(remote.FServer().active());
  EXPECT_TRUE(logged.empty());
}

TEST(RemoteSettingsRead, KeysFromTheSettingsFileAndTheirDefaults) {
  test::TempDir dir;
  TIniFile empty(dir / "none.ini");
  const RemoteSettings defaults = ReadRemoteSettings(empty);
  EXPECT_TRUE(defaults.http);
  EXPECT_TRUE(defaults.serial);
  EXPECT_EQ(defaults.porta_serial, "COM3");
  EXPECT_EQ(defaults.porta_http, 7001);

  {
    std::ofstream out(dir / "vexto.ini");
    out << "[CONTROLE_REMOTO]\nHTTP=0\nserial=2\nporta_serial=/dev/ttyUSB0\nporta_http=$1F41\n";
  }
  TIniFile ini(dir / "vexto.ini");
  const RemoteSettings s = ReadRemoteSettings(ini);
  EXPECT_FALSE(s.http);
  EXPECT_TRUE(s.serial);
  EXPECT_EQ(s.porta_serial, "/dev/ttyUSB0");
  EXPECT_EQ(s.porta_http, 8001);

  EXPECT_EQ(HttpPortFromSetting(8080), 8080);
  EXPECT_EQ(HttpPortFromSetting(0), 7001);
  EXPECT_EQ(HttpPortFromSetting(70000), 7001);
  EXPECT_EQ(HttpPortFromSetting(-5), 7001);
}

}  // namespace
}  // namespace vexto::remote
