// RTMP output against a real nginx with its RTMP module on loopback: the recorded program,
// a server that goes away and comes back, a server that never answers, and failures said
// plainly.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <mutex>
#include <sstream>
#include <thread>

#include "engine/media/core/interfaces.h"
#include "engine/media/writer/stream_writer.h"
#include "tests/support/nginx_rtmp.h"
#include "tests/support/test_support.h"
#include "tests/writer/program_frames.h"
#include "tests/writer/program_pump.h"
#include "tests/writer/writer_test_helpers.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vexto::media {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::LogLines;
using test::Pump;
using test::Rgb;
using test::WaitFor;

const int kQuietLibraries = (av_log_set_level(AV_LOG_ERROR), 0);

using test::kClipColor;
using test::kLiveColor;

std::shared_ptr<IMFWriter> NewWriter() {
  return std::dynamic_pointer_cast<IMFWriter>(MakeStreamWriter());
}

// What the streaming page's "Reset" leaves on the writer: positions 18, 4, 2 and "4M".
std::string ResetConfig(IMFWriter& w, const std::string& size = "") {
  IMFPropertySetPtr props;
  w.ChooseOutputChoice(kChoiceFormat, 18, props);
  if (!size.empty()) props->SetPropertyValue("size", size);
  std::string name;
  w.GetChosenOutputChoice(kChoiceVideoCodec, name, props);
  props->SetPropertyValue("b", "4M");
  w.ChooseOutputChoice(kChoiceVideoCodec, 4, props);
  w.ChooseOutputChoice(kChoiceAudioCodec, 2, props);
  std::string text, config;
  w.ReadStreamConfig(text, config);
  return config;
}

// PushFrame only queues: a typical call takes microseconds. The longest call is printed; its
// bound only catches a push that waited on the network (writes wait up to 5 s), because a
// 2-core machine under load, or a sanitizer, may preempt the caller for a long moment.
void ExpectPushNeverWaited(Pump& pump) {
  EXPECT_LT(pump.median(), 1ms);
  EXPECT_LT(pump.longest(), 1s);
}

struct VideoPacket {
  double pts;
  bool key;
};

std::vector<VideoPacket> VideoPackets(const std::filesystem::path& file) {
  const test::CommandResult r =
      test::RunCommand({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "packet=pts_time,flags", "-of", "csv=p=0", file.string()});
  std::vector<VideoPacket> out;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    out.push_back({std::atof(line.c_str()), line.find('K') != std::string::npos});
  }
  return out;
}

double AudioEnd(const std::filesystem::path& file) {
  const test::CommandResult r =
      test::RunCommand({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                        "packet=pts_time,duration_time", "-of", "csv=p=0", file.string()});
  double end = 0;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    const size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    end = std::max(end, std::atof(line.c_str()) + std::atof(line.c_str() + comma + 1));
  }
  return end;
}

TEST(WriterRtmp, TwentySecondsOfProgramReachTheServerWhole) {
  test::NginxRtmp nginx;
  ASSERT_TRUE(nginx.running());
  auto w = NewWriter();
  w->StartStreamOutput(nginx.ServerUrl() + "/program", 1, ResetConfig(*w));
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Live; }, 5s))
      << w->GetStatus().reason;
  WriterStatus midway;
  {
    Pump pump(*w, 600);
    std::this_thread::sleep_until(Clock::now() + 10s);
    midway = w->GetStatus();
    while (pump.pushed() < 600) std::this_thread::sleep_for(5ms);
    pump.Stop();
    std::printf("PushFrame while streaming 20 s: median %.3f ms, longest %.3f ms\n",
                pump.median().count() / 1e6, pump.longest().count() / 1e6);
    ExpectPushNeverWaited(pump);
  }
  EXPECT_EQ(midway.state, eWriterState::Live);
  EXPECT_GT(midway.bitrate_kbps, 10.0);  // flat colours cost few bits
  std::printf("midway: %.0f kb/s, %lld sent, %lld dropped\n", midway.bitrate_kbps,
              static_cast<long long>(midway.frames_sent),
              static_cast<long long>(midway.frames_dropped));
  std::this_thread::sleep_for(300ms);
  w->StopStreamOutput(0);
  std::this_thread::sleep_for(500ms);  // nginx closes the recording when the publisher leaves
  const WriterStatus end = w->GetStatus();
  EXPECT_EQ(end.state, eWriterState::Stopped);
  EXPECT_EQ(end.frames_sent + end.frames_dropped, 600);

  const auto file = nginx.Recording("program");
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(test::ProbeEntry(file, "v:0", "stream=codec_name"), "h264");
  EXPECT_EQ(test::ProbeEntry(file, "a:0", "stream=codec_name"), "aac");
  EXPECT_EQ(test::ProbeEntry(file, "v:0", "stream=width,height"), "1280\n720");

  const std::vector<VideoPacket> packets = VideoPackets(file);
  ASSERT_GE(packets.size(), 2u);
  EXPECT_TRUE(packets.front().key);
  std::vector<double> pts;
  for (const auto& p : packets) pts.push_back(p.pts);
  double largest_step = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    // Every picture sits on the 30000/1001 grid (FLV keeps milliseconds): no drift.
    const double frame = pts[i] * 30000 / 1001;
    EXPECT_NEAR(frame, std::round(frame), 0.04) << "at packet " << i;
    if (i == 0) continue;
    EXPECT_GT(pts[i], pts[i - 1]) << "at packet " << i;
    largest_step = std::max(largest_step, pts[i] - pts[i - 1]);
  }
  const double duration = pts.back() - pts.front() + 1001.0 / 30000;
  const double fps = packets.size() / duration;
  std::printf("recorded %zu frames, %.3f s, %.3f fps, sound to %.3f s, %lld dropped\n",
              packets.size(), duration, fps, AudioEnd(file),
              static_cast<long long>(end.frames_dropped));
  EXPECT_EQ(static_cast<int64_t>(packets.size()), end.frames_sent);
  EXPECT_NEAR(AudioEnd(file), 20.02, 0.1);  // the sound never has gaps
  if (end.frames_dropped == 0) {
    EXPECT_LE(largest_step, 0.034 + 1e-9);  // 33 or 34 ms
    EXPECT_EQ(packets.size(), 600u);
    EXPECT_NEAR(duration, 20.0, 0.1);
    EXPECT_NEAR(fps, 29.97, 0.05);
  } else {
    // Only a machine too busy to encode 720p in real time drops frames; say so loudly.
    std::printf("WARNING: the encoder fell behind (%lld frames dropped); gaps are those frames\n",
                static_cast<long long>(end.frames_dropped));
  }

  for (const double t : {2.5, 12.5}) {
    const Rgb c = test::ColorAt(file.string(), t);
    EXPECT_TRUE(test::Near(c, kLiveColor)) << t << ": " << c.r << "," << c.g << "," << c.b;
  }
  for (const double t : {7.5, 17.5}) {
    const Rgb c = test::ColorAt(file.string(), t);
    EXPECT_TRUE(test::Near(c, kClipColor)) << t << ": " << c.r << "," << c.g << "," << c.b;
  }
}

TEST(WriterRtmp, AServerThatGoesAwayIsRetriedAndTheStreamResumes) {
  test::NginxRtmp nginx;
  ASSERT_TRUE(nginx.running());
  auto w = NewWriter();
  LogLines log;
  w->SetWriterLogger(log.Hook());
  w->StartStreamOutput(nginx.ServerUrl() + "/secretkey", 1, ResetConfig(*w, "640x360"));
  Pump pump(*w);
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Live; }, 5s));
  std::this_thread::sleep_for(5s);
  nginx.Kill();
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Retrying; }, 8s));
  const WriterStatus lost = w->GetStatus();
  EXPECT_FALSE(lost.reason.empty());
  std::printf("after the server went away: %s (retry in %.0f s)\n", lost.reason.c_str(),
              lost.retry_delay_s);
  std::this_thread::sleep_for(5s);
  ASSERT_TRUE(nginx.Restart());
  // Attempts follow 1, 2, 4, 8 s apart: the next one after the restart is at most 8 s away.
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Live; }, 12s))
      << w->GetStatus().reason;
  std::this_thread::sleep_for(2s);
  pump.Stop();
  std::printf("PushFrame across the outage: median %.3f ms, longest %.3f ms\n",
              pump.median().count() / 1e6, pump.longest().count() / 1e6);
  ExpectPushNeverWaited(pump);
  w->StopStreamOutput(0);
  std::this_thread::sleep_for(500ms);

  const std::vector<std::string> lines = log.Get();
  for (const auto& l : lines) std::printf("log: %s\n", l.c_str());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) {
                            return l.find("conectado de novo") != std::string::npos;
                          }),
            1);
  EXPECT_NE(lines.back().find("conectado de novo"), std::string::npos);
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_NE(lines[i], lines[i - 1]);
  for (const auto& l : lines) EXPECT_EQ(l.find("secretkey"), std::string::npos) << l;

  // The resumed connection starts on a key frame with its clock at zero.
  const std::vector<VideoPacket> packets = VideoPackets(nginx.Recording("secretkey"));
  ASSERT_GT(packets.size(), 20u);
  EXPECT_TRUE(packets.front().key);
  EXPECT_LT(packets.front().pts, 0.1);
}

// Listens on a loopback port; the kernel completes connections that nobody ever answers.
using SilentListener = test::LoopbackListener;

// Accepts each connection, answers with a line of plain text and hangs up: what a TLS client
// meets at a server that does not speak TLS.
class PlainTextServer {
 public:
  PlainTextServer() : thread_([this] { Run(); }) {}
  ~PlainTextServer() {
    running_.store(false);
    thread_.join();
  }
  int port() const { return listener_.port(); }

 private:
  void Run() {
    while (running_.load()) {
      pollfd p{listener_.fd(), POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const int c = accept(listener_.fd(), nullptr, nullptr);
      if (c < 0) continue;
      const char reply[] = "HTTP/1.0 400 Bad Request\r\n\r\n";
      (void)!write(c, reply, sizeof reply - 1);
      close(c);
    }
  }
  SilentListener listener_;
  std::atomic<bool> running_{true};
  std::thread thread_;
};

TEST(WriterRtmp, StopReturnsWithinASecondWhenTheServerNeverAnswers) {
  SilentListener silent;
  auto w = NewWriter();
  w->StartStreamOutput("rtmp://127.0.0.1:" + std::to_string(silent.port()) + "/live/x", 1,
                       ResetConfig(*w, "640x360"));
  Pump pump(*w);
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Connecting);
  const auto t0 = Clock::now();
  w->StopStreamOutput(0);
  const auto took = Clock::now() - t0;
  std::printf("StopStreamOutput against a silent server: %.1f ms\n", took.count() / 1e6);
  EXPECT_LT(took, 1s);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Stopped);
}

TEST(WriterRtmp, FailuresAreSaidPlainlyAndRetriedWithAGrowingDelay) {
  PlainTextServer plain;
  const int closed_port = test::FreeLoopbackPort();
  struct Case {
    std::string url;
    std::string reason;
  };
  const Case cases[] = {
      {"rtmp://127.0.0.1:" + std::to_string(closed_port) + "/live/x",
       "conexão recusada pelo servidor"},
      // A server that does not speak TLS, spoken to over TLS.
      {"rtmps://127.0.0.1:" + std::to_string(plain.port()) + "/live/x",
       "falha na conexão segura (TLS)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    auto w = NewWriter();
    LogLines log;
    w->SetWriterLogger(log.Hook());
    w->StartStreamOutput(c.url, 1, ResetConfig(*w, "320x180"));
    ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Retrying; }, 5s));
    WriterStatus s = w->GetStatus();
    EXPECT_NE(s.reason.find(c.reason), std::string::npos) << s.reason;
    EXPECT_EQ(s.retry_delay_s, 1.0);
    ASSERT_TRUE(WaitFor([&] { return w->GetStatus().retry_delay_s == 2.0; }, 4s));
    ASSERT_TRUE(WaitFor([&] { return w->GetStatus().retry_delay_s == 4.0; }, 5s));
    EXPECT_EQ(log.Get().size(), 1u);  // the same failure again is not logged again
    const auto t0 = Clock::now();
    w->StopStreamOutput(0);
    EXPECT_LT(Clock::now() - t0, 1s);
    EXPECT_EQ(w->GetStatus().state, eWriterState::Stopped);
  }
}

TEST(WriterRtmp, ASecondPublisherOnTheSameNameIsRetriedUntilTheFirstLeaves) {
  test::NginxRtmp nginx;
  ASSERT_TRUE(nginx.running());
  test::ChildProcess other({"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                            "testsrc=size=320x180:rate=30", "-t", "4", "-c:v", "libx264", "-preset",
                            "ultrafast", "-f", "flv", nginx.ServerUrl() + "/busy"});
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(nginx.Recording("busy")); }, 5s));
  auto w = NewWriter();
  w->StartStreamOutput(nginx.ServerUrl() + "/busy", 1, ResetConfig(*w, "320x180"));
  Pump pump(*w);
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Retrying; }, 5s));
  std::printf("while another publisher holds the name: %s\n", w->GetStatus().reason.c_str());
  EXPECT_NE(w->GetStatus().reason.find("recusou"), std::string::npos) << w->GetStatus().reason;
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Live; }, 15s))
      << w->GetStatus().reason;
  w->StopStreamOutput(0);
}

}  // namespace
}  // namespace vexto::media
